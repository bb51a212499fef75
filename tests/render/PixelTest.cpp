// Real pixels through Mesa: the renderer's output in an offscreen EGL context.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "EglContext.h"
#include "StillScene.h"
#include "knots/TorusKnot.h"
#include "render/Render.h"

namespace tv {
namespace {

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
    test::SetupStillState(kW, kH);
    knot_.Rebuild();
    knot_.ScaleToSize(5.0);
  }
  Pixels Draw(std::initializer_list<RenderParams> params, int32_t timeMs = 0) {
    // One frame per knot: the picture is the last one, drawn in the state the others left.
    const Knot* k = &knot_;
    const test::Placement where;
    for (const RenderParams& p : params) test::DrawStill(&k, &p, &where, 1, timeMs);
    return {context_->ReadPixels()};
  }
  // Pixel of a model point with the knot at (0, 0, -7), as the 45-degree projection puts it.
  static std::pair<int, int> Project(const Vec3& p) {
    const double f = 1.0 / std::tan(22.5 * M_PI / 180.0);
    const double depth = 7.0 - p.z;
    const double x = f / (double(kW) / kH) * p.x / depth, y = f * p.y / depth;
    return {int((x + 1) * 0.5 * kW), int((1 - y) * 0.5 * kH)};
  }

  std::unique_ptr<headless::EglContext> context_;
  TorusKnot knot_;
};

RenderParams Style(int32_t style) {
  RenderParams p;
  p.style = style;
  p.sColored = p.wobbles = p.translucent = p.wireOverlay = 0;
  return p;
}

TEST_F(Pixel, KnotIsLitAndColouredWhereItIsAndBlackElsewhere) {
  const Pixels image = Draw({Style(Smooth)});
  // Along the centre line: lit, with the tube's green (0.3, 0.8, 0.5) leading.
  const KnotComponent& c = knot_.components[0];
  for (size_t i = 0; i < c.curve.size(); i += 8) {
    const auto [col, row] = Project(c.curve[i]);
    const uint8_t* px = image.At(col, row);
    EXPECT_GT(px[1], 60) << "curve point " << i;
    EXPECT_GT(px[1], px[0]) << "curve point " << i;
    EXPECT_GT(px[1], px[2]) << "curve point " << i;
  }
  // The corners and the hole in the middle of the torus stay black.
  for (auto [col, row] : {std::pair{2, 2}, {kW - 3, 2}, {2, kH - 3}, {kW - 3, kH - 3}, {kW / 2, kH / 2}}) {
    const uint8_t* px = image.At(col, row);
    EXPECT_EQ(px[0] | px[1] | px[2], 0) << col << "," << row;
  }
  const int lit = image.Lit();
  EXPECT_GT(lit, kW * kH / 20);
  EXPECT_LT(lit, kW * kH / 2);
}

TEST_F(Pixel, TriangleAfterWireIsDrawnInOutlines) {
  const int filled = Draw({Style(Smooth), Style(Triangle)}).Lit();
  const int outlined = Draw({Style(Wire), Style(Triangle)}).Lit();
  EXPECT_LT(outlined, filled * 3 / 4);
  EXPECT_GT(outlined, 0);
  Draw({Style(Smooth)});  // leave the filled state for the next test
}

TEST_F(Pixel, TranslucentCellsBlendOverTheBlackBackground) {
  RenderParams p = Style(Smooth);
  p.translucent = 1;
  // About 18.6 s in, the knot lies beyond the x plane alone: every cell is translucent.
  const int32_t timeMs = 18564;
  const Pixels blended = Draw({p}, timeMs);
  EXPECT_EQ(TranslucentCells().size(), size_t(80 * 10));
  const Pixels opaque = Draw({Style(Smooth)}, timeMs);
  // Same coverage, but dimmer: alpha at most 0.84 over black.
  long sumBlended = 0, sumOpaque = 0;
  for (size_t i = 1; i < opaque.rgba.size(); i += 4) {
    sumBlended += blended.rgba[i];
    sumOpaque += opaque.rgba[i];
  }
  EXPECT_LT(sumBlended, sumOpaque);
  EXPECT_GT(blended.Lit(), opaque.Lit() / 2);
}

}  // namespace
}  // namespace tv
