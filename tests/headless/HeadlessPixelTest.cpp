// Real pixels through EGL on Mesa: a still of a known knot, and the saver's frames on the
// simulated clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

#include "EglContext.h"
#include "HeadlessRun.h"
#include "display/Display.h"
#include "foundation/Random.h"
#include "knots/library/KnotLibrary.h"
#include "saver/Saver.h"
#include "saver/SceneTestSupport.h"
#include "settings/SaverSettings.h"

namespace tv::headless {
namespace {

class HeadlessPixelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = saverSettings;
    ResetSettings(saverSettings);
  }
  void TearDown() override {
    saverSettings = saved_;
    ResetScene();
    UseBuiltInLibrary();
  }
  std::unique_ptr<EglContext> context_;
  SaverSettings saved_{};
  std::vector<uint8_t> block_;
};

#define TV_NEED_EGL(w, h)                                \
  std::string eglError;                                  \
  context_ = EglContext::Create(w, h, eglError);         \
  if (!context_) GTEST_SKIP() << "no EGL: " << eglError; \
  EglContext& context = *context_

int Brightness(const uint8_t* p) { return std::max({p[0], p[1], p[2]}); }
int Chroma(const uint8_t* p) { return Brightness(p) - std::min({p[0], p[1], p[2]}); }

// Pixels of the image brighter than `above` (and where the test says, if it says).
long Lit(const Image& image, int above, const std::function<bool(int, int)>& where = nullptr) {
  long n = 0;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) n += Brightness(image.At(x, y)) > above && (!where || where(x, y));
  return n;
}

TEST_F(HeadlessPixelTest, ContextHasTheSaversPixelFormat) {
  TV_NEED_EGL(64, 48);
  EXPECT_EQ(context.Width(), 64);
  EXPECT_EQ(context.Height(), 48);
  EXPECT_GE(context.DepthBits(), 16);
  EXPECT_GE(context.StencilBits(), 1);
  EXPECT_TRUE(context.Resize(100, 30));
  EXPECT_EQ(context.ReadPixels().size(), 100u * 30u * 4u);
  EXPECT_FALSE(context.Resize(0, 30));
}

TEST_F(HeadlessPixelTest, StillOfARingIsLitAndColouredOnTheRingAndBlackElsewhere) {
  TV_NEED_EGL(320, 240);
  block_ = test::RingBlock(1, 48, 6.0);
  UseLibraryBlock(block_.data(), block_.size());
  saverSettings.uMin = saverSettings.uMax = 2.0;  // a round tube of 96 rings of 12
  saverSettings.vMin = saverSettings.vMax = 12;
  ResizeView(320, 240);
  InitGLState();
  SeedRandom(1);
  DrawStoredKnotStill(0, Smooth);
  Image image(320, 240);
  image.rgba = context.ReadPixels();

  // Ring of radius 5/(2 sqrt 2) world units at depth 7: about 73 pixels on a 240-pixel-high view.
  const double radius = 5.0 / (2.0 * std::sqrt(2.0)) / (7.0 * std::tan(22.5 * M_PI / 180.0)) * 120.0;
  int lit = 0, coloured = 0, brightest = 0;
  for (int k = 0; k < 72; ++k) {
    const double a = 2 * M_PI * k / 72;
    const uint8_t* p = image.At(int(160 + radius * std::cos(a)), int(120 - radius * std::sin(a)));
    lit += Brightness(p) > 40;
    coloured += Chroma(p) > 40;
    brightest = std::max(brightest, Brightness(p));
  }
  EXPECT_GE(lit, 70) << "the tube is drawn all the way round";
  EXPECT_GE(coloured, 60) << "in colour, not grey";
  EXPECT_GE(brightest, 200) << "with a highlight from the lights";
  for (auto [x, y] : {std::pair{160, 120}, {2, 2}, {317, 2}, {2, 237}, {317, 237}, {160, 20}})
    EXPECT_EQ(Brightness(image.At(x, y)), 0) << x << "," << y;

  // Lighting: the hue ramp's colours are pure (weakest channel 0), so near-white pixels can only
  // be specular highlights; the sides facing away from the lights keep only the ambient share
  // (about 0.7 of the colour), the sides facing them reach full colour.
  long highlights = 0;
  for (size_t i = 0; i < image.rgba.size(); i += 4) highlights += std::min({image.rgba[i], image.rgba[i + 1], image.rgba[i + 2]}) > 180;
  EXPECT_GT(highlights, 20);
  EXPECT_GT(Lit(image, 0) - Lit(image, 199), 100);
  EXPECT_GT(Lit(image, 249), 100);
}

TEST_F(HeadlessPixelTest, KnotsFlyInFromOutsideTheViewAndRestNearTheCentre) {
  TV_NEED_EGL(320, 180);
  SaverRun run(context, 1u);
  run.AdvanceTo(10, 10);
  EXPECT_EQ(Lit(run.Capture(), 0), 0) << "every knot starts beyond the edge of the view";
  // 6 s in, every first flight (10 to 16 s long) is in its resting middle third.
  run.FastForwardTo(6000, 10);
  const Image rest = run.Capture();
  EXPECT_GT(Lit(rest, 30), 320 * 180 / 50);
  EXPECT_GT(Lit(rest, 30, [](int x, int y) { return std::abs(x - 160) < 80 && std::abs(y - 90) < 45; }), 0);
}

TEST_F(HeadlessPixelTest, SkippingDrawingBeforeAFrameGivesTheSamePicture) {
  TV_NEED_EGL(160, 90);
  saverSettings.knotCount = 4;
  SaverRun full(context, 5u);
  full.AdvanceTo(4000, 10);
  const Image drawn = full.Capture();
  SaverRun skipped(context, 5u);
  skipped.FastForwardTo(4000, 10);
  EXPECT_TRUE(drawn.rgba == skipped.Capture().rgba);
}

TEST_F(HeadlessPixelTest, HeaviestSettingsDrawAFrame) {
  TV_NEED_EGL(160, 90);
  saverSettings.knotCount = 20;
  saverSettings.uMax = 10.0;
  saverSettings.vMax = 50;
  saverSettings.blendedPercent = 100;
  SaverRun run(context, 2u);
  run.FastForwardTo(6000, 2000);  // coarse steps: the same first flights, a fraction of the work
  EXPECT_EQ(slots.size(), 20u);
  EXPECT_GT(Lit(run.Capture(), 0), 0);
}

}  // namespace
}  // namespace tv::headless
