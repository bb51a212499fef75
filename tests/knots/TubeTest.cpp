#include <gtest/gtest.h>

#include <cmath>

#include "knots/Knot.h"
#include "knots/Tube.h"
#include "support/CheckCapture.h"

namespace tv {
namespace {

void ExpectNear(const Vec3& a, const Vec3& b, double eps = 1e-12) {
  EXPECT_NEAR(a.x, b.x, eps);
  EXPECT_NEAR(a.y, b.y, eps);
  EXPECT_NEAR(a.z, b.z, eps);
}

Vec3 RingCentre(const KnotComponent& c, int u) {
  Vec3 sum(0, 0, 0);
  for (int v = 0; v < c.vDivisions; ++v) sum += c.Vertex(u, v, false);
  return (1.0 / c.vDivisions) * sum;
}

// A (2,3) torus-knot polygon: closed, non-planar, strongly curved.
std::vector<Vec3> TrefoilPolygon(int n) {
  std::vector<Vec3> points;
  for (int i = 0; i < n; ++i) {
    const double t = 2 * M_PI * i / n;
    points.emplace_back((2 + std::cos(3 * t)) * std::cos(2 * t),
                        (2 + std::cos(3 * t)) * std::sin(2 * t), std::sin(3 * t));
  }
  return points;
}

TEST(BSpline, ClosedQuadraticJoinsAtMidpointOfFirstEdge) {
  const std::vector<Vec3> square = {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}};
  const ClosedBSpline spline(square);
  Vec3 p0, d0, p1, d1;
  spline.Evaluate(0.0, p0, d0);
  spline.Evaluate(1.0, p1, d1);
  ExpectNear(p0, {0.5, 0.5, 0});
  ExpectNear(p1, p0);
  ExpectNear(d1, d0);
  // Derivative matches a central difference in the middle of a span.
  Vec3 a, b, d, unused;
  spline.Evaluate(0.3 - 1e-6, a, unused);
  spline.Evaluate(0.3 + 1e-6, b, unused);
  spline.Evaluate(0.3, unused, d);
  ExpectNear((1.0 / 2e-6) * (b - a), d, 1e-6);
}

TEST(Tube, SmallSquareExample) {
  KnotComponent c;
  c.curve = {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}};
  c.BuildTube(0.5, 4, 4);
  ASSERT_EQ(c.vertices.size(), 16u);
  ASSERT_EQ(c.colors.size(), 16u);
  ExpectNear(RingCentre(c, 0), {0, 0.75, 0});
  ExpectNear(RingCentre(c, 1), {-0.75, 0, 0});
  ExpectNear(RingCentre(c, 2), {0, -0.75, 0});
  ExpectNear(RingCentre(c, 3), {0.75, 0, 0});
  ExpectNear(c.Vertex(0, 0, false), {0, 0.25, 0});
  ExpectNear(c.Vertex(0, 1, false), {0, 0.75, 0.5});
  ExpectNear(c.Vertex(0, 2, false), {0, 1.25, 0});
  ExpectNear(c.Vertex(0, 3, false), {0, 0.75, -0.5});
  ExpectNear(c.Normal(0, 0), {0, -1, 0});
  ExpectNear(c.Normal(0, 1), {0, 0, 1});
  ExpectNear(c.Normal(0, 2), {0, 1, 0});
  ExpectNear(c.Normal(0, 3), {0, 0, -1});
  for (int v = 0; v < 4; ++v) {
    EXPECT_NEAR(Length(c.Vertex(0, v, true) - Vec3(0, 0.75, 0)), 0.505, 1e-12);
  }
  for (const Rgba& color : c.colors) EXPECT_EQ(color, Rgba(0.3, 0.8, 0.5, 1.0));
}

TEST(Tube, StartFrameNearZAxis) {
  Vec3 u, v;
  MakeFrame(true, {0, 0, 1}, u, v);
  ExpectNear(u, {0, 1, 0});
  ExpectNear(v, {-1, 0, 0});
}

TEST(Tube, FramesStayOrthonormalOnCurvedAndNearlyStraightCurves) {
  test::CheckCapture capture;
  std::vector<std::vector<Vec3>> curves = {TrefoilPolygon(60), TrefoilPolygon(7)};
  // A long, nearly straight racetrack: straight runs between two tight turns.
  std::vector<Vec3> racetrack;
  for (int i = 0; i <= 40; ++i) racetrack.emplace_back(i * 0.5, 0, 1e-7 * i);
  for (int i = 40; i >= 0; --i) racetrack.emplace_back(i * 0.5, 1.0, -1e-7 * i);
  curves.push_back(racetrack);
  for (const auto& curve : curves) {
    KnotComponent c;
    c.curve = curve;
    c.BuildTube(0.3, static_cast<int>(curve.size()) * 3, 7);
    ASSERT_EQ(c.vertices.size(), curve.size() * 3 * 7);
    for (size_t k = 0; k < c.vertices.size(); ++k) {
      EXPECT_NEAR(c.normals[k].Length(), 1.0, 1e-12);
      EXPECT_NEAR(Length(c.outerVertices[k] - c.vertices[k]), 0.003, 1e-12);
    }
  }
  EXPECT_TRUE(capture.failures().empty());
}

