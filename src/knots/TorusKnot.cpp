#include "knots/TorusKnot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "foundation/Random.h"

namespace tv {

TorusKnot::TorusKnot() {
  components.emplace_back();
  components[0].uDivisions = 80;
  components[0].vDivisions = 10;
}

void TorusKnot::Describe(std::vector<std::string>& lines) const {
  lines.clear();
  char text[160];
  std::snprintf(text, sizeof text, "(%f,%f) torus knot", p, q);
  lines.emplace_back(text);
  const KnotComponent& first = components.front();
  std::snprintf(text, sizeof text, "(%d,%d) u,v divisions", first.uDivisions, first.vDivisions);
  lines.emplace_back(text);
  long long polygons = 0;
  for (const KnotComponent& c : components) polygons += 2LL * c.uDivisions * c.vDivisions;
  std::snprintf(text, sizeof text, "%lld polygons", polygons);
  lines.emplace_back(text);
}

void TorusKnot::Randomize(int pLimit, int qLimit, int uLimit, int vLimit) {
  // Limits that leave no range (they must exceed 1, 1, 8 and 5) pin the value to its minimum
  // instead of dividing by zero.
  p = 1 + RandomMod(std::max(pLimit - 1, 1));
  q = 1 + RandomMod(std::max(qLimit - 1, 1));
  components[0].vDivisions = 5 + RandomMod(std::max(vLimit - 5, 1));
  components[0].uDivisions = 8 + RandomMod(std::max(uLimit - 8, 1));
}

void TorusKnot::Rebuild() {
  constexpr double kPi = 3.141592653589793;
  constexpr double kTwoPi = 6.283185307179586;
  constexpr double kNearAxis = 0.015625;  // 1/64
  KnotComponent& c = components[0];
  const int U = std::max(c.uDivisions, 0);
  const int V = std::max(c.vDivisions, 0);
  const double ratio = q / p;

  std::vector<Vec3> centres, vertices, normals;
  centres.reserve(U);
  vertices.reserve(static_cast<size_t>(U) * V);
  normals.reserve(static_cast<size_t>(U) * V);
  for (int k = 0; k < U; ++k) {
    const double theta = 2 * k * p * kPi / U;
    const double phi = theta * ratio;
    const double rho = 1 + 0.5 * std::cos(phi);
    const Vec3 centre(rho * std::cos(theta), rho * std::sin(theta), 0.5 * std::sin(phi));
    centres.push_back(centre);

    const double a = -0.5 * ratio * std::sin(phi);
    const Vec3 tangent(a * std::cos(theta) - rho * std::sin(theta),
                       a * std::sin(theta) + rho * std::cos(theta), 0.5 * ratio * std::cos(phi));
    Vec3 b3 = tangent;
    Vec3 b1 = (std::fabs(tangent.x) < kNearAxis && std::fabs(tangent.y) < kNearAxis)
                  ? Vec3(tangent.z, 0, -tangent.x)
                  : Vec3(-tangent.y, tangent.x, 0);
    Vec3 b2 = Cross(b3, b1);
    Normalize(b1);
    Normalize(b2);
    Normalize(b3);
    for (int j = 0; j < V; ++j) {
      const double alpha = j * (kTwoPi / V);
      Vec3 offset = (tubeRadius * std::cos(alpha)) * b1 + (tubeRadius * std::sin(alpha)) * b2;
      vertices.push_back(centre + offset);
      Normalize(offset);
      normals.push_back(offset);
    }
  }
  c.vertices = std::move(vertices);
  c.outerVertices = c.vertices;
  c.normals = std::move(normals);
  c.curve = std::move(centres);
  c.SetColors(kTubeBuildColor, true, 0.0);
}

}  // namespace tv
