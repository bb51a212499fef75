#include <gtest/gtest.h>

#include <cmath>

#include "Codec.h"
#include "Library.h"

namespace tv::knotgen {
namespace {

Curve Helix(int n, double radius, double turns, double rise) {
  Curve c;
  for (int i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / n, a = 2.0 * M_PI * turns * t;
    c.push_back({radius * std::cos(a) + 0.3, radius * std::sin(a) - 1.7, rise * std::sin(2.0 * M_PI * t)});
  }
  return c;
}

TEST(Codec, ReferenceUnknotDecodesToItsCircle) {
  size_t at = 0;
  const Link l = DecodeRecord(UnknotRecord().data(), at);
  EXPECT_EQ(at, 64u);
  ASSERT_EQ(l.size(), 1u);
  ASSERT_EQ(l[0].size(), 16u);
  EXPECT_NEAR(l[0][0].x, -0.222813, 1e-6);
  EXPECT_NEAR(l[0][0].y, 9.999330, 1e-6);
  EXPECT_NEAR(l[0][1].x, -4.006031, 1e-6);
  EXPECT_NEAR(l[0][15].x, 3.590672, 1e-6);
  EXPECT_NEAR(l[0][15].y, 9.333483, 1e-6);
  EXPECT_NEAR(StepForScale(3.84375f), 0.030265748500823975, 1e-17);
  for (const Vec3& p : l[0]) EXPECT_EQ(p.z, 0.0);
}

// Long and short curves, big and small, chained back to back in one record: the largest delta
// is 126 or 127 (never -128), and decoded points stay within half a step of their targets in
// every coordinate, however many deltas came before.
TEST(Codec, RecordsChainComponentsAndErrorsDoNotDrift) {
  const Link link = {Helix(1500, 20.0, 24.0, 5.0), Helix(8, 6.0, 1.0, 0.0), Helix(97, 0.5, 3.0, 0.2)};
  std::vector<uint8_t> bytes;
  EncodeRecord(link, bytes);
  EXPECT_EQ(bytes.size(), 1 + (3 * 1500 + 15) + (3 * 8 + 15) + (3 * 97 + 15));
  EXPECT_EQ(bytes[0], 3);
  size_t at = 0;
  const Link decoded = DecodeRecord(bytes.data(), at);
  EXPECT_EQ(at, bytes.size());
  ASSERT_EQ(decoded.size(), 3u);
  size_t p = 1;
  for (size_t c = 0; c < 3; ++c) {
    const Curve& target = link[c];
    ASSERT_EQ(decoded[c].size(), target.size());
    EXPECT_EQ(bytes[p] | (bytes[p + 1] << 8), static_cast<int>(target.size()));
    int largest = 0;
    for (size_t i = 0; i < 3 * (target.size() - 1); ++i) {
      const int d = static_cast<int8_t>(bytes[p + 18 + i]);
      EXPECT_NE(d, -128);
      largest = std::max(largest, std::abs(d));
    }
    EXPECT_TRUE(largest == 126 || largest == 127) << largest;
    const double step = StepForScale(ComponentScale(bytes.data(), 0, static_cast<int>(c)));
    double worst = 0.0;
    for (size_t i = 0; i < target.size(); ++i) {
      const Vec3 e = decoded[c][i] - target[i];
      worst = std::max({worst, std::fabs(e.x), std::fabs(e.y), std::fabs(e.z)});
    }
    EXPECT_LE(worst, 0.5 * step + 1e-5) << target.size();
    p += 3 * target.size() + 15;
  }
}

}  // namespace
}  // namespace tv::knotgen
