#include <gtest/gtest.h>

#include <cmath>

#include "Diagram.h"
#include "Geometry.h"
#include "Relax.h"

namespace tv::knotgen {
namespace {

Curve Circle(int n, double r, const Vec3& centre = {0, 0, 0}, bool vertical = false) {
  Curve c;
  for (int i = 0; i < n; ++i) {
    const double a = 2.0 * M_PI * i / n;
    c.push_back(vertical ? centre + Vec3(r * std::cos(a), 0, r * std::sin(a)) : centre + Vec3(r * std::cos(a), r * std::sin(a), 0));
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
  EXPECT_EQ(two.componentA, 0);
  EXPECT_EQ(two.componentB, 1);
  // Far beyond the cutoff: reported as the cutoff.
  EXPECT_EQ(MinClearance({Circle(16, 1.0), Circle(16, 1.0, {50, 0, 0})}, 5.0, 4.0).distance, 4.0);
}

TEST(Geometry, ResamplingSpacesPointsEvenly) {
  Curve square = {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}};
  const Curve r = ResampleByArcLength(square, 30, 0.01);  // no point on a corner
  ASSERT_EQ(r.size(), 30u);
  const Smoothness s = MeasureSmoothness(r);
  // Chords that cut a corner are shorter; every other edge is exactly 16/30 long.
  EXPECT_NEAR(s.longestEdgeRatio * CurveLength(r) / 30.0, 16.0 / 30.0, 1e-9);
  EXPECT_GT(s.shortestEdgeRatio, 0.7);
  EXPECT_GE(s.worstAngleDeg, 45.0);
  EXPECT_LT(s.worstAngleDeg, 90.0);
}

TEST(Relax, NeverLetsAStrandThroughAnother) {
  // Two rings, one through the other, pushed hard: they spread but stay linked, and the gap
  // between them never closes.
  Link hopf = {Circle(24, 3.0), Circle(24, 3.0, {3.0, 0, 0}, true)};
  RelaxOptions o;
  o.iterations = 400;
  o.repel = 20.0;
  o.cutoff = 6.0;
  const RelaxReport r = Relax(hopf, o);
  EXPECT_GT(r.smallestGap, 0.0);
  EXPECT_GT(MinSegmentGap(hopf, 100.0), 0.5);
  EXPECT_EQ(std::abs(ComputeInvariants(DiagramFromLink(hopf)).linking[0]), 1);
}

}  // namespace
}  // namespace tv::knotgen
