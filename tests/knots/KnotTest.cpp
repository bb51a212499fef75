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
  EXPECT_EQ(c.curve[2], Vec3(1.5, 0, 0));
  for (size_t i = 0; i < c.vertices.size(); ++i) {
    EXPECT_EQ(c.vertices[i], 0.5 * before.vertices[i]);
    EXPECT_EQ(c.outerVertices[i], 0.5 * before.outerVertices[i]);
    EXPECT_NEAR(c.normals[i].Length(), 1.0, 1e-12);
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
  Knot empty;
  EXPECT_EQ(empty.ScaleToSize(5.0), 1.0);
  Knot emptyFirst;
  emptyFirst.AddComponent({});
  emptyFirst.AddComponent({{1, 2, 3}, {4, 5, 6}});
  EXPECT_EQ(emptyFirst.ScaleToSize(5.0), 1.0);
  EXPECT_EQ(emptyFirst.components[1].curve[1], Vec3(4, 5, 6));
  // All points in one place: no diagonal to scale by; nothing may turn into inf or NaN.
  Knot point;
  point.AddComponent({{2, 2, 2}, {2, 2, 2}, {2, 2, 2}});
  EXPECT_EQ(point.ScaleToSize(5.0), 1.0);
  EXPECT_EQ(point.components[0].curve[0], Vec3(2, 2, 2));
}

TEST(Knot, SetColorsRampsHueRingByRing) {
  KnotComponent c;
  c.SetColors({1, 0, 0, 1}, true, 0);
  EXPECT_TRUE(c.colors.empty());

  c.curve = {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}};
  c.BuildTube(0.5, 6, 4);
  c.SetColors({1, 0, 0, 1}, false, 60);
  const Rgba expected[6] = {{1, 0, 0, 1}, {1, 1, 0, 1}, {0, 1, 0, 1},
                            {0, 1, 1, 1}, {0, 0, 1, 1}, {1, 0, 1, 1}};
  ASSERT_EQ(c.colors.size(), 24u);
  for (int u = 0; u < 6; ++u) {
    for (int v = 0; v < 4; ++v) {
      const Rgba& got = c.Color(u, v);
      EXPECT_NEAR(got.r, expected[u].r, 1e-12) << u;
      EXPECT_NEAR(got.g, expected[u].g, 1e-12) << u;
      EXPECT_NEAR(got.b, expected[u].b, 1e-12) << u;
      EXPECT_EQ(got.a, 1.0);
    }
  }

  // The library's double ramp: half-way along the tube the hue is back at red.
  c.BuildTube(0.5, 98, 3);
  c.SetColors({1, 0, 0, 0.5}, false, 720.0 / 98);
  EXPECT_NEAR(c.Color(49, 0).r, 1.0, 1e-9);
  EXPECT_NEAR(c.Color(49, 2).g, 0.0, 1e-9);
  EXPECT_EQ(c.Color(97, 1).a, 0.5);
}

TEST(Knot, DescribeAndCopy) {
  Knot knot;
  std::vector<std::string> lines = {"old", "lines"};
  knot.Describe(lines);
  EXPECT_EQ(lines, std::vector<std::string>{"Basic knot class"});

  knot.AddComponent({{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}});
  knot.BuildTubes(0.2, 5, 3);
  Knot copy = knot;
  knot.components[0].Scale(2.0);
  EXPECT_EQ(copy.components[0].curve[0], Vec3(1, 0, 0));
  EXPECT_EQ(copy.components[0].vertices.size(), 15u);
}

}  // namespace
}  // namespace tv
