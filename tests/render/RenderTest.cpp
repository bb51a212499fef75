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
      // (c1 - c0) x (c2 - c0) = (0, 1, 0) x (1, 1, 0.5) = (0.5, 0, -1)
      quad(6, Vec3(1, 0, -2) * (1 / std::sqrt(5.0))),
      // HalfU: c0, c1 on ring u (slots 0, 1, 5), c2, c3 on ring u + 1 (slots 2, 3, 4).
      halfU = {sum(0, 1), sum(0, 1), sum(3, 4), sum(3, 4), sum(3, 4), sum(0, 1)},
      // HalfV: c1, c2 on column v + 1 (slots 1, 2, 3), c3, c0 on column v (slots 0, 4, 5).
      halfV = {sum(4, 5), sum(1, 2), sum(1, 2), sum(1, 2), sum(4, 5), sum(4, 5)};
  const struct {
    Cell cell;
    std::vector<Vec3> slots;
  } cases[] = {
      {Cell(Wire), own}, {Cell(Point), own}, {Cell(Triangle), own}, {Cell(Smooth), own},
      {Cell(Quad), quad}, {Cell(HalfU), halfU}, {Cell(HalfV), halfV},
      {Cell(Blended, Quad, HalfU, M_PI / 2), quad},   // sin(3t) = -1: the `from` normals alone
      {Cell(Blended, Quad, HalfU, M_PI / 6), halfU},  // sin(3t) = 1: the `to` normals alone
      {Cell(Blended, Smooth, Smooth, 0.7), own},      // equal sub-styles: their normals
      // A degenerate cell (coincident or collinear corners) keeps the zero vector under Quad.
      {Cell(Quad, 0, 0, 0.0, {{0, 0, 0}, {1, 1, 0.5}}), std::vector<Vec3>(6, Vec3(0, 0, 0))},
      {Cell(Quad, 0, 0, 0.0, {{1, 1, 1}, {2, 2, 2}}), std::vector<Vec3>(6, Vec3(0, 0, 0))},
  };
  for (size_t i = 0; i < std::size(cases); ++i)
    for (int k = 0; k < 6; ++k) EXPECT_LT((cases[i].cell.normals[k] - cases[i].slots[k]).Length(), 1e-12) << "case " << i << " slot " << k;
  // t = 0: an even mix, the unit vector halfway between the two in their plane.
  const Cell even(Blended, Quad, HalfU, 0.0);
  for (int k = 0; k < 6; ++k) {
    const Vec3& n = even.normals[k];
    EXPECT_NEAR(n.Length(), 1.0, 1e-12) << k;
    EXPECT_NEAR(Dot(n, quad[k]) - Dot(n, halfU[k]), 0.0, 1e-12) << k;
    EXPECT_NEAR(Dot(n, Cross(quad[k], halfU[k])), 0.0, 1e-12) << k;
    EXPECT_GT(Dot(n, quad[k]), 0.0) << k;
  }
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

// Grid point (u, v) of a 2 x 2 grid as "uv", in the order a walk sends them: cells go ring by ring
// within a column, each as c0 (u,v), c1 (u,v+1), c2 (u+1,v+1), c3 (u+1,v) in the triangles c0 c1
// c2 and c2 c3 c0, and the last ring and column wrap around to the first. u is x, v the given axis.
std::string GridPoints(const std::vector<RecordedVertex>& sent, int vAxis = 1) {
  std::string points;
  for (const auto& s : sent) points += std::to_string(int(s.position.x)) + std::to_string(int((&s.position.x)[vAxis])) + " ";
  return points;
}

