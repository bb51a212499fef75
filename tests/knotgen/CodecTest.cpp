#include <gtest/gtest.h>

#include <cmath>

#include "Codec.h"

namespace tv::knotgen {
namespace {

// Long and short curves, big and small, chained back to back in one record: it decodes to the
// last byte, the largest delta is 126 or 127 (never -128), and decoded points stay within half a
// step of their targets in every coordinate, however many deltas came before.
TEST(Codec, RecordsChainComponentsAndErrorsDoNotDrift) {
  const struct { int n; double radius, turns, rise; } helices[] = {
      {1500, 20.0, 24.0, 5.0}, {8, 6.0, 1.0, 0.0}, {97, 0.5, 3.0, 0.2}};
  Link link;
  for (const auto& h : helices) {
    Curve& c = link.emplace_back();
    for (int i = 0; i < h.n; ++i) {
      const double t = static_cast<double>(i) / h.n, a = 2.0 * M_PI * h.turns * t;
      c.push_back({h.radius * std::cos(a) + 0.3, h.radius * std::sin(a) - 1.7, h.rise * std::sin(2.0 * M_PI * t)});
    }
  }
  std::vector<uint8_t> bytes;
  EncodeRecord(link, bytes);
  size_t at = 0, p = 1;
  const Link decoded = DecodeRecord(bytes.data(), at);
  EXPECT_EQ(at, bytes.size());
  ASSERT_EQ(decoded.size(), 3u);
  for (size_t c = 0; c < 3; ++c) {
    const size_t n = link[c].size();
    ASSERT_EQ(decoded[c].size(), n);
    int largest = 0;
    for (size_t i = p + 18; i < p + 15 + 3 * n; ++i)
      largest = std::max(largest, std::abs(int{static_cast<int8_t>(bytes[i])}));
    EXPECT_TRUE(largest == 126 || largest == 127) << largest;
    const double step = StepForScale(ComponentScale(bytes.data(), 0, static_cast<int>(c)));
    double worst = 0.0;
    for (size_t i = 0; i < n; ++i) {
      const Vec3 e = decoded[c][i] - link[c][i];
      worst = std::max({worst, std::fabs(e.x), std::fabs(e.y), std::fabs(e.z)});
    }
    EXPECT_LE(worst, 0.5 * step + 1e-5) << n;
    p += 3 * n + 15;
  }
}

}  // namespace
}  // namespace tv::knotgen
