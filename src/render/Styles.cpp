// Render styles: the GL state each style sets and the normals it gives a cell.
#include "foundation/Check.h"
#include "render/Internal.h"

namespace tv {

namespace render_detail {

void StyleNormalsMixed(const Vec3 corners[4], Vec3 normals[6], int32_t style, int32_t blendFrom,
                       int32_t blendTo, double mix) {
  switch (style) {
    case Wire:
    case Point:
    case Triangle:
    case Smooth:
      return;  // the mesh's own per-vertex normals
    case Quad: {
      Vec3 m = Cross(corners[1] - corners[0], corners[2] - corners[0]);
      Normalize(m);  // a degenerate cell keeps the zero vector
      for (int k = 0; k < 6; ++k) normals[k] = m;
      return;
    }
    case HalfU: {
      // One normal per ring edge: slots 0, 1, 5 sit on ring u, slots 2, 3, 4 on ring u + 1.
      Vec3 a = normals[0] + normals[1];
      Vec3 b = normals[3] + normals[4];
      Normalize(a);
      Normalize(b);
      normals[0] = normals[1] = normals[5] = a;
      normals[2] = normals[3] = normals[4] = b;
      return;
    }
    case HalfV: {
      // One normal per edge along the tube: slots 1, 2, 3 on column v + 1, slots 0, 4, 5 on v.
      Vec3 a = normals[1] + normals[2];
      Vec3 b = normals[4] + normals[5];
      Normalize(a);
      Normalize(b);
      normals[1] = normals[2] = normals[3] = a;
      normals[0] = normals[4] = normals[5] = b;
      return;
    }
    case Blended: {
      Vec3 from[6];
      for (int k = 0; k < 6; ++k) from[k] = normals[k];
      StyleNormalsMixed(corners, from, blendFrom, Triangle, Triangle, mix);
      StyleNormalsMixed(corners, normals, blendTo, Triangle, Triangle, mix);
      for (int k = 0; k < 6; ++k) {
        Vec3 n = (1.0 - mix) * from[k] + mix * normals[k];
        Normalize(n);
        normals[k] = n;
      }
      return;
    }
    default:
      TV_CHECK_TEXT(Render, false, "Unknown render type");
      return;
  }
}

}  // namespace render_detail

void StyleNormals(const Vec3 corners[4], Vec3 normals[6], int32_t style, int32_t blendFrom,
                  int32_t blendTo, double t) {
  const double mix = style == Blended ? render_detail::BlendMix(t) : 0.0;
  render_detail::StyleNormalsMixed(corners, normals, style, blendFrom, blendTo, mix);
}

namespace {

// Sets what the style needs and nothing more: the rest carries over from the previous knot.
void SetStyleState(int32_t style) {
  switch (style) {
    case Wire:
      gl.PolygonMode(GL_FRONT_AND_BACK, GL_LINE);
      return;
    case Point:
      return;
    case Triangle:
      gl.ShadeModel(GL_FLAT);
      return;
    case Quad:
    case HalfU:
    case HalfV:
    case Smooth:
    case Blended:
      gl.PolygonMode(GL_FRONT_AND_BACK, GL_FILL);
      gl.ShadeModel(GL_SMOOTH);
      return;
    default:
      TV_CHECK_TEXT(Render, false, "Unknown type!");
      return;
  }
}

}  // namespace

void DrawKnot(const Knot& knot, int32_t timeMs, const RenderParams& params) {
  SetStyleState(params.style);
  const bool overlay = params.translucent != 0 && params.wireOverlay != 0;
  for (const KnotComponent& component : knot.components) {
    if (overlay) {
      gl.PolygonMode(GL_FRONT_AND_BACK, GL_LINE);
      DrawTubeMesh(component, timeMs, params, MeshPass::Overlay);
      gl.PolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    }
    DrawTubeMesh(component, timeMs, params, MeshPass::Surface);
  }
}

}  // namespace tv
