#include <gtest/gtest.h>

#include <cmath>

#include "Codec.h"
#include "Diagram.h"
#include "Embed.h"
#include "Geometry.h"
#include "Relax.h"
#include "Tables.h"

namespace tv::knotgen {
namespace {

// Long and short curves, big and small, chained back to back in one record: it decodes to the
// last byte, the largest delta is 126 or 127 (never -128), and decoded points stay within half a
// step of their targets in every coordinate, however many deltas came before.
TEST(Codec, RecordsChainComponentsAndErrorsDoNotDrift) {
  const struct { int n; double radius, turns, rise; } helices[] = {
      {1500, 20.0, 24.0, 5.0}, {8, 6.0, 1.0, 0.0}, {97, 0.5, 3.0, 0.2}};
  Link link;
  for (const auto& h : helices) {
    Curve& c = link.emplace_back();
    for (int i = 0; i < h.n; ++i) {
      const double t = static_cast<double>(i) / h.n, a = 2.0 * M_PI * h.turns * t;
      c.push_back({h.radius * std::cos(a) + 0.3, h.radius * std::sin(a) - 1.7, h.rise * std::sin(2.0 * M_PI * t)});
    }
  }
  std::vector<uint8_t> bytes;
  EncodeRecord(link, bytes);
  size_t at = 0, p = 1;
  const Link decoded = DecodeRecord(bytes.data(), at);
  EXPECT_EQ(at, bytes.size());
  ASSERT_EQ(decoded.size(), 3u);
  for (size_t c = 0; c < 3; ++c) {
    const size_t n = link[c].size();
    ASSERT_EQ(decoded[c].size(), n);
    int largest = 0;
    for (size_t i = p + 18; i < p + 15 + 3 * n; ++i)
      largest = std::max(largest, std::abs(int{static_cast<int8_t>(bytes[i])}));
    EXPECT_TRUE(largest == 126 || largest == 127) << largest;
    const double step = StepForScale(ComponentScale(bytes.data(), 0, static_cast<int>(c)));
    double worst = 0.0;
    for (size_t i = 0; i < n; ++i) {
      const Vec3 e = decoded[c][i] - link[c][i];
      worst = std::max({worst, std::fabs(e.x), std::fabs(e.y), std::fabs(e.z)});
    }
    EXPECT_LE(worst, 0.5 * step + 1e-5) << n;
    p += 3 * n + 15;
  }
}

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

const std::string kTables = TV_KNOT_TABLES;

Invariants FromPd(const std::string& pd, int components) { return ComputeInvariants(DiagramFromPd(ParsePd(pd), components)); }
Invariants Of(const Link& l) { return ComputeInvariants(DiagramFromLink(l)); }

TEST(Invariants, KnownValuesFromDiagramCodesAndSplitCircles) {
  // Alexander polynomial (empty: not checked), determinant and linking numbers.
  const struct { const char* pd; int components; std::vector<int64_t> alexander; int64_t determinant;
                 std::vector<int> linking; } cases[] = {{"-", 1, {1}, 1, {}},
               {"1,4,2,5 3,6,4,1 5,2,6,3", 1, {1, -1, 1}, 3, {}},
               {"4,2,5,1 8,6,1,5 6,3,7,4 2,7,3,8", 1, {1, -3, 1}, 5, {}},
               {"4,1,3,2 2,3,1,4", 2, {}, 2, {-1}},  // both crossings negative
               {"6,1,7,2 12,8,9,7 4,12,1,11 10,5,11,6 8,4,5,3 2,9,3,10", 3, {}, 16, {0, 0, 0}}};
  for (const auto& c : cases) {
    const Invariants i = FromPd(c.pd, c.components);
    EXPECT_TRUE(c.alexander.empty() || i.alexander == c.alexander) << c.pd;
    EXPECT_EQ(std::pair(i.determinant, i.linking), std::pair(c.determinant, c.linking)) << c.pd;
  }
  // Two squares overlapping in view but one above the other: a split link.
  Curve a = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, b = a;
  for (Vec3& p : b) p += Vec3(0.5, 0.5, 3.0);
  const Invariants s = Of({a, b});
  EXPECT_EQ(std::pair(s.determinant, s.linking), std::pair(int64_t{0}, std::vector<int>{0}));
}

// Independent readings of each table entry must agree: the closed braid, the diagram code, its
// planar lift (signed linking numbers included), the lift wrapped on the sphere by an orientation-
// keeping map, and that wrap's mirror image (same polynomial, every linking number flipped). This
// checks the tables, braid builder, lift, sphere map and projection reader against one another.
TEST(Invariants, BraidsLiftsMirrorsCodesAndSphereWrapsAgreeOverTheWholeTables) {
  std::vector<TableEntry> all = ReadLinkTable(kTables + "/links.tsv");
  for (const TableEntry& k : ReadKnotTable(kTables + "/knots.tsv")) {
    const Invariants pd = FromPd(k.pd, 1);
    EXPECT_EQ(CompareInvariants(pd, Of(ClosedBraid(k.braidStrands, ParseBraidWord(k.braidWord)))), "") << k.name;
    if (k.crossings > 0) all.push_back(k);
  }
  for (const TableEntry& t : all) {
    Invariants pd = FromPd(t.pd, t.components);
    Link l = LiftPd(ParsePd(t.pd));
    EXPECT_EQ(CompareInvariants(pd, Of(l)), "") << t.name;
    for (Curve& c : l) c = Subdivide(c, 0.25);
    Link wrapped = WrapOnSphere(l, 2.0);
    EXPECT_EQ(CompareInvariants(pd, Of(wrapped)), "") << t.name;
    for (Curve& c : wrapped)
      for (Vec3& p : c) p.z = -p.z;
    for (int& n : pd.linking) n = -n;
    EXPECT_EQ(CompareInvariants(pd, Of(wrapped)), "") << t.name << " mirrored";
  }
}

}  // namespace
}  // namespace tv::knotgen
