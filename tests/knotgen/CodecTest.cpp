#include <gtest/gtest.h>

#include <cmath>

#include "Codec.h"
#include "Library.h"

namespace tv::knotgen {
namespace {

Curve Helix(int n, double radius, double turns, double rise) {
  Curve c;
  for (int i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / n;
    const double a = 2.0 * M_PI * turns * t;
    c.push_back({radius * std::cos(a) + 0.3, radius * std::sin(a) - 1.7, rise * std::sin(2.0 * M_PI * t)});
  }
  return c;
}

int LargestDelta(const std::vector<uint8_t>& bytes, size_t deltasAt, int n, bool& sawMinus128) {
  int largest = 0;
  for (int i = 0; i < 3 * (n - 1); ++i) {
    const int d = static_cast<int8_t>(bytes[deltasAt + static_cast<size_t>(i)]);
    sawMinus128 |= d == -128;
    largest = std::max(largest, std::abs(d));
  }
  return largest;
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

TEST(Codec, LargestDeltaIs126Or127AndErrorsDoNotDrift) {
  // Long and short curves, big and small: decoded points stay within half a step of their
  // targets in every coordinate, however many deltas came before.
  for (const Curve& c : {Helix(1500, 20.0, 24.0, 5.0), Helix(8, 6.0, 1.0, 0.0), Helix(97, 0.5, 3.0, 0.2)}) {
    std::vector<uint8_t> bytes;
    const float scale = EncodeComponent(c, bytes);
    ASSERT_EQ(bytes.size(), 3 * c.size() + 15);
    EXPECT_EQ(bytes[0] | (bytes[1] << 8), static_cast<int>(c.size()));
    bool minus128 = false;
    const int largest = LargestDelta(bytes, 18, static_cast<int>(c.size()), minus128);
    EXPECT_TRUE(largest == 126 || largest == 127) << largest;
    EXPECT_FALSE(minus128);
    std::vector<uint8_t> record = {1};
    record.insert(record.end(), bytes.begin(), bytes.end());
    size_t at = 0;
    const Link d = DecodeRecord(record.data(), at);
    EXPECT_EQ(at, record.size());
    const double step = StepForScale(scale);
    double worst = 0.0;
    for (size_t i = 0; i < c.size(); ++i)
      worst = std::max({worst, std::fabs(d[0][i].x - c[i].x), std::fabs(d[0][i].y - c[i].y), std::fabs(d[0][i].z - c[i].z)});
    EXPECT_LE(worst, 0.5 * step + 1e-5) << c.size();
  }
}

TEST(Codec, RecordsChainComponentsBackToBack) {
  Link link = {Helix(10, 3.0, 1.0, 1.0), Helix(30, 5.0, 2.0, 0.5)};
  std::vector<uint8_t> bytes;
  EncodeRecord(link, bytes);
  EXPECT_EQ(bytes.size(), 1 + (3 * 10 + 15) + (3 * 30 + 15));
  EXPECT_EQ(bytes[0], 2);
  size_t at = 0;
  const Link d = DecodeRecord(bytes.data(), at);
  EXPECT_EQ(at, bytes.size());
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[1].size(), 30u);
  EXPECT_GT(ComponentScale(bytes.data(), 0, 1), ComponentScale(bytes.data(), 0, 0));
}

}  // namespace
}  // namespace tv::knotgen
