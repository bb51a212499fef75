// Pieces shared by the render modules: the per-walk effect constants and the inline emission
// used by the walk. Not part of the renderer's interface.
#pragma once

#include <cmath>
#include <cstdint>

#include "render/Gl.h"
#include "render/Render.h"

namespace tv::render_detail {

// Everything of CellAlpha that depends on the clock alone: the three plane positions.
struct CellPlanes {
  double x, y, z;
};

inline CellPlanes MakeCellPlanes(double t) {
  const double e = std::cos(t * 0.1149425287356322);
  return {8.0 * (std::sin(t * 0.2222222222222222) + 0.8 * e),
          7.0 * (std::sin(t * 0.22727272727272727) - 0.7 * e),
          9.0 * (std::sin(t * 0.24390243902439027) - 0.6 * std::cos(t * 0.12820512820512822))};
}

inline double CellAlphaAt(const Vec3& p, double t, const CellPlanes& planes) {
  // Strict comparisons: a point on a plane is on its near side.
  const int beyond = (p.x > planes.x) + (p.y > planes.y) + (p.z > planes.z);
  if (beyond == 0 || beyond == 2) return 1.0;
  return 0.4 * (std::sin(p.x + p.y + p.z + t) + 1.1);
}

// The wobble's phase and breathing amplitude, which depend on the clock alone.
struct WobblePhase {
  double phi;
  double amplitude;
};

inline WobblePhase MakeWobblePhase(int32_t timeMs) {
  const double phi = timeMs * 0.0058823529411764705;
  return {phi, static_cast<double>(0.2f) * std::sin(phi)};
}

inline Vec3 WobbleAt(const Vec3& p, const WobblePhase& w) {
  const double a = w.amplitude;
  const double phi = w.phi;
  return {a * std::sin(3.0 * p.x + phi),
          a * (std::sin(3.0 * p.y + phi) + std::cos(3.0 * p.y + phi)) * 0.5,
          a * std::sin(3.0 * p.x + 3.0 * p.z - phi)};
}

inline void FieldColourAt(const Vec3& p, double t, Rgba& c) {
  c.r = (std::sin(5.0 * p.x + t) + 1.0) * 0.5;
  c.g = (std::sin(5.0 * p.y + 1.2 * t) + 1.0) * 0.5;
  c.b = (std::sin(5.0 * p.x + 5.0 * p.z + t) + 1.0) * 0.5;
}

// ApplyVertexEffects with the clock-only terms worked out once per walk. The same inline
// arithmetic serves the public functions, so both give bit-identical results.
struct EffectFrame {
  bool colour;
  bool alpha;
  bool wobble;
  double t;
  CellPlanes planes;
  WobblePhase phase;

  EffectFrame(const RenderParams& params, MeshPass pass, double t_, int32_t timeMs)
      : colour(params.sColored != 0),
        alpha(params.translucent != 0 && pass == MeshPass::Surface),
        wobble(params.wobbles != 0),
        t(t_),
        planes(alpha ? MakeCellPlanes(t_) : CellPlanes{0, 0, 0}),
        phase(wobble ? MakeWobblePhase(timeMs) : WobblePhase{0, 0}) {}

  void Apply(Vec3& p, Rgba& c) const {
    if (colour) FieldColourAt(p, t, c);
    c.a = alpha ? CellAlphaAt(p, t, planes) : 1.0;
    if (wobble) p += WobbleAt(p, phase);
  }
};

// StyleNormals with the blend weight c = (sin(3t) + 1) / 2 already worked out.
void StyleNormalsMixed(const Vec3 corners[4], Vec3 normals[6], int32_t style, int32_t blendFrom,
                       int32_t blendTo, double mix);

inline double BlendMix(double t) { return (std::sin(3.0 * t) + 1.0) * 0.5; }

inline void EmitQuadInline(const Vec3 normals[6], const Rgba colours[4], const Vec3 corners[4]) {
  for (int k = 0; k < 6; ++k) {
    const int i = kEmitCorner[k];
    const Vec3& n = normals[k];
    const Rgba& c = colours[i];
    const Vec3& p = corners[i];
    gl.Normal3d(n.x, n.y, n.z);
    gl.Color4d(c.r, c.g, c.b, c.a);
    gl.Vertex3d(p.x, p.y, p.z);
  }
}

// The model-view matrix as a row-major Matrix4 (OpenGL hands it over column by column).
inline Matrix4 ReadModelView() {
  double a[16];
  gl.GetDoublev(GL_MODELVIEW_MATRIX, a);
  Matrix4 m;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m.m[4 * i + j] = a[4 * j + i];
  return m;
}

}  // namespace tv::render_detail
