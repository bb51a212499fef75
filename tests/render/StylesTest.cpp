#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "Grid.h"
#include "render/Render.h"
#include "support/CheckCapture.h"
#include "support/GlRecorder.h"

namespace tv {
namespace {

using test::FlatGrid;
using test::GlRecorder;
using test::Plain;

Knot OneCellKnot(int components = 1) {
  Knot k;
  for (int i = 0; i < components; ++i) k.components.push_back(FlatGrid(2, 2, 0.5));
  return k;
}

// The polygon mode and shade model in force at each Begin, from the fixed start state on.
std::vector<std::pair<std::string, std::string>> StatesAtBegins(const GlRecorder& rec) {
  unsigned mode = GL_FILL, shade = GL_SMOOTH;
  std::vector<std::pair<std::string, std::string>> out;
  for (const test::GlCall& c : rec.Calls()) {
    if (c.Is("PolygonMode")) mode = unsigned(c[1]);
    if (c.Is("ShadeModel")) shade = unsigned(c[0]);
    if (c.Is("Begin")) out.emplace_back(test::EnumName(mode), test::EnumName(shade));
  }
  return out;
}

TEST(StyleState, EachStyleSetsOnlyItsOwnState) {
  const std::vector<std::vector<std::string>> expected = {
      {"PolygonMode(GL_FRONT_AND_BACK, GL_LINE)"},                                   // Wire
      {},                                                                            // Point
      {"ShadeModel(GL_FLAT)"},                                                       // Triangle
      {"PolygonMode(GL_FRONT_AND_BACK, GL_FILL)", "ShadeModel(GL_SMOOTH)"},          // Quad
      {"PolygonMode(GL_FRONT_AND_BACK, GL_FILL)", "ShadeModel(GL_SMOOTH)"},          // HalfU
      {"PolygonMode(GL_FRONT_AND_BACK, GL_FILL)", "ShadeModel(GL_SMOOTH)"},          // HalfV
      {"PolygonMode(GL_FRONT_AND_BACK, GL_FILL)", "ShadeModel(GL_SMOOTH)"},          // Smooth
      {"PolygonMode(GL_FRONT_AND_BACK, GL_FILL)", "ShadeModel(GL_SMOOTH)"},          // Blended
  };
  const Knot knot = OneCellKnot();
  for (int style = 0; style < kRenderStyleCount; ++style) {
    GlRecorder rec;
    RenderParams p = Plain(style);
    p.blendFrom = Quad;  // a Blended knot's GL state ignores its sub-styles
    p.blendTo = Triangle;
    DrawKnot(knot, 0, p);
    std::vector<std::string> before;
    for (const test::GlCall& c : rec.Calls()) {
      if (c.Is("GetDoublev") || c.Is("Begin")) break;
      before.push_back(test::Format(c));
    }
    EXPECT_EQ(before, expected[style]) << kRenderStyleLabels[style];
    EXPECT_EQ(rec.Only({"Begin"})[0][0], style == Point ? GL_POINTS : GL_TRIANGLES);
  }
}

TEST(StyleState, UnsetStateCarriesOverFromThePreviousKnot) {
  GlRecorder rec;
  const Knot knot = OneCellKnot();
  for (int32_t style : {Wire, Triangle, Point, Smooth, Triangle, Point, Wire, Blended})
    DrawKnot(knot, 0, Plain(style));
  using S = std::pair<std::string, std::string>;
  EXPECT_EQ(StatesAtBegins(rec), (std::vector<S>{
                                     {"GL_LINE", "GL_SMOOTH"},  // Wire
                                     {"GL_LINE", "GL_FLAT"},    // Triangle after Wire: outlines
                                     {"GL_LINE", "GL_FLAT"},    // Point: what was left
                                     {"GL_FILL", "GL_SMOOTH"},  // Smooth
                                     {"GL_FILL", "GL_FLAT"},    // Triangle after Smooth: filled
                                     {"GL_FILL", "GL_FLAT"},    // Point
                                     {"GL_LINE", "GL_FLAT"},    // Wire after Triangle: flat
                                     {"GL_FILL", "GL_SMOOTH"},  // Blended
                                 }));
}

TEST(StyleState, OverlayWalksTheSurfaceGridInLinesThenTheOuterGridFilled) {
  // Placed beyond the z plane alone at t = 0: every surface corner is translucent.
  Knot knot;
  for (int i = 0; i < 2; ++i)
    knot.components.push_back(
        test::MakeGrid(2, 2, [](int u, int v) { return Vec3(u, -5 + 0.05 * v, 0); }, 0.5));
  GlRecorder rec;
  ClearTranslucent();
  RenderParams p = Plain(Smooth);
  p.translucent = 1;
  p.wireOverlay = 1;
  DrawKnot(knot, 0, p);
  const std::vector<std::string> seq = rec.Formatted({"Normal3d", "Color4d", "Vertex3d"});
  const std::vector<std::string> component = {
      "PolygonMode(GL_FRONT_AND_BACK, GL_LINE)", "GetDoublev(GL_MODELVIEW_MATRIX)",
      "Begin(GL_TRIANGLES)", "End()", "PolygonMode(GL_FRONT_AND_BACK, GL_FILL)",
      "GetDoublev(GL_MODELVIEW_MATRIX)", "Begin(GL_TRIANGLES)", "End()"};
  std::vector<std::string> expected = {"PolygonMode(GL_FRONT_AND_BACK, GL_FILL)",
                                       "ShadeModel(GL_SMOOTH)"};
  for (int i = 0; i < 2; ++i) expected.insert(expected.end(), component.begin(), component.end());
  EXPECT_EQ(seq, expected);

  const std::vector<test::RecordedBlock> blocks = test::Blocks(rec.Calls());
  ASSERT_EQ(blocks.size(), 4u);
  // Overlay: the inner grid, opaque, drawn at once.
  ASSERT_EQ(blocks[0].vertices.size(), 4u * 6u);
  for (const test::RecordedVertex& v : blocks[0].vertices) {
    EXPECT_EQ(v.colour[3], 1.0);
    EXPECT_EQ(v.position.x, std::round(v.position.x));
  }
  // Surface: the outer grid, all of it deferred.
  EXPECT_TRUE(blocks[1].vertices.empty());
  ASSERT_EQ(TranslucentCells().size(), 8u);
  EXPECT_EQ(TranslucentCells()[0].corners[0], knot.components[0].Vertex(0, 0, true));
  ClearTranslucent();
}

TEST(StyleState, WireOverlayAloneDrawsNoOverlay) {
  GlRecorder rec;
  RenderParams p = Plain(Quad);
  p.wireOverlay = 1;
  DrawKnot(OneCellKnot(2), 0, p);
  EXPECT_EQ(rec.Count("Begin"), 2u);
  EXPECT_EQ(rec.Count("PolygonMode"), 1u);
  EXPECT_EQ(test::Blocks(rec.Calls())[0].vertices[0].position.x, 0.5);  // the outer grid
}

TEST(StyleState, UnknownStyleIsReportedAndDrawnWithMeshNormals) {
  test::CheckCapture capture;
  GlRecorder rec;
  const Knot knot = OneCellKnot();
  DrawKnot(knot, 0, Plain(8));
  ASSERT_EQ(capture.failures().size(), 1u + 4u);  // the state once, the normals per cell
  EXPECT_EQ(capture.failures()[0].expression, "Unknown type!");
  EXPECT_EQ(capture.failures()[1].expression, "Unknown render type");
  EXPECT_EQ(capture.failures()[0].module, Module::Render);
  EXPECT_EQ(rec.Count("PolygonMode") + rec.Count("ShadeModel"), 0u);
  EXPECT_EQ(rec.Only({"Begin"})[0][0], GL_TRIANGLES);
  const test::RecordedVertex first = test::Blocks(rec.Calls()).at(0).vertices.at(0);
  EXPECT_EQ(first.normal, knot.components[0].Normal(0, 0));
}

// --- StyleNormals -----------------------------------------------------------------------------

struct Cell {
  Vec3 corners[4] = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0.5}, {1, 0, 0.5}};
  Vec3 normals[6];
  Cell() {
    const Vec3 n[4] = {Normalized({0, -1, 1}), Normalized({0, 1, 1}), Normalized({1, 1, 1}),
                       Normalized({1, -1, 1})};
    for (int k = 0; k < 6; ++k) normals[k] = n[kEmitCorner[k]];
  }
};

