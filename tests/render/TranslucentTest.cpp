#include <gtest/gtest.h>

#include <cmath>

#include "Grid.h"
#include "render/Render.h"
#include "support/GlRecorder.h"

namespace tv {
namespace {

using test::Blocks;
using test::GlRecorder;

// A translucent cell whose first corner is at depth z and whose colour red marks it.
void Defer(double z, double mark, uint32_t primitive = GL_TRIANGLES, double c1z = 0.0) {
  const Vec3 corners[4] = {{0, 0, z}, {1, 0, c1z}, {1, 1, c1z}, {0, 1, c1z}};
  Vec3 normals[6];
  Rgba colours[4];
  for (Rgba& c : colours) c = Rgba(mark, 0, 0, 0.5);
  DeferCell(corners, normals, colours, primitive, Matrix4{});
}

std::vector<double> DrawnMarks(const GlRecorder& rec) {
  std::vector<double> marks;
  for (const auto& block : Blocks(rec.Calls())) marks.push_back(block.vertices.at(0).colour[0]);
  return marks;
}

TEST(Translucent, EmptyListOnlyTogglesTheDepthTest) {
  ClearTranslucent();
  GlRecorder rec;
  DrawTranslucent();
  EXPECT_EQ(rec.Formatted(), (std::vector<std::string>{"GetDoublev(GL_MODELVIEW_MATRIX)",
                                                        "Disable(GL_DEPTH_TEST)",
                                                        "Enable(GL_DEPTH_TEST)"}));
}

TEST(Translucent, FarthestFirstOneBlockPerCellDepthTestOffMeanwhile) {
  ClearTranslucent();
  // The first corner alone sets the depth: the other corners would order them the other way.
  Defer(-3.0, 0.1, GL_TRIANGLES, -100.0);
  Defer(-9.0, 0.2, GL_POINTS, 50.0);
  Defer(-6.0, 0.3);
  GlRecorder rec;
  DrawTranslucent();
  EXPECT_EQ(DrawnMarks(rec), (std::vector<double>{0.2, 0.3, 0.1}));
  const std::vector<std::string> seq = rec.Formatted({"Normal3d", "Color4d", "Vertex3d"});
  EXPECT_EQ(seq, (std::vector<std::string>{
                     "GetDoublev(GL_MODELVIEW_MATRIX)", "Disable(GL_DEPTH_TEST)",
                     "Begin(GL_POINTS)", "End()", "Begin(GL_TRIANGLES)", "End()",
                     "Begin(GL_TRIANGLES)", "End()", "Enable(GL_DEPTH_TEST)"}));
  EXPECT_EQ(rec.Count("Vertex3d"), 3u * 6u);

  // The list stays until cleared: a second call draws the same cells again.
  rec.Clear();
  DrawTranslucent();
  EXPECT_EQ(DrawnMarks(rec), (std::vector<double>{0.2, 0.3, 0.1}));
  ClearTranslucent();
  EXPECT_TRUE(TranslucentCells().empty());
}

TEST(Translucent, DepthIsReadUnderTheCurrentMatrix) {
  ClearTranslucent();
  Defer(-3.0, 0.1);
  Defer(-6.0, 0.2);
  GlRecorder rec;
  Matrix4 flip;  // z -> -z: the nearer cell becomes the farther one
  flip.m[10] = -1.0;
  rec.SetModelView(flip);
  DrawTranslucent();
  EXPECT_EQ(DrawnMarks(rec), (std::vector<double>{0.1, 0.2}));
  ClearTranslucent();
}

TEST(Translucent, EqualDepthsFollowTheQuicksort) {
  // Worked by hand through the partition scheme: two equal keys swap, three rotate.
  ClearTranslucent();
  Defer(-5.0, 0.1);
  Defer(-5.0, 0.2);
  GlRecorder rec;
  DrawTranslucent();
  EXPECT_EQ(DrawnMarks(rec), (std::vector<double>{0.2, 0.1}));

  ClearTranslucent();
  Defer(-5.0, 0.1);
  Defer(-5.0, 0.2);
  Defer(-5.0, 0.3);
  rec.Clear();
  DrawTranslucent();
  EXPECT_EQ(DrawnMarks(rec), (std::vector<double>{0.2, 0.3, 0.1}));
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
    EXPECT_NEAR(cell.corners[i].x, a[0] * p.x + a[4] * p.y + a[8] * p.z + a[12], 1e-12);
    EXPECT_NEAR(cell.corners[i].y, a[1] * p.x + a[5] * p.y + a[9] * p.z + a[13], 1e-12);
    EXPECT_NEAR(cell.corners[i].z, a[2] * p.x + a[6] * p.y + a[10] * p.z + a[14], 1e-12);
  }
  for (int k = 0; k < 6; ++k) EXPECT_EQ(cell.normals[k], normals[k]);
  EXPECT_NE(cell.corners[0], corners[0]);
  ClearTranslucent();
}

}  // namespace
}  // namespace tv
