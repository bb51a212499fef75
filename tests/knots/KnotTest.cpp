#include <gtest/gtest.h>

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
    auto scaled = [&](std::vector<Vec3> points) {
      for (Vec3& p : points) p = row.factor * p;
      return points;
    };
    for (size_t c = 0; c < row.components.size(); ++c) {
      const KnotComponent &now = knot.components[c], &was = before.components[c];
      for (auto points : {&KnotComponent::curve, &KnotComponent::vertices, &KnotComponent::outerVertices})
        EXPECT_EQ(now.*points, scaled(was.*points));
      EXPECT_EQ(now.normals, was.normals);
    }
  }
}

// Seed 1 draws 41, 18467, 6334 and 26500 for p, q, v and u, as the description shows; over many
// draws every value stays in range, and limits without a range pin the values (no division by 0).
TEST(TorusKnot, RandomizeStaysInRangeDrawsInOrderAndDescribesItself) {
  SeedRandom(1);
  TorusKnot knot;
  knot.Randomize(kTorusPLimit, kTorusQLimit, kTorusULimit, kTorusVLimit);
  knot.Rebuild();
  std::vector<std::string> lines = {"old"};
  knot.Describe(lines);
  EXPECT_EQ(lines,
            (std::vector<std::string>{"(2.000000,8.000000) torus knot", "(12,11) u,v divisions", "264 polygons"}));
  const KnotComponent& c = knot.components[0];
  // The centre line lies on a torus of radii 1 and 0.5 (the meshes are pinned in the library data tests).
  for (const Vec3& p : c.curve) EXPECT_NEAR(std::hypot(std::hypot(p.x, p.y) - 1.0, p.z), 0.5, 1e-12);
  SeedRandom(12345);
  for (int i = 0; i < 5000; ++i) {
    knot.Randomize(kTorusPLimit, kTorusQLimit, kTorusULimit, kTorusVLimit);
    ASSERT_TRUE(knot.p >= 1 && knot.p <= 20 && knot.q >= 1 && knot.q <= 20);
    ASSERT_TRUE(c.uDivisions >= 8 && c.uDivisions <= 99 && c.vDivisions >= 5 && c.vDivisions <= 11);
  }
  knot.Randomize(1, 0, 8, 5);
  EXPECT_EQ(std::pair(knot.p, c.uDivisions), std::pair(1.0, 8));
}

}  // namespace
}  // namespace tv
