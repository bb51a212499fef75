// One stored knot alone on the screen, centred: the stills of tressvale-render --knot, its
// contact sheet and the browser's gallery.
#pragma once

#include <cstdint>

#include "knots/Knot.h"
#include "render/RenderTypes.h"

namespace tv {

// Render parameters of a still: the style, no effects; Blended goes from Quad into Smooth.
RenderParams StillParams(int32_t style);
// Loads stored knot `index` as a still shows it (draws from the random source as the loader
// does); links get one hue per component so the components tell apart, a knot keeps its ramp.
void LoadStillKnot(Knot& knot, int index);
// Clears the buffers and draws the knot centred in front of the viewer, turned by turnX degrees
// about the screen's x axis, then turnY about its y axis, through the knot's centre.
void DrawKnotStill(const Knot& knot, int32_t style, float turnX = 0.0f, float turnY = 0.0f);
// LoadStillKnot and DrawKnotStill unturned.
void DrawStoredKnotStill(int index, int32_t style);

}  // namespace tv
