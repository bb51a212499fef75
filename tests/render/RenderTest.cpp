#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "Grid.h"
#include "knots/TorusKnot.h"
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

using namespace test;
using Strings = std::vector<std::string>;

// Counts without points, and a mesh shorter than its counts (reported, not read past its end),
// give an empty block.
TEST(CellWalk, EmptyOrShortGridsDrawAnEmptyBlock) {
  KnotComponent shortMesh = FlatGrid(2, 2);
  shortMesh.colors.pop_back();
  for (auto [nu, nv, reports] : {std::tuple{0, 0, 0}, {0, 4, 0}, {4, 0, 0}, {-1, 3, 0}, {2, 2, 1}}) {
    CheckCapture capture;
    GlRecorder rec;
    KnotComponent c = reports ? shortMesh : KnotComponent{};
    c.uDivisions = nu;
    c.vDivisions = nv;
    DrawTubeMesh(c, 0, Plain(Quad), MeshPass::Surface);
    EXPECT_EQ(rec.Formatted(), (Strings{"GetDoublev(GL_MODELVIEW_MATRIX)", "Begin(GL_TRIANGLES)", "End()"}));
    EXPECT_EQ(capture.failures().size(), size_t(reports)) << nu << "x" << nv;
  }
}

// A walk sends one block and nothing else. It works each grid point's effects out once and
// reuses them across the four cells that share it; what it sends must be exactly what
// ApplyVertexEffects gives each corner of each cell, with the style's normals, also where the
// columns wrap around. Cells go ring by ring within a column; each sends its corners c0 (u,v),
// c1 (u,v+1), c2 (u+1,v+1), c3 (u+1,v) as the triangles c0 c1 c2 and c2 c3 c0. Only the first
// corner's alpha decides whether a cell waits, in eye coordinates, for the depth-sorted pass.
void ExpectWalkMatchesPerCornerEffects(const KnotComponent& c, int32_t timeMs, RenderParams p, MeshPass pass) {
  const double t = timeMs * 0.0014705882352941176;
  const Matrix4 modelView{{0, 0, 1, 1, 0, 1, 0, -2, -1, 0, 0, -6, 0, 0, 0, 1}};  // a turn about y, then away
  const unsigned primitive = p.style == Point ? GL_POINTS : GL_TRIANGLES;
  const int emit[6] = {0, 1, 2, 2, 3, 0};
  ClearTranslucent();
  GlRecorder rec;
  rec.SetModelView(modelView);
  DrawTubeMesh(c, timeMs, p, pass);
  ASSERT_EQ(rec.Formatted({"Normal3d", "Color4d", "Vertex3d"}),
            (Strings{"GetDoublev(GL_MODELVIEW_MATRIX)", "Begin(" + EnumName(primitive) + ")", "End()"}));
  const auto blocks = Blocks(rec.Calls());
  const auto& sent = blocks[0].vertices;
  size_t next = 0, deferred = 0;
  for (int v = 0; v < c.vDivisions; ++v)
    for (int u = 0; u < c.uDivisions; ++u) {
      const int u1 = (u + 1) % c.uDivisions, v1 = (v + 1) % c.vDivisions;
      const int gu[4] = {u, u, u1, u1}, gv[4] = {v, v1, v1, v};
      Vec3 corners[4], drawn[4], normals[6];
      Rgba colours[4];
      for (int i = 0; i < 4; ++i) {
        corners[i] = drawn[i] = c.Vertex(gu[i], gv[i], pass == MeshPass::Surface);
        colours[i] = c.Color(gu[i], gv[i]);
      }
      for (int k = 0; k < 6; ++k) normals[k] = c.Normal(gu[emit[k]], gv[emit[k]]);
      StyleNormals(corners, normals, p.style, p.blendFrom, p.blendTo, t);
      for (int i = 0; i < 4; ++i) ApplyVertexEffects(drawn[i], colours[i], p, pass, t, timeMs);
      if (colours[0].a != 1.0) {
        ASSERT_LT(deferred, TranslucentCells().size());
        const DeferredCell& cell = TranslucentCells()[deferred++];
        ASSERT_EQ(cell.primitive, primitive);
        for (int i = 0; i < 4; ++i) TransformPoint(drawn[i], modelView);
        for (int i = 0; i < 4; ++i) ASSERT_EQ(cell.corners[i], drawn[i]);
        for (int i = 0; i < 4; ++i) ASSERT_EQ(cell.colours[i], colours[i]);
        for (int k = 0; k < 6; ++k) ASSERT_EQ(cell.normals[k], normals[k]);
        continue;
      }
      for (int k = 0; k < 6; ++k) {
        ASSERT_LT(next, sent.size());
        const auto& s = sent[next++];
        const Rgba& col = colours[emit[k]];
        ASSERT_EQ(s.position, drawn[emit[k]]);
        ASSERT_EQ(s.normal, normals[k]);
        ASSERT_EQ(std::tie(s.colour[0], s.colour[1], s.colour[2], s.colour[3]), std::tie(col.r, col.g, col.b, col.a));
      }
    }
  EXPECT_EQ(next, sent.size());
  EXPECT_EQ(deferred, TranslucentCells().size());
  ClearTranslucent();
}

