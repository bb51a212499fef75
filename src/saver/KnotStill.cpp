#include "saver/KnotStill.h"

#include <algorithm>

#include "foundation/ColorSpace.h"
#include "knots/library/KnotLibrary.h"
#include "render/Gl.h"
#include "render/Render.h"

namespace tv {

RenderParams StillParams(int32_t style) {
  RenderParams params;
  params.style = style;
  // Facets into the mesh normals, so the blend shows (Triangle and Smooth would look alike).
  params.blendFrom = Quad;
  params.blendTo = Smooth;
  params.spinning = params.sColored = params.wobbles = params.translucent = params.wireOverlay = 0;
  return params;
}

void LoadStillKnot(Knot& knot, int index) {
  LoadLibraryKnot(knot, index);
  if (knot.components.size() > 1) {
    for (size_t c = 0; c < knot.components.size(); ++c) {
      double r = 0, g = 0, b = 0;
      HsvToRgb(360.0 * c / knot.components.size(), 0.9, 0.9, r, g, b);
      knot.components[c].SetColors(Rgba(r, g, b, 1.0), true, 0.0);
    }
  }
}

void DrawKnotStill(const Knot& knot, int32_t style, float turnX, float turnY) {
  Vec3 lo(1e300, 1e300, 1e300), hi(-1e300, -1e300, -1e300);
  for (const KnotComponent& c : knot.components)
    for (const Vec3& p : c.vertices) {
      lo = Vec3(std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z));
      hi = Vec3(std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z));
    }
  const Vec3 centre = lo.x <= hi.x ? 0.5 * (lo + hi) : Vec3(0, 0, 0);
  const RenderParams params = StillParams(style);

  gl.Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  ClearTranslucent();
  gl.LoadIdentity();
  if (turnX == 0.0f && turnY == 0.0f) {
    gl.Translatef(static_cast<float>(-centre.x), static_cast<float>(-centre.y),
                  static_cast<float>(-7.0 - centre.z));
  } else {
    gl.Translatef(0.0f, 0.0f, -7.0f);
    gl.Rotatef(turnX, 1.0f, 0.0f, 0.0f);
    gl.Rotatef(turnY, 0.0f, 1.0f, 0.0f);
    gl.Translatef(static_cast<float>(-centre.x), static_cast<float>(-centre.y),
                  static_cast<float>(-centre.z));
  }
  DrawKnot(knot, 0, params);
  gl.LoadIdentity();
  DrawTranslucent();
  gl.Flush();
}

void DrawStoredKnotStill(int index, int32_t style) {
  Knot knot;
  LoadStillKnot(knot, index);
  DrawKnotStill(knot, style);
}

}  // namespace tv
