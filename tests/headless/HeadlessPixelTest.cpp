// Real pixels through EGL on Mesa: a still of a known knot, and the saver's frames on the
// simulated clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "EglContext.h"
#include "HeadlessRun.h"
#include "knots/library/KnotLibrary.h"
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
}

}  // namespace
}  // namespace tv::headless
