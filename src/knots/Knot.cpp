#include "knots/Knot.h"

#include <algorithm>
#include <cmath>

namespace tv {

void KnotComponent::SetColors(const Rgba& color, bool uniform, double hueStep) {
  colors.resize(vertices.size());
  if (uniform) {
    std::fill(colors.begin(), colors.end(), color);
    return;
  }
  double h, s, v;
  RgbToHsv(color.r, color.g, color.b, h, s, v);
  Rgba ring = color;
  const size_t perRing = vDivisions > 0 ? static_cast<size_t>(vDivisions) : 0;
  for (int u = 0; u < uDivisions; ++u) {
    const size_t first = static_cast<size_t>(u) * perRing;
    // Only rings the mesh actually holds are written; a stale count never writes past the end.
    for (size_t k = first; k < first + perRing && k < colors.size(); ++k) colors[k] = ring;
    h += hueStep;
    HsvToRgb(h, s, v, ring.r, ring.g, ring.b);
  }
}

void KnotComponent::Scale(double factor) {
  for (Vec3& p : curve) p *= factor;
  for (size_t i = 0; i < vertices.size(); ++i) {
    vertices[i] *= factor;
    if (i < outerVertices.size()) outerVertices[i] *= factor;
  }
}

void Knot::Describe(std::vector<std::string>& lines) const {
  lines.clear();
  lines.emplace_back("Basic knot class");
}

void Knot::AddComponent(const std::vector<Vec3>& points) {
  components.emplace_back();
  components.back().curve = points;
}

void Knot::BuildTubes(double radius, int uDivisions, int vDivisions) {
  for (KnotComponent& c : components) c.BuildTube(radius, uDivisions, vDivisions);
}

double Knot::ScaleToSize(double size) {
  if (components.empty() || components.front().curve.empty()) return 1.0;
  Vec3 lo = components.front().curve.front(), hi = lo;
  for (const KnotComponent& c : components) {
    for (const Vec3& p : c.curve) {
      lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
      hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
  }
  const double diagonal = Length(hi - lo);
  // All points in one place (or a box too large to measure) has no size to scale to: leave the
  // knot as it is rather than fill it with infinities.
  if (!(diagonal > 0.0) || !std::isfinite(diagonal)) return 1.0;
  const double factor = size / diagonal;
  for (KnotComponent& c : components) c.Scale(factor);
  return factor;
}

}  // namespace tv
