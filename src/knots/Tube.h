// Tubes around closed curves: the closed uniform quadratic B-spline of a point list and the frame
// carried along it.
#pragma once

#include <vector>

#include "foundation/Vectors.h"

namespace tv {

// The closed quadratic B-spline whose control polygon is a closed point list. The parameter t runs
// over [0, 1] once around the curve; S(0) = S(1) = (P0 + P1) / 2.
class ClosedBSpline {
 public:
  // Keeps a reference to the points, which must outlive the spline; a temporary would not.
  explicit ClosedBSpline(const std::vector<Vec3>& controlPoints) : points_(controlPoints) {}
  explicit ClosedBSpline(std::vector<Vec3>&&) = delete;

  // Point and first derivative (with respect to t) at t, clamped to [0, 1].
  void Evaluate(double t, Vec3& point, Vec3& derivative) const;

 private:
  const std::vector<Vec3>& points_;
};

// One frame step along a tube. tangent must be unit length. With start, u and v are chosen from
// the tangent alone; otherwise u is carried over from the previous ring's v without spinning.
// Afterwards (tangent, u, v) is orthonormal and right-handed (v = tangent x u); a frame that is not
// is reported through the Knots consistency checks.
void MakeFrame(bool start, const Vec3& tangent, Vec3& u, Vec3& v);

}  // namespace tv
