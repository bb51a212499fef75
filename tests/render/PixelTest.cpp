// Real pixels through Mesa: the renderer's output in an offscreen EGL context, with the saver's
// own view and fixed GL state.
#include <gtest/gtest.h>

#include <cmath>
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

struct Pixels {
  std::vector<uint8_t> rgba;
  const uint8_t* At(int col, int rowFromTop) const { return &rgba[(rowFromTop * kW + col) * 4]; }
  int Lit() const {
    int n = 0;
    for (size_t i = 0; i < rgba.size(); i += 4) n += (rgba[i] | rgba[i + 1] | rgba[i + 2]) != 0;
    return n;
  }
};

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
  Pixels Draw(std::initializer_list<RenderParams> params, int32_t timeMs = 0) {
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
    return {context_->ReadPixels()};
  }

  std::unique_ptr<headless::EglContext> context_;
  TorusKnot knot_;
};

TEST_F(Pixel, KnotIsLitAndColouredOnItsTubeAndBlackElsewhere) {
  const Pixels image = Draw({Plain(Smooth)});
  // Along the centre line (the knot at (0, 0, -7) under the 45-degree projection): lit, with
  // the tube's green (0.3, 0.8, 0.5) leading.
  const double f = 1.0 / std::tan(22.5 * M_PI / 180.0);
  const KnotComponent& c = knot_.components[0];
  for (size_t i = 0; i < c.curve.size(); i += 8) {
    const Vec3& p = c.curve[i];
    const uint8_t* px = image.At(int((f / (double(kW) / kH) * p.x / (7 - p.z) + 1) * 0.5 * kW), int((1 - f * p.y / (7 - p.z)) * 0.5 * kH));
    EXPECT_TRUE(px[1] > 60 && px[1] > px[0] && px[1] > px[2]) << "curve point " << i;
  }
  // The corners and the hole in the middle of the torus stay black.
  for (auto [col, row] : {std::pair{2, 2}, {kW - 3, 2}, {2, kH - 3}, {kW - 3, kH - 3}, {kW / 2, kH / 2}})
    EXPECT_EQ(image.At(col, row)[0] | image.At(col, row)[1] | image.At(col, row)[2], 0) << col << "," << row;
  EXPECT_GT(image.Lit(), kW * kH / 20);
  EXPECT_LT(image.Lit(), kW * kH / 2);
}

TEST_F(Pixel, TriangleAfterWireIsDrawnInOutlines) {
  const int filled = Draw({Plain(Smooth), Plain(Triangle)}).Lit();
  const int outlined = Draw({Plain(Wire), Plain(Triangle)}).Lit();
  EXPECT_LT(outlined, filled * 3 / 4);
  EXPECT_GT(outlined, 0);
  Draw({Plain(Smooth)});  // leave the filled state for the next test
}

TEST_F(Pixel, TranslucentCellsBlendOverTheBlackBackground) {
  // About 18.6 s in, the knot lies beyond the x plane alone: every cell is translucent.
  const int32_t timeMs = 18564;
  RenderParams translucent = Plain(Smooth);
  translucent.translucent = 1;
  const Pixels blended = Draw({translucent}, timeMs);
  EXPECT_EQ(TranslucentCells().size(), size_t(80 * 10));
  const Pixels opaque = Draw({Plain(Smooth)}, timeMs);
  // Same coverage, but dimmer: alpha at most 0.84 over black.
  long sumBlended = 0, sumOpaque = 0;
  for (size_t i = 1; i < opaque.rgba.size(); i += 4) sumBlended += blended.rgba[i], sumOpaque += opaque.rgba[i];
  EXPECT_LT(sumBlended, sumOpaque);
  EXPECT_GT(blended.Lit(), opaque.Lit() / 2);
}

}  // namespace
}  // namespace tv
