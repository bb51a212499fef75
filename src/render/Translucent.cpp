// Translucent cells: kept in eye coordinates during the walks, drawn back to front at the end.
#include <utility>

#include "render/Internal.h"

namespace tv {

namespace {
std::vector<DeferredCell> translucentList;
std::vector<DepthKey> sortKeys;  // kept between frames, like the list

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

void ClearTranslucent() {
  // The storage stays for the next frame, which defers about as many cells: growing it afresh
  // every frame costs allocations and page faults. Storage four times larger than the frame
  // just drawn needed is given back, so a heavy knot's memory leaves with it.
  if (translucentList.capacity() > 4 * translucentList.size() + 64) {
    std::vector<DeferredCell>().swap(translucentList);
    std::vector<DepthKey>().swap(sortKeys);
  }
  translucentList.clear();
}

void DeferCell(const Vec3 corners[4], const Vec3 normals[6], const Rgba colours[4],
               uint32_t primitive, const Matrix4& modelView) {
  // Built whole on the stack first: the compiler drops the default values it overwrites.
  DeferredCell cell;
  for (int i = 0; i < 4; ++i) {
    cell.corners[i] = corners[i];
    TransformPoint(cell.corners[i], modelView);
    cell.colours[i] = colours[i];
  }
  for (int k = 0; k < 6; ++k) cell.normals[k] = normals[k];
  cell.primitive = primitive;
  // The list starts empty every frame. Growing it fourfold while it is small (up to about
  // 24 MB) copies a heavy frame's cells a third as often as doubling; past that it doubles,
  // so the heaviest settings never hold more than twice what they need.
  const size_t capacity = translucentList.capacity();
  if (translucentList.size() == capacity)
    translucentList.reserve(capacity < 64 ? 64 : capacity < 65536 ? 4 * capacity : 2 * capacity);
  translucentList.push_back(cell);
}

void DrawTranslucent() {
  const Matrix4 M = render_detail::ReadModelView();
  const double* m = M.m;
  gl.Disable(GL_DEPTH_TEST);
  const int count = static_cast<int>(translucentList.size());
  std::vector<DepthKey>& keys = sortKeys;
  keys.clear();
  keys.reserve(translucentList.size());
  for (int i = 0; i < count; ++i) {
    const Vec3& c0 = translucentList[i].corners[0];  // the first corner alone sets the depth
    keys.push_back({m[8] * c0.x + m[9] * c0.y + m[10] * c0.z + m[11], i});
  }
  SortDepthKeys(keys.data(), count);
  const DeferredCell* cells = translucentList.data();
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

const std::vector<DeferredCell>& TranslucentCells() { return translucentList; }

}  // namespace tv
