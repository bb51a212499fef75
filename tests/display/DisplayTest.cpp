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

class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = saverSettings;
    ResetSettings(saverSettings);
    saverSettings.knotCount = 0;
    slots.clear();
    ClearTranslucent();
    displayState = DisplayState{};
    swaps_ = 0;
    SetSwapFunction([this] {
      ++swaps_;
      lastBeforeSwap_ = recorder_.Calls().empty() ? "" : test::Format(recorder_.Calls().back());
    });
  }
  void TearDown() override {
    SetSwapFunction(nullptr);
    saverSettings = saved_;
    slots.clear();
    ClearTranslucent();
    displayState = DisplayState{};
    UseBuiltInLibrary();
  }

  test::GlRecorder recorder_;
  SaverSettings saved_{};
  int swaps_ = 0;
  std::string lastBeforeSwap_;
  std::vector<uint8_t> block_;
};

TEST_F(DisplayTest, ResizeViewSetsViewportAndPerspective) {
  ResizeView(1280, 720);
  const std::vector<std::string> expected = {
      "Viewport(0, 0, 1280, 720)", "MatrixMode(GL_PROJECTION)", "LoadIdentity()",
      "Perspective(45, 1.7777777777777777, 0.10000000149011612, 100)", "MatrixMode(GL_MODELVIEW)",
      "LoadIdentity()"};
  EXPECT_EQ(recorder_.Formatted(), expected);
}

TEST_F(DisplayTest, ZeroHeightCountsAsOne) {
  ResizeView(640, 0);
  const auto calls = recorder_.Calls();
  EXPECT_EQ(test::Format(calls[0]), "Viewport(0, 0, 640, 1)");
  EXPECT_EQ(test::Format(calls[3]), "Perspective(45, 640, 0.10000000149011612, 100)");
}

TEST_F(DisplayTest, InitGLStateSetsStateLightsAndSeedsInOrder) {
  const uint32_t before = CalendarSeed();
  EXPECT_TRUE(InitGLState());
  const uint32_t after = CalendarSeed();
  const std::vector<std::string> expected = {
      "ShadeModel(GL_SMOOTH)",
      "ClearColor(0, 0, 0, 1)",
      "ClearDepth(1)",
      "ClearStencil(0)",
      "Enable(GL_DEPTH_TEST)",
      "DepthFunc(GL_LEQUAL)",
      "Hint(3152, 4354)",  // perspective correction, nicest
      "Enable(GL_CULL_FACE)",
      "Enable(GL_BLEND)",
      "BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA)",
      // SetupLighting
      "Lightfv(GL_LIGHT0, 4608, 0.30000001192092896, 0.30000001192092896, 0.30000001192092896, 1)",
      "Lightfv(GL_LIGHT0, 4609, 0.30000001192092896, 0.30000001192092896, 0.30000001192092896, 1)",
      "Lightfv(GL_LIGHT0, 4610, 1, 1, 1, 1)",
      "Lightfv(GL_LIGHT0, 4611, 0, 0, 6, 1)",
      "Lightfv(GL_LIGHT1, 4608, 0.20000000298023224, 0.10000000149011612, 0, 1)",
      "Lightfv(GL_LIGHT1, 4609, 0.20000000298023224, 0.10000000149011612, 0, 1)",
      "Lightfv(GL_LIGHT1, 4611, 4, 4, 6, 1)",
      "Lightfv(GL_LIGHT2, 4608, 0, 0.10000000149011612, 0.20000000298023224, 1)",
      "Lightfv(GL_LIGHT2, 4609, 0, 0.10000000149011612, 0.20000000298023224, 1)",
      "Lightfv(GL_LIGHT2, 4611, -4, 4, 6, 1)",
      "Enable(GL_LIGHT0)",
      "Enable(GL_LIGHT1)",
      "Enable(GL_LIGHT2)",
      "Materialfv(GL_FRONT_AND_BACK, 4610, 1, 1, 1, 1)",
      "Materialf(GL_FRONT_AND_BACK, 5633, 64)",
      "Enable(GL_LIGHTING)",
      // back in InitGLState
      "Enable(GL_COLOR_MATERIAL)",
      "Enable(GL_POINT_SMOOTH)",
      "PointSize(3.2000000476837158)",
  };
  EXPECT_EQ(recorder_.Formatted(), expected);
  EXPECT_GE(RandomState(), before);
  EXPECT_LE(RandomState(), after);
}

