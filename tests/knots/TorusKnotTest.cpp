#include <gtest/gtest.h>

#include <tuple>

#include "foundation/Random.h"
#include "knots/TorusKnot.h"

namespace tv {
namespace {

TEST(TorusKnot, DefaultKnotGeometry) {
  TorusKnot knot;
  std::vector<std::string> lines;
  knot.Describe(lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"(3.000000,2.000000) torus knot",
                                             "(80,10) u,v divisions", "1600 polygons"}));
  knot.Rebuild();
  const KnotComponent& c = knot.components[0];
  ASSERT_EQ(c.curve.size(), 80u);
  ASSERT_EQ(c.vertices.size(), 800u);
  EXPECT_NEAR(Length(c.curve[0] - Vec3(1.5, 0, 0)), 0.0, 1e-15);
  EXPECT_NEAR(Length(c.vertices[0] - Vec3(1.4, 0, 0)), 0.0, 1e-15);
  EXPECT_NEAR(Length(c.normals[0] - Vec3(-1, 0, 0)), 0.0, 1e-15);
  EXPECT_EQ(c.outerVertices, c.vertices);
  for (int u = 0; u < 80; ++u) {
    for (int v = 0; v < 10; ++v) {
      EXPECT_NEAR(Length(c.Vertex(u, v, false) - c.curve[u]), 0.1, 1e-12);
      EXPECT_NEAR(c.Normal(u, v).Length(), 1.0, 1e-12);
      // Rings are perpendicular to the torus curve's direction of travel.
      const Vec3 along = c.curve[(u + 1) % 80] - c.curve[(u + 79) % 80];
      EXPECT_NEAR(Dot(c.Normal(u, v), Normalized(along)), 0.0, 0.05);
    }
  }
  for (const Rgba& color : c.colors) EXPECT_EQ(color, Rgba(0.3, 0.8, 0.5, 1.0));
}

TEST(TorusKnot, RandomizeStaysInRangeAndDrawsInOrder) {
  SeedRandom(1);  // draws 41, 18467, 6334, 26500
  TorusKnot knot;
  knot.Randomize(kTorusPLimit, kTorusQLimit, kTorusULimit, kTorusVLimit);
  const KnotComponent& c = knot.components[0];
  EXPECT_EQ(std::tuple(knot.p, knot.q, c.vDivisions, c.uDivisions),
            std::tuple(1 + 41 % 20, 1 + 18467 % 20, 5 + 6334 % 7, 8 + 26500 % 92));
  knot.Rebuild();
  EXPECT_EQ(c.vertices.size(), static_cast<size_t>(c.uDivisions * c.vDivisions));
  EXPECT_EQ(c.curve.size(), static_cast<size_t>(c.uDivisions));
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