void ExpectSame(const Vec3& a, const Vec3& b, double tolerance = 0.0) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
}

TEST(StyleNormals, MeshNormalStylesLeaveTheSlots) {
  for (int32_t style : {Wire, Point, Triangle, Smooth}) {
    Cell cell, before;
    StyleNormals(cell.corners, cell.normals, style, Quad, Quad, 1.0);
    for (int k = 0; k < 6; ++k) EXPECT_EQ(cell.normals[k], before.normals[k]);
  }
}

TEST(StyleNormals, QuadGivesOneFacetNormalAndZeroForADegenerateCell) {
  Cell cell;
  StyleNormals(cell.corners, cell.normals, Quad, 0, 0, 0.0);
  const Vec3 m = Normalized(Cross(cell.corners[1] - cell.corners[0], cell.corners[2] - cell.corners[0]));
  for (const Vec3& n : cell.normals) EXPECT_EQ(n, m);

  Cell collinear;
  collinear.corners[1] = {1, 1, 1};
  collinear.corners[2] = {2, 2, 2};
  StyleNormals(collinear.corners, collinear.normals, Quad, 0, 0, 0.0);
  for (const Vec3& n : collinear.normals) EXPECT_EQ(n, Vec3(0, 0, 0));

  Cell coincident;
  coincident.corners[1] = coincident.corners[0];
  StyleNormals(coincident.corners, coincident.normals, Quad, 0, 0, 0.0);
  for (const Vec3& n : coincident.normals) EXPECT_EQ(n, Vec3(0, 0, 0));
}

