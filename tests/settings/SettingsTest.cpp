#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "settings/SaverSettings.h"

namespace tv {
namespace {

TEST(SaverSettings, DefaultsInTheirStoredPlaces) {
  // knotCount 2, spins 60 150 90 200, weights 2 1 3 3 4 4 5 1, percents 30 40 20 30 40, then
  // u 1.0 and 3.0 as little-endian doubles, v 3 and 10.
  std::vector<uint8_t> expected;
  for (uint8_t i : {2, 60, 150, 90, 200, 2, 1, 3, 3, 4, 4, 5, 1, 30, 40, 20, 30, 40})
    expected.insert(expected.end(), {i, 0, 0, 0});
  expected.insert(expected.end(),
                  {0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0, 0, 0, 0, 0, 0, 0x08, 0x40, 3, 0, 0, 0, 10, 0, 0, 0});
  const auto bytes = SettingsToBytes(DefaultSettings());
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()), expected);
  SaverSettings r;
  std::memset(&r, 0x5A, sizeof r);
  ResetSettings(r);
  EXPECT_EQ(SettingsToBytes(r), bytes);
}

// One hand edit per row, what it must come back as, and whether that is a change; rows the dialog
// could have saved stay as they are, bit for bit.
TEST(SaverSettings, RepairBringsHandEditsBackIntoRange) {
  using S = SaverSettings;
  const struct { void (*edit)(S&); bool (*repaired)(const S&); bool changed; } rows[] = {
      {[](S& r) { r.knotCount = 0; }, [](const S& r) { return r.knotCount == 0; }, false},
      {[](S& r) { r.knotCount = -3; }, [](const S& r) { return r.knotCount == 0; }, true},
      {[](S& r) { r.knotCount = 21; }, [](const S& r) { return r.knotCount == 20; }, true},
      {[](S& r) { r.spinXMin = 250, r.spinXMax = 40; }, [](const S& r) { return r.spinXMax == 250; }, true},
      {[](S& r) { r.spinYMin = 250, r.spinYMax = 40; }, [](const S& r) { return r.spinYMax == 250; }, true},
      {[](S& r) { r.spinYMax = 100000; }, [](const S& r) { return r.spinYMax == 300; }, true},
      {[](S& r) { r.spinXMin = -1; }, [](const S& r) { return r.spinXMin == 0; }, true},
      {[](S& r) { r.styleWeight[2] = -1; }, [](const S& r) { return r.styleWeight[2] == 0; }, true},
      {[](S& r) { r.styleWeight[7] = 21; }, [](const S& r) { return r.styleWeight[7] == 20; }, true},
      {[](S& r) { for (int32_t& w : r.styleWeight) w = 0; }, [](const S&) { return true; }, false},
      {[](S& r) { r.wirePercent = 1000; }, [](const S& r) { return r.wirePercent == 100; }, true},
      {[](S& r) { r.wobblePercent = -1; }, [](const S& r) { return r.wobblePercent == 0; }, true},
      {[](S& r) { r.uMin = 3 * 0.1, r.uMax = 10; }, [](const S& r) { return r.uMin == 3 * 0.1; }, false},
      {[](S& r) { r.uMin = std::nan(""); }, [](const S& r) { return r.uMin == 1.0; }, true},
      {[](S& r) { r.uMax = -INFINITY; }, [](const S& r) { return r.uMax == 3.0; }, true},
      {[](S& r) { r.uMin = 0.05; }, [](const S& r) { return r.uMin == 0.1; }, true},
      {[](S& r) { r.uMin = 7.5, r.uMax = 2.0; }, [](const S& r) { return r.uMax == 7.5; }, true},
      {[](S& r) { r.vMin = 60, r.vMax = 2; }, [](const S& r) { return r.vMin + r.vMax == 100; }, true},
      {[](S& r) { r.vMin = 9, r.vMax = 8; }, [](const S& r) { return r.vMax == 9; }, true},
      {[](S& r) { r.vMin = r.vMax = 50; }, [](const S& r) { return r.vMin == 50; }, false},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    S r = DefaultSettings();
    rows[i].edit(r);
    const auto before = SettingsToBytes(r);
    EXPECT_EQ(RepairSettings(r), rows[i].changed) << i;
    EXPECT_TRUE(rows[i].repaired(r)) << i;
    EXPECT_EQ(SettingsToBytes(r) == before, !rows[i].changed) << i;
    EXPECT_FALSE(RepairSettings(r)) << i;  // a repaired record needs no more repair
  }
}

}  // namespace
}  // namespace tv
