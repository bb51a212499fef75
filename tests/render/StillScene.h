// The saver window's fixed GL state and one still frame, for pixel tests, stills and benchmarks.
#pragma once

#include "knots/Knot.h"
#include "render/RenderTypes.h"

namespace tv::test {

// Viewport, 45-degree projection, depth, blending, culling, three lights, colour material, points.
void SetupStillState(int width, int height);

struct Placement {
  double x = 0, y = 0, z = -7;  // knots rest at about z = -5 to -7
  double turnX = 0, turnY = 0;  // degrees
};

// One frame with the given knots: clear, each knot placed and drawn, then the translucent cells.
void DrawStill(const Knot* const* knots, const RenderParams* params, const Placement* where, int n,
               int timeMs);

}  // namespace tv::test
