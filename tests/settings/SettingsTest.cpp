#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "settings/SaverSettings.h"

namespace tv {
namespace {

TEST(SaverSettings, DefaultsInTheirStoredPlaces) {
  // In stored order, which interleaves the spins: x min, y min, x max, y max.
  const SaverSettings expected = {2, 60, 150, 90, 200, {2, 1, 3, 3, 4, 4, 5, 1}, 30, 40, 20, 30, 40, 1.0, 3.0, 3, 10};
  EXPECT_EQ(SettingsToBytes(DefaultSettings()), SettingsToBytes(expected));
  SaverSettings r;
  std::memset(&r, 0x5A, sizeof r);
  ResetSettings(r);
  EXPECT_EQ(SettingsToBytes(r), SettingsToBytes(expected));
}

// Hand edits of the defaults and the fixes repairing must make, field for field; rows without fixes
// are records the dialog could have saved, which stay as they are, bit for bit.
TEST(SaverSettings, RepairBringsHandEditsBackIntoRange) {
  using S = SaverSettings;
  const struct { void (*edit)(S&), (*fix)(S&); } rows[] = {
      {[](S& r) { r.knotCount = 0, r.uMin = 3 * 0.1, r.uMax = 10, r.vMin = r.vMax = 50; }, nullptr},
      {[](S& r) { std::fill(std::begin(r.styleWeight), std::end(r.styleWeight), 0); }, nullptr},
      {[](S& r) { r.knotCount = -3, r.spinXMin = -1, r.styleWeight[2] = -1, r.wobblePercent = -1, r.uMin = 0.05; },
       [](S& r) { r.knotCount = r.spinXMin = r.styleWeight[2] = r.wobblePercent = 0, r.uMin = 0.1; }},
      {[](S& r) { r.knotCount = 21, r.spinYMax = 100000, r.styleWeight[7] = 21, r.wirePercent = 1000, r.uMax = 11; },
       [](S& r) { r.knotCount = r.styleWeight[7] = 20, r.spinYMax = 300, r.wirePercent = 100, r.uMax = 10; }},
      {[](S& r) { r.spinXMin = r.spinYMin = 250, r.spinXMax = r.spinYMax = 40; },
       [](S& r) { r.spinXMax = r.spinYMax = 250; }},
      {[](S& r) { r.uMin = std::nan(""), r.uMax = -INFINITY; }, [](S& r) { r.uMin = 1.0, r.uMax = 3.0; }},
      {[](S& r) { r.uMin = 7.5, r.uMax = 2.0; }, [](S& r) { r.uMax = 7.5; }},
      {[](S& r) { r.vMin = 60, r.vMax = 2; }, [](S& r) { r.vMin = r.vMax = 50; }},
      {[](S& r) { r.vMin = 9, r.vMax = 8; }, [](S& r) { r.vMax = 9; }},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    S r = DefaultSettings();
    rows[i].edit(r);
    S expected = r;
    if (rows[i].fix) rows[i].fix(expected);
    EXPECT_EQ(RepairSettings(r), rows[i].fix != nullptr) << i;
    EXPECT_EQ(SettingsToBytes(r), SettingsToBytes(expected)) << i;
    EXPECT_FALSE(RepairSettings(r)) << i;  // a repaired record needs no more repair
  }
}

}  // namespace
}  // namespace tv
