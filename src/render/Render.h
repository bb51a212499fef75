// Drawing knots with immediate-mode OpenGL: render styles, vertex effects, translucent cells.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "knots/Knot.h"
#include "render/RenderTypes.h"

namespace tv {

// --- Cell emission -------------------------------------------------------------------------
// Sends the six vertices (normal, colour, position, all doubles) inside an open begin/end block.
void EmitQuad(const Vec3 normals[6], const Rgba colours[4], const Vec3 corners[4]);

// --- Styles ----------------------------------------------------------------------------------
// Draws every component of the knot in its style, placed by the current model-view matrix.
void DrawKnot(const Knot& knot, int32_t timeMs, const RenderParams& params);
// One walk over a component's grid.
void DrawTubeMesh(const KnotComponent& component, int32_t timeMs, const RenderParams& params,
                  MeshPass pass);
// Rewrites the six normal slots for the style; t is the clock in units of 680 ms.
void StyleNormals(const Vec3 corners[4], Vec3 normals[6], int32_t style, int32_t blendFrom,
                  int32_t blendTo, double t);

// --- Vertex effects --------------------------------------------------------------------------
void ApplyVertexEffects(Vec3& p, Rgba& colour, const RenderParams& params, MeshPass pass, double t,
                        int32_t timeMs);
void FieldColour(const Vec3& p, double t, double& r, double& g, double& b);
double CellAlpha(const Vec3& p, double t);
Vec3 WobbleOffset(const Vec3& p, int32_t timeMs);
// Flight easing: glides from 0 to 0.5, rests, glides to 1.
double EaseInHoldOut(double x);

// --- Translucent cells -----------------------------------------------------------------------
struct DeferredCell {
  Vec3 corners[4];  // eye coordinates
  Vec3 normals[6];  // as the style left them, not transformed
  Rgba colours[4];
  uint32_t primitive = 0x0004;  // GL_TRIANGLES, or GL_POINTS for a Point knot
};

// The frame's deferred cells, kept in fixed-size chunks: growing the list never copies the
// cells already deferred nor holds an old and a new block at once, so the heaviest frame costs
// its own cells' worth of memory and no more.
class DeferredCellList {
 public:
  static constexpr size_t kChunkCells = 2048;

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const DeferredCell& operator[](size_t i) const { return chunks_[i / kChunkCells][i % kChunkCells]; }

  // The next cell, to be overwritten whole by the caller.
  DeferredCell& Append() {
    if (size_ == chunks_.size() * kChunkCells) AddChunk();
    DeferredCell& cell = chunks_[size_ / kChunkCells][size_ % kChunkCells];
    ++size_;
    return cell;
  }
  // Empties the list. Chunks beyond four times what the emptied list needed are given back, so
  // a heavy knot's memory leaves with it while a steady frame allocates nothing.
  void Clear();
  size_t ChunkCount() const { return chunks_.size(); }

 private:
  void AddChunk();

  std::vector<std::unique_ptr<DeferredCell[]>> chunks_;
  size_t size_ = 0;
};

// Eye-space depth of a deferred cell's first corner and the cell's place in the list.
struct DepthKey {
  double depth;
  int32_t index;
};
// Ascending by depth with the renderer's quicksort; its order of equal depths is part of the
// picture, so callers must not substitute another sort.
void SortDepthKeys(DepthKey* keys, int count);

void ClearTranslucent();
void DeferCell(const Vec3 corners[4], const Vec3 normals[6], const Rgba colours[4],
               uint32_t primitive, const Matrix4& modelView);
// Draws the frame's translucent cells back to front with the depth test off.
void DrawTranslucent();
const DeferredCellList& TranslucentCells();

}  // namespace tv