TEST(CellWalk, CellsInOrderWithWrapAroundAndEachCornersOwnNormalAndColour) {
  const KnotComponent c = FlatGrid(2, 2);
  GlRecorder rec;
  DrawTubeMesh(c, 0, Plain(Smooth), MeshPass::Surface);
  const auto blocks = Blocks(rec.Calls());
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(GridPoints(blocks[0].vertices), "00 01 11 11 10 00 10 11 01 01 00 10 "
                                            "01 00 10 10 11 01 11 10 00 00 01 11 ");
  for (const auto& s : blocks[0].vertices) {  // Smooth: the corner's own normal and colour
    const int u = int(s.position.x), v = int(s.position.y);
    EXPECT_EQ(s.normal, c.Normal(u, v)) << u << v;
    EXPECT_EQ(std::pair(s.colour[0], s.colour[1]), std::pair(c.Color(u, v).r, c.Color(u, v).g)) << u << v;
  }
  // Blended Quad to HalfU at 356 ms, where sin(3t) is 1 to 3e-8, sends the HalfU normals.
  auto normals = [&c, &rec](const RenderParams& p) {
    rec.Clear();
    DrawTubeMesh(c, 356, p, MeshPass::Surface);
    const auto walked = Blocks(rec.Calls());
    std::vector<Vec3> sent;
    for (const auto& s : walked.at(0).vertices) sent.push_back(s.normal);
    return sent;
  };
  RenderParams blended = Plain(Blended);
  blended.blendFrom = Quad, blended.blendTo = HalfU;
  const std::vector<Vec3> to = normals(Plain(HalfU)), mixed = normals(blended);
  ASSERT_EQ(mixed.size(), to.size());
  for (size_t i = 0; i < to.size(); ++i) EXPECT_LT((mixed[i] - to[i]).Length(), 1e-6) << i;
}

// A cell whose first corner is translucent waits for the depth-sorted pass, in eye coordinates and
// with its primitive; the others are sent. The points of column u = 0 lie beyond the z plane alone
// (translucent at t = 0), those of u = 1 beyond two planes (opaque), so each cell's first and last
// corners differ. v runs along z.
TEST(CellWalk, CellsWithATranslucentFirstCornerWaitInEyeCoordinates) {
  const KnotComponent c = MakeGrid(2, 2, [](int u, int v) { return Vec3(u, u == 0 ? -10 : 0, v); });
  for (int32_t style : {Quad, Point}) {
    ClearTranslucent();
    GlRecorder rec;
    rec.SetModelView(Matrix4{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, -6, 0, 0, 0, 1}});  // 6 units away
    DrawTubeMesh(c, 0, {.style = style, .sColored = 0, .wobbles = 0, .translucent = 1}, MeshPass::Surface);
    const auto blocks = Blocks(rec.Calls());
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(GridPoints(blocks[0].vertices, 2), "10 11 01 01 00 10 11 10 00 00 01 11 ");
    ASSERT_EQ(TranslucentCells().size(), 2u);
    const Vec3 firstCell[4] = {{0, -10, -6}, {0, -10, -5}, {1, 0, -5}, {1, 0, -6}};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(TranslucentCells()[0].corners[i], firstCell[i]) << i;
    EXPECT_EQ(TranslucentCells()[1].corners[0], Vec3(0, -10, -5));
    EXPECT_EQ(TranslucentCells()[1].primitive, style == Point ? GL_POINTS : GL_TRIANGLES);
    EXPECT_LT(TranslucentCells()[0].colours[0].a, 1.0);
  }
  ClearTranslucent();
}

TEST(VertexEffects, EachFlagChangesOnlyItsOwnPartAndAlphaOnlyOnTheSurface) {
  // At t = 0, (0, -5, 0) lies beyond the z plane alone: translucent on the surface.
  const Vec3 start(0, -5, 0);
  const Rgba colour(0.2, 0.4, 0.6, 0.3);
  const int32_t timeMs = 1234;  // sin(phi) != 0: the wobble moves the point
  const double t = 0.0;
  // Worked by hand: the field colour (sin(5x + t) + 1) / 2, (sin(5y + 1.2t) + 1) / 2,
  // (sin(5x + 5z + t) + 1) / 2; alpha 0.4 (sin(x + y + z + t) + 1.1); the wobble at phi = 7.2588.
  const double r = 0.5, g = 0.5661758750488866, b = 0.5, alpha = 0.8235697098652555;
  const Vec3 moved(0.1371366315380356, -5.072958548292709, -0.1371366315380356);
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
    const double colourGap = std::fabs(out.r - c.c.r) + std::fabs(out.g - c.c.g) + std::fabs(out.b - c.c.b);
    EXPECT_LT((p - c.p).Length() + colourGap + std::fabs(out.a - c.c.a), 1e-12)
        << +c.coloured << +c.wobbles << +c.translucent;
  }
}

