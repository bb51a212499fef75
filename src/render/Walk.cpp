// The walk over one component's tube mesh: cell by cell, normals by style, effects per corner,
// then drawn at once or deferred for the depth-sorted pass.
#include "render/Internal.h"

namespace tv {

using namespace render_detail;

namespace {

// The per-corner state of one grid point, effects applied.
struct CornerSlots {
  Vec3 raw[4];    // mesh positions: the normals are made from these
  Vec3 drawn[4];  // after the wobble
  Rgba colours[4];
  Vec3 meshNormals[4];
};

bool Restyles(int32_t style) {
  return !(style == Wire || style == Point || style == Triangle || style == Smooth);
}

}  // namespace

void DrawTubeMesh(const KnotComponent& component, int32_t timeMs, const RenderParams& params,
                  MeshPass pass) {
  const double t = timeMs * 0.0014705882352941176;
  const Matrix4 modelView = ReadModelView();
  const GLenum primitive = params.style == Point ? GL_POINTS : GL_TRIANGLES;
  gl.Begin(primitive);

  const int nu = component.uDivisions;
  const int nv = component.vDivisions;
  const std::vector<Vec3>& grid =
      pass == MeshPass::Surface ? component.outerVertices : component.vertices;
  const size_t cells = nu > 0 && nv > 0 ? static_cast<size_t>(nu) * static_cast<size_t>(nv) : 0;
  // A mesh shorter than its counts is drawn as empty rather than read out of bounds.
  if (cells == 0 || grid.size() < cells || component.normals.size() < cells ||
      component.colors.size() < cells) {
    gl.End();
    return;
  }

  const Vec3* positions = grid.data();
  const Vec3* meshNormals = component.normals.data();
  const Rgba* meshColours = component.colors.data();
  const EffectFrame effects(params, pass, t, timeMs);
  const bool restyle = Restyles(params.style);
  const double mix = params.style == Blended ? BlendMix(t) : 0.0;

  CornerSlots s;
  Vec3 normals[6];
  // The effects are pure functions of the grid point, so c2 and c3 of one cell are reused as
  // c1 and c0 of the next instead of being worked out again.
  auto load = [&](int u, int v, int slot) {
    const size_t i = static_cast<size_t>(u) * nv + v;
    s.raw[slot] = positions[i];
    s.drawn[slot] = positions[i];
    s.colours[slot] = meshColours[i];
    s.meshNormals[slot] = meshNormals[i];
    effects.Apply(s.drawn[slot], s.colours[slot]);
  };

  for (int v = 0; v < nv; ++v) {
    const int v1 = v + 1 == nv ? 0 : v + 1;
    load(0, v, 0);
    load(0, v1, 1);
    for (int u = 0; u < nu; ++u) {
      const int u1 = u + 1 == nu ? 0 : u + 1;
      load(u1, v1, 2);
      load(u1, v, 3);
      normals[0] = s.meshNormals[0];
      normals[1] = s.meshNormals[1];
      normals[2] = s.meshNormals[2];
      normals[3] = s.meshNormals[2];
      normals[4] = s.meshNormals[3];
      normals[5] = s.meshNormals[0];
      if (restyle) StyleNormalsMixed(s.raw, normals, params.style, params.blendFrom, params.blendTo, mix);
      // Only c0 decides whether the cell waits for the depth-sorted pass.
      if (s.colours[0].a == 1.0)
        EmitQuadInline(normals, s.colours, s.drawn);
      else
        DeferCell(s.drawn, normals, s.colours, primitive, modelView);
      s.raw[0] = s.raw[3];
      s.raw[1] = s.raw[2];
      s.drawn[0] = s.drawn[3];
      s.drawn[1] = s.drawn[2];
      s.colours[0] = s.colours[3];
      s.colours[1] = s.colours[2];
      s.meshNormals[0] = s.meshNormals[3];
      s.meshNormals[1] = s.meshNormals[2];
    }
  }
  gl.End();
}

}  // namespace tv
