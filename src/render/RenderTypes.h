// The renderer's shared vocabulary: styles, per-knot parameters, mesh passes and the working set
// of one mesh cell.
#pragma once

#include <cstdint>

#include "foundation/ColorSpace.h"
#include "foundation/Vectors.h"

namespace tv {

// Stored as a 32-bit integer; the order is that of the settings' style weights.
enum RenderStyle : int32_t {
  Wire = 0,
  Point = 1,
  Triangle = 2,
  Quad = 3,
  HalfU = 4,
  HalfV = 5,
  Smooth = 6,
  Blended = 7,
};
constexpr int kRenderStyleCount = 8;
// Labels under which the configuration shows the styles' relative frequencies.
constexpr const char* kRenderStyleLabels[kRenderStyleCount] = {
    "Wire", "Point", "Triangle", "Quad", "Half U", "Half V", "Smooth", "Blended"};

// One per knot on the screen. Each flag byte holds 0 (clear) or 1 (set).
struct RenderParams {
  int32_t style = Smooth;
  int32_t blendFrom = Smooth;  // Blended: normals weighted 1 - c
  int32_t blendTo = Smooth;    // Blended: normals weighted c
  uint8_t spinning = 1;
  uint8_t sColored = 1;
  uint8_t wobbles = 1;
  uint8_t translucent = 0;
  uint8_t wireOverlay = 0;  // only together with translucent
};

// Which grid of a component a walk draws.
enum class MeshPass : int32_t {
  Overlay = 0,  // vertices, always opaque
  Surface = 1,  // outerVertices, translucent where the cells say so
};

// A cell in flight: four corners c0..c3 and six emitted vertices using corners 0, 1, 2, 2, 3, 0.
struct QuadCell {
  Vec3 corners[4];
  Rgba colours[4];
  Vec3 normals[6];
};

constexpr int kEmitCorner[6] = {0, 1, 2, 2, 3, 0};

}  // namespace tv