TEST_F(DisplayTest, TickInTheSameMillisecondDrawsNothing) {
  StartClock(100);
  EXPECT_EQ(displayState.lastTick, 101u);
  OnTimerTick(111);
  EXPECT_EQ(displayState.elapsedTotal, 10);
  recorder_.Clear();
  OnTimerTick(111);
  EXPECT_TRUE(recorder_.Calls().empty());
  EXPECT_EQ(displayState.lastTick, 111u);
  EXPECT_EQ(displayState.elapsedTotal, 10);
  EXPECT_EQ(swaps_, 1);
}

TEST_F(DisplayTest, FrameClearsDrawsFlushesThenSwaps) {
  StartClock(0);
  OnTimerTick(11);
  const auto calls = recorder_.Formatted({"GetDoublev"});
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls.front(), "Clear(17664)");  // colour | depth | stencil
  EXPECT_EQ(calls.back(), "Flush()");
  EXPECT_EQ(swaps_, 1);
  EXPECT_EQ(lastBeforeSwap_, "Flush()");
  EXPECT_EQ(displayState.elapsedTotal, 10);
  EXPECT_EQ(displayState.lastTick, 11u);
}

TEST_F(DisplayTest, ClockWrapGivesTheTrueInterval) {
  StartClock(0xFFFFFFF0u);
  OnTimerTick(5);  // 21 ms after the start reading, 20 after the first tick's base
  EXPECT_EQ(displayState.elapsedTotal, 20);
  StartClock(0xFFFFFFFFu);
  EXPECT_EQ(displayState.lastTick, 0u);
}

TEST_F(DisplayTest, FirstTickInTheCreationMillisecondLeavesTheKnotsInPlace) {
  block_ = test::RingBlock(1);
  UseLibraryBlock(block_.data(), block_.size());
  saverSettings.knotCount = 1;
  StartClock(500);
  OnTimerTick(500);  // unsigned 500 - 501: handed on as -1
  EXPECT_EQ(displayState.elapsedTotal, -1);
  ASSERT_EQ(slots.size(), 1u);
  EXPECT_EQ(slots[0].progress, 0.0);
}

TEST_F(DisplayTest, SceneClockWrapsAfterTwentyFourDaysAndTheSceneGoesOn) {
  block_ = test::RingBlock(1);
  UseLibraryBlock(block_.data(), block_.size());
  saverSettings.knotCount = 1;
  saverSettings.sColoredPercent = 100;
  saverSettings.wobblePercent = 100;
  displayState.elapsedTotal = INT_MAX - 5;
  RenderFrame(10);
  EXPECT_EQ(displayState.elapsedTotal, INT_MIN + 4);
  const double progress = slots.at(0).progress;
  recorder_.Clear();
  RenderFrame(10);
  EXPECT_EQ(displayState.elapsedTotal, INT_MIN + 14);
  EXPECT_GT(slots[0].progress, progress);
  for (const auto& block : test::Blocks(recorder_.Calls()))
    for (const auto& v : block.vertices) {
      ASSERT_TRUE(std::isfinite(v.position.x) && std::isfinite(v.colour[0]));
      ASSERT_GE(v.colour[0], 0.0);
      ASSERT_LE(v.colour[0], 1.0);
    }
}

TEST_F(DisplayTest, WithoutSwapFunctionFramesStillDraw) {
  SetSwapFunction(nullptr);
  StartClock(0);
  OnTimerTick(11);
  EXPECT_EQ(recorder_.Count("Flush"), 1u);
}

}  // namespace
}  // namespace tv
