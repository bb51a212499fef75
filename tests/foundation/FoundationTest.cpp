// Vectors, frames, colour conversions and the random source.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "foundation/ColorSpace.h"
#include "foundation/Frames.h"
#include "foundation/Random.h"
#include "foundation/Vectors.h"
#include "support/CheckCapture.h"

namespace tv {
namespace {

double Gap(const Vec3& a, const Vec3& b) { return (a - b).Length(); }

TEST(Vectors, DefaultsNormalizeCrossWeightsAndTransform) {
  // Not zero: arrays built without values start there.
  EXPECT_TRUE(Vec3() == Vec3(0, 0, 1) && Vec4() == Vec4(0, 0, 1, 1));
  EXPECT_EQ(Normalized({0, 0, 0}), Vec3(0, 0, 0));
  EXPECT_LT(Gap(Normalized({3, 0, 4}), {0.6, 0, 0.8}), 1e-15);
  EXPECT_EQ(Cross({1, 2, 3}, {4, 5, 7}), Vec3(-1, 5, -3));
  // Only real weights divide.
  for (auto [w, scale] : {std::pair(2.0, 1.0), {0.0, 2.0}, {1.0, 2.0}})
    EXPECT_EQ(ToVec3({2, 4, 6, w}), scale * Vec3(1, 2, 3)) << w;
  // Swap x and y, then translate by (10, 20, 30); row 3 is ignored, old values are used.
  Matrix4 M;
  M.m[0] = 0, M.m[1] = 1, M.m[4] = 1, M.m[5] = 0;
  M.m[3] = 10, M.m[7] = 20, M.m[11] = 30, M.m[12] = 99;
  Vec3 p(1, 2, 3);
  TransformPoint(p, M);
  EXPECT_EQ(p, Vec3(12, 21, 33));
}

TEST(Frames, RotationBasisAlignmentAndColumns) {
  // Hand-worked turns, whatever the axis length: a quarter turn about z, a third of a turn about
  // (1, 1, 1) (which moves each axis onto the next), and a zero axis, which only scales by cos.
  const struct {
    Vec3 v;
    double angle;
    Vec3 axis, turned;
  } turns[] = {{{1, 0, 0}, M_PI / 2, {0, 0, 2}, {0, 1, 0}},
               {{0, 1, 0}, 2 * M_PI / 3, {3, 3, 3}, {0, 0, 1}},
               {{1, 2, 3}, 0.3, {0, 0, 0}, 0.955336489125606 * Vec3(1, 2, 3)}};
  for (const auto& [v, angle, axis, turned] : turns) EXPECT_LT(Gap(RotateAboutAxis(v, angle, axis), turned), 1e-12);
  // Any turn keeps the length and the part along the axis, and the opposite axis turns back.
  const Vec3 w(0.3, 0.7, -1.1), axis(1, -2, 0.5), turned = RotateAboutAxis(w, 1.234, axis);
  EXPECT_NEAR(turned.Length(), w.Length(), 1e-12);
  EXPECT_NEAR(Dot(turned, axis), Dot(w, axis), 1e-12);
  EXPECT_LT(Gap(RotateAboutAxis(turned, 1.234, -axis), w), 1e-12);
  // Frames on the axes by hand; otherwise orthonormal, right-handed (side x up = forward), with
  // the side across the y axis when d is within 1/64 of the z axis, else across the z axis.
  const struct {
    Vec3 d, side, up;
  } bases[] = {{{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}};
  for (const auto& [d, side, up] : bases) {
    const Basis b = BasisFromDirection(d);
    EXPECT_LT(Gap(b.side, side) + Gap(b.up, up) + Gap(b.forward, Normalized(d)), 1e-12) << d.x << "," << d.y;
  }
  for (auto [d, across] : {std::pair(Vec3(0.01, 0.01, 1), Vec3(0, 1, 0)), {Vec3(0.01, 0.5, 1), Vec3(0, 0, 1)},
                           {Vec3(-3, 2, -1), Vec3(0, 0, 1)}}) {
    const Basis b = BasisFromDirection(d);
    EXPECT_LT(Gap(b.forward, Normalized(d)) + Gap(Cross(b.side, b.up), b.forward), 1e-12) << d.y;
    EXPECT_NEAR(b.side.Length() + b.up.Length(), 2.0, 1e-12) << d.y;
    const double offRight = std::fabs(Dot(b.side, b.forward)) + std::fabs(Dot(b.up, b.forward));
    EXPECT_NEAR(offRight + std::fabs(Dot(b.side, across)), 0.0, 1e-12) << d.y;
  }
  Vec3 v(0.3, -2, 7), x(1, 0, 0), z(0, 0, 1);
  EXPECT_EQ(AlignToDirection({0, 0, 5}, v), Vec3(0.3, -2, 7));
  EXPECT_LT(Gap(AlignToDirection({1, 0, 0}, x), {0, 1, 0}) + Gap(AlignToDirection({1, 0, 0}, z), {1, 0, 0}), 1e-12);
  // SetColumns keeps the translation entries of rows 0 and 1 but clears row 2's and row 3.
  Matrix4 M;
  M.m[3] = 4, M.m[7] = 5, M.m[11] = 6, M.m[12] = 7;
  SetColumns(M, {1, 2, 3}, {4, 5, 6}, {7, 8, 9});
  EXPECT_EQ(M, (Matrix4{{1, 4, 7, 4, 2, 5, 8, 5, 3, 6, 9, 0, 0, 0, 0, 1}}));
}

// Colours as (r, g, b) in a Vec3; a channel left unwritten stays out of range.
Vec3 FromHsv(double h, double s, double v) {
  Vec3 c(-1, -1, -1);
  HsvToRgb(h, s, v, c.x, c.y, c.z);
  return c;
}

TEST(HsvToRgb, SectorsGreyTurnsAndHostileHues) {
  const struct {
    double h, s, v;
    Vec3 rgb;
  } cases[] = {{0, 1, 1, {1, 0, 0}},    {120, 1, 1, {0, 1, 0}},   {240, 1, 1, {0, 0, 1}},  {420, 1, 1, {1, 1, 0}},
               {90, 1, 1, {0.5, 1, 0}}, {150, 1, 1, {0, 1, 0.5}}, {210, 1, 1, {0, 0.5, 1}}, {270, 1, 1, {0.5, 0, 1}},
               {330, 1, 1, {1, 0, 0.5}}, {-30, 1, 1, {1, 0, 0.5}}, {725, 1, 1, {1, 1 / 12.0, 0}},
               {30, 0.9, 0.9, {0.9, 0.495, 0.09}}, {77, 0, 0.9, {0.9, 0.9, 0.9}},
               // just below a full turn the sector may round to 6, and just below 0 the hue to 360: both read as 0
               {std::nextafter(360.0, 0.0), 1, 1, {1, 0, 0}}, {-1e-300, 1, 1, {1, 0, 0}},
               // hues that would never finish by subtracting turns: non-finite ones count as 0, and the
               // double 1e18 + 30 is 1e18, which lies 280 degrees past its whole turns
               {INFINITY, 1, 1, {1, 0, 0}}, {-INFINITY, 1, 1, {1, 0, 0}}, {NAN, 1, 1, {1, 0, 0}},
               {1e18 + 30, 1, 1, {2 / 3.0, 0, 1}}};
  for (const auto& c : cases) EXPECT_LT(Gap(FromHsv(c.h, c.s, c.v), c.rgb), 1e-12) << c.h;
  // Whole turns come off exactly, as repeated subtraction would.
  EXPECT_EQ(FromHsv(360012.345, 0.7, 0.8), FromHsv(360012.345 - 360000.0, 0.7, 0.8));
}

// Every colour of a grid comes back from HSV to RGB; hues stay below 360 (pure red is 0) and a
// grey has hue 0.
TEST(RgbToHsv, RoundTripsAndTheSaturationCheck) {
  test::CheckCapture capture;
  double h, s, v;
  for (double r = 0; r <= 1.0; r += 0.125)
    for (double g = 0; g <= 1.0; g += 0.25)
      for (double b = 0; b <= 1.0; b += 0.1) {
        RgbToHsv(r, g, b, h, s, v);
        EXPECT_TRUE(h >= 0.0 && h < 360.0 && (s > 0 || h == 0)) << h;
        EXPECT_LT(Gap(FromHsv(h, s, v), {r, g, b}), 1e-12) << r << "," << g << "," << b;
      }
  EXPECT_TRUE(capture.failures().empty());
  RgbToHsv(-1, 0.5, 0.5, h, s, v);  // saturation 4: both checks fire
  ASSERT_EQ(capture.failures().size(), 2u);
  EXPECT_EQ(capture.failures()[0].expression, "(0.0<=*s)&&(*s<=1.0)");
  EXPECT_EQ(capture.failures()[0].module, Module::ColorSpace);
}

TEST(Random, SequenceFromSeedHelpersAndRange) {
  // First values of the generator from state 1: 41, 18467, 6334, 26500, 19169.
  SeedRandom(1);
  EXPECT_EQ(RandomDraw(), 41);
  EXPECT_EQ(RandomDraw(), 18467);
  EXPECT_EQ(RandomState(), 3357800067u);  // its bits 16..30 are the draw: 18467
  EXPECT_EQ(RandomMod(100), 6334 % 100);
  EXPECT_TRUE(RandomPercent(1));    // 26500 % 100 == 0 < 1
  EXPECT_FALSE(RandomPercent(69));  // 19169 % 100 == 69, not below 69
  SeedRandom(1);
  EXPECT_DOUBLE_EQ(RandomUnit(), 41 * kRandomScale);
  EXPECT_EQ(RandomMod(0), 0);  // degenerate modulus still consumes a draw
  EXPECT_EQ(RandomMod(-7), 0);
  EXPECT_EQ(RandomDraw(), 26500);
  std::set<int> seen;
  for (int i = 0; i < 200000; ++i) seen.insert(RandomDraw());
  EXPECT_EQ(*seen.begin(), 0);
  EXPECT_EQ(*seen.rbegin(), kRandomMax);
  EXPECT_DOUBLE_EQ(kRandomMax * kRandomScale, 1.0);
}

}  // namespace
}  // namespace tv
