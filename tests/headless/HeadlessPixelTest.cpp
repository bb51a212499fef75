// Real pixels through EGL on Mesa: a still of a known knot, the renderer's carried state and
// blending, and the saver's frames on the simulated clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "EglContext.h"
#include "HeadlessRun.h"
#include "knots/TorusKnot.h"
#include "knots/library/KnotLibrary.h"
#include "render/Gl.h"
#include "render/Render.h"
#include "saver/Saver.h"
#include "saver/SceneTestSupport.h"
#include "settings/SaverSettings.h"

namespace tv::headless {
namespace {

class HeadlessPixelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSettings(saverSettings);
    std::string error;
    context_ = EglContext::Create(320, 240, error);
    if (!context_) GTEST_SKIP() << "no EGL: " << error;
  }
  void TearDown() override {
    saverSettings = saved_;
    ResetScene();
    UseBuiltInLibrary();
  }
  std::unique_ptr<EglContext> context_;
  SaverSettings saved_ = saverSettings;
};

int Brightness(const uint8_t* p) { return std::max({p[0], p[1], p[2]}); }

// Pixels brighter than `above`, in the whole image or in the middle half of each axis.
long Lit(const Image& image, int above, bool middle = false) {
  const int w = image.width, h = image.height, mx = middle ? w / 4 : 0, my = middle ? h / 4 : 0;
  long n = 0;
  for (int y = my; y < h - my; ++y)
    for (int x = mx; x < w - mx; ++x) n += Brightness(image.At(x, y)) > above;
  return n;
}

RenderParams Plain(int32_t style) { return {.style = style, .sColored = 0, .wobbles = 0}; }

// One frame per knot, a torus knot at (0, 0, -7): the picture is the last one, drawn in the GL
// state the others left.
Image DrawTorus(const SaverRun& run, std::initializer_list<RenderParams> params, int32_t timeMs = 0) {
  TorusKnot knot;
  knot.Rebuild();
  knot.ScaleToSize(5.0);
  for (const RenderParams& p : params) {
    gl.Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    ClearTranslucent();
    gl.LoadIdentity();
    gl.Translatef(0, 0, -7);
    DrawKnot(knot, timeMs, p);
    gl.LoadIdentity();
    DrawTranslucent();
    gl.Flush();
  }
  return run.Capture();
}

// A triangle knot after a wire knot keeps its line mode; translucent cells (about 18.6 s in the
// knot lies beyond the x plane alone, so all of them) cover as much, dimmer over the black.
TEST_F(HeadlessPixelTest, TriangleAfterWireIsOutlinedAndTranslucentCellsBlend) {
  const SaverRun run(*context_, 1u);  // the saver's view and GL state
  const long filled = Lit(DrawTorus(run, {Plain(Smooth), Plain(Triangle)}), 0);
  const long outlined = Lit(DrawTorus(run, {Plain(Wire), Plain(Triangle)}), 0);
  EXPECT_LT(outlined, filled * 3 / 4);
  EXPECT_GT(outlined, 0);
  const Image blended = DrawTorus(run, {{.style = Smooth, .sColored = 0, .wobbles = 0, .translucent = 1}}, 18564);
  EXPECT_EQ(TranslucentCells().size(), size_t(80 * 10));
  const Image opaque = DrawTorus(run, {Plain(Smooth)}, 18564);
  long sumBlended = 0, sumOpaque = 0;
  for (size_t i = 1; i < opaque.rgba.size(); i += 4) sumBlended += blended.rgba[i], sumOpaque += opaque.rgba[i];
  EXPECT_LT(sumBlended, sumOpaque);
  EXPECT_GT(Lit(blended, 0), Lit(opaque, 0) / 2);
}

