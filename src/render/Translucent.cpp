// Translucent cells: kept in eye coordinates during the walks, drawn back to front at the end.
#include <utility>

#include "render/Internal.h"

namespace tv {

namespace {
DeferredCellList translucentList;
std::vector<DepthKey> sortKeys;  // kept between frames, like the list's chunks

// The partition step of the sort; equal depths end up in the order this exact scheme gives.
int Partition(DepthKey* keys, int lo, int hi) {
  const double pivot = keys[hi].depth;
  int i = lo - 1;
  int j = hi;
  for (;;) {
    do ++i; while (keys[i].depth < pivot);
    do --j; while (keys[j].depth > pivot && j > lo);
    if (i >= j) break;
    std::swap(keys[i], keys[j]);
  }
  std::swap(keys[i], keys[hi]);
  return i;
}
}  // namespace

void SortDepthKeys(DepthKey* keys, int count) {
  // The two sides of a partition never touch, so the order in which they are sorted does not
  // change the result; recursing into the smaller one keeps the stack at log n for any input.
  int lo = 0;
  int hi = count - 1;
  while (lo < hi) {
    const int i = Partition(keys, lo, hi);
    if (i - lo < hi - i) {
      SortDepthKeys(keys + lo, i - lo);
      lo = i + 1;
    } else {
      SortDepthKeys(keys + i + 1, hi - i);
      hi = i - 1;
    }
  }
}

void DeferredCellList::AddChunk() { chunks_.push_back(std::make_unique<DeferredCell[]>(kChunkCells)); }

void DeferredCellList::Clear() {
  const size_t needed = (size_ + kChunkCells - 1) / kChunkCells;
  if (chunks_.size() > 4 * needed + 1) chunks_.resize(4 * needed + 1);
  size_ = 0;
}

void ClearTranslucent() {
  // The keys go when they are four times what the frame just drawn needed, like the chunks.
  if (sortKeys.capacity() > 4 * translucentList.size() + 64) std::vector<DepthKey>().swap(sortKeys);
  translucentList.Clear();
}

void DeferCell(const Vec3 corners[4], const Vec3 normals[6], const Rgba colours[4],
               uint32_t primitive, const Matrix4& modelView) {
  // The eye-space corners are worked out before the cell is taken: stores into the list could
  // alias the matrix and would make the compiler read it again for every corner.
  Vec3 eye[4];
  for (int i = 0; i < 4; ++i) {
    eye[i] = corners[i];
    TransformPoint(eye[i], modelView);
  }
  DeferredCell& cell = translucentList.Append();
  for (int i = 0; i < 4; ++i) {
    cell.corners[i] = eye[i];
    cell.colours[i] = colours[i];
  }
  for (int k = 0; k < 6; ++k) cell.normals[k] = normals[k];
  cell.primitive = primitive;
}

void DrawTranslucent() {
  const Matrix4 M = render_detail::ReadModelView();
  const double* m = M.m;
  gl.Disable(GL_DEPTH_TEST);
  const int count = static_cast<int>(translucentList.size());
  std::vector<DepthKey>& keys = sortKeys;
  keys.clear();
  // Last frame's keys are spent: a larger block is taken only after the old one has gone.
  if (keys.capacity() < translucentList.size()) std::vector<DepthKey>().swap(keys);
  keys.reserve(translucentList.size());
  for (int i = 0; i < count; ++i) {
    const Vec3& c0 = translucentList[i].corners[0];  // the first corner alone sets the depth
    keys.push_back({m[8] * c0.x + m[9] * c0.y + m[10] * c0.z + m[11], i});
  }
  SortDepthKeys(keys.data(), count);
  const DeferredCellList& cells = translucentList;
  for (int k = 0; k < count; ++k) {
    // Sorted order jumps about the list; fetch a few cells ahead of their turn.
    if (k + 4 < count) {
      const char* ahead = reinterpret_cast<const char*>(&cells[keys[k + 4].index]);
      for (size_t line = 0; line < sizeof(DeferredCell); line += 64) __builtin_prefetch(ahead + line);
    }
    const DeferredCell& cell = cells[keys[k].index];
    gl.Begin(cell.primitive);
    render_detail::EmitQuadInline(cell.normals, cell.colours, cell.corners);
    gl.End();
  }
  gl.Enable(GL_DEPTH_TEST);
}

const DeferredCellList& TranslucentCells() { return translucentList; }

}  // namespace tv