// Alpha counts the planes passed; colour, wobble and the path easing follow their closed forms.
TEST(VertexEffects, AlphaColourWobbleAndEaseFollowTheirClosedForms) {
  // At t = 0 the planes sit at x = 6.4, y = -4.9, z = -5.4: beyond one or three, translucent.
  const struct {
    Vec3 p;
    double alpha;  // 0.4 (sin(x + y + z) + 1.1) where translucent, worked by hand
  } cases[] = {{{0, 0, 0}, 1.0},                        // beyond y and z: two planes
               {{0, -5, 0}, 0.8235697098652555},        // beyond z alone
               {{0, -5, -6}, 1.0},                      // beyond none
               {{7, 0, 0}, 0.7027946394875157},         // all three
               {{6.4, -5, -6}, 1.0},                    // exactly on a plane is its near side
               {{6.4000001, -5, -6}, 0.8374763969672827}};
  for (const auto& [p, alpha] : cases) EXPECT_NEAR(CellAlpha(p, 0.0), alpha, 1e-12) << p.x << "," << p.y << "," << p.z;
  // Colour and wobble at (0.1, -0.2, 0.3), worked by hand: green drifts 1.2 times faster than red
  // and blue; the wobble breathes with the clock (267 ms: phi = 1.5706, amplitude just under 0.2).
  EXPECT_EQ(WobbleOffset(Vec3(0.4, 1.2, -3), 0), Vec3(0, 0, 0));
  const Vec3 p(0.1, -0.2, 0.3);
  const struct {
    int32_t timeMs;
    double r, g, b;
    Vec3 wobble;
  } clock[] = {{267, 0.846989188621448, 0.18575902768208952, 0.8836411653972271,
                {0.1910795914471269, 0.13900322968543719, -0.07243275895518167}},
               {2500, 0.5705600040299336, 0.9546487134128409, 0.011234941167451495,
                {0.10883070122523447, 0.0868537088556165, -0.1360400962347948}}};
  for (const auto& c : clock) {
    double r, g, b;
    FieldColour(p, c.timeMs / 1000.0, r, g, b);
    EXPECT_LT(std::fabs(r - c.r) + std::fabs(g - c.g) + std::fabs(b - c.b), 1e-12) << c.timeMs;
    EXPECT_LT((WobbleOffset(p, c.timeMs) - c.wobble).Length(), 1e-12) << c.timeMs;
  }
  // The path eases in, holds in the middle third, and eases out, symmetric about the middle:
  // E(x) + E(1 - x) = 1. At 0.8: (3 - cos(2.4 pi)) / 4 with cos(0.4 pi) = (sqrt(5) - 1) / 4. Its
  // three half-turns are 9.424777960796938, 3 pi to 3e-11.
  const struct {
    double x, y, tolerance;
  } ease[] = {{0.0, 0.0, 0},   {0.3333333333333333, 0.5, 0}, {0.5, 0.5, 0},          {1.0, 1.0, 1e-15},
               {0.3333333333, 0.5, 1e-9},  {0.6666666666666666, 0.5, 1e-15}, {0.8, (3.0 - (std::sqrt(5.0) - 1) / 4) / 4, 1e-9}};
  for (const auto& c : ease) EXPECT_NEAR(EaseInHoldOut(c.x), c.y, c.tolerance) << c.x;
  for (double x : {0.05, 0.2, 0.3, 0.45}) EXPECT_NEAR(EaseInHoldOut(x) + EaseInHoldOut(1 - x), 1.0, 1e-9) << x;
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
