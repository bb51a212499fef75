// The stored knot library: one read-only block of delta-coded knot records compiled into the
// program, its lazily built index, decoding, and loading into a Knot with a random tube resolution.
//
// Block: knot records back to back, then a single 0 byte. A record is a component count m (1..255)
// and m component records: point count n (uint16), start x, y, z and scale s (float32), then n-1
// signed byte triples of deltas, each step s/127. All little-endian, packed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/Vectors.h"
#include "knots/Knot.h"

namespace tv {

extern const unsigned char kKnotLibraryData[];
extern const unsigned kKnotLibraryDataSize;

// Tube radius and knot size of every loaded stored knot.
constexpr double kLibraryTubeRadius = 0.9;
constexpr double kLibraryKnotSize = 5.0;

// Switches the module to another block (tests, the inspection tool) and forgets the index.
// The data must outlive its use.
void UseLibraryBlock(const uint8_t* data, size_t size);
void UseBuiltInLibrary();

// Fills the index of record offsets. A record that would run past the end of the block or holds a
// component of 0 points is damaged: neither it nor anything after it is indexed, so a damaged
// block yields fewer knots instead of reads out of bounds.
void BuildLibraryIndex();
// Number of stored knots; builds the index on first use.
int LibraryKnotCount();
const std::vector<int32_t>& LibraryKnotOffsets();
// Offset of the block's end byte, or -1 when the walk did not end on a 0 byte inside the block.
int LibraryEndOffset();

// Decodes the record at offset into one point list per component; a record with a component of 0
// points decodes to none.
void DecodeLibraryKnot(int offset, std::vector<std::vector<Vec3>>& components);

struct StoredComponentHeader {
  int pointCount;
  float startX, startY, startZ, scale;
};
// The component headers of the record at offset, without decoding the points.
std::vector<StoredComponentHeader> LibraryKnotHeaders(int offset);

// Replaces knot with stored knot number index (negative counts as 0, large ones wrap), tubes of
// random resolution from saverSettings, scaled to size 5 and coloured with a double hue ramp.
// Draws two values from the shared random source: v divisions, then u rings per point.
void LoadLibraryKnot(Knot& knot, int index);

// LoadLibraryKnot in two halves: the draws and the decoding, which read the block and the
// settings, and the tube building, which reads nothing else and may run on another thread.
struct LibraryKnotRecipe {
  std::vector<std::vector<Vec3>> curves;
  int index = -1;  // the record drawn, after wrapping; -1 when nothing is stored
  int uDivisions = 0;
  int vDivisions = 0;
};
LibraryKnotRecipe DrawLibraryKnot(int index);
void BuildLibraryKnot(Knot& knot, const LibraryKnotRecipe& recipe);
// Changes whenever UseLibraryBlock switches blocks, so work done on an old block can be told apart.
unsigned LibraryGeneration();

// Short names of the built-in knots in record order ("0_1", "3_1", "L6a4", ...).
const std::vector<std::string>& LibraryKnotNames();

}  // namespace tv
