// Real pixels through Mesa: the renderer's output in an offscreen EGL context, with the saver's
// own view and fixed GL state. (The lit, coloured tube itself is checked by the headless still.)
#include <gtest/gtest.h>

#include <memory>

#include "EglContext.h"
#include "Grid.h"
#include "display/Display.h"
#include "knots/TorusKnot.h"
#include "render/Gl.h"
#include "render/Render.h"

namespace tv {
namespace {

using test::Plain;

constexpr int kW = 320, kH = 240;

// Pixels with any colour, in RGBA bytes.
int Lit(const std::vector<uint8_t>& rgba) {
  int n = 0;
  for (size_t i = 0; i < rgba.size(); i += 4) n += (rgba[i] | rgba[i + 1] | rgba[i + 2]) != 0;
  return n;
}

class Pixel : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    context_ = headless::EglContext::Create(kW, kH, error);
    ASSERT_TRUE(context_) << error;
    ResizeView(kW, kH);
    InitGLState();
    knot_.Rebuild();
    knot_.ScaleToSize(5.0);
  }
  // One frame per knot at (0, 0, -7): the picture is the last one, drawn in the state the others left.
  std::vector<uint8_t> Draw(std::initializer_list<RenderParams> params, int32_t timeMs = 0) {
    for (const RenderParams& p : params) {
      gl.Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
      ClearTranslucent();
      gl.LoadIdentity();
      gl.Translatef(0, 0, -7);
      DrawKnot(knot_, timeMs, p);
      gl.LoadIdentity();
      DrawTranslucent();
      gl.Flush();
    }
    return context_->ReadPixels();
  }

  std::unique_ptr<headless::EglContext> context_;
  TorusKnot knot_;
};

TEST_F(Pixel, TriangleAfterWireIsDrawnInOutlines) {
  const int filled = Lit(Draw({Plain(Smooth), Plain(Triangle)}));
  const int outlined = Lit(Draw({Plain(Wire), Plain(Triangle)}));
  EXPECT_LT(outlined, filled * 3 / 4);
  EXPECT_GT(outlined, 0);
}

TEST_F(Pixel, TranslucentCellsBlendOverTheBlackBackground) {
  // About 18.6 s in, the knot lies beyond the x plane alone: every cell is translucent.
  const int32_t timeMs = 18564;
  const auto blended = Draw({{.style = Smooth, .sColored = 0, .wobbles = 0, .translucent = 1}}, timeMs);
  EXPECT_EQ(TranslucentCells().size(), size_t(80 * 10));
  const auto opaque = Draw({Plain(Smooth)}, timeMs);
  // Same coverage, but dimmer: alpha at most 0.84 over black.
  long sumBlended = 0, sumOpaque = 0;
  for (size_t i = 1; i < opaque.size(); i += 4) sumBlended += blended[i], sumOpaque += opaque[i];
  EXPECT_LT(sumBlended, sumOpaque);
  EXPECT_GT(Lit(blended), Lit(opaque) / 2);
}

}  // namespace
}  // namespace tv
