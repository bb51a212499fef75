#include <gtest/gtest.h>

#include <cmath>

#include "render/Render.h"

namespace tv {
namespace {

TEST(VertexEffects, EachFlagChangesOnlyItsOwnPartAndAlphaOnlyOnTheSurface) {
  // At t = 0, (0, -5, 0) lies beyond the z plane alone: translucent on the surface.
  const Vec3 start(0, -5, 0);
  const Rgba colour(0.2, 0.4, 0.6, 0.3);
  const int32_t timeMs = 1234;  // sin(phi) != 0: the wobble moves the point
  const double t = 0.0;
  double r, g, b;
  FieldColour(start, t, r, g, b);
  const Vec3 moved = start + WobbleOffset(start, timeMs);
  const double alpha = 0.4 * (std::sin(-5.0) + 1.1);
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
    EXPECT_EQ(p, c.p) << +c.coloured << +c.wobbles << +c.translucent;
    EXPECT_EQ(out, c.c) << +c.coloured << +c.wobbles << +c.translucent;
  }
  EXPECT_NE(moved, start);
}

// Alpha counts the planes passed; colour, wobble and the path easing follow their closed forms.
TEST(VertexEffects, AlphaColourWobbleAndEaseFollowTheirClosedForms) {
  // At t = 0 the planes sit at x = 6.4, y = -4.9, z = -5.4: beyond one or three, translucent.
  const struct {
    Vec3 p;
    bool opaque;
  } cases[] = {{{0, 0, 0}, true},         // beyond y and z: two planes
               {{0, -5, 0}, false},       // beyond z alone
               {{0, -5, -6}, true},       // beyond none
               {{7, 0, 0}, false},        // all three
               {{6.4, -5, -6}, true},     // exactly on a plane is its near side
               {{6.4000001, -5, -6}, false}};
  for (const auto& [p, opaque] : cases)
    EXPECT_EQ(CellAlpha(p, 0.0), opaque ? 1.0 : 0.4 * (std::sin(p.x + p.y + p.z) + 1.1)) << p.x << "," << p.y << "," << p.z;
  // Green drifts 1.2 times faster than red and blue; the wobble breathes with the clock (267 ms:
  // phi = 1.5706, amplitude just under 0.2).
  EXPECT_EQ(WobbleOffset(Vec3(0.4, 1.2, -3), 0), Vec3(0, 0, 0));
  const Vec3 p(0.1, -0.2, 0.3);
  for (int32_t timeMs : {267, 1000, 2500}) {
    const double t = timeMs / 1000.0;
    double r, g, b;
    FieldColour(p, t, r, g, b);
    EXPECT_DOUBLE_EQ(r, (std::sin(0.5 + t) + 1) * 0.5);
    EXPECT_DOUBLE_EQ(g, (std::sin(-1.0 + 1.2 * t) + 1) * 0.5);
    EXPECT_DOUBLE_EQ(b, (std::sin(0.5 + 1.5 + t) + 1) * 0.5);
    const Vec3 d = WobbleOffset(p, timeMs);
    const double phi = timeMs * 0.0058823529411764705, a = 0.20000000298023224 * std::sin(phi);
    EXPECT_NEAR(d.x, a * std::sin(0.3 + phi), 1e-15);
    EXPECT_NEAR(d.y, a * (std::sin(-0.6 + phi) + std::cos(-0.6 + phi)) * 0.5, 1e-15);
    EXPECT_NEAR(d.z, a * std::sin(0.3 + 0.9 - phi), 1e-15);
  }
  // The path eases in, holds in the middle third, and eases out.
  const struct {
    double x, y, tolerance;
  } ease[] = {{0.0, 0.0, 0},   {0.3333333333333333, 0.5, 0}, {0.5, 0.5, 0},          {1.0, 1.0, 1e-15},
               {0.3333333333, 0.5, 1e-9},  {0.6666666666666666, 0.5, 1e-15}, {0.8, (3.0 - std::cos(0.8 * 3 * M_PI)) * 0.25, 1e-9}};
  for (const auto& c : ease) EXPECT_NEAR(EaseInHoldOut(c.x), c.y, c.tolerance) << c.x;
}

}  // namespace
}  // namespace tv