TEST(CellWalk, EffectsNormalsAndDeferralMatchThePerCornerFunctions) {
  const RenderParams all{.style = Blended, .blendFrom = Quad, .blendTo = HalfV, .sColored = 1, .wobbles = 1, .translucent = 1};
  TorusKnot knot;
  knot.Rebuild();
  knot.components[0].outerVertices = knot.components[0].vertices;
  for (Vec3& p : knot.components[0].outerVertices) p *= 1.01;  // the surface grid differs
  for (int32_t timeMs : {0, 7919, 123456}) {
    SCOPED_TRACE(timeMs);
    ExpectWalkMatchesPerCornerEffects(knot.components[0], timeMs, all, MeshPass::Surface);
    ExpectWalkMatchesPerCornerEffects(knot.components[0], timeMs, all, MeshPass::Overlay);
    for (int32_t style : {Quad, HalfU, HalfV, Smooth, Point}) {
      RenderParams p = all;
      p.style = style;
      ExpectWalkMatchesPerCornerEffects(knot.components[0], timeMs, p, MeshPass::Surface);
    }
  }
  // Planes cutting through the small grids at 9 s, some with one point per ring or column.
  auto wave = [](int u, int v) { return Vec3(1.5 * u - 2, std::sin(u + 2.0 * v) * 2, v * 0.7); };
  for (auto [nu, nv] : {std::pair{5, 1}, {4, 2}, {1, 3}, {7, 3}}) {
    SCOPED_TRACE(testing::Message() << nu << "x" << nv);
    ExpectWalkMatchesPerCornerEffects(MakeGrid(nu, nv, wave), 9000, all, MeshPass::Surface);
  }
}

TEST(VertexEffects, EachFlagChangesOnlyItsOwnPartAndAlphaOnlyOnTheSurface) {
  // At t = 0, (0, -5, 0) lies beyond the z plane alone: translucent on the surface.
  const Vec3 start(0, -5, 0);
  const Rgba colour(0.2, 0.4, 0.6, 0.3);
  const int32_t timeMs = 1234;  // sin(phi) != 0: the wobble moves the point
  const double t = 0.0;
  double r, g, b;
  FieldColour(start, t, r, g, b);
  const Vec3 moved = start + WobbleOffset(start, timeMs);
  const double alpha = 0.4 * (std::sin(-5.0) + 1.1);
  const struct {
    uint8_t coloured, wobbles, translucent;
    MeshPass pass;
    Vec3 p;
    Rgba c;
  } cases[] = {
      {false, false, false, MeshPass::Surface, start, Rgba(0.2, 0.4, 0.6, 1.0)},  // opaque, as it was
      {false, false, true, MeshPass::Overlay, start, Rgba(0.2, 0.4, 0.6, 1.0)},
      {false, false, true, MeshPass::Surface, start, Rgba(0.2, 0.4, 0.6, alpha)},
      {true, false, false, MeshPass::Surface, start, Rgba(r, g, b, 1.0)},
      {false, true, false, MeshPass::Surface, moved, Rgba(0.2, 0.4, 0.6, 1.0)},
      // colour and alpha come from the undisplaced point
      {true, true, true, MeshPass::Surface, moved, Rgba(r, g, b, alpha)},
  };
  for (const auto& c : cases) {
    Vec3 p = start;
    Rgba out = colour;
    ApplyVertexEffects(p, out, {.sColored = c.coloured, .wobbles = c.wobbles, .translucent = c.translucent}, c.pass, t,
                       timeMs);
    EXPECT_EQ(p, c.p) << +c.coloured << +c.wobbles << +c.translucent;
    EXPECT_EQ(out, c.c) << +c.coloured << +c.wobbles << +c.translucent;
  }
  EXPECT_NE(moved, start);
}

