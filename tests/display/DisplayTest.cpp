// The frame clock, the projection and the fixed GL state, through the recording GL layer.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "display/Display.h"
#include "foundation/Random.h"
#include "knots/library/KnotLibrary.h"
#include "render/Render.h"
#include "saver/Saver.h"
#include "saver/SceneTestSupport.h"
#include "settings/SaverSettings.h"
#include "support/GlRecorder.h"

namespace tv {
namespace {

using Strings = std::vector<std::string>;

// Each test starts from the default settings with one ring knot and a fresh clock.
class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSettings(saverSettings);
    UseLibraryBlock(block_.data(), block_.size());
    saverSettings.knotCount = 1;
    Reset();
    SetSwapFunction([this] {
      ++swaps_;
      lastBeforeSwap_ = test::Format(recorder_.Calls().back());
    });
  }
  void TearDown() override {
    SetSwapFunction(nullptr);
    UseBuiltInLibrary();
  }
  void Reset() {
    slots.clear();
    ClearTranslucent();
    displayState = DisplayState{};
  }
  test::GlRecorder recorder_;
  int swaps_ = 0;
  std::string lastBeforeSwap_;
  const std::vector<uint8_t> block_ = test::RingBlock(1);
};

// The view counts a zero height as one; the fixed state, lights and seed are set in one order.
TEST_F(DisplayTest, ResizeViewAndInitGLStateSetTheirStateInOrder) {
  const struct {
    int w, h;
    const char *viewport, *perspective;
  } cases[] = {{1280, 720, "Viewport(0, 0, 1280, 720)", "Perspective(45, 1.7777777777777777, 0.10000000149011612, 100)"},
               {640, 0, "Viewport(0, 0, 640, 1)", "Perspective(45, 640, 0.10000000149011612, 100)"},
               {-5, -5, "Viewport(0, 0, 0, 1)", "Perspective(45, 0, 0.10000000149011612, 100)"}};
  for (const auto& c : cases) {
    recorder_.Clear();
    ResizeView(c.w, c.h);
    EXPECT_EQ(recorder_.Formatted(), (Strings{c.viewport, "MatrixMode(GL_PROJECTION)", "LoadIdentity()", c.perspective,
                                              "MatrixMode(GL_MODELVIEW)", "LoadIdentity()"}));
  }
  recorder_.Clear();
  const uint32_t before = CalendarSeed();
  EXPECT_TRUE(InitGLState());
  const uint32_t after = CalendarSeed();
  const std::string grey = "0.30000001192092896, 0.30000001192092896, 0.30000001192092896, 1)";
  const std::string warm = "0.20000000298023224, 0.10000000149011612, 0, 1)";
  const std::string cool = "0, 0.10000000149011612, 0.20000000298023224, 1)";
  EXPECT_EQ(recorder_.Formatted(),
            (Strings{"ShadeModel(GL_SMOOTH)", "ClearColor(0, 0, 0, 1)", "ClearDepth(1)", "ClearStencil(0)",
                     "Enable(GL_DEPTH_TEST)", "DepthFunc(GL_LEQUAL)", "Hint(3152, 4354)",  // perspective, nicest
                     "Enable(GL_CULL_FACE)", "Enable(GL_BLEND)", "BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA)",
                     // the lights: ambient and diffuse alike, specular, position
                     "Lightfv(GL_LIGHT0, 4608, " + grey, "Lightfv(GL_LIGHT0, 4609, " + grey,
                     "Lightfv(GL_LIGHT0, 4610, 1, 1, 1, 1)", "Lightfv(GL_LIGHT0, 4611, 0, 0, 6, 1)",
                     "Lightfv(GL_LIGHT1, 4608, " + warm, "Lightfv(GL_LIGHT1, 4609, " + warm,
                     "Lightfv(GL_LIGHT1, 4611, 4, 4, 6, 1)", "Lightfv(GL_LIGHT2, 4608, " + cool,
                     "Lightfv(GL_LIGHT2, 4609, " + cool, "Lightfv(GL_LIGHT2, 4611, -4, 4, 6, 1)",
                     "Enable(GL_LIGHT0)", "Enable(GL_LIGHT1)", "Enable(GL_LIGHT2)",
                     "Materialfv(GL_FRONT_AND_BACK, 4610, 1, 1, 1, 1)", "Materialf(GL_FRONT_AND_BACK, 5633, 64)",
                     "Enable(GL_LIGHTING)", "Enable(GL_COLOR_MATERIAL)", "Enable(GL_POINT_SMOOTH)",
                     "PointSize(3.2000000476837158)"}));
  EXPECT_GE(RandomState(), before);
  EXPECT_LE(RandomState(), after);
}

