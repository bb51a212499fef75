#include <gtest/gtest.h>

#include <cmath>

#include "foundation/Frames.h"
#include "foundation/Vectors.h"

namespace tv {
namespace {

constexpr double kEps = 1e-12;

void ExpectNear(const Vec3& a, const Vec3& b, double eps = kEps) {
  EXPECT_NEAR(a.x, b.x, eps);
  EXPECT_NEAR(a.y, b.y, eps);
  EXPECT_NEAR(a.z, b.z, eps);
}

TEST(Vectors, DefaultsAreNotZero) {
  EXPECT_EQ(Vec3(), Vec3(0, 0, 1));
  EXPECT_EQ(Vec4(), Vec4(0, 0, 1, 1));
  Matrix4 identity;
  for (int i = 0; i < 16; ++i) EXPECT_EQ(identity.m[i], (i % 5 == 0) ? 1.0 : 0.0) << i;
}

TEST(Vectors, NormalizeAndCross) {
  Vec3 zero(0, 0, 0);
  Normalize(zero);
  EXPECT_EQ(zero, Vec3(0, 0, 0));
  Vec3 v(3, 0, 4);
  Normalize(v);
  ExpectNear(v, {0.6, 0, 0.8});
  EXPECT_EQ(Cross({1, 0, 0}, {0, 1, 0}), Vec3(0, 0, 1));
  EXPECT_EQ(Cross({0, 1, 0}, {1, 0, 0}), Vec3(0, 0, -1));
}

TEST(Vectors, ToVec3DividesOnlyByRealWeights) {
  EXPECT_EQ(ToVec3({2, 4, 6, 2}), Vec3(1, 2, 3));
  EXPECT_EQ(ToVec3({2, 4, 6, 0}), Vec3(2, 4, 6));
  EXPECT_EQ(ToVec3({2, 4, 6, 1}), Vec3(2, 4, 6));
}

TEST(Vectors, TransformPointUsesOldValuesAndTranslationColumn) {
  Matrix4 M;
  // Swap x and y, then translate by (10, 20, 30).
  M.m[0] = 0, M.m[1] = 1, M.m[4] = 1, M.m[5] = 0;
  M.m[3] = 10, M.m[7] = 20, M.m[11] = 30;
  M.m[12] = 99;  // row 3 is ignored
  Vec3 p(1, 2, 3);
  TransformPoint(p, M);
  EXPECT_EQ(p, Vec3(12, 21, 33));
}

TEST(Frames, RotationIgnoresAxisLength) {
  ExpectNear(RotateAboutAxis({1, 0, 0}, M_PI / 2, {0, 0, 2}), {0, 1, 0});
  ExpectNear(RotateAboutAxis({0, 1, 0}, M_PI / 2, {1, 0, 0}), {0, 0, 1});
  ExpectNear(RotateAboutAxis({1, 2, 3}, 0.3, {0, 0, 0}), std::cos(0.3) * Vec3(1, 2, 3));
  // A general rotation keeps length and the component along the axis.
  const Vec3 axis = Normalized({1, -2, 0.5});
  const Vec3 v(0.3, 0.7, -1.1);
  const Vec3 r = RotateAboutAxis(v, 1.234, axis);
  EXPECT_NEAR(r.Length(), v.Length(), kEps);
  EXPECT_NEAR(Dot(r, axis), Dot(v, axis), kEps);
}

TEST(Frames, BasisFromDirectionPicksAxisRule) {
  Basis b = BasisFromDirection({0, 0, 1});
  ExpectNear(b.side, {1, 0, 0});
  ExpectNear(b.up, {0, 1, 0});
  ExpectNear(b.forward, {0, 0, 1});
  b = BasisFromDirection({1, 0, 0});
  ExpectNear(b.side, {0, 1, 0});
  ExpectNear(b.up, {0, 0, 1});
  ExpectNear(b.forward, {1, 0, 0});
  // Both |x| and |y| below 1/64: still the y-axis rule, side has no y component.
  b = BasisFromDirection({0.01, 0.01, 1});
  EXPECT_EQ(b.side.y, 0.0);
  ExpectNear(Cross(b.side, b.up), b.forward);
  b = BasisFromDirection({0, 0, 0});
  EXPECT_EQ(b.side, Vec3(0, 0, 0));
  EXPECT_EQ(b.up, Vec3(0, 0, 0));
  EXPECT_EQ(b.forward, Vec3(0, 0, 0));
}

TEST(Frames, BasisIsRightHandedOrthonormalEverywhere) {
  for (double a = 0; a < 6.3; a += 0.37) {
    for (double e = -1.5; e <= 1.5; e += 0.25) {
      const Vec3 d(std::cos(a) * std::cos(e), std::sin(a) * std::cos(e), 3 * std::sin(e));
      const Basis b = BasisFromDirection(d);
      EXPECT_NEAR(b.side.Length(), 1, 1e-12);
      EXPECT_NEAR(b.up.Length(), 1, 1e-12);
      EXPECT_NEAR(Dot(b.side, b.up), 0, 1e-12);
      ExpectNear(Cross(b.side, b.up), b.forward, 1e-12);
    }
  }
}

TEST(Frames, AlignToDirection) {
  Vec3 v(0.3, -2, 7);
  EXPECT_EQ(AlignToDirection({0, 0, 5}, v), Vec3(0.3, -2, 7));
  Vec3 x(1, 0, 0), z(0, 0, 1);
  ExpectNear(AlignToDirection({1, 0, 0}, x), {0, 1, 0});
  ExpectNear(AlignToDirection({1, 0, 0}, z), {1, 0, 0});
  // SetColumns keeps the translation entries of rows 0 and 1 but clears row 2's and row 3.
  Matrix4 M;
  M.m[3] = 4, M.m[7] = 5, M.m[11] = 6, M.m[12] = 7;
  SetColumns(M, {1, 0, 0}, {0, 1, 0}, {0, 0, 1});
  EXPECT_EQ(M.m[3], 4);
  EXPECT_EQ(M.m[7], 5);
  EXPECT_EQ(M.m[11], 0);
  EXPECT_EQ(M.m[12], 0);
}

}  // namespace
}  // namespace tv
