#include <gtest/gtest.h>

#include <cmath>

#include "Diagram.h"
#include "Geometry.h"
#include "Relax.h"

namespace tv::knotgen {
namespace {

// A circle of n points around centre, in the xy plane or (vertical) in the xz plane.
Curve Circle(int n, double r, const Vec3& centre = {0, 0, 0}, bool vertical = false) {
  Curve c;
  for (int i = 0; i < n; ++i) {
    const double a = 2.0 * M_PI * i / n, x = r * std::cos(a), y = r * std::sin(a);
    c.push_back(centre + (vertical ? Vec3(x, 0, y) : Vec3(x, y, 0)));
  }
  return c;
}

TEST(Geometry, SegmentDistanceCoversCrossingParallelAndEndCases) {
  EXPECT_NEAR(SegmentDistance({-1, 0, 0}, {1, 0, 0}, {0, -1, 2}, {0, 1, 2}), 2.0, 1e-12);      // skew, crossing
  EXPECT_NEAR(SegmentDistance({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}), 1.0, 1e-12);        // parallel
  EXPECT_NEAR(SegmentDistance({0, 0, 0}, {1, 0, 0}, {3, 0, 0}, {5, 0, 0}), 2.0, 1e-12);        // collinear apart
  EXPECT_NEAR(SegmentDistance({0, 0, 0}, {1, 0, 0}, {2, 1, 0}, {2, 3, 0}), std::sqrt(2.0), 1e-12);  // end to end
  EXPECT_NEAR(SegmentDistance({0, 0, 0}, {0, 0, 0}, {-1, 1, 0}, {1, 1, 0}), 1.0, 1e-12);       // a point
}

TEST(Geometry, ClearanceOfACircleIsItsSplineDiameterAndLinksCountEveryPair) {
  // On one circle of radius 10 the closest pieces that count are 5 apart along it: the chord
  // across that arc (less a sampling piece) is the clearance. A tight bend would show up here.
  const ClearanceResult one = MinClearance({Circle(64, 10.0)}, 5.0, 100.0);
  EXPECT_GT(one.distance, 4.7);
  EXPECT_LT(one.distance, 2.0 * 10.0 * std::sin(0.25));
  // Two parallel circles 3 apart: the other component counts however close along the curve.
  const ClearanceResult two = MinClearance({Circle(64, 10.0), Circle(64, 10.0, {0, 0, 3})}, 5.0, 100.0);
  EXPECT_NEAR(two.distance, 3.0, 1e-9);
  EXPECT_EQ(std::pair(two.componentA, two.componentB), std::pair(0, 1));
  // Far beyond the cutoff: reported as the cutoff.
  EXPECT_EQ(MinClearance({Circle(16, 1.0), Circle(16, 1.0, {50, 0, 0})}, 5.0, 4.0).distance, 4.0);
}

TEST(Geometry, PrincipalExtentsFindTheAxesOfATurnedShape) {
  // A flat circle: two equal extents of r / sqrt 2 and nothing across.
  const Extents flat = PrincipalExtents({Circle(64, 4.0)});
  EXPECT_NEAR(flat.major, 4.0 / std::sqrt(2.0), 1e-9);
  EXPECT_NEAR(flat.middle, 4.0 / std::sqrt(2.0), 1e-9);
  EXPECT_NEAR(flat.minor, 0.0, 1e-6);
  // Points at +-3, +-2, +-1 along three axes turned off the coordinate axes and moved: the
  // moments are 9/3, 4/3, 1/3 whatever the turn.
  const double a = 0.7, b = 0.4;
  Curve star;
  for (const Vec3& p : {Vec3(1, 0, 0), Vec3(-1, 0, 0), Vec3(0, 3, 0), Vec3(0, -3, 0), Vec3(0, 0, 2), Vec3(0, 0, -2)}) {
    const Vec3 q(std::cos(a) * p.x - std::sin(a) * p.y, std::sin(a) * p.x + std::cos(a) * p.y, p.z);
    star.push_back(Vec3(q.x, std::cos(b) * q.y - std::sin(b) * q.z, std::sin(b) * q.y + std::cos(b) * q.z) + Vec3(5, -2, 7));
  }
  const Extents e = PrincipalExtents({star});
  EXPECT_NEAR(e.major, std::sqrt(3.0), 1e-9);
  EXPECT_NEAR(e.middle, std::sqrt(4.0 / 3.0), 1e-9);
  EXPECT_NEAR(e.minor, std::sqrt(1.0 / 3.0), 1e-9);
}

TEST(Relax, NeverLetsAStrandThroughAnother) {
  // Two rings, one through the other, pushed hard: they spread but stay linked, never touching.
  Link hopf = {Circle(24, 3.0), Circle(24, 3.0, {3.0, 0, 0}, true)};
  EXPECT_GT(Relax(hopf, {.iterations = 400, .repel = 20.0, .cutoff = 6.0}).smallestGap, 0.0);
  EXPECT_GT(MinSegmentGap(hopf, 100.0), 0.5);
  EXPECT_EQ(std::abs(ComputeInvariants(DiagramFromLink(hopf)).linking[0]), 1);
}

TEST(Relax, SegmentRepulsionPartsStrandsThatCrossBetweenTheirPoints) {
  // Two long edges cross 0.5 apart at their middles while every pair of points is 7 or more
  // apart: only repulsion between closest points of segments sees them.
  const Link start = {{{-5, 0, 0}, {5, 0, 0}, {5, -20, 0}, {-5, -20, 0}}, {{0, -5, 0.5}, {0, 5, 0.5}, {0, 5, 20}, {0, -5, 20}}};
  ASSERT_NEAR(MinSegmentGap(start, 100.0), 0.5, 1e-12);
  Link points = start, segments = start;
  Relax(points, {.iterations = 20, .spring = 0.0, .bend = 0.0});
  Relax(segments, {.iterations = 20, .spring = 0.0, .bend = 0.0, .segments = true});
  EXPECT_NEAR(MinSegmentGap(points, 100.0), 0.5, 1e-12);
  EXPECT_GT(MinSegmentGap(segments, 100.0), 0.8);
}

}  // namespace
}  // namespace tv::knotgen
