#include <gtest/gtest.h>

#include <cmath>
#include <type_traits>

#include "foundation/Random.h"
#include "knots/Knot.h"
#include "knots/TorusKnot.h"
#include "knots/Tube.h"
#include "support/CheckCapture.h"

namespace tv {
namespace {

// A knot scales by the box around all its components' points, tubes included; a knot with no
// size (no knot, an empty first component, all points in one place) stays as it is, never NaN.
TEST(Knot, ScaleToSizeUsesTheBoxAroundAllComponents) {
  const struct { std::vector<std::vector<Vec3>> components; double factor; } rows[] = {
      {{{{0, 0, 0}, {6, 8, 0}, {3, 0, 0}}}, 0.5},
      {{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{30, 40, 0}, {31, 40, 0}, {30, 41, 0}}},
       5.0 / Length(Vec3(31, 41, 0))},
      {{}, 1.0}, {{{}, {{1, 2, 3}, {4, 5, 6}}}, 1.0}, {{{{2, 2, 2}, {2, 2, 2}, {2, 2, 2}}}, 1.0}};
  for (const auto& row : rows) {
    Knot knot;
    for (const auto& points : row.components) knot.AddComponent(points);
    knot.BuildTubes(0.5, 6, 4);
    const Knot before = knot;
    EXPECT_DOUBLE_EQ(knot.ScaleToSize(5.0), row.factor);
    auto scaled = [&](std::vector<Vec3> points) {
      for (Vec3& p : points) p = row.factor * p;
      return points;
    };
    for (size_t c = 0; c < row.components.size(); ++c) {
      const KnotComponent &now = knot.components[c], &was = before.components[c];
      for (auto points : {&KnotComponent::curve, &KnotComponent::vertices, &KnotComponent::outerVertices})
        EXPECT_EQ(now.*points, scaled(was.*points));
      EXPECT_EQ(now.normals, was.normals);
    }
  }
}

// Seed 1 draws 41, 18467, 6334 and 26500 for p, q, v and u, as the description shows; over many
// draws every value stays in range, and limits without a range pin the values (no division by 0).
TEST(TorusKnot, RandomizeStaysInRangeDrawsInOrderAndDescribesItself) {
  SeedRandom(1);
  TorusKnot knot;
  knot.Randomize(kTorusPLimit, kTorusQLimit, kTorusULimit, kTorusVLimit);
  knot.Rebuild();
  std::vector<std::string> lines = {"old"};
  knot.Describe(lines);
  EXPECT_EQ(lines,
            (std::vector<std::string>{"(2.000000,8.000000) torus knot", "(12,11) u,v divisions", "264 polygons"}));
  const KnotComponent& c = knot.components[0];
  // The centre line lies on a torus of radii 1 and 0.5 (the meshes are pinned in the library data tests).
  for (const Vec3& p : c.curve) EXPECT_NEAR(std::hypot(std::hypot(p.x, p.y) - 1.0, p.z), 0.5, 1e-12);
  SeedRandom(12345);
  for (int i = 0; i < 5000; ++i) {
    knot.Randomize(kTorusPLimit, kTorusQLimit, kTorusULimit, kTorusVLimit);
    ASSERT_TRUE(knot.p >= 1 && knot.p <= 20 && knot.q >= 1 && knot.q <= 20);
    ASSERT_TRUE(c.uDivisions >= 8 && c.uDivisions <= 99 && c.vDivisions >= 5 && c.vDivisions <= 11);
  }
  knot.Randomize(1, 0, 8, 5);
  EXPECT_EQ(std::pair(knot.p, c.uDivisions), std::pair(1.0, 8));
}

void ExpectNear(const Vec3& a, const Vec3& b, double eps = 1e-12) {
  EXPECT_LT(Length(a - b), eps) << a.x << "," << a.y << "," << a.z << " vs " << b.x << "," << b.y << "," << b.z;
}

// A (2,3) torus-knot polygon: closed, non-planar, strongly curved.
std::vector<Vec3> TrefoilPolygon(int n) {
  std::vector<Vec3> points;
  for (int i = 0; i < n; ++i) {
    const double t = 2 * M_PI * i / n, r = 2 + std::cos(3 * t);
    points.emplace_back(r * std::cos(2 * t), r * std::sin(2 * t), std::sin(3 * t));
  }
  return points;
}

// The spline only refers to its points: it cannot be built from a temporary list.
static_assert(!std::is_constructible_v<ClosedBSpline, std::vector<Vec3>>);

// The closed spline of a square joins at the midpoint of the first edge: t = 1 (the last span, not
// past the end) meets t = 0 with the same slope. Tubes built on it are pinned with the library data.
TEST(Tube, ClosedSplineJoinsAtTheMidpointOfTheFirstEdge) {
  const std::vector<Vec3> square = {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}};
  Vec3 p0, d0, p1, d1;
  ClosedBSpline(square).Evaluate(0.0, p0, d0);
  ClosedBSpline(square).Evaluate(1.0, p1, d1);
  ExpectNear(p0, {0.5, 0.5, 0});
  ExpectNear(d0, {-4, 4, 0});
  ExpectNear(p1, p0);
  ExpectNear(d1, d0);
}

