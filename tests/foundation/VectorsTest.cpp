#include <gtest/gtest.h>

#include <cmath>

#include "foundation/Frames.h"
#include "foundation/Vectors.h"

namespace tv {
namespace {

void ExpectNear(const Vec3& a, const Vec3& b, double eps = 1e-12) {
  EXPECT_NEAR(a.x, b.x, eps);
  EXPECT_NEAR(a.y, b.y, eps);
  EXPECT_NEAR(a.z, b.z, eps);
}

TEST(Vectors, DefaultsNormalizeCrossWeightsAndTransform) {
  EXPECT_EQ(Vec3(), Vec3(0, 0, 1));  // not zero: arrays built without values start there
  EXPECT_EQ(Vec4(), Vec4(0, 0, 1, 1));
  for (int i = 0; i < 16; ++i) EXPECT_EQ(Matrix4{}.m[i], (i % 5 == 0) ? 1.0 : 0.0) << i;
  Vec3 zero(0, 0, 0), v(3, 0, 4);
  Normalize(zero);
  Normalize(v);
  EXPECT_EQ(zero, Vec3(0, 0, 0));
  ExpectNear(v, {0.6, 0, 0.8});
  EXPECT_EQ(Cross({1, 0, 0}, {0, 1, 0}), Vec3(0, 0, 1));
  EXPECT_EQ(Cross({0, 1, 0}, {1, 0, 0}), Vec3(0, 0, -1));
  EXPECT_EQ(Cross({1, 2, 3}, {4, 5, 6}), Vec3(-3, 6, -3));
  // Only real weights divide.
  EXPECT_EQ(ToVec3({2, 4, 6, 2}), Vec3(1, 2, 3));
  EXPECT_EQ(ToVec3({2, 4, 6, 0}), Vec3(2, 4, 6));
  EXPECT_EQ(ToVec3({2, 4, 6, 1}), Vec3(2, 4, 6));
  // Swap x and y, then translate by (10, 20, 30); row 3 is ignored, old values are used.
  Matrix4 M;
  M.m[0] = 0, M.m[1] = 1, M.m[4] = 1, M.m[5] = 0;
  M.m[3] = 10, M.m[7] = 20, M.m[11] = 30, M.m[12] = 99;
  Vec3 p(1, 2, 3);
  TransformPoint(p, M);
  EXPECT_EQ(p, Vec3(12, 21, 33));
}

TEST(Frames, RotationIgnoresAxisLengthAndKeepsLengthAndAxialPart) {
  ExpectNear(RotateAboutAxis({1, 0, 0}, M_PI / 2, {0, 0, 2}), {0, 1, 0});
  ExpectNear(RotateAboutAxis({0, 1, 0}, M_PI / 2, {1, 0, 0}), {0, 0, 1});
  ExpectNear(RotateAboutAxis({0, 0, 1}, M_PI / 2, {0, 1, 0}), {1, 0, 0});
  ExpectNear(RotateAboutAxis({1, 2, 3}, 0.3, {0, 0, 0}), std::cos(0.3) * Vec3(1, 2, 3));
  const Vec3 axis = Normalized({1, -2, 0.5}), v(0.3, 0.7, -1.1);
  const Vec3 r = RotateAboutAxis(v, 1.234, axis);
  EXPECT_NEAR(r.Length(), v.Length(), 1e-12);
  EXPECT_NEAR(Dot(r, axis), Dot(v, axis), 1e-12);
  EXPECT_NEAR(Dot(Cross(v, r), axis), std::sin(1.234) * (v - Dot(v, axis) * axis).Dot(v - Dot(v, axis) * axis), 1e-12);
}

TEST(Frames, BasisPicksItsAxisRuleAndIsRightHandedOrthonormal) {
  const struct {
    Vec3 d, side, up;
  } cases[] = {{{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},
               {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
               // both |x| and |y| below 1/64: still the y-axis rule, so the side has no y part
               {{0.01, 0.01, 1}, Normalized({1, 0, -0.01}), Normalized(Cross({0.01, 0.01, 1}, {1, 0, -0.01}))},
               {{0.01, 0.5, 1}, Normalized({-0.5, 0.01, 0}), Normalized(Cross({0.01, 0.5, 1}, {-0.5, 0.01, 0}))},
               {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}};
  for (const auto& c : cases) {
    const Basis b = BasisFromDirection(c.d);
    ExpectNear(b.side, c.side);
    ExpectNear(b.up, c.up);
    ExpectNear(b.forward, Normalized(c.d));
  }
  for (double a = 0; a < 6.3; a += 0.37)
    for (double e = -1.5; e <= 1.5; e += 0.25) {
      const Basis b = BasisFromDirection({std::cos(a) * std::cos(e), std::sin(a) * std::cos(e), 3 * std::sin(e)});
      EXPECT_NEAR(b.side.Length(), 1, 1e-12);
      EXPECT_NEAR(b.up.Length(), 1, 1e-12);
      EXPECT_NEAR(Dot(b.side, b.up), 0, 1e-12);
      ExpectNear(Cross(b.side, b.up), b.forward);
    }
}

TEST(Frames, AlignToDirectionAndSetColumns) {
  Vec3 v(0.3, -2, 7), x(1, 0, 0), z(0, 0, 1);
  EXPECT_EQ(AlignToDirection({0, 0, 5}, v), Vec3(0.3, -2, 7));
  ExpectNear(AlignToDirection({1, 0, 0}, x), {0, 1, 0});
  ExpectNear(AlignToDirection({1, 0, 0}, z), {1, 0, 0});
  // SetColumns keeps the translation entries of rows 0 and 1 but clears row 2's and row 3.
  Matrix4 M;
  M.m[3] = 4, M.m[7] = 5, M.m[11] = 6, M.m[12] = 7;
  SetColumns(M, {1, 2, 3}, {4, 5, 6}, {7, 8, 9});
  EXPECT_EQ(M, (Matrix4{{1, 4, 7, 4, 2, 5, 8, 5, 3, 6, 9, 0, 0, 0, 0, 1}}));
}

}  // namespace
}  // namespace tv
