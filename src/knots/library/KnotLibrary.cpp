#include "knots/library/KnotLibrary.h"

#include <algorithm>
#include <cstring>

#include "foundation/Random.h"
#include "settings/SaverSettings.h"

namespace tv {

extern const unsigned char kKnotNamesText[];
extern const unsigned kKnotNamesTextSize;

namespace {

const uint8_t* block = kKnotLibraryData;
size_t blockSize = kKnotLibraryDataSize;
std::vector<int32_t> knotOffsets;
int32_t storedKnotCount = -1;
int32_t endOffset = -1;
unsigned generation = 0;

uint16_t ReadU16(size_t p) { return static_cast<uint16_t>(block[p] | (block[p + 1] << 8)); }

float ReadF32(size_t p) {
  uint32_t bits = block[p] | (block[p + 1] << 8) | (block[p + 2] << 16) |
                  (static_cast<uint32_t>(block[p + 3]) << 24);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

void EnsureIndex() {
  if (storedKnotCount == -1) BuildLibraryIndex();
}

constexpr size_t kComponentHeaderSize = 18;

}  // namespace

void UseLibraryBlock(const uint8_t* data, size_t size) {
  block = data;
  blockSize = data ? size : 0;
  knotOffsets.clear();
  storedKnotCount = -1;
  endOffset = -1;
  ++generation;
}

unsigned LibraryGeneration() { return generation; }

void UseBuiltInLibrary() { UseLibraryBlock(kKnotLibraryData, kKnotLibraryDataSize); }

void BuildLibraryIndex() {
  knotOffsets.clear();
  endOffset = -1;
  size_t p = 0;
  while (p < blockSize && block[p] != 0) {
    const size_t start = p;
    const int m = block[p++];
    bool fits = true;
    for (int c = 0; c < m && fits; ++c) {
      const size_t n = p + kComponentHeaderSize <= blockSize ? ReadU16(p) : 0;
      // A component holds at least its start point: a count of 0 is damage, like a record that
      // runs past the end.
      p += 3 * n + 15;
      fits = n > 0 && p <= blockSize;
    }
    if (!fits) {
      p = blockSize;  // damaged tail: keep the records before it
      break;
    }
    knotOffsets.push_back(static_cast<int32_t>(start));
  }
  if (p < blockSize && block[p] == 0) endOffset = static_cast<int32_t>(p);
  storedKnotCount = static_cast<int32_t>(knotOffsets.size());
}

int LibraryKnotCount() {
  EnsureIndex();
  return storedKnotCount;
}

const std::vector<int32_t>& LibraryKnotOffsets() {
  EnsureIndex();
  return knotOffsets;
}

int LibraryEndOffset() {
  EnsureIndex();
  return endOffset;
}

std::vector<StoredComponentHeader> LibraryKnotHeaders(int offset) {
  std::vector<StoredComponentHeader> headers;
  if (offset < 0 || static_cast<size_t>(offset) >= blockSize) return headers;
  size_t p = static_cast<size_t>(offset);
  const int m = block[p++];
  for (int c = 0; c < m && p + kComponentHeaderSize <= blockSize; ++c) {
    StoredComponentHeader h{ReadU16(p), ReadF32(p + 2), ReadF32(p + 6), ReadF32(p + 10),
                            ReadF32(p + 14)};
    if (h.pointCount == 0) return {};  // damaged record, refused whole as the index does
    headers.push_back(h);
    p += 3 * static_cast<size_t>(h.pointCount) + 15;
  }
  return headers;
}

void DecodeLibraryKnot(int offset, std::vector<std::vector<Vec3>>& components) {
  components.clear();
  if (offset < 0 || static_cast<size_t>(offset) >= blockSize) return;
  size_t p = static_cast<size_t>(offset);
  const int m = block[p++];
  components.resize(static_cast<size_t>(m));
  for (int c = 0; c < m; ++c) {
    if (p + kComponentHeaderSize > blockSize) break;
    const int n = ReadU16(p);
    if (n == 0) {  // damaged record, refused whole as the index does
      components.clear();
      return;
    }
    const float scale = ReadF32(p + 14);
    // The step is rounded to single precision on purpose: the stored deltas were chosen against it.
    const float stepF = scale * 0.007874016f;
    const double step = static_cast<double>(stepF);
    Vec3 point(ReadF32(p + 2), ReadF32(p + 6), ReadF32(p + 10));
    p += kComponentHeaderSize;
    std::vector<Vec3>& list = components[c];
    list.reserve(static_cast<size_t>(n));
    list.push_back(point);
    for (int i = 1; i < n && p + 3 <= blockSize; ++i, p += 3) {
      point.x = point.x + static_cast<int8_t>(block[p]) * step;
      point.y = point.y + static_cast<int8_t>(block[p + 1]) * step;
      point.z = point.z + static_cast<int8_t>(block[p + 2]) * step;
      list.push_back(point);
    }
  }
}

void LoadLibraryKnot(Knot& knot, int index) { BuildLibraryKnot(knot, DrawLibraryKnot(index)); }

LibraryKnotRecipe DrawLibraryKnot(int index) {
  LibraryKnotRecipe recipe;
  if (index < 0) index = 0;
  EnsureIndex();
  if (storedKnotCount <= 0) return recipe;  // nothing stored: an empty knot draws nothing
  recipe.index = index % storedKnotCount;
  DecodeLibraryKnot(knotOffsets[static_cast<size_t>(recipe.index)], recipe.curves);

  const SaverSettings& s = saverSettings;
  // A range turned upside down by a hand-edited record counts as its minimum alone.
  const int vRange = std::max(s.vMax - s.vMin + 1, 1);
  recipe.vDivisions = s.vMin + RandomMod(vRange);
  const double u = s.uMin + (RandomDraw() * kRandomScale) * (s.uMax - s.uMin);
  const double firstPoints = recipe.curves.empty() ? 0.0 : recipe.curves[0].size();
  const double rings = std::clamp(u * firstPoints, 0.0, 1e6);
  recipe.uDivisions = static_cast<int>(rings);
  return recipe;
}

void BuildLibraryKnot(Knot& knot, const LibraryKnotRecipe& recipe) {
  knot.components.clear();
  for (const std::vector<Vec3>& points : recipe.curves) knot.AddComponent(points);
  knot.BuildTubes(kLibraryTubeRadius, recipe.uDivisions, recipe.vDivisions);
  knot.ScaleToSize(kLibraryKnotSize);
  for (KnotComponent& c : knot.components) {
    const double hueStep = c.uDivisions > 0 ? 720.0 / c.uDivisions : 0.0;
    c.SetColors(Rgba(1, 0, 0, 1), false, hueStep);
  }
}

const std::vector<std::string>& LibraryKnotNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> list;
    std::string line;
    for (unsigned i = 0; i < kKnotNamesTextSize; ++i) {
      const char c = static_cast<char>(kKnotNamesText[i]);
      if (c == '\n') {
        if (!line.empty()) list.push_back(line);
        line.clear();
      } else if (c != '\r') {
        line += c;
      }
    }
    if (!line.empty()) list.push_back(line);
    return list;
  }();
  return names;
}

}  // namespace tv
