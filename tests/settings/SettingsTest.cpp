#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <random>

#include "settings/SaverSettings.h"

namespace tv {
namespace {

TEST(SaverSettings, LayoutAndDefaults) {
  EXPECT_EQ(offsetof(SaverSettings, spinXMin), 4u);
  EXPECT_EQ(offsetof(SaverSettings, spinYMin), 8u);
  EXPECT_EQ(offsetof(SaverSettings, spinXMax), 12u);
  EXPECT_EQ(offsetof(SaverSettings, styleWeight), 20u);
  EXPECT_EQ(offsetof(SaverSettings, wobblePercent), 52u);
  EXPECT_EQ(offsetof(SaverSettings, wirePercent), 68u);
  EXPECT_EQ(offsetof(SaverSettings, uMin), 72u);
  EXPECT_EQ(offsetof(SaverSettings, uMax), 80u);
  EXPECT_EQ(offsetof(SaverSettings, vMin), 88u);
  EXPECT_EQ(offsetof(SaverSettings, vMax), 92u);

  const auto bytes = SettingsToBytes(DefaultSettings());
  // knotCount 2, spins 60 150 90 200, weights 2 1 3 3 4 4 5 1, percents 30 40 20 30 40.
  const int32_t ints[] = {2, 60, 150, 90, 200, 2, 1, 3, 3, 4, 4, 5, 1, 30, 40, 20, 30, 40};
  for (int i = 0; i < 18; ++i) {
    EXPECT_EQ(bytes[4 * i], ints[i]) << i;
    EXPECT_EQ(bytes[4 * i + 1] | bytes[4 * i + 2] | bytes[4 * i + 3], 0) << i;
  }
  // 1.0 and 3.0 as little-endian doubles, then 3 and 10.
  const uint8_t tail[] = {0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0, 0, 0, 0, 0, 0, 0x08, 0x40,
                          3, 0, 0, 0, 10, 0, 0, 0};
  EXPECT_EQ(std::memcmp(bytes.data() + 72, tail, sizeof tail), 0);

  SaverSettings r;
  std::memset(&r, 0x5A, sizeof r);
  ResetSettings(r);
  EXPECT_EQ(SettingsToBytes(r), bytes);
}

TEST(SaverSettings, RepairLeavesInRangeRecordsUntouched) {
  SaverSettings r = DefaultSettings();
  r.knotCount = 0;  // an empty scene is allowed
  r.uMin = 0.1;
  r.uMax = 10.0;
  r.uMin = 3 * 0.1;  // dialog positions times 0.1 are kept bit for bit
  r.vMin = r.vMax = 50;
  for (int32_t& w : r.styleWeight) w = 0;  // the scene draws Smooth knots then
  const auto before = SettingsToBytes(r);
  EXPECT_FALSE(RepairSettings(r));
  EXPECT_EQ(SettingsToBytes(r), before);
}

TEST(SaverSettings, RepairBringsHandEditsBackIntoRange) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  SaverSettings r = DefaultSettings();
  r.knotCount = -3;
  r.spinXMin = 250, r.spinXMax = 40;  // upside down: the maximum is raised
  r.spinYMax = 100000;
  r.styleWeight[2] = -1;
  r.wirePercent = 1000;
  r.uMin = nan;
  r.uMax = -std::numeric_limits<double>::infinity();
  r.vMin = 60, r.vMax = 2;
  EXPECT_TRUE(RepairSettings(r));
  EXPECT_EQ(r.knotCount, 0);
  EXPECT_EQ(r.spinXMin, 250);
  EXPECT_EQ(r.spinXMax, 250);
  EXPECT_EQ(r.spinYMax, 300);
  EXPECT_EQ(r.styleWeight[2], 0);
  EXPECT_EQ(r.wirePercent, 100);
  EXPECT_EQ(r.uMin, 1.0);
  EXPECT_EQ(r.uMax, 3.0);  // non-finite values fall back to their defaults
  EXPECT_EQ(r.vMin, 50);
  EXPECT_EQ(r.vMax, 50);
  EXPECT_FALSE(RepairSettings(r));

  r.knotCount = 21;
  r.uMin = 7.5, r.uMax = 2.0;
  r.vMin = 9, r.vMax = 8;
  RepairSettings(r);
  EXPECT_EQ(r.knotCount, 20);
  EXPECT_EQ(r.uMax, 7.5);
  EXPECT_EQ(r.vMax, 9);
}

// Whatever bytes a hand edit leaves, the repaired record is usable by every reader.
TEST(SaverSettings, EveryByteImageRepairsToAUsableRecord) {
  std::mt19937 rng(20261206);
  for (int size = 0; size <= kSettingsSize; ++size) {
    for (int trial = 0; trial < 50; ++trial) {
      SaverSettings r = DefaultSettings();
      uint8_t bytes[kSettingsSize];
      for (uint8_t& b : bytes) b = static_cast<uint8_t>(rng());
      OverlaySettingsBytes(r, bytes, size);
      RepairSettings(r);
      ASSERT_TRUE(r.knotCount >= 0 && r.knotCount <= 20);
      ASSERT_TRUE(r.spinXMin <= r.spinXMax && r.spinYMin <= r.spinYMax);
      ASSERT_TRUE(r.spinXMin >= 0 && r.spinYMax <= 300);
      ASSERT_TRUE(std::isfinite(r.uMin) && std::isfinite(r.uMax));
      ASSERT_TRUE(r.uMin >= 0.1 && r.uMin <= r.uMax && r.uMax <= 10.0);
      ASSERT_TRUE(r.vMin >= 3 && r.vMin <= r.vMax && r.vMax <= 50);
      for (int32_t w : r.styleWeight) ASSERT_TRUE(w >= 0 && w <= 20);
    }
  }
}

}  // namespace
}  // namespace tv