// Largest distance between position j of one ring and position j of the next, over the whole
// tube, compared with the same step across the seam.
TEST(Tube, NonPlanarSeamShowsNoJump) {
  KnotComponent c;
  c.curve = TrefoilPolygon(48);
  const int U = 480, V = 12;
  c.BuildTube(0.25, U, V);
  double largestStep = 0;
  for (int u = 0; u + 1 < U; ++u) {
    for (int v = 0; v < V; ++v) {
      largestStep = std::max(largestStep, Length(c.Vertex(u + 1, v, false) - c.Vertex(u, v, false)));
    }
  }
  double seamStep = 0;
  for (int v = 0; v < V; ++v) {
    seamStep = std::max(seamStep, Length(c.Vertex(0, v, false) - c.Vertex(U - 1, v, false)));
  }
  EXPECT_LT(seamStep, 1.05 * largestStep);
  // Without the twist correction this curve would need a visible turn at the seam; with it the
  // seam step matches the ordinary ring step (checked above). The normals also line up.
  for (int v = 0; v < V; ++v) EXPECT_GT(Dot(c.Normal(0, v), c.Normal(U - 1, v)), 0.95);
}

TEST(Tube, PlanarCurveHasNoTwist) {
  KnotComponent c;
  c.curve = {{2, 0, 0}, {1, 1.5, 0}, {-1, 2, 0}, {-2, 0, 0}, {-1, -1, 0}, {1, -1.5, 0}};
  c.BuildTube(0.1, 30, 5);
  // Position 1 sits a quarter turn along from u, towards v = (0, 0, +-1) for a planar curve.
  for (int u = 0; u < 30; ++u) EXPECT_NEAR(std::fabs(c.Normal(u, 0).z), 0.0, 1e-9) << u;
}

TEST(Tube, DegenerateInputsGiveUsableMeshes) {
  test::CheckCapture capture;
  KnotComponent c;
  c.curve = {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}};
  c.BuildTube(0.5, 0, 6);
  EXPECT_EQ(c.uDivisions, 0);
  EXPECT_TRUE(c.vertices.empty() && c.normals.empty() && c.colors.empty());

  // Too few points for a closed tube: an empty mesh, never a frame check.
  for (size_t n : {0u, 1u, 2u}) {
    c.curve.assign(n, Vec3(1, 2, 3));
    if (n == 2) c.curve[1] = Vec3(4, 5, 6);
    c.BuildTube(0.5, 20, 6);
    EXPECT_EQ(c.uDivisions, 0) << n;
    EXPECT_TRUE(c.vertices.empty());
  }
  // All points equal: no tangent anywhere.
  c.curve.assign(5, Vec3(1, 1, 1));
  c.BuildTube(0.5, 20, 6);
  EXPECT_EQ(c.uDivisions, 0);

  // Repeated consecutive points make the derivative vanish where a sample lands: with 6 points
  // and U = 9, ring 1 sits at t = 1/6, exactly the corner P1 = P2.
  c.curve = {{1, 0, 0}, {0, 1, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0.5}, {0.8, -0.6, 0.2}};
  Vec3 point, derivative;
  ClosedBSpline(c.curve).Evaluate(1.0 / 9 + 0.5 / 9, point, derivative);
  ASSERT_LT(derivative.Length(), 1e-9);
  c.BuildTube(0.5, 9, 6);
  ASSERT_EQ(c.vertices.size(), 54u);
  for (const Vec3& n : c.normals) EXPECT_NEAR(n.Length(), 1.0, 1e-12);
  for (const Vec3& p : c.vertices) EXPECT_TRUE(std::isfinite(p.x + p.y + p.z));
  EXPECT_TRUE(capture.failures().empty());
}

TEST(Tube, BuildTubesGivesEveryComponentSameDivisions) {
  Knot link;
  link.AddComponent(TrefoilPolygon(20));
  link.AddComponent({{5, 0, 0}, {6, 1, 0}, {5, 2, 1}, {4, 1, 0}});
  link.BuildTubes(0.2, 33, 5);
  for (const KnotComponent& c : link.components) {
    EXPECT_EQ(c.uDivisions, 33);
    EXPECT_EQ(c.vDivisions, 5);
    EXPECT_EQ(c.outerVertices.size(), 165u);
  }
}

}  // namespace
}  // namespace tv
