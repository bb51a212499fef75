#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "Grid.h"
#include "render/Render.h"
#include "support/CheckCapture.h"
#include "support/GlRecorder.h"

namespace tv {
namespace {

using test::GlRecorder;
using test::Plain;
using Strings = std::vector<std::string>;

Knot Cells(int components = 1, double outerShift = 0.5) {
  Knot k;
  for (int i = 0; i < components; ++i) k.components.push_back(test::FlatGrid(2, 2, outerShift));
  return k;
}

// Each style sets only the state it needs; the rest carries over from the previous knot. The
// sequence passes through every style after both line and flat state.
TEST(StyleState, EachStyleSetsOnlyItsOwnStateAndTheRestCarriesOver) {
  GlRecorder rec;
  const int32_t sequence[] = {Wire, Triangle, Point, Smooth, Triangle, Point, Wire, Blended,
                              Wire, Triangle, Quad, Wire, Triangle, HalfU, Wire, Triangle, HalfV};
  for (int32_t style : sequence) {
    RenderParams p = Plain(style);
    p.blendFrom = Triangle;  // a Blended knot's GL state ignores its sub-styles
    p.blendTo = Wire;
    DrawKnot(Cells(), 0, p);
  }
  unsigned mode = GL_FILL, shade = GL_SMOOTH;  // the fixed start state
  Strings atBegins;
  for (const test::GlCall& c : rec.Calls()) {
    if (c.Is("PolygonMode")) mode = unsigned(c[1]);
    if (c.Is("ShadeModel")) shade = unsigned(c[0]);
    if (c.Is("Begin")) atBegins.push_back(test::Format(c) + " " + test::EnumName(mode) + " " + test::EnumName(shade));
  }
  const std::string filled = "Begin(GL_TRIANGLES) GL_FILL GL_SMOOTH", wire = "Begin(GL_TRIANGLES) GL_LINE GL_SMOOTH",
                    outlines = "Begin(GL_TRIANGLES) GL_LINE GL_FLAT";
  EXPECT_EQ(atBegins, (Strings{wire,                            // Wire
                               outlines,                        // Triangle after Wire: outlines
                               "Begin(GL_POINTS) GL_LINE GL_FLAT",     // Point: what was left
                               filled,                          // Smooth
                               "Begin(GL_TRIANGLES) GL_FILL GL_FLAT",  // Triangle after Smooth: filled
                               "Begin(GL_POINTS) GL_FILL GL_FLAT",     // Point
                               outlines,                        // Wire after Triangle: flat
                               filled,                          // Blended
                               wire, outlines, filled, wire, outlines, filled, wire, outlines, filled}));
}

TEST(StyleState, OverlayWalksTheSurfaceGridInLinesThenTheOuterGridFilledOnlyWhenTranslucent) {
  // Placed beyond the z plane alone at t = 0: every surface corner is translucent.
  Knot knot;
  for (int i = 0; i < 2; ++i)
    knot.components.push_back(test::MakeGrid(2, 2, [](int u, int v) { return Vec3(u, -5 + 0.05 * v, 0); }, 0.5));
  GlRecorder rec;
  ClearTranslucent();
  RenderParams p = Plain(Smooth);
  p.translucent = p.wireOverlay = 1;
  DrawKnot(knot, 0, p);
  const Strings component = {"PolygonMode(GL_FRONT_AND_BACK, GL_LINE)", "GetDoublev(GL_MODELVIEW_MATRIX)",
                             "Begin(GL_TRIANGLES)", "End()", "PolygonMode(GL_FRONT_AND_BACK, GL_FILL)",
                             "GetDoublev(GL_MODELVIEW_MATRIX)", "Begin(GL_TRIANGLES)", "End()"};
  Strings expected = {"PolygonMode(GL_FRONT_AND_BACK, GL_FILL)", "ShadeModel(GL_SMOOTH)"};
  for (int i = 0; i < 2; ++i) expected.insert(expected.end(), component.begin(), component.end());
  EXPECT_EQ(rec.Formatted({"Normal3d", "Color4d", "Vertex3d"}), expected);
  const std::vector<test::RecordedBlock> blocks = test::Blocks(rec.Calls());
  ASSERT_EQ(blocks.size(), 4u);
  // Overlay: the inner grid, opaque, drawn at once. Surface: the outer grid, all of it deferred.
  ASSERT_EQ(blocks[0].vertices.size(), 4u * 6u);
  for (const test::RecordedVertex& v : blocks[0].vertices) {
    EXPECT_EQ(v.colour[3], 1.0);
    EXPECT_EQ(v.position.x, std::round(v.position.x));
  }
  EXPECT_TRUE(blocks[1].vertices.empty());
  ASSERT_EQ(TranslucentCells().size(), 8u);
  EXPECT_EQ(TranslucentCells()[0].corners[0], knot.components[0].Vertex(0, 0, true));
  ClearTranslucent();

  // The overlay flag alone draws no overlay: the outer grid only, once per component.
  rec.Clear();
  p = Plain(Quad);
  p.wireOverlay = 1;
  DrawKnot(Cells(2), 0, p);
  EXPECT_EQ(rec.Count("Begin"), 2u);
  EXPECT_EQ(rec.Count("PolygonMode"), 1u);
  EXPECT_EQ(test::Blocks(rec.Calls())[0].vertices[0].position.x, 0.5);
}

TEST(StyleState, UnknownStyleIsReportedAndDrawnWithMeshNormals) {
  test::CheckCapture capture;
  GlRecorder rec;
  const Knot knot = Cells();
  DrawKnot(knot, 0, Plain(8));
  ASSERT_EQ(capture.failures().size(), 1u + 4u);  // the state once, the normals per cell
  EXPECT_EQ(capture.failures()[0].expression, "Unknown type!");
  EXPECT_EQ(capture.failures()[1].expression, "Unknown render type");
  EXPECT_EQ(capture.failures()[0].module, Module::Render);
  EXPECT_EQ(rec.Count("PolygonMode") + rec.Count("ShadeModel"), 0u);
  EXPECT_EQ(rec.Only({"Begin"})[0][0], GL_TRIANGLES);
  EXPECT_EQ(test::Blocks(rec.Calls()).at(0).vertices.at(0).normal, knot.components[0].Normal(0, 0));
}

// --- StyleNormals -----------------------------------------------------------------------------

// A non-planar cell whose six slot normals all differ from one another.
struct Cell {
  Vec3 corners[4] = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0.5}, {1, 0, 0.5}};
  Vec3 normals[6];
  explicit Cell(int32_t style = Smooth, int32_t from = Quad, int32_t to = Quad, double t = 0.0) {
    for (int k = 0; k < 6; ++k) normals[k] = Normalized(Vec3(0.1 * k, k % 2 ? 1 : -1, 1));
    StyleNormals(corners, normals, style, from, to, t);
  }
};

