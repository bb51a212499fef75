#include <gtest/gtest.h>

#include "knots/Knot.h"

namespace tv {
namespace {

TEST(Knot, ScaleToSizeUsesBoxAroundAllCurvePoints) {
  Knot knot;
  knot.AddComponent({{0, 0, 0}, {6, 8, 0}, {3, 0, 0}});
  knot.BuildTubes(0.5, 6, 4);
  const auto before = knot.components[0];
  EXPECT_DOUBLE_EQ(knot.ScaleToSize(5.0), 0.5);
  const KnotComponent& c = knot.components[0];
  EXPECT_EQ(c.curve[1], Vec3(3, 4, 0));
  for (size_t i = 0; i < c.vertices.size(); ++i) {
    EXPECT_EQ(c.vertices[i], 0.5 * before.vertices[i]);
    EXPECT_EQ(c.outerVertices[i], 0.5 * before.outerVertices[i]);
    EXPECT_EQ(c.normals[i], before.normals[i]);
  }
  // Two far-apart components scale together, not each on its own.
  Knot link;
  link.AddComponent({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  link.AddComponent({{30, 40, 0}, {31, 40, 0}, {30, 41, 0}});
  const double diagonal = Length(Vec3(31, 41, 0));
  EXPECT_DOUBLE_EQ(link.ScaleToSize(5.0), 5.0 / diagonal);
  EXPECT_DOUBLE_EQ(link.components[1].curve[0].x, 30 * 5.0 / diagonal);
}

TEST(Knot, ScaleToSizeLeavesUnmeasurableKnotsAlone) {
  // No knot, an empty first component, all points in one place: nothing turns into inf or NaN.
  const std::vector<std::vector<std::vector<Vec3>>> knots = {
      {}, {{}, {{1, 2, 3}, {4, 5, 6}}}, {{{2, 2, 2}, {2, 2, 2}, {2, 2, 2}}}};
  for (const auto& components : knots) {
    Knot knot;
    for (const auto& points : components) knot.AddComponent(points);
    EXPECT_EQ(knot.ScaleToSize(5.0), 1.0) << components.size();
    for (size_t c = 0; c < components.size(); ++c) EXPECT_EQ(knot.components[c].curve, components[c]);
  }
}

TEST(Knot, SetColorsRampsHueRingByRing) {
  KnotComponent c;
  c.SetColors({1, 0, 0, 1}, true, 0);
  EXPECT_TRUE(c.colors.empty());

  c.curve = {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}};
  c.BuildTube(0.5, 6, 4);
  c.SetColors({1, 0, 0, 0.5}, false, 60);
  const Rgba expected[6] = {{1, 0, 0, 1}, {1, 1, 0, 1}, {0, 1, 0, 1},
                            {0, 1, 1, 1}, {0, 0, 1, 1}, {1, 0, 1, 1}};
  ASSERT_EQ(c.colors.size(), 24u);
  for (int k = 0; k < 24; ++k) {
    const Rgba& got = c.Color(k / 4, k % 4);
    EXPECT_NEAR(got.r, expected[k / 4].r, 1e-12) << k;
    EXPECT_NEAR(got.g, expected[k / 4].g, 1e-12) << k;
    EXPECT_NEAR(got.b, expected[k / 4].b, 1e-12) << k;
    EXPECT_EQ(got.a, 0.5);
  }
}

TEST(Knot, DescribeAndCopy) {
  Knot knot;
  std::vector<std::string> lines = {"old", "lines"};
  knot.Describe(lines);
  EXPECT_EQ(lines, std::vector<std::string>{"Basic knot class"});
  knot.AddComponent({{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}});
  Knot copy = knot;
  knot.components[0].Scale(2.0);
  EXPECT_EQ(copy.components[0].curve[0], Vec3(1, 0, 0));
}

}  // namespace
}  // namespace tv