TEST(StyleNormals, HalfUSharesOneNormalPerRingEdge) {
  Cell cell, entry;
  StyleNormals(cell.corners, cell.normals, HalfU, 0, 0, 0.0);
  const Vec3 ringU = Normalized(entry.normals[0] + entry.normals[1]);
  const Vec3 ringU1 = Normalized(entry.normals[3] + entry.normals[4]);
  // c0 and c1 lie on ring u (slots 0, 1, 5), c2 and c3 on ring u + 1 (slots 2, 3, 4).
  for (int k : {0, 1, 5}) EXPECT_EQ(cell.normals[k], ringU);
  for (int k : {2, 3, 4}) EXPECT_EQ(cell.normals[k], ringU1);
  EXPECT_NE(ringU, ringU1);
}

TEST(StyleNormals, HalfVSharesOneNormalPerEdgeAlongTheTube) {
  Cell cell, entry;
  StyleNormals(cell.corners, cell.normals, HalfV, 0, 0, 0.0);
  const Vec3 columnV1 = Normalized(entry.normals[1] + entry.normals[2]);
  const Vec3 columnV = Normalized(entry.normals[4] + entry.normals[5]);
  // c1 and c2 lie on column v + 1 (slots 1, 2, 3), c3 and c0 on column v (slots 0, 4, 5).
  for (int k : {1, 2, 3}) EXPECT_EQ(cell.normals[k], columnV1);
  for (int k : {0, 4, 5}) EXPECT_EQ(cell.normals[k], columnV);
}

TEST(StyleNormals, BlendedSwingsBetweenItsSubStyles) {
  Cell quad, halfU;
  StyleNormals(quad.corners, quad.normals, Quad, 0, 0, 0.0);
  StyleNormals(halfU.corners, halfU.normals, HalfU, 0, 0, 0.0);

  Cell low;  // sin(3t) = -1: the `from` normals alone
  StyleNormals(low.corners, low.normals, Blended, Quad, HalfU, M_PI / 2);
  for (int k = 0; k < 6; ++k) ExpectSame(low.normals[k], quad.normals[k], 1e-12);

  Cell high;  // sin(3t) = 1: the `to` normals alone
  StyleNormals(high.corners, high.normals, Blended, Quad, HalfU, M_PI / 6);
  for (int k = 0; k < 6; ++k) ExpectSame(high.normals[k], halfU.normals[k], 1e-12);

  Cell zero;  // t = 0: even mix of the two
  StyleNormals(zero.corners, zero.normals, Blended, Quad, HalfU, 0.0);
  for (int k = 0; k < 6; ++k)
    EXPECT_EQ(zero.normals[k], Normalized(0.5 * quad.normals[k] + 0.5 * halfU.normals[k]));

  Cell same, mesh;  // equal sub-styles: their normals, normalised
  StyleNormals(same.corners, same.normals, Blended, Smooth, Smooth, 0.7);
  for (int k = 0; k < 6; ++k) ExpectSame(same.normals[k], Normalized(mesh.normals[k]), 1e-15);
}

}  // namespace
}  // namespace tv