// Ticks after StartClock(start): the scene time and the last tick; each case draws one frame.
TEST_F(DisplayTest, TicksMeasureUnsignedIntervalsSkipTheSameMillisecondAndSwapAfterTheFrame) {
  const struct {
    uint32_t start;
    std::vector<uint32_t> ticks;
    int32_t elapsed;
  } cases[] = {
      {100, {111, 111}, 10},         // the second tick lands in the same millisecond
      {0xFFFFFFF0u, {5}, 20},        // across the clock's wrap: 20 ms after the first tick's base
      {0xFFFFFFFFu, {0, 3}, 3},      // the base itself wraps to 0
      {500, {500}, -1},              // first tick in the creation millisecond: handed on as -1
  };
  for (const auto& c : cases) {
    Reset();
    swaps_ = 0;
    StartClock(c.start);
    EXPECT_EQ(displayState.lastTick, c.start + 1u);
    for (uint32_t t : c.ticks) OnTimerTick(t);
    EXPECT_EQ(displayState.elapsedTotal, c.elapsed) << c.start;
    EXPECT_EQ(displayState.lastTick, c.ticks.back());
    EXPECT_EQ(swaps_, 1) << c.start;
    EXPECT_TRUE(c.elapsed > 0 || slots.at(0).progress == 0.0) << "the knots stay in place";
  }
  recorder_.Clear();
  OnTimerTick(500);  // same millisecond again: no call at all
  EXPECT_TRUE(recorder_.Calls().empty());
  OnTimerTick(511);
  EXPECT_EQ(test::Format(recorder_.Calls().front()), "Clear(17664)");  // colour | depth | stencil
  EXPECT_EQ(lastBeforeSwap_, "Flush()");
  // Without a swap function the frame is still drawn.
  SetSwapFunction(nullptr);
  OnTimerTick(520);
  EXPECT_EQ(recorder_.Count("Flush"), 2u);
  EXPECT_EQ(displayState.elapsedTotal, -1 + 11 + 9);
  EXPECT_EQ(swaps_, 2);
}

TEST_F(DisplayTest, SceneClockWrapsAfterTwentyFourDaysAndTheSceneGoesOn) {
  saverSettings.sColoredPercent = saverSettings.wobblePercent = 100;
  displayState.elapsedTotal = INT_MAX - 5;
  RenderFrame(10);
  EXPECT_EQ(displayState.elapsedTotal, INT_MIN + 4);
  const double progress = slots.at(0).progress;
  recorder_.Clear();
  RenderFrame(10);
  EXPECT_EQ(displayState.elapsedTotal, INT_MIN + 14);
  EXPECT_GT(slots[0].progress, progress);
  size_t vertices = 0;
  for (const auto& block : test::Blocks(recorder_.Calls()))
    for (const auto& v : block.vertices) {  // NaN fails every comparison
      ASSERT_TRUE(std::isfinite(v.position.x) && v.colour[0] >= 0.0 && v.colour[0] <= 1.0);
      ++vertices;
    }
  EXPECT_GT(vertices, 0u) << "a frame with nothing drawn proves nothing";
}

}  // namespace
}  // namespace tv