// Alpha counts the planes passed; colour, wobble and the path easing follow their closed forms.
TEST(VertexEffects, AlphaColourWobbleAndEaseFollowTheirClosedForms) {
  // At t = 0 the planes sit at x = 6.4, y = -4.9, z = -5.4: beyond one or three, translucent.
  const struct {
    Vec3 p;
    bool opaque;
  } cases[] = {{{0, 0, 0}, true},         // beyond y and z: two planes
               {{0, -5, 0}, false},       // beyond z alone
               {{0, -5, -6}, true},       // beyond none
               {{7, 0, 0}, false},        // all three
               {{6.4, -5, -6}, true},     // exactly on a plane is its near side
               {{6.4000001, -5, -6}, false}};
  for (const auto& [p, opaque] : cases)
    EXPECT_EQ(CellAlpha(p, 0.0), opaque ? 1.0 : 0.4 * (std::sin(p.x + p.y + p.z) + 1.1)) << p.x << "," << p.y << "," << p.z;
  // Green drifts 1.2 times faster than red and blue; the wobble breathes with the clock (267 ms:
  // phi = 1.5706, amplitude just under 0.2).
  EXPECT_EQ(WobbleOffset(Vec3(0.4, 1.2, -3), 0), Vec3(0, 0, 0));
  const Vec3 p(0.1, -0.2, 0.3);
  for (int32_t timeMs : {267, 1000, 2500}) {
    const double t = timeMs / 1000.0;
    double r, g, b;
    FieldColour(p, t, r, g, b);
    EXPECT_DOUBLE_EQ(r, (std::sin(0.5 + t) + 1) * 0.5);
    EXPECT_DOUBLE_EQ(g, (std::sin(-1.0 + 1.2 * t) + 1) * 0.5);
    EXPECT_DOUBLE_EQ(b, (std::sin(0.5 + 1.5 + t) + 1) * 0.5);
    const Vec3 d = WobbleOffset(p, timeMs);
    const double phi = timeMs * 0.0058823529411764705, a = 0.20000000298023224 * std::sin(phi);
    EXPECT_NEAR(d.x, a * std::sin(0.3 + phi), 1e-15);
    EXPECT_NEAR(d.y, a * (std::sin(-0.6 + phi) + std::cos(-0.6 + phi)) * 0.5, 1e-15);
    EXPECT_NEAR(d.z, a * std::sin(0.3 + 0.9 - phi), 1e-15);
  }
  // The path eases in, holds in the middle third, and eases out.
  const struct {
    double x, y, tolerance;
  } ease[] = {{0.0, 0.0, 0},   {0.3333333333333333, 0.5, 0}, {0.5, 0.5, 0},          {1.0, 1.0, 1e-15},
               {0.3333333333, 0.5, 1e-9},  {0.6666666666666666, 0.5, 1e-15}, {0.8, (3.0 - std::cos(0.8 * 3 * M_PI)) * 0.25, 1e-9}};
  for (const auto& c : ease) EXPECT_NEAR(EaseInHoldOut(c.x), c.y, c.tolerance) << c.x;
}

using Marks = std::vector<double>;

// A translucent cell whose first corner is at (x, 0, z), the others at depth c1z; red marks it.
void Defer(double z, double mark, uint32_t primitive = GL_TRIANGLES, double c1z = 0.0, double x = 0.0) {
  const Vec3 corners[4] = {{x, 0, z}, {1, 0, c1z}, {1, 1, c1z}, {0, 1, c1z}};
  Vec3 normals[6];
  Rgba colours[4];
  for (Rgba& c : colours) c = Rgba(mark, 0, 0, 0.5);
  DeferCell(corners, normals, colours, primitive, Matrix4{});
}

// Marks of the cells in the order DrawTranslucent draws them (under the given model-view).
Marks DrawnMarks(const Matrix4& modelView = Matrix4{}) {
  test::GlRecorder rec;
  rec.SetModelView(modelView);
  DrawTranslucent();
  Marks marks;
  for (const auto& block : test::Blocks(rec.Calls())) marks.push_back(block.vertices.at(0).colour[0]);
  return marks;
}