// The first frame: from (0, z, -y) when |z| > 0.9, else from (-y, x, 0); the rows sit on both
// sides of the bound and on both signs of z. A frame carried onto a tangent along its old v
// keeps its u, rather than normalising the vanishing v x tangent.
TEST(Tube, FramesStartByTheZ09RuleAndCarryThroughATurnOntoV) {
  const double s91 = std::sqrt(1 - 0.91 * 0.91), s89 = std::sqrt(1 - 0.89 * 0.89);
  const struct { Vec3 tangent, u, v; } rows[] = {
      {{0, 0, 1}, {0, 1, 0}, {-1, 0, 0}},         {{0, s91, -0.91}, {0, -0.91, -s91}, {-1, 0, 0}},
      {{0, s91, 0.91}, {0, 0.91, -s91}, {-1, 0, 0}}, {{0, s89, 0.89}, {-1, 0, 0}, {0, -0.89, s89}},
      {{0, 0.6, -0.8}, {-1, 0, 0}, {0, 0.8, 0.6}},   {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
  for (const auto& row : rows) {
    Vec3 u, v;
    MakeFrame(true, row.tangent, u, v);
    SCOPED_TRACE(row.tangent.z);
    ExpectNear(u, row.u);
    ExpectNear(v, row.v);
  }
  Vec3 u(1, 0, 0), v(0, 1, 0);
  MakeFrame(false, {0, 1, 0}, u, v);
  ExpectNear(u, {1, 0, 0});
}

// Curved, coarse, nearly straight, planar and cornered components: rings orthonormal, the outer grid
// 1% out, the same divisions everywhere, no jump at the seam and no twist in a plane.
TEST(Tube, LinkTubesAreOrthonormalAndSeamless) {
  test::CheckCapture capture;
  std::vector<Vec3> racetrack, saddle;  // straight runs between two tight turns; a twisting frame
  for (int i = 0; i <= 40; ++i) racetrack.emplace_back(i * 0.5, 0, 1e-7 * i);
  for (int i = 40; i >= 0; --i) racetrack.emplace_back(i * 0.5, 1.0, -1e-7 * i);
  for (int i = 0; i < 40; ++i)
    saddle.emplace_back(2 * std::cos(M_PI * i / 20), 2 * std::sin(M_PI * i / 20), 1.2 * std::sin(M_PI * i / 10));
  Knot link;
  for (const auto& curve : {TrefoilPolygon(48), TrefoilPolygon(7), racetrack, saddle}) link.AddComponent(curve);
  link.AddComponent({{2, 0, 0}, {1, 1.5, 0}, {-1, 2, 0}, {-2, 0, 0}, {-1, -1, 0}, {1, -1.5, 0}});
  // Repeated consecutive points make the derivative vanish where a ring lands: with 6 points and
  // U = 729, ring 121 sits at t = (121 + 0.5) / 729 = 1/6, exactly the corner P1 = P2.
  link.AddComponent({{1, 0, 0}, {0, 1, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0.5}, {0.8, -0.6, 0.2}});
  const int U = 729, V = 7;
  Vec3 point, derivative;
  ClosedBSpline(link.components[5].curve).Evaluate(121.5 / U, point, derivative);
  ASSERT_LT(derivative.Length(), 1e-9);
  link.BuildTubes(0.3, U, V);
  for (const KnotComponent& c : link.components) {
    ASSERT_EQ(std::tuple(c.uDivisions, c.vDivisions, c.outerVertices.size()), std::tuple(U, V, size_t(U * V)));
    double largestStep = 0, seamStep = 0;
    for (int v = 0; v < V; ++v) {
      for (int u = 0; u < U; ++u) {
        EXPECT_NEAR(c.Normal(u, v).Length(), 1.0, 1e-12);
        EXPECT_NEAR(Length(c.Vertex(u, v, true) - c.Vertex(u, v, false)), 0.003, 1e-12);
        double& step = u + 1 < U ? largestStep : seamStep;
        step = std::max(step, Length(c.Vertex((u + 1) % U, v, false) - c.Vertex(u, v, false)));
      }
      EXPECT_GT(Dot(c.Normal(0, v), c.Normal(U - 1, v)), 0.95);
    }
    EXPECT_LT(seamStep, 1.05 * largestStep);
  }
  // Position 0 of every ring lies along u, which stays in the plane of a planar curve.
  for (int u = 0; u < U; ++u) EXPECT_NEAR(link.components[4].Normal(u, 0).z, 0.0, 1e-9) << u;
  EXPECT_TRUE(capture.failures().empty());
}

TEST(Tube, DegenerateInputsGiveEmptyMeshes) {
  test::CheckCapture capture;
  const Vec3 p(1, 2, 3), q(4, 5, 6);
  // No rings, too few points for a closed tube, or no tangent anywhere: an empty mesh.
  const std::pair<std::vector<Vec3>, int> empty[] = {
      {{{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}}, 0}, {{}, 20}, {{p}, 20}, {{p, q}, 20}, {{p, p, p, p, p}, 20}};
  KnotComponent c;
  for (const auto& [curve, rings] : empty) {
    c.curve = curve;
    c.BuildTube(0.5, rings, 6);
    EXPECT_EQ(c.uDivisions, 0) << curve.size();
    EXPECT_TRUE(c.vertices.empty() && c.normals.empty() && c.colors.empty());
  }
  EXPECT_TRUE(capture.failures().empty());  // and no frame check fires
}

}  // namespace
}  // namespace tv
