#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <tuple>

#include "Grid.h"
#include "knots/TorusKnot.h"
#include "render/Render.h"
#include "support/CheckCapture.h"
#include "support/GlRecorder.h"

namespace tv {
namespace {

using test::Blocks;
using test::GlRecorder;
using test::MakeGrid;
using test::Plain;
using Strings = std::vector<std::string>;

// Grid point (u, v) at (10u + v, 0, 0): a vertex's x names its grid point.
KnotComponent NumberedGrid(int nu, int nv) {
  return MakeGrid(nu, nv, [](int u, int v) { return Vec3(10 * u + v, 0, 0); });
}

std::vector<double> DrawnX(const GlRecorder& rec) {
  std::vector<double> x;
  const auto blocks = Blocks(rec.Calls());
  for (const auto& v : blocks.at(0).vertices) x.push_back(v.position.x);
  return x;
}

TEST(CellWalk, RingsInnerColumnsOuterCornersWrapAroundInOneBlock) {
  GlRecorder rec;
  DrawTubeMesh(NumberedGrid(3, 2), 0, Plain(Smooth), MeshPass::Surface);
  EXPECT_EQ(rec.Formatted({"Normal3d", "Color4d", "Vertex3d"}),
            (Strings{"GetDoublev(GL_MODELVIEW_MATRIX)", "Begin(GL_TRIANGLES)", "End()"}));
  // Cells in order (u, v) = (0,0) (1,0) (2,0) (0,1) (1,1) (2,1); corners 0 1 2 2 3 0 with
  // c0 (u,v), c1 (u,v+1), c2 (u+1,v+1), c3 (u+1,v).
  EXPECT_EQ(DrawnX(rec), (std::vector<double>{0, 1, 11, 11, 10, 0,     //
                                              10, 11, 21, 21, 20, 10,  //
                                              20, 21, 1, 1, 0, 20,     // u wraps
                                              1, 0, 10, 10, 11, 1,     // v wraps
                                              11, 10, 20, 20, 21, 11,  //
                                              21, 20, 0, 0, 1, 21}));  // both wrap
}

TEST(CellWalk, PointStyleSendsSixPointsPerCell) {
  GlRecorder rec;
  DrawTubeMesh(NumberedGrid(2, 3), 0, Plain(Point), MeshPass::Surface);
  EXPECT_EQ(Blocks(rec.Calls()).at(0).primitive, unsigned(GL_POINTS));
  const std::vector<double> x = DrawnX(rec);
  ASSERT_EQ(x.size(), 6u * 6u);
  // First cell: c0 twice, c2 twice, c1 and c3 once; over the pass every grid point six times.
  std::map<double, int> firstCell, all;
  for (int k = 0; k < 6; ++k) ++firstCell[x[k]];
  EXPECT_EQ(firstCell, (std::map<double, int>{{0, 2}, {1, 1}, {11, 2}, {10, 1}}));
  for (double p : x) ++all[p];
  for (const auto& [p, n] : all) EXPECT_EQ(n, 6) << p;
}

TEST(CellWalk, OnlyTheFirstCornerDecidesDeferral) {
  // At timeMs 0 a grid point at y = -5 is translucent, one at y = 0 opaque.
  const KnotComponent c = MakeGrid(2, 2, [](int u, int v) { return Vec3(u + 0.1 * v, (u == 0 && v == 0) ? -5.0 : 0.0, 0.0); });
  RenderParams p = Plain(Smooth);
  p.translucent = 1;
  ClearTranslucent();
  GlRecorder rec;
  DrawTubeMesh(c, 0, p, MeshPass::Surface);
  // Cell (0,0) has the translucent c0: deferred. The other three reach (0,0) as c1, c2 or c3
  // and are still drawn at once, carrying its alpha below 1.
  ASSERT_EQ(TranslucentCells().size(), 1u);
  EXPECT_EQ(TranslucentCells()[0].corners[0], Vec3(0, -5, 0));
  EXPECT_LT(TranslucentCells()[0].colours[0].a, 1.0);
  EXPECT_EQ(TranslucentCells()[0].colours[1].a, 1.0);
  const auto blocks = Blocks(rec.Calls());
  const auto& v = blocks.at(0).vertices;
  ASSERT_EQ(v.size(), 3u * 6u);
  int translucentVertices = 0;
  for (const auto& vertex : v) translucentVertices += vertex.colour[3] < 1.0;
  EXPECT_EQ(translucentVertices, 4);  // (0,0) as c3, as c1, and twice as c2
  ClearTranslucent();
}

TEST(CellWalk, DegenerateEmptyAndShortGrids) {
  {
    GlRecorder rec;  // one point per ring: c1 = c0, c2 = c3, still sent
    DrawTubeMesh(NumberedGrid(3, 1), 0, Plain(Smooth), MeshPass::Surface);
    const std::vector<double> x = DrawnX(rec);
    ASSERT_EQ(x.size(), 3u * 6u);
    EXPECT_EQ(x[0], x[1]);
    EXPECT_EQ(x[2], x[4]);
  }
  // Counts without points, and a mesh shorter than its counts (reported, not read past its end):
  // an empty block either way.
  KnotComponent shortMesh = NumberedGrid(2, 2);
  shortMesh.colors.pop_back();
  for (auto [nu, nv, reports] : {std::tuple{0, 0, 0}, {0, 4, 0}, {4, 0, 0}, {-1, 3, 0}, {2, 2, 1}}) {
    test::CheckCapture capture;
    GlRecorder rec;
    KnotComponent c = reports ? shortMesh : KnotComponent{};
    c.uDivisions = nu;
    c.vDivisions = nv;
    DrawTubeMesh(c, 0, Plain(Quad), MeshPass::Surface);
    EXPECT_EQ(rec.Formatted(), (Strings{"GetDoublev(GL_MODELVIEW_MATRIX)", "Begin(GL_TRIANGLES)", "End()"}));
    EXPECT_EQ(capture.failures().size(), size_t(reports)) << nu << "x" << nv;
  }
}

// The walk works each grid point's effects out once and reuses them across the four cells
// that share it; what it sends must be exactly what ApplyVertexEffects gives each corner of
// each cell, with the style's normals, also where the columns wrap around.
void ExpectWalkMatchesPerCornerEffects(const KnotComponent& c, int32_t timeMs, RenderParams p, MeshPass pass) {
  const double t = timeMs * 0.0014705882352941176;
  ClearTranslucent();
  GlRecorder rec;
  DrawTubeMesh(c, timeMs, p, pass);
  const auto blocks = Blocks(rec.Calls());
  const auto& sent = blocks.at(0).vertices;
  size_t next = 0, deferred = 0;
  for (int v = 0; v < c.vDivisions; ++v)
    for (int u = 0; u < c.uDivisions; ++u) {
      const int u1 = (u + 1) % c.uDivisions, v1 = (v + 1) % c.vDivisions;
      const int gu[4] = {u, u, u1, u1}, gv[4] = {v, v1, v1, v};
      Vec3 corners[4], drawn[4], normals[6];
      Rgba colours[4];
      for (int i = 0; i < 4; ++i) {
        corners[i] = drawn[i] = c.Vertex(gu[i], gv[i], pass == MeshPass::Surface);
        colours[i] = c.Color(gu[i], gv[i]);
      }
      for (int k = 0; k < 6; ++k) normals[k] = c.Normal(gu[kEmitCorner[k]], gv[kEmitCorner[k]]);
      StyleNormals(corners, normals, p.style, p.blendFrom, p.blendTo, t);
      for (int i = 0; i < 4; ++i) ApplyVertexEffects(drawn[i], colours[i], p, pass, t, timeMs);
      if (colours[0].a != 1.0) {
        ASSERT_LT(deferred, TranslucentCells().size());
        const DeferredCell& cell = TranslucentCells()[deferred++];
        for (int i = 0; i < 4; ++i) ASSERT_EQ(cell.corners[i], drawn[i]);
        for (int i = 0; i < 4; ++i) ASSERT_EQ(cell.colours[i], colours[i]);
        for (int k = 0; k < 6; ++k) ASSERT_EQ(cell.normals[k], normals[k]);
        continue;
      }
      for (int k = 0; k < 6; ++k) {
        ASSERT_LT(next, sent.size());
        const auto& s = sent[next++];
        const Rgba& col = colours[kEmitCorner[k]];
        ASSERT_EQ(s.position, drawn[kEmitCorner[k]]);
        ASSERT_EQ(s.normal, normals[k]);
        ASSERT_EQ(std::tie(s.colour[0], s.colour[1], s.colour[2], s.colour[3]), std::tie(col.r, col.g, col.b, col.a));
      }
    }
  EXPECT_EQ(next, sent.size());
  EXPECT_EQ(deferred, TranslucentCells().size());
  ClearTranslucent();
}

TEST(CellWalk, EffectsAndNormalsMatchThePerCornerFunctions) {
  RenderParams all = Plain(Blended);
  all.blendFrom = Quad;
  all.blendTo = HalfV;
  all.sColored = all.wobbles = all.translucent = 1;
  TorusKnot knot;
  knot.Rebuild();
  knot.components[0].outerVertices = knot.components[0].vertices;
  for (Vec3& p : knot.components[0].outerVertices) p *= 1.01;  // the surface grid differs
  for (int32_t timeMs : {0, 7919, 123456}) {
    SCOPED_TRACE(timeMs);
    ExpectWalkMatchesPerCornerEffects(knot.components[0], timeMs, all, MeshPass::Surface);
    ExpectWalkMatchesPerCornerEffects(knot.components[0], timeMs, all, MeshPass::Overlay);
    for (int32_t style : {Quad, HalfU, HalfV, Smooth}) {
      RenderParams p = all;
      p.style = style;
      ExpectWalkMatchesPerCornerEffects(knot.components[0], timeMs, p, MeshPass::Surface);
    }
  }
  // Planes cutting through the small grids at 9 s: some cells deferred, some not.
  auto wave = [](int u, int v) { return Vec3(1.5 * u - 2, std::sin(u + 2.0 * v) * 2, v * 0.7); };
  for (auto [nu, nv] : {std::pair{5, 1}, {4, 2}, {1, 3}, {7, 3}}) {
    SCOPED_TRACE(testing::Message() << nu << "x" << nv);
    ExpectWalkMatchesPerCornerEffects(MakeGrid(nu, nv, wave), 9000, all, MeshPass::Surface);
  }
}

}  // namespace
}  // namespace tv
