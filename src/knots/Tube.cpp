#include "knots/Tube.h"

#include <algorithm>
#include <cmath>

#include "foundation/Check.h"
#include "foundation/Frames.h"
#include "knots/Knot.h"

namespace tv {

void ClosedBSpline::Evaluate(double t, Vec3& point, Vec3& derivative) const {
  const size_t m = points_.size();
  if (m == 0) {
    point = Vec3(0, 0, 0);
    derivative = Vec3(0, 0, 0);
    return;
  }
  t = std::clamp(t, 0.0, 1.0);
  const double s = t * static_cast<double>(m);
  size_t j = static_cast<size_t>(s);
  if (j >= m) j = m - 1;  // t = 1 belongs to the last span
  const double a = s - static_cast<double>(j);
  const Vec3& p0 = points_[j];
  const Vec3& p1 = points_[(j + 1) % m];
  const Vec3& p2 = points_[(j + 2) % m];
  const double b = 1.0 - a;
  point = (0.5 * b * b) * p0 + (0.5 + a - a * a) * p1 + (0.5 * a * a) * p2;
  derivative = static_cast<double>(m) * (b * (p1 - p0) + a * (p2 - p1));
}

void MakeFrame(bool start, const Vec3& tangent, Vec3& u, Vec3& v) {
  if (start) {
    if (std::fabs(tangent.z) > 0.9) {
      u = Vec3(0, tangent.z, -tangent.y);
    } else {
      u = Vec3(-tangent.y, tangent.x, 0);
    }
  } else {
    const Vec3 previousU = u;
    u = Cross(v, tangent);
    // When the tangent has swung onto the previous v, v x tangent vanishes and its direction is
    // noise. The previous u, made perpendicular to the new tangent, is then the frame to carry.
    if (u.Length() < 1e-6) u = previousU - Dot(previousU, tangent) * tangent;
  }
  Normalize(u);
  v = Cross(tangent, u);
  Normalize(v);

  TV_CHECK_TEXT(Knots, std::fabs(u.Dot(tangent)) < 0.00000001, "fabs(u.Dot(tangent))<0.00000001");
  TV_CHECK_TEXT(Knots, std::fabs(u.Dot(v)) < 0.00000001, "fabs(u.Dot(v))<0.00000001");
  TV_CHECK_TEXT(Knots, std::fabs(v.Dot(tangent)) < 0.00000001, "fabs(v.Dot(tangent))<0.00000001");
  TV_CHECK_TEXT(Knots, std::fabs(u.Length() - 1) < 0.000001, "fabs(u.Length()-1)<0.000001");
  TV_CHECK_TEXT(Knots, std::fabs(v.Length() - 1) < 0.000001, "fabs(v.Length()-1)<0.000001");
  TV_CHECK_TEXT(Knots, std::fabs(tangent.Length() - 1) < 0.000001,
                "fabs(tangent.Length()-1)<0.000001");
}

namespace {

struct Ring {
  Vec3 centre, tangent, u;
};

// Centres and unit tangents of the rings. A sample where the derivative vanishes (repeated
// consecutive points can do that) borrows the nearest earlier usable tangent, or for the first
// rings the first usable one. Returns false when no sample has a usable tangent.
bool SampleRings(const std::vector<Vec3>& curve, int rings, std::vector<Ring>& out) {
  const ClosedBSpline spline(curve);
  double longestEdge = 0.0;
  for (size_t i = 0; i < curve.size(); ++i) {
    longestEdge = std::max(longestEdge, Length(curve[(i + 1) % curve.size()] - curve[i]));
  }
  // Below this the derivative is rounding noise of the curve's own coordinates.
  const double minSpeed = 1e-9 * longestEdge * static_cast<double>(curve.size());

  out.resize(static_cast<size_t>(rings));
  int firstUsable = -1;
  for (int i = 0; i < rings; ++i) {
    const double t = std::clamp(static_cast<double>(i) / rings + 0.5 / rings, 0.0, 1.0);
    Vec3 derivative;
    spline.Evaluate(t, out[i].centre, derivative);
    const double speed = derivative.Length();
    if (speed > minSpeed && std::isfinite(speed)) {
      Normalize(derivative);
      out[i].tangent = derivative;
      if (firstUsable < 0) firstUsable = i;
    } else if (firstUsable >= 0) {
      out[i].tangent = out[i - 1].tangent;
    } else {
      out[i].tangent = Vec3(0, 0, 0);
    }
  }
  if (firstUsable < 0) return false;
  for (int i = 0; i < firstUsable; ++i) out[i].tangent = out[firstUsable].tangent;
  return true;
}

}  // namespace

void KnotComponent::BuildTube(double radius, int uCount, int vCount) {
  constexpr double kTwoPi = 6.283185307179586;
  const int U = std::max(uCount, 0);
  const int V = std::max(vCount, 0);
  vertices.clear();
  outerVertices.clear();
  normals.clear();
  uDivisions = U;
  vDivisions = V;

  // Fewer than three points make no closed curve with a tube around it (two points double back
  // on themselves), and a curve without a usable tangent anywhere has no frame: such a component
  // gets an empty mesh and draws nothing.
  std::vector<Ring> rings;
  if (U == 0 || curve.size() < 3 || !SampleRings(curve, U, rings)) {
    uDivisions = 0;
    SetColors(kTubeBuildColor, true, 0.0);
    return;
  }

  // First pass: carry the frame along the rings.
  Vec3 u, v;
  for (int i = 0; i < U; ++i) {
    MakeFrame(i == 0, rings[i].tangent, u, v);
    rings[i].u = u;
  }

  // Closing twist: carry the last frame onto the first tangent once more and spread the angle it
  // misses by over the whole tube, so that ring U-1 meets ring 0 without a seam.
  const Vec3 u0 = rings[0].u;
  const Vec3& lastTangent = rings[U - 1].tangent;
  MakeFrame(false, rings[0].tangent, u, v);
  const double angle = std::acos(std::clamp(Dot(u0, u), -1.0, 1.0));
  const Vec3 plus = RotateAboutAxis(u, angle, lastTangent);
  const Vec3 minus = RotateAboutAxis(u, -angle, lastTangent);
  const double twist =
      std::fabs(Dot(minus, u0) - 1.0) < std::fabs(Dot(plus, u0) - 1.0) ? -angle : angle;

  const size_t count = static_cast<size_t>(U) * V;
  vertices.reserve(count);
  outerVertices.reserve(count);
  normals.reserve(count);
  for (int i = 0; i < U; ++i) {
    const Ring& ring = rings[i];
    const double ringTwist = twist * (static_cast<double>(i) / U);
    for (int j = 0; j < V; ++j) {
      const double phi = j * (1.0 / V) * kTwoPi + ringTwist;
      Vec3 d = RotateAboutAxis(ring.u, phi, ring.tangent);
      Normalize(d);
      vertices.push_back(ring.centre + radius * d);
      outerVertices.push_back(ring.centre + (1.01 * radius) * d);
      normals.push_back(d);
    }
  }
  SetColors(kTubeBuildColor, true, 0.0);
}

}  // namespace tv
