// The stored record format: a component count byte, then per component a 16-bit point count,
// a float start point, a float scale and signed-byte deltas in units of scale/127.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "Geometry.h"

namespace tv::knotgen {

// The decoder's step for a stored scale: computed in single precision, then widened.
double StepForScale(float scale);

// Appends one component. The scale is chosen so that the largest delta is 126 or 127; each
// delta is rounded from the target point minus the decoded running point, so rounding errors
// never add up. Returns the scale used.
float EncodeComponent(const Curve& points, std::vector<uint8_t>& out);

// Appends a whole record (component count, then each component).
void EncodeRecord(const Link& link, std::vector<uint8_t>& out);

// Reads the record at offset exactly as the loader does and advances offset past it.
Link DecodeRecord(const uint8_t* block, size_t& offset);

// Reads the scale of component c of the record at offset.
float ComponentScale(const uint8_t* block, size_t offset, int component);

}  // namespace tv::knotgen
