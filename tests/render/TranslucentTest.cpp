#include <gtest/gtest.h>

#include <cmath>

#include "render/Render.h"
#include "support/GlRecorder.h"

namespace tv {
namespace {

using Marks = std::vector<double>;

// A translucent cell whose first corner is at (x, 0, z), the others at depth c1z; red marks it.
void Defer(double z, double mark, uint32_t primitive = GL_TRIANGLES, double c1z = 0.0, double x = 0.0) {
  const Vec3 corners[4] = {{x, 0, z}, {1, 0, c1z}, {1, 1, c1z}, {0, 1, c1z}};
  Vec3 normals[6];
  Rgba colours[4];
  for (Rgba& c : colours) c = Rgba(mark, 0, 0, 0.5);
  DeferCell(corners, normals, colours, primitive, Matrix4{});
}

// Marks of the cells in the order DrawTranslucent draws them (under the given model-view).
Marks DrawnMarks(const Matrix4& modelView = Matrix4{}) {
  test::GlRecorder rec;
  rec.SetModelView(modelView);
  DrawTranslucent();
  Marks marks;
  for (const auto& block : test::Blocks(rec.Calls())) marks.push_back(block.vertices.at(0).colour[0]);
  return marks;
}

// Cells are drawn farthest first, one block each, with the depth test off meanwhile; equal depths
// keep the order of the sort's own partition scheme, and long sorted lists still sort.
TEST(Translucent, FarthestFirstOneBlockPerCellDepthTestOffMeanwhile) {
  ClearTranslucent();
  // The first corner alone sets the depth: the other corners would order them the other way.
  Defer(-3.0, 0.1, GL_TRIANGLES, -100.0);
  Defer(-9.0, 0.2, GL_POINTS, 50.0);
  Defer(-6.0, 0.3);
  test::GlRecorder rec;
  DrawTranslucent();
  EXPECT_EQ(rec.Formatted({"Normal3d", "Color4d", "Vertex3d"}),
            (std::vector<std::string>{"GetDoublev(GL_MODELVIEW_MATRIX)", "Disable(GL_DEPTH_TEST)",
                                      "Begin(GL_POINTS)", "End()", "Begin(GL_TRIANGLES)", "End()",
                                      "Begin(GL_TRIANGLES)", "End()", "Enable(GL_DEPTH_TEST)"}));
  // The list stays until cleared: a second pass draws the same cells again.
  EXPECT_EQ(DrawnMarks(), (Marks{0.2, 0.3, 0.1}));
  EXPECT_EQ(DrawnMarks(), (Marks{0.2, 0.3, 0.1}));
  // Depth is read under the current matrix: z -> -z makes the nearest cell the farthest, and a
  // matrix that takes depth from x orders the cells by their first corner's x.
  Matrix4 flip, depthFromX;
  flip.m[10] = -1.0;
  EXPECT_EQ(DrawnMarks(flip), (Marks{0.1, 0.3, 0.2}));
  depthFromX.m[0] = depthFromX.m[10] = 0.0;
  depthFromX.m[8] = 1.0;
  ClearTranslucent();
  for (double x : {1.0, 3.0, 2.0}) Defer(-5.0, x / 10.0, GL_TRIANGLES, 0.0, x);  // not the tie order
  EXPECT_EQ(DrawnMarks(depthFromX), (Marks{0.1, 0.2, 0.3}));
  // Worked by hand through the partition scheme: two equal keys swap, three rotate.
  for (const auto& [count, order] : {std::pair{2, Marks{0.2, 0.1}}, {3, {0.2, 0.3, 0.1}}}) {
    ClearTranslucent();
    for (int i = 1; i <= count; ++i) Defer(-5.0, i / 10.0);
    EXPECT_EQ(DrawnMarks(), order);
  }
  ClearTranslucent();
  std::vector<DepthKey> keys = {{2, 0}, {1, 1}, {2, 2}, {1, 3}, {2, 4}};
  SortDepthKeys(keys.data(), 5);
  std::vector<int> order;
  for (const DepthKey& k : keys) order.push_back(k.index);
  EXPECT_EQ(order, (std::vector<int>{1, 3, 4, 2, 0}));
  // Sorted input is the partition scheme's worst case (quadratic, one side empty each time).
  keys.clear();
  for (int i = 0; i < 30000; ++i) keys.push_back({double(i), i});
  SortDepthKeys(keys.data(), int(keys.size()));
  for (int i = 0; i < 30000; ++i) ASSERT_EQ(keys[i].index, i);
  keys.clear();
  for (int i = 0; i < 100000; ++i) keys.push_back({std::sin(i * 0.37) * 40.0, i});
  SortDepthKeys(keys.data(), int(keys.size()));
  for (size_t i = 1; i < keys.size(); ++i) ASSERT_LE(keys[i - 1].depth, keys[i].depth);
}

}  // namespace
}  // namespace tv
