// Small hand-made tube grids for the render tests.
#pragma once

#include <functional>

#include "knots/Knot.h"
#include "render/RenderTypes.h"

namespace tv::test {

// A component of nu x nv grid points at place(u, v); the outer grid is the same points pushed
// out by outerShift along x, normals point along +z tilted by u, colours encode (u, v).
inline KnotComponent MakeGrid(int nu, int nv, const std::function<Vec3(int, int)>& place,
                              double outerShift = 0.0) {
  KnotComponent c;
  c.uDivisions = nu;
  c.vDivisions = nv;
  for (int u = 0; u < nu; ++u)
    for (int v = 0; v < nv; ++v) {
      const Vec3 p = place(u, v);
      c.vertices.push_back(p);
      c.outerVertices.push_back(p + Vec3(outerShift, 0, 0));
      c.normals.push_back(Normalized(Vec3(0.1 * u, 0.05 * v, 1.0)));
      c.colors.push_back(Rgba(0.1 * u, 0.1 * v, 0.5, 0.25));  // alpha never reaches GL
    }
  return c;
}

inline KnotComponent FlatGrid(int nu, int nv, double outerShift = 0.0) {
  return MakeGrid(nu, nv, [](int u, int v) { return Vec3(u, v, 0.0); }, outerShift);
}

inline RenderParams Plain(int32_t style) {
  RenderParams p;
  p.style = style;
  p.sColored = p.wobbles = p.translucent = p.wireOverlay = 0;
  return p;
}

}  // namespace tv::test
