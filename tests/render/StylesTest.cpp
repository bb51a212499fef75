#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "Grid.h"
#include "render/Render.h"
#include "support/CheckCapture.h"
#include "support/GlRecorder.h"

namespace tv {
namespace {

using namespace test;
using Strings = std::vector<std::string>;

// Components of 2 x 2 cells, opaque at t = 0 even when translucent; the outer grid sits half a
// unit along x, so the first vertex of a block tells which grid it walked.
Knot Cells(int components = 1) {
  Knot k;
  for (int i = 0; i < components; ++i) k.components.push_back(FlatGrid(2, 2, 0.5));
  return k;
}

// Each style sets only the state it needs; the rest carries over from the previous knot. The
// sequence passes through every style after both line and flat state; an unknown style (8) is
// reported and drawn in the state it finds, with the mesh's normals.
TEST(StyleState, EachStyleSetsOnlyItsOwnStateAndTheRestCarriesOver) {
  CheckCapture capture;
  GlRecorder rec;
  const int32_t sequence[] = {Wire, Triangle, Point, Smooth, Triangle, Point, Wire, Blended, Wire,
                              Triangle, Quad, Wire, Triangle, HalfU, Wire, Triangle, HalfV, Wire, Triangle, 8};
  for (int32_t style : sequence)  // a Blended knot's GL state ignores its sub-styles
    DrawKnot(Cells(), 0, {.style = style, .blendFrom = Triangle, .blendTo = Wire, .sColored = 0, .wobbles = 0});
  unsigned mode = GL_FILL, shade = GL_SMOOTH;  // the fixed start state
  Strings atBegins;
  for (const GlCall& c : rec.Calls()) {
    if (c.Is("PolygonMode")) mode = unsigned(c[1]);
    if (c.Is("ShadeModel")) shade = unsigned(c[0]);
    if (c.Is("Begin")) atBegins.push_back(Format(c) + " " + EnumName(mode) + " " + EnumName(shade));
  }
  const std::string filled = "Begin(GL_TRIANGLES) GL_FILL GL_SMOOTH", wire = "Begin(GL_TRIANGLES) GL_LINE GL_SMOOTH",
                    outlines = "Begin(GL_TRIANGLES) GL_LINE GL_FLAT";
  // Wire; Triangle after Wire: outlines; Point: what was left; Smooth; Triangle after Smooth:
  // filled; Point; Wire after Triangle: flat; Blended; then each filled style after Wire and
  // Triangle; last the unknown style: what was left.
  EXPECT_EQ(atBegins, (Strings{wire, outlines, "Begin(GL_POINTS) GL_LINE GL_FLAT", filled,
                               "Begin(GL_TRIANGLES) GL_FILL GL_FLAT", "Begin(GL_POINTS) GL_FILL GL_FLAT", outlines,
                               filled, wire, outlines, filled, wire, outlines, filled, wire, outlines, filled,
                               wire, outlines, outlines}));
  ASSERT_EQ(capture.failures().size(), 1u + 4u);  // the state once, the normals per cell
  EXPECT_EQ(capture.failures()[0].expression, "Unknown type!");
  EXPECT_EQ(capture.failures()[1].expression, "Unknown render type");
  EXPECT_EQ(capture.failures()[0].module, Module::Render);
  EXPECT_EQ(Blocks(rec.Calls()).back().vertices.at(0).normal, Cells().components[0].Normal(0, 0));
}

// A translucent knot's overlay walks each component's surface grid in lines before its outer
// grid; the overlay flag alone draws the outer grid only.
TEST(StyleState, OverlayWalksTheSurfaceGridInLinesFirstOnlyWhenTranslucent) {
  const std::string fill = "PolygonMode(GL_FRONT_AND_BACK, GL_FILL)", line = "PolygonMode(GL_FRONT_AND_BACK, GL_LINE)",
                    smooth = "ShadeModel(GL_SMOOTH)", begin = "Begin(GL_TRIANGLES)";
  const struct {
    uint8_t translucent;
    Strings calls;
    std::vector<double> firstX;  // of each block: 0 on the surface grid, 0.5 on the outer one
  } cases[] = {{1, {fill, smooth, line, begin, fill, begin, line, begin, fill, begin}, {0, 0.5, 0, 0.5}},
               {0, {fill, smooth, begin, begin}, {0.5, 0.5}}};
  for (const auto& c : cases) {
    GlRecorder rec;
    DrawKnot(Cells(2), 0, {.style = Smooth, .sColored = 0, .wobbles = 0, .translucent = c.translucent, .wireOverlay = 1});
    EXPECT_EQ(rec.Formatted({"Normal3d", "Color4d", "Vertex3d", "GetDoublev", "End"}), c.calls);
    std::vector<double> firstX;
    for (const auto& block : Blocks(rec.Calls())) firstX.push_back(block.vertices.at(0).position.x);
    EXPECT_EQ(firstX, c.firstX);
  }
}

// A non-planar cell whose six slot normals all differ from one another.
// Corners c1 and c2 may be moved to make it degenerate.
struct Cell {
  Vec3 corners[4] = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0.5}, {1, 0, 0.5}};
  Vec3 normals[6];
  explicit Cell(int32_t style = Smooth, int32_t from = Quad, int32_t to = Quad, double t = 0.0,
                std::pair<Vec3, Vec3> c1c2 = {{0, 1, 0}, {1, 1, 0.5}}) {
    std::tie(corners[1], corners[2]) = c1c2;
    for (int k = 0; k < 6; ++k) normals[k] = Normalized(Vec3(0.1 * k, k % 2 ? 1 : -1, 1));
    StyleNormals(corners, normals, style, from, to, t);
  }
};

