// Relaxation of a link in space: springs along each curve, bending stiffness and repulsion
// between distant parts. No point ever moves farther than 0.45 of the current smallest distance
// between non-adjacent segments, so no strand passes through another and the type is kept.
#pragma once

#include "Geometry.h"

namespace tv::knotgen {

struct RelaxOptions {
  int iterations = 2000;
  double rest = 1.0;      // spring rest length
  double spring = 1.0;
  double bend = 0.3;      // stiffness of the squared second difference
  double repel = 1.0;
  double cutoff = 3.0;    // repulsion reaches this far
  int localSkip = 4;      // points this close along a curve do not repel
  double dt = 0.1;
  double maxMove = 0.05;  // per iteration
  // Repel closest points of segments instead of points: strands crossing at the middle of their
  // segments then push apart too, rather than only closing in until the step bound stalls.
  bool segments = false;
  // Long-range repulsion between all points more than localSkip apart (force charge / r^2) held
  // by a weak pull towards the centroid (force confine * r): like charges in such a trap fill a
  // ball evenly, so the curve spreads in all three dimensions instead of lying in a plane.
  double charge = 0.0;
  double confine = 0.0;
};

struct RelaxReport {
  double smallestGap = 0.0;  // smallest non-adjacent segment distance met on the way
  double lastMove = 0.0;     // largest move of the last iteration
};

RelaxReport Relax(Link& link, const RelaxOptions& options);

// Smallest distance between non-adjacent segments of the polygons (exact, for checks).
double MinSegmentGap(const Link& link, double cutoff);

}  // namespace tv::knotgen
