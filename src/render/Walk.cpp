// The walk over one component's tube mesh: cell by cell, normals by style, effects per corner,
// then drawn at once or deferred for the depth-sorted pass.
#include "foundation/Check.h"
#include "render/Internal.h"

namespace tv {

using namespace render_detail;

namespace {

// A grid point after the vertex effects.
struct EffectPoint {
  Vec3 drawn;  // after the wobble
  Rgba colour;
};

// Three columns of effect results, kept between walks so that steady drawing allocates nothing.
std::vector<EffectPoint> columnStore;

bool Restyles(int32_t style) {
  return !(style == Wire || style == Point || style == Triangle || style == Smooth);
}

}  // namespace

void DrawTubeMesh(const KnotComponent& component, int32_t timeMs, const RenderParams& params,
                  MeshPass pass) {
  const double t = timeMs * 0.0014705882352941176;
  const Matrix4 modelView = ReadModelView();
  const GLenum primitive = params.style == Point ? GL_POINTS : GL_TRIANGLES;

  const int nu = component.uDivisions;
  const int nv = component.vDivisions;
  const std::vector<Vec3>& grid =
      pass == MeshPass::Surface ? component.outerVertices : component.vertices;
  // Counted in 64 bits so that absurd divisions cannot wrap on 32-bit builds.
  const uint64_t cells = nu > 0 && nv > 0 ? static_cast<uint64_t>(nu) * static_cast<uint64_t>(nv) : 0;
  // A mesh shorter than its counts is a broken mesh: reported, and drawn as an empty block
  // rather than read out of bounds.
  const bool complete = grid.size() >= cells && component.normals.size() >= cells &&
                        component.colors.size() >= cells;
  TV_CHECK_TEXT(Render, complete, "mesh arrays shorter than uDivisions*vDivisions");
  if (cells == 0 || !complete) {
    gl.Begin(primitive);
    gl.End();
    return;
  }
  // The column store grows before the block opens, so nothing can throw inside it.
  if (columnStore.size() < 3 * static_cast<size_t>(nu)) columnStore.resize(3 * static_cast<size_t>(nu));
  gl.Begin(primitive);

  const Vec3* positions = grid.data();
  const Vec3* meshNormals = component.normals.data();
  const Rgba* meshColours = component.colors.data();
  const EffectFrame effects(params, pass, t, timeMs);
  const bool restyle = Restyles(params.style);
  const double mix = params.style == Blended ? BlendMix(t) : 0.0;

  // The effects are pure functions of a grid point, so each point is worked out once per walk
  // rather than once for each of the four cells that share it: column v and column v + 1 are
  // kept, and column 0 is kept to the end for the last cells, which wrap around to it.
  EffectPoint* const firstColumn = columnStore.data();
  EffectPoint* const spare[2] = {firstColumn + nu, firstColumn + 2 * nu};
  auto fill = [&](int v, EffectPoint* column) {
    for (int u = 0; u < nu; ++u) {
      const size_t i = static_cast<size_t>(u) * nv + v;
      column[u].drawn = positions[i];
      column[u].colour = meshColours[i];
      effects.Apply(column[u].drawn, column[u].colour);
    }
  };
  fill(0, firstColumn);

  Vec3 raw[4], drawn[4], normals[6];
  Rgba colours[4];
  const EffectPoint* columnV = firstColumn;
  for (int v = 0; v < nv; ++v) {
    const int v1 = v + 1 == nv ? 0 : v + 1;
    EffectPoint* columnV1 = firstColumn;
    if (v1 != 0) {
      columnV1 = spare[v & 1];
      fill(v1, columnV1);
    }
    for (int u = 0; u < nu; ++u) {
      const int u1 = u + 1 == nu ? 0 : u + 1;
      const size_t i0 = static_cast<size_t>(u) * nv + v, i1 = static_cast<size_t>(u) * nv + v1;
      const size_t i2 = static_cast<size_t>(u1) * nv + v1, i3 = static_cast<size_t>(u1) * nv + v;
      const EffectPoint* fx[4] = {&columnV[u], &columnV1[u], &columnV1[u1], &columnV[u1]};
      for (int c = 0; c < 4; ++c) {
        drawn[c] = fx[c]->drawn;
        colours[c] = fx[c]->colour;
      }
      normals[0] = meshNormals[i0];
      normals[1] = meshNormals[i1];
      normals[2] = meshNormals[i2];
      normals[3] = meshNormals[i2];
      normals[4] = meshNormals[i3];
      normals[5] = meshNormals[i0];
      if (restyle) {
        // Normals come from the undisplaced corners.
        raw[0] = positions[i0];
        raw[1] = positions[i1];
        raw[2] = positions[i2];
        raw[3] = positions[i3];
        StyleNormalsMixed(raw, normals, params.style, params.blendFrom, params.blendTo, mix);
      }
      // Only c0 decides whether the cell waits for the depth-sorted pass.
      if (colours[0].a == 1.0)
        EmitQuadInline(normals, colours, drawn);
      else
        DeferCell(drawn, normals, colours, primitive, modelView);
    }
    columnV = columnV1;
  }
  gl.End();
}

}  // namespace tv
