// Closed polygons and the closed quadratic B-splines drawn around them: distances, sampling,
// resampling and the clearance and smoothness figures the library is held to.
#pragma once

#include <vector>

#include "foundation/Vectors.h"

namespace tv::knotgen {

using Curve = std::vector<Vec3>;  // closed: the last point joins the first
using Link = std::vector<Curve>;

// Shortest distance between segments p0-p1 and q0-q1.
double SegmentDistance(const Vec3& p0, const Vec3& p1, const Vec3& q0, const Vec3& q1);

double CurveLength(const Curve& c);

// perSpan points per span of the closed quadratic B-spline whose control polygon is control,
// starting at t = 0.
Curve SampleBSpline(const Curve& control, int perSpan);

// n points evenly spaced by arc length along the closed polygon, the first at arc length
// offset (a fraction of the whole length).
Curve ResampleByArcLength(const Curve& c, int n, double offset = 0.0);

// Smallest distance between non-adjacent parts of the B-splines of a link: pieces of one
// component count as non-adjacent once they are at least localArc apart along it; pieces of
// different components always do. Distances of cutoff or more are reported as cutoff.
struct ClearanceResult {
  double distance = 0.0;
  int componentA = -1, componentB = -1;
};
ClearanceResult MinClearance(const Link& controls, double localArc, double cutoff);

// Smoothness of a control polygon: the largest angle (degrees) between consecutive edges and the
// longest and shortest edge divided by the mean edge.
struct Smoothness {
  double worstAngleDeg = 0.0;
  double longestEdgeRatio = 1.0;
  double shortestEdgeRatio = 1.0;
};
Smoothness MeasureSmoothness(const Curve& c);

// Square roots of the principal moments of the points of a link, largest first: its extents
// along its own axes. The smallest over the largest says how far from flat it is.
struct Extents {
  double major = 0.0, middle = 0.0, minor = 0.0;
};
Extents PrincipalExtents(const Link& link);

struct Box {
  Vec3 lo{0, 0, 0}, hi{0, 0, 0};
};
Box Bounds(const Link& link);
void Translate(Link& link, const Vec3& by);
void ScaleLink(Link& link, double factor);

}  // namespace tv::knotgen