TEST(StyleNormals, EachStyleSharesItsNormalsAsItsEdgesAskAndBlendedSwings) {
  const Cell mesh;
  auto sum = [&](int a, int b) { return Normalized(mesh.normals[a] + mesh.normals[b]); };
  const std::vector<Vec3> own(mesh.normals, mesh.normals + 6),
      quad(6, Normalized(Cross(mesh.corners[1] - mesh.corners[0], mesh.corners[2] - mesh.corners[0]))),
      // HalfU: c0, c1 on ring u (slots 0, 1, 5), c2, c3 on ring u + 1 (slots 2, 3, 4).
      halfU = {sum(0, 1), sum(0, 1), sum(3, 4), sum(3, 4), sum(3, 4), sum(0, 1)},
      // HalfV: c1, c2 on column v + 1 (slots 1, 2, 3), c3, c0 on column v (slots 0, 4, 5).
      halfV = {sum(4, 5), sum(1, 2), sum(1, 2), sum(1, 2), sum(4, 5), sum(4, 5)};
  std::vector<Vec3> even;
  for (int k = 0; k < 6; ++k) even.push_back(Normalized(0.5 * quad[k] + 0.5 * halfU[k]));
  const struct {
    Cell cell;
    std::vector<Vec3> slots;
  } cases[] = {
      {Cell(Wire), own}, {Cell(Point), own}, {Cell(Triangle), own}, {Cell(Smooth), own},
      {Cell(Quad), quad}, {Cell(HalfU), halfU}, {Cell(HalfV), halfV},
      {Cell(Blended, Quad, HalfU, M_PI / 2), quad},   // sin(3t) = -1: the `from` normals alone
      {Cell(Blended, Quad, HalfU, M_PI / 6), halfU},  // sin(3t) = 1: the `to` normals alone
      {Cell(Blended, Quad, HalfU, 0.0), even},        // t = 0: even mix of the two
      {Cell(Blended, Smooth, Smooth, 0.7), own},      // equal sub-styles: their normals
      // A degenerate cell (coincident or collinear corners) keeps the zero vector under Quad.
      {Cell(Quad, 0, 0, 0.0, {{0, 0, 0}, {1, 1, 0.5}}), std::vector<Vec3>(6, Vec3(0, 0, 0))},
      {Cell(Quad, 0, 0, 0.0, {{1, 1, 1}, {2, 2, 2}}), std::vector<Vec3>(6, Vec3(0, 0, 0))},
  };
  for (size_t i = 0; i < std::size(cases); ++i)
    for (int k = 0; k < 6; ++k) EXPECT_LT((cases[i].cell.normals[k] - cases[i].slots[k]).Length(), 1e-12) << "case " << i << " slot " << k;
}

}  // namespace
}  // namespace tv