// Cells are drawn farthest first, one block each, with the depth test off meanwhile; equal depths
// keep the order of the sort's own partition scheme, and long sorted lists still sort.
TEST(Translucent, FarthestFirstOneBlockPerCellDepthTestOffMeanwhile) {
  ClearTranslucent();
  // The first corner alone sets the depth: the other corners would order them the other way.
  Defer(-3.0, 0.1, GL_TRIANGLES, -100.0);
  Defer(-9.0, 0.2, GL_POINTS, 50.0);
  Defer(-6.0, 0.3);
  test::GlRecorder rec;
  DrawTranslucent();
  EXPECT_EQ(rec.Formatted({"Normal3d", "Color4d", "Vertex3d"}),
            (std::vector<std::string>{"GetDoublev(GL_MODELVIEW_MATRIX)", "Disable(GL_DEPTH_TEST)",
                                      "Begin(GL_POINTS)", "End()", "Begin(GL_TRIANGLES)", "End()",
                                      "Begin(GL_TRIANGLES)", "End()", "Enable(GL_DEPTH_TEST)"}));
  // The list stays until cleared: a second pass draws the same cells again.
  EXPECT_EQ(DrawnMarks(), (Marks{0.2, 0.3, 0.1}));
  EXPECT_EQ(DrawnMarks(), (Marks{0.2, 0.3, 0.1}));
  // Depth is read under the current matrix: z -> -z makes the nearest cell the farthest, and a
  // matrix that takes depth from x orders the cells by their first corner's x.
  Matrix4 flip, depthFromX;
  flip.m[10] = -1.0;
  EXPECT_EQ(DrawnMarks(flip), (Marks{0.1, 0.3, 0.2}));
  depthFromX.m[0] = depthFromX.m[10] = 0.0;
  depthFromX.m[8] = 1.0;
  ClearTranslucent();
  for (double x : {1.0, 3.0, 2.0}) Defer(-5.0, x / 10.0, GL_TRIANGLES, 0.0, x);  // not the tie order
  EXPECT_EQ(DrawnMarks(depthFromX), (Marks{0.1, 0.2, 0.3}));
  // Worked by hand through the partition scheme: two equal keys swap, three rotate.
  for (const auto& [count, order] : {std::pair{2, Marks{0.2, 0.1}}, {3, {0.2, 0.3, 0.1}}}) {
    ClearTranslucent();
    for (int i = 1; i <= count; ++i) Defer(-5.0, i / 10.0);
    EXPECT_EQ(DrawnMarks(), order);
  }
  ClearTranslucent();
  std::vector<DepthKey> keys = {{2, 0}, {1, 1}, {2, 2}, {1, 3}, {2, 4}};
  SortDepthKeys(keys.data(), 5);
  std::vector<int> order;
  for (const DepthKey& k : keys) order.push_back(k.index);
  EXPECT_EQ(order, (std::vector<int>{1, 3, 4, 2, 0}));
  // Sorted input is the partition scheme's worst case (quadratic, one side empty each time).
  keys.clear();
  for (int i = 0; i < 30000; ++i) keys.push_back({double(i), i});
  SortDepthKeys(keys.data(), int(keys.size()));
  for (int i = 0; i < 30000; ++i) ASSERT_EQ(keys[i].index, i);
  keys.clear();
  for (int i = 0; i < 100000; ++i) keys.push_back({std::sin(i * 0.37) * 40.0, i});
  SortDepthKeys(keys.data(), int(keys.size()));
  for (size_t i = 1; i < keys.size(); ++i) ASSERT_LE(keys[i - 1].depth, keys[i].depth);
}

// The list reads back every cell across its chunks; a frame keeps the chunks that four times its
// own cells need (and one more), so steady frames allocate nothing and a heavy frame's go after it.
TEST(Translucent, CellsSpanChunksAndSurplusChunksGoAfterALightFrame) {
  constexpr int kChunk = int(DeferredCellList::kChunkCells);
  ClearTranslucent();
  for (const auto& [cells, kept] : {std::pair{kChunk + 1, 2}, {5 * kChunk + 1, 6}, {5 * kChunk + 1, 6},
                                    {1, 5}, {0, 1}, {kChunk, 1}}) {
    for (int i = 0; i < cells; ++i) Defer(-i, i);
    ASSERT_EQ(TranslucentCells().size(), size_t(cells));
    for (int i = 0; i < cells; ++i) {
      const DeferredCell& cell = TranslucentCells()[i];
      ASSERT_EQ(std::pair(cell.corners[0].z, cell.colours[3].r), std::pair(-double(i), double(i)));
    }
    ClearTranslucent();
    EXPECT_EQ(TranslucentCells().ChunkCount(), size_t(kept)) << cells;
  }
}

}  // namespace
}  // namespace tv