TEST_F(HeadlessPixelTest, StillOfARingIsLitAndColouredOnTheRingAndBlackElsewhere) {
  const std::vector<uint8_t> block = test::RingBlock(1, 48, 6.0);
  UseLibraryBlock(block.data(), block.size());
  saverSettings.uMin = saverSettings.uMax = 2.0;  // a round tube of 96 rings of 12
  saverSettings.vMin = saverSettings.vMax = 12;
  const SaverRun run(*context_, 1u);  // the saver's view, GL state and a fixed seed
  DrawStoredKnotStill(0, Smooth);
  Image image(320, 240);
  image.rgba = context_->ReadPixels();

  // Ring of radius 5/(2 sqrt 2) world units at depth 7: about 73 pixels on a 240-pixel-high view.
  const double radius = 5.0 / (2.0 * std::sqrt(2.0)) / (7.0 * std::tan(22.5 * M_PI / 180.0)) * 120.0;
  int lit = 0, coloured = 0;
  for (int k = 0; k < 72; ++k) {
    const double a = 2 * M_PI * k / 72;
    const uint8_t* p = image.At(int(160 + radius * std::cos(a)), int(120 - radius * std::sin(a)));
    lit += Brightness(p) > 40;
    coloured += Brightness(p) - std::min({p[0], p[1], p[2]}) > 40;
  }
  EXPECT_GE(lit, 70) << "the tube is drawn all the way round";
  EXPECT_GE(coloured, 60) << "in colour, not grey";
  for (auto [x, y] : {std::pair{160, 120}, {2, 2}, {317, 2}, {2, 237}, {317, 237}, {160, 20}})
    EXPECT_EQ(Brightness(image.At(x, y)), 0) << x << "," << y;

  // Lighting: the hue ramp's colours are pure (weakest channel 0), so near-white pixels can only
  // be specular highlights; the sides facing away from the lights keep only the ambient share
  // (about 0.7 of the colour), the sides facing them reach full colour.
  long highlights = 0;
  for (size_t i = 0; i < image.rgba.size(); i += 4)
    highlights += std::min({image.rgba[i], image.rgba[i + 1], image.rgba[i + 2]}) > 180;
  EXPECT_GT(highlights, 20);
  EXPECT_GT(Lit(image, 0) - Lit(image, 199), 100);
  EXPECT_GT(Lit(image, 249), 100);

  EXPECT_FALSE(context_->Resize(0, 30));
  ASSERT_TRUE(context_->Resize(100, 30));
  EXPECT_EQ(context_->ReadPixels().size(), 100u * 30u * 4u);
  EXPECT_GE(context_->DepthBits(), 16);
  EXPECT_GE(context_->StencilBits(), 1);
}

// Every knot starts beyond the edge of the view; 6 s in, every first flight (10 to 16 s long)
// rests in its middle third. The knots added then under the heaviest settings are drawn too.
TEST_F(HeadlessPixelTest, KnotsFlyInFromOutsideTheViewAndRestNearTheCentre) {
  ASSERT_TRUE(context_->Resize(320, 180));
  SaverRun run(*context_, 1u);
  run.AdvanceTo(10, 10);
  EXPECT_EQ(Lit(run.Capture(), 0), 0);
  saverSettings.knotCount = 1000000;  // more than the 20 a scene keeps
  saverSettings.uMax = 10.0;
  saverSettings.vMax = 50;
  saverSettings.blendedPercent = 100;
  run.FastForwardTo(6000, 2000);  // coarse steps: the same flights, a fraction of the work
  ASSERT_EQ(slots.size(), 20u);
  const Image rest = run.Capture();
  EXPECT_GT(Lit(rest, 30), 320 * 180 / 50);
  EXPECT_GT(Lit(rest, 30, true), 0);
}

// Through knot changes, wire overlays, styles that leave GL state behind, and to a time that is
// not a whole number of steps.
TEST_F(HeadlessPixelTest, FastForwardMatchesDrawingEveryFrame) {
  ASSERT_TRUE(context_->Resize(48, 32));
  saverSettings.knotCount = 3;
  saverSettings.styleWeight[Wire] = 6;
  saverSettings.blendedPercent = 100;
  saverSettings.wirePercent = 50;
  std::vector<uint8_t> pictures[2];
  for (int fast = 0; fast < 2; ++fast) {
    SaverRun run(*context_, 3u);
    fast ? run.FastForwardTo(20005, 50) : run.AdvanceTo(20005, 50);
    pictures[fast] = run.Capture().rgba;
  }
  EXPECT_TRUE(pictures[0] == pictures[1]);
  // The line mode a wire knot leaves outlasts skipped frames: seed 1 ends on a triangle knot after
  // a wire one (one knot, no overlays), outlined whether the frames between were drawn or not.
  saverSettings.knotCount = 1;
  saverSettings.wirePercent = 0;
  std::fill(std::begin(saverSettings.styleWeight), std::end(saverSettings.styleWeight), 0);
  saverSettings.styleWeight[Wire] = saverSettings.styleWeight[Triangle] = 1;
  for (int fast = 0; fast < 2; ++fast) {
    gl.PolygonMode(GL_FRONT_AND_BACK, GL_FILL);  // as a new context has it
    SaverRun run(*context_, 1u);
    fast ? run.FastForwardTo(30000, 100) : run.AdvanceTo(30000, 100);
    GLint mode[2];
    glGetIntegerv(GL_POLYGON_MODE, mode);
    EXPECT_EQ(std::pair(slots.at(0).params.style, mode[0]), std::pair(int32_t{Triangle}, GLint{GL_LINE})) << fast;
  }
}

}  // namespace
}  // namespace tv::headless
