#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "Grid.h"
#include "knots/TorusKnot.h"
#include "render/Render.h"
#include "support/CheckCapture.h"
#include "support/GlRecorder.h"

namespace tv {
namespace {

using namespace test;
using Strings = std::vector<std::string>;

// Counts without points, and a mesh shorter than its counts (reported, not read past its end),
// give an empty block.
TEST(CellWalk, EmptyOrShortGridsDrawAnEmptyBlock) {
  KnotComponent shortMesh = FlatGrid(2, 2);
  shortMesh.colors.pop_back();
  for (auto [nu, nv, reports] : {std::tuple{0, 0, 0}, {0, 4, 0}, {4, 0, 0}, {-1, 3, 0}, {2, 2, 1}}) {
    CheckCapture capture;
    GlRecorder rec;
    KnotComponent c = reports ? shortMesh : KnotComponent{};
    c.uDivisions = nu;
    c.vDivisions = nv;
    DrawTubeMesh(c, 0, Plain(Quad), MeshPass::Surface);
    EXPECT_EQ(rec.Formatted(), (Strings{"GetDoublev(GL_MODELVIEW_MATRIX)", "Begin(GL_TRIANGLES)", "End()"}));
    EXPECT_EQ(capture.failures().size(), size_t(reports)) << nu << "x" << nv;
  }
}

// A walk sends one block and nothing else. It works each grid point's effects out once and
// reuses them across the four cells that share it; what it sends must be exactly what
// ApplyVertexEffects gives each corner of each cell, with the style's normals, also where the
// columns wrap around. Cells go ring by ring within a column; each sends its corners c0 (u,v),
// c1 (u,v+1), c2 (u+1,v+1), c3 (u+1,v) as the triangles c0 c1 c2 and c2 c3 c0. Only the first
// corner's alpha decides whether a cell waits, in eye coordinates, for the depth-sorted pass.
void ExpectWalkMatchesPerCornerEffects(const KnotComponent& c, int32_t timeMs, RenderParams p, MeshPass pass) {
  const double t = timeMs * 0.0014705882352941176;
  const Matrix4 modelView{{0, 0, 1, 1, 0, 1, 0, -2, -1, 0, 0, -6, 0, 0, 0, 1}};  // a turn about y, then away
  const unsigned primitive = p.style == Point ? GL_POINTS : GL_TRIANGLES;
  const int emit[6] = {0, 1, 2, 2, 3, 0};
  ClearTranslucent();
  GlRecorder rec;
  rec.SetModelView(modelView);
  DrawTubeMesh(c, timeMs, p, pass);
  ASSERT_EQ(rec.Formatted({"Normal3d", "Color4d", "Vertex3d"}),
            (Strings{"GetDoublev(GL_MODELVIEW_MATRIX)", "Begin(" + EnumName(primitive) + ")", "End()"}));
  const auto blocks = Blocks(rec.Calls());
  const auto& sent = blocks[0].vertices;
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
      for (int k = 0; k < 6; ++k) normals[k] = c.Normal(gu[emit[k]], gv[emit[k]]);
      StyleNormals(corners, normals, p.style, p.blendFrom, p.blendTo, t);
      for (int i = 0; i < 4; ++i) ApplyVertexEffects(drawn[i], colours[i], p, pass, t, timeMs);
      if (colours[0].a != 1.0) {
        ASSERT_LT(deferred, TranslucentCells().size());
        const DeferredCell& cell = TranslucentCells()[deferred++];
        ASSERT_EQ(cell.primitive, primitive);
        for (int i = 0; i < 4; ++i) TransformPoint(drawn[i], modelView);
        for (int i = 0; i < 4; ++i) ASSERT_EQ(cell.corners[i], drawn[i]);
        for (int i = 0; i < 4; ++i) ASSERT_EQ(cell.colours[i], colours[i]);
        for (int k = 0; k < 6; ++k) ASSERT_EQ(cell.normals[k], normals[k]);
        continue;
      }
      for (int k = 0; k < 6; ++k) {
        ASSERT_LT(next, sent.size());
        const auto& s = sent[next++];
        const Rgba& col = colours[emit[k]];
        ASSERT_EQ(s.position, drawn[emit[k]]);
        ASSERT_EQ(s.normal, normals[k]);
        ASSERT_EQ(std::tie(s.colour[0], s.colour[1], s.colour[2], s.colour[3]), std::tie(col.r, col.g, col.b, col.a));
      }
    }
  EXPECT_EQ(next, sent.size());
  EXPECT_EQ(deferred, TranslucentCells().size());
  ClearTranslucent();
}

TEST(CellWalk, EffectsNormalsAndDeferralMatchThePerCornerFunctions) {
  const RenderParams all{.style = Blended, .blendFrom = Quad, .blendTo = HalfV, .sColored = 1, .wobbles = 1, .translucent = 1};
  TorusKnot knot;
  knot.Rebuild();
  knot.components[0].outerVertices = knot.components[0].vertices;
  for (Vec3& p : knot.components[0].outerVertices) p *= 1.01;  // the surface grid differs
  for (int32_t timeMs : {0, 7919, 123456}) {
    SCOPED_TRACE(timeMs);
    ExpectWalkMatchesPerCornerEffects(knot.components[0], timeMs, all, MeshPass::Surface);
    ExpectWalkMatchesPerCornerEffects(knot.components[0], timeMs, all, MeshPass::Overlay);
    for (int32_t style : {Quad, HalfU, HalfV, Smooth, Point}) {
      RenderParams p = all;
      p.style = style;
      ExpectWalkMatchesPerCornerEffects(knot.components[0], timeMs, p, MeshPass::Surface);
    }
  }
  // Planes cutting through the small grids at 9 s, some with one point per ring or column.
  auto wave = [](int u, int v) { return Vec3(1.5 * u - 2, std::sin(u + 2.0 * v) * 2, v * 0.7); };
  for (auto [nu, nv] : {std::pair{5, 1}, {4, 2}, {1, 3}, {7, 3}}) {
    SCOPED_TRACE(testing::Message() << nu << "x" << nv);
    ExpectWalkMatchesPerCornerEffects(MakeGrid(nu, nv, wave), 9000, all, MeshPass::Surface);
  }
}

}  // namespace
}  // namespace tv
