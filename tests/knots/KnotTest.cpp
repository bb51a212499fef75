#include <gtest/gtest.h>

#include <tuple>

#include "foundation/Random.h"
#include "knots/TorusKnot.h"

namespace tv {
namespace {

// A knot scales by the box around all its components' points, tubes included; a knot with no
// size (no knot, an empty first component, all points in one place) stays as it is, never NaN.
TEST(Knot, ScaleToSizeUsesTheBoxAroundAllComponents) {
  const struct { std::vector<std::vector<Vec3>> components; double factor; } rows[] = {
      {{{{0, 0, 0}, {6, 8, 0}, {3, 0, 0}}}, 0.5},
      {{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{30, 40, 0}, {31, 40, 0}, {30, 41, 0}}},
       5.0 / Length(Vec3(31, 41, 0))},
      {{}, 1.0}, {{{}, {{1, 2, 3}, {4, 5, 6}}}, 1.0}, {{{{2, 2, 2}, {2, 2, 2}, {2, 2, 2}}}, 1.0}};
  for (const auto& row : rows) {
    Knot knot;
    for (const auto& points : row.components) knot.AddComponent(points);
    knot.BuildTubes(0.5, 6, 4);
    const Knot before = knot;
    EXPECT_DOUBLE_EQ(knot.ScaleToSize(5.0), row.factor);
    for (size_t c = 0; c < row.components.size(); ++c) {
      const KnotComponent &now = knot.components[c], &was = before.components[c];
      for (size_t i = 0; i < now.curve.size(); ++i) EXPECT_EQ(now.curve[i], row.factor * was.curve[i]);
      for (size_t i = 0; i < now.vertices.size(); ++i) {
        EXPECT_EQ(now.vertices[i], row.factor * was.vertices[i]);
        EXPECT_EQ(now.outerVertices[i], row.factor * was.outerVertices[i]);
        EXPECT_EQ(now.normals[i], was.normals[i]);
      }
    }
  }
}

TEST(TorusKnot, DefaultKnotGeometry) {
  TorusKnot knot;
  std::vector<std::string> lines = {"old"};
  knot.Describe(lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"(3.000000,2.000000) torus knot",
                                             "(80,10) u,v divisions", "1600 polygons"}));
  knot.Rebuild();
  const KnotComponent& c = knot.components[0];
  ASSERT_EQ(std::pair(c.curve.size(), c.vertices.size()), std::pair(size_t{80}, size_t{800}));
  EXPECT_LT(Length(c.curve[0] - Vec3(1.5, 0, 0)), 1e-15);
  EXPECT_LT(Length(c.vertices[0] - Vec3(1.4, 0, 0)), 1e-15);
  EXPECT_LT(Length(c.normals[0] - Vec3(-1, 0, 0)), 1e-15);
  EXPECT_EQ(c.outerVertices, c.vertices);
  for (int u = 0; u < 80; ++u) {
    // Rings of radius 0.1 stand across the torus curve's direction of travel.
    const Vec3 along = Normalized(c.curve[(u + 1) % 80] - c.curve[(u + 79) % 80]);
    for (int v = 0; v < 10; ++v) {
      EXPECT_NEAR(Length(c.Vertex(u, v, false) - c.curve[u]), 0.1, 1e-12);
      EXPECT_NEAR(c.Normal(u, v).Length(), 1.0, 1e-12);
      EXPECT_NEAR(Dot(c.Normal(u, v), along), 0.0, 0.05);
    }
  }
}

TEST(TorusKnot, RandomizeStaysInRangeAndDrawsInOrder) {
  SeedRandom(1);  // draws 41, 18467, 6334, 26500
  TorusKnot knot;
  knot.Randomize(kTorusPLimit, kTorusQLimit, kTorusULimit, kTorusVLimit);
  const KnotComponent& c = knot.components[0];
  EXPECT_EQ(std::tuple(knot.p, knot.q, c.vDivisions, c.uDivisions),
            std::tuple(1 + 41 % 20, 1 + 18467 % 20, 5 + 6334 % 7, 8 + 26500 % 92));
  knot.Rebuild();
  EXPECT_EQ(std::pair(c.curve.size(), c.vertices.size()),
            std::pair(size_t(c.uDivisions), size_t(c.uDivisions * c.vDivisions)));
  for (const Vec3& p : c.curve) EXPECT_TRUE(std::abs(p.z) <= 0.5 + 1e-12 && std::hypot(p.x, p.y) <= 1.5 + 1e-12);
  SeedRandom(12345);
  for (int i = 0; i < 5000; ++i) {
    knot.Randomize(kTorusPLimit, kTorusQLimit, kTorusULimit, kTorusVLimit);
    ASSERT_TRUE(knot.p >= 1 && knot.p <= 20 && knot.q >= 1 && knot.q <= 20);
    ASSERT_TRUE(c.uDivisions >= 8 && c.uDivisions <= 99 && c.vDivisions >= 5 && c.vDivisions <= 11);
  }
  // Limits without a range pin the values instead of dividing by zero.
  knot.Randomize(1, 0, 8, 5);
  EXPECT_EQ(std::pair(knot.p, c.uDivisions), std::pair(1.0, 8));
}

}  // namespace
}  // namespace tv
