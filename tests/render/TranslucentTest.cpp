#include <gtest/gtest.h>

#include <cmath>

#include "Grid.h"
#include "render/Render.h"
#include "support/GlRecorder.h"

namespace tv {
namespace {

using test::GlRecorder;

// A translucent cell whose first corner is at (x, 0, z) and whose colour red marks it.
void Defer(double z, double mark, uint32_t primitive = GL_TRIANGLES, double c1z = 0.0, double x = 0.0) {
  const Vec3 corners[4] = {{x, 0, z}, {1, 0, c1z}, {1, 1, c1z}, {0, 1, c1z}};
  Vec3 normals[6];
  Rgba colours[4];
  for (Rgba& c : colours) c = Rgba(mark, 0, 0, 0.5);
  DeferCell(corners, normals, colours, primitive, Matrix4{});
}

// Marks of the cells in the order DrawTranslucent draws them (under the given model-view).
std::vector<double> DrawnMarks(const Matrix4& modelView = Matrix4{}) {
  GlRecorder rec;
  rec.SetModelView(modelView);
  DrawTranslucent();
  std::vector<double> marks;
  for (const auto& block : test::Blocks(rec.Calls())) marks.push_back(block.vertices.at(0).colour[0]);
  return marks;
}

TEST(Translucent, FarthestFirstOneBlockPerCellDepthTestOffMeanwhile) {
  ClearTranslucent();
  GlRecorder rec;
  DrawTranslucent();
  using Strings = std::vector<std::string>;
  EXPECT_EQ(rec.Formatted(), (Strings{"GetDoublev(GL_MODELVIEW_MATRIX)", "Disable(GL_DEPTH_TEST)", "Enable(GL_DEPTH_TEST)"}));
  // The first corner alone sets the depth: the other corners would order them the other way.
  Defer(-3.0, 0.1, GL_TRIANGLES, -100.0);
  Defer(-9.0, 0.2, GL_POINTS, 50.0);
  Defer(-6.0, 0.3);
  rec.Clear();
  DrawTranslucent();
  EXPECT_EQ(rec.Formatted({"Normal3d", "Color4d", "Vertex3d"}),
            (Strings{"GetDoublev(GL_MODELVIEW_MATRIX)", "Disable(GL_DEPTH_TEST)", "Begin(GL_POINTS)", "End()",
                     "Begin(GL_TRIANGLES)", "End()", "Begin(GL_TRIANGLES)", "End()", "Enable(GL_DEPTH_TEST)"}));
  EXPECT_EQ(rec.Count("Vertex3d"), 3u * 6u);
  // The list stays until cleared: a second pass draws the same cells again.
  EXPECT_EQ(DrawnMarks(), (std::vector<double>{0.2, 0.3, 0.1}));
  EXPECT_EQ(DrawnMarks(), (std::vector<double>{0.2, 0.3, 0.1}));
  // Depth is read under the current matrix: z -> -z makes the nearest cell the farthest, and a
  // matrix that takes depth from x orders the cells by their first corner's x.
  Matrix4 flip, depthFromX;
  flip.m[10] = -1.0;
  EXPECT_EQ(DrawnMarks(flip), (std::vector<double>{0.1, 0.3, 0.2}));
  depthFromX.m[0] = depthFromX.m[10] = 0.0;
  depthFromX.m[8] = 1.0;
  ClearTranslucent();
  for (double x : {1.0, 3.0, 2.0}) Defer(-5.0, x / 10.0, GL_TRIANGLES, 0.0, x);  // not the tie order
  EXPECT_EQ(DrawnMarks(depthFromX), (std::vector<double>{0.1, 0.2, 0.3}));
  ClearTranslucent();
  EXPECT_TRUE(TranslucentCells().empty());
}

TEST(Translucent, EqualDepthsFollowTheQuicksort) {
  // Worked by hand through the partition scheme: two equal keys swap, three rotate.
  for (const auto& [count, order] : {std::pair{2, std::vector<double>{0.2, 0.1}}, {3, {0.2, 0.3, 0.1}}}) {
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
}

TEST(Translucent, SortsLongAndAlreadySortedLists) {
  // Sorted input is the partition scheme's worst case (quadratic, one side empty each time).
  std::vector<DepthKey> keys;
  for (int i = 0; i < 30000; ++i) keys.push_back({double(i), i});
  SortDepthKeys(keys.data(), int(keys.size()));
  for (int i = 0; i < 30000; ++i) ASSERT_EQ(keys[i].index, i);
  keys.clear();
  for (int i = 0; i < 100000; ++i) keys.push_back({std::sin(i * 0.37) * 40.0, i});
  SortDepthKeys(keys.data(), int(keys.size()));
  for (size_t i = 1; i < keys.size(); ++i) ASSERT_LE(keys[i - 1].depth, keys[i].depth);
}

TEST(Translucent, DeferredCellLandsWhereItWouldHaveBeenDrawn) {
  // Rotated and translated knot: the cell in eye coordinates under the identity equals the
  // model-space cell under the knot's matrix. Normals stay in the knot's coordinates.
  const Vec3 corners[4] = {{0.5, -1, 2}, {1, 0, 0}, {0, 1, 0}, {-1, 0.25, 3}};
  Vec3 normals[6];
  for (int k = 0; k < 6; ++k) normals[k] = Normalized(Vec3(k, 1, 2));
  Rgba colours[4];
  GlRecorder rec;
  gl.LoadIdentity();
  gl.Translatef(1.0f, -2.0f, -6.0f);
  gl.Rotatef(30.0f, 0.0f, 1.0f, 0.0f);
  gl.Rotatef(-45.0f, 1.0f, 0.0f, 0.0f);
  double a[16];
  gl.GetDoublev(GL_MODELVIEW_MATRIX, a);
  Matrix4 m;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m.m[4 * i + j] = a[4 * j + i];
  ClearTranslucent();
  DeferCell(corners, normals, colours, GL_TRIANGLES, m);
  const DeferredCell& cell = TranslucentCells().at(0);
  for (int i = 0; i < 4; ++i) {
    // Column-major a applied to the model point, as the GL would transform the vertex.
    const Vec3& p = corners[i];
    for (int r = 0; r < 3; ++r)
      EXPECT_NEAR((&cell.corners[i].x)[r], a[r] * p.x + a[4 + r] * p.y + a[8 + r] * p.z + a[12 + r], 1e-12);
  }
  for (int k = 0; k < 6; ++k) EXPECT_EQ(cell.normals[k], normals[k]);
  EXPECT_NE(cell.corners[0], corners[0]);
  ClearTranslucent();
}

}  // namespace
}  // namespace tv