void ExpectSame(const Vec3& a, const Vec3& b, double tolerance) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
}

TEST(StyleNormals, EachStyleSharesItsNormalsAsItsEdgesAsk) {
  const Cell mesh;
  auto sum = [&](int a, int b) { return Normalized(mesh.normals[a] + mesh.normals[b]); };
  const Vec3 facet = Normalized(Cross(mesh.corners[1] - mesh.corners[0], mesh.corners[2] - mesh.corners[0]));
  // HalfU: c0, c1 on ring u (slots 0, 1, 5), c2, c3 on ring u + 1 (slots 2, 3, 4).
  // HalfV: c1, c2 on column v + 1 (slots 1, 2, 3), c3, c0 on column v (slots 0, 4, 5).
  const struct {
    int32_t style;
    std::vector<Vec3> slots;
  } cases[] = {
      {Wire, {mesh.normals, mesh.normals + 6}}, {Point, {mesh.normals, mesh.normals + 6}},
      {Triangle, {mesh.normals, mesh.normals + 6}}, {Quad, std::vector<Vec3>(6, facet)},
      {HalfU, {sum(0, 1), sum(0, 1), sum(3, 4), sum(3, 4), sum(3, 4), sum(0, 1)}},
      {HalfV, {sum(4, 5), sum(1, 2), sum(1, 2), sum(1, 2), sum(4, 5), sum(4, 5)}},
  };
  for (const auto& c : cases) {
    const Cell cell(c.style);
    for (int k = 0; k < 6; ++k) EXPECT_EQ(cell.normals[k], c.slots[k]) << kRenderStyleLabels[c.style] << " slot " << k;
  }
  // A degenerate cell (collinear or coincident corners) keeps the zero vector under Quad.
  for (int collinear = 0; collinear < 2; ++collinear) {
    Cell cell;
    cell.corners[1] = collinear ? Vec3(1, 1, 1) : cell.corners[0];
    cell.corners[2] = collinear ? Vec3(2, 2, 2) : cell.corners[2];
    StyleNormals(cell.corners, cell.normals, Quad, 0, 0, 0.0);
    for (const Vec3& n : cell.normals) EXPECT_EQ(n, Vec3(0, 0, 0));
  }
}

TEST(StyleNormals, BlendedSwingsBetweenItsSubStyles) {
  const Cell quad(Quad), halfU(HalfU), mesh;
  const Cell low(Blended, Quad, HalfU, M_PI / 2);   // sin(3t) = -1: the `from` normals alone
  const Cell high(Blended, Quad, HalfU, M_PI / 6);  // sin(3t) = 1: the `to` normals alone
  const Cell even(Blended, Quad, HalfU, 0.0);       // t = 0: even mix of the two
  const Cell same(Blended, Smooth, Smooth, 0.7);    // equal sub-styles: their normals, normalised
  for (int k = 0; k < 6; ++k) {
    ExpectSame(low.normals[k], quad.normals[k], 1e-12);
    ExpectSame(high.normals[k], halfU.normals[k], 1e-12);
    EXPECT_EQ(even.normals[k], Normalized(0.5 * quad.normals[k] + 0.5 * halfU.normals[k]));
    ExpectSame(same.normals[k], Normalized(mesh.normals[k]), 1e-15);
  }
}

}  // namespace
}  // namespace tv
