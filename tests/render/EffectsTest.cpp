#include <gtest/gtest.h>

#include <cmath>

#include "render/Render.h"

namespace tv {
namespace {

RenderParams Flags(bool coloured, bool wobbles, bool translucent) {
  RenderParams p;
  p.sColored = coloured;
  p.wobbles = wobbles;
  p.translucent = translucent;
  return p;
}

TEST(VertexEffects, NoFlagKeepsPositionAndColourAndMakesOpaque) {
  Vec3 p(1.5, -2.0, 0.25);
  Rgba c(0.2, 0.4, 0.6, 0.3);
  ApplyVertexEffects(p, c, Flags(false, false, false), MeshPass::Surface, 12.3, 8364);
  EXPECT_EQ(p, Vec3(1.5, -2.0, 0.25));
  EXPECT_EQ(c, Rgba(0.2, 0.4, 0.6, 1.0));
}

TEST(VertexEffects, TranslucencyOnlyInTheSurfacePass) {
  // At t = 0, (0, -5, 0) lies beyond the z plane alone: translucent on the surface.
  const Vec3 start(0, -5, 0);
  Vec3 p = start;
  Rgba c;
  ApplyVertexEffects(p, c, Flags(false, false, true), MeshPass::Overlay, 0.0, 0);
  EXPECT_EQ(c.a, 1.0);
  ApplyVertexEffects(p, c, Flags(false, false, true), MeshPass::Surface, 0.0, 0);
  EXPECT_DOUBLE_EQ(c.a, 0.4 * (std::sin(-5.0) + 1.1));
}

TEST(VertexEffects, ColourAndAlphaComeFromTheUndisplacedPoint) {
  const Vec3 start(0.3, -0.7, 1.1);
  const int32_t timeMs = 1234;  // sin(phi) != 0: the wobble moves the point
  const double t = timeMs * 0.0014705882352941176;
  Vec3 p = start;
  Rgba c;
  ApplyVertexEffects(p, c, Flags(true, true, true), MeshPass::Surface, t, timeMs);
  double r, g, b;
  FieldColour(start, t, r, g, b);
  EXPECT_EQ(c, Rgba(r, g, b, CellAlpha(start, t)));
  EXPECT_EQ(p, start + WobbleOffset(start, timeMs));
  EXPECT_NE(p, start);
}

TEST(VertexEffects, FieldColourAtTheOriginIsMidGrey) {
  double r, g, b;
  FieldColour(Vec3(0, 0, 0), 0.0, r, g, b);
  EXPECT_EQ(r, 0.5);
  EXPECT_EQ(g, 0.5);
  EXPECT_EQ(b, 0.5);
  // Green drifts 1.2 times faster than red and blue.
  FieldColour(Vec3(0, 0, 0), 1.0, r, g, b);
  EXPECT_DOUBLE_EQ(r, (std::sin(1.0) + 1) * 0.5);
  EXPECT_DOUBLE_EQ(g, (std::sin(1.2) + 1) * 0.5);
  EXPECT_DOUBLE_EQ(b, r);
}

TEST(VertexEffects, CellAlphaCountsPlanesPassed) {
  // At t = 0 the planes sit at x = 6.4, y = -4.9, z = -5.4.
  EXPECT_EQ(CellAlpha(Vec3(0, 0, 0), 0.0), 1.0);  // beyond y and z: two planes
  EXPECT_NEAR(CellAlpha(Vec3(0, -5, 0), 0.0), 0.8236, 1e-4);  // beyond z alone
  EXPECT_EQ(CellAlpha(Vec3(0, -5, -6), 0.0), 1.0);  // beyond none
  EXPECT_DOUBLE_EQ(CellAlpha(Vec3(7, 0, 0), 0.0), 0.4 * (std::sin(7.0) + 1.1));  // all three
  // A point exactly on a plane is on its near side.
  EXPECT_EQ(CellAlpha(Vec3(6.4, -5, -6), 0.0), 1.0);
  EXPECT_NE(CellAlpha(Vec3(6.4000001, -5, -6), 0.0), 1.0);
}

TEST(VertexEffects, CellAlphaStaysInItsRange) {
  for (int i = 0; i < 2000; ++i) {
    const double t = i * 0.37;
    const Vec3 p(std::sin(i) * 9, std::cos(i * 1.3) * 8, std::sin(i * 0.7) * 10);
    const double a = CellAlpha(p, t);
    if (a != 1.0) {
      EXPECT_GE(a, 0.04 - 1e-12);
      EXPECT_LE(a, 0.84 + 1e-12);
    }
  }
}

TEST(VertexEffects, WobbleBreathesWithTheClock) {
  EXPECT_EQ(WobbleOffset(Vec3(0.4, 1.2, -3), 0), Vec3(0, 0, 0));
  // timeMs = 170 * pi / 2 is not whole; 267 ms gives phi = 1.5706, amplitude just under 0.2.
  const Vec3 d = WobbleOffset(Vec3(0, 0, 0), 267);
  const double phi = 267 * 0.0058823529411764705;
  const double a = 0.20000000298023224 * std::sin(phi);
  EXPECT_DOUBLE_EQ(d.x, a * std::sin(phi));
  EXPECT_DOUBLE_EQ(d.y, a * (std::sin(phi) + std::cos(phi)) * 0.5);
  EXPECT_DOUBLE_EQ(d.z, a * std::sin(-phi));
  EXPECT_LE(std::fabs(d.x), 0.2 + 1e-9);
}

TEST(EaseInHoldOut, GlidesRestsGlides) {
  EXPECT_EQ(EaseInHoldOut(0.0), 0.0);
  EXPECT_EQ(EaseInHoldOut(0.3333333333333333), 0.5);
  EXPECT_EQ(EaseInHoldOut(0.5), 0.5);
  EXPECT_NEAR(EaseInHoldOut(1.0), 1.0, 1e-15);
  EXPECT_NEAR(EaseInHoldOut(0.3333333333), 0.5, 1e-9);  // continuous into the rest
  EXPECT_NEAR(EaseInHoldOut(0.6666666666666666), 0.5, 1e-15);
  double previous = 0.0;
  for (int i = 0; i <= 300; ++i) {
    const double y = EaseInHoldOut(i / 300.0);
    EXPECT_GE(y, previous - 1e-15);
    previous = y;
  }
}

}  // namespace
}  // namespace tv
