#include "render/Internal.h"

namespace tv {

using namespace render_detail;

void ApplyVertexEffects(Vec3& p, Rgba& colour, const RenderParams& params, MeshPass pass, double t,
                        int32_t timeMs) {
  EffectFrame(params, pass, t, timeMs).Apply(p, colour);
}

void FieldColour(const Vec3& p, double t, double& r, double& g, double& b) {
  Rgba c;
  FieldColourAt(p, t, c);
  r = c.r;
  g = c.g;
  b = c.b;
}

double CellAlpha(const Vec3& p, double t) { return CellAlphaAt(p, t, MakeCellPlanes(t)); }

Vec3 WobbleOffset(const Vec3& p, int32_t timeMs) { return WobbleAt(p, MakeWobblePhase(timeMs)); }

double EaseInHoldOut(double x) {
  constexpr double k = 9.424777960796938;  // three half-turns
  if (x < 0.3333333333333333) return (1.0 - std::cos(k * x)) * 0.25;
  if (x < 0.6666666666666666) return 0.5;
  return (3.0 - std::cos(k * x)) * 0.25;
}

}  // namespace tv
