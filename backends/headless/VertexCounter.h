// Counts the vertices the renderer hands to OpenGL, for the frame-time log and the -fps display.
#pragma once

#include <cstdint>

#include "render/Gl.h"

namespace tv::headless {

// While alive, a counting layer sits in front of gl.Vertex3d (one added call per vertex). One
// counter at a time.
class VertexCounter {
 public:
  VertexCounter();
  ~VertexCounter();
  VertexCounter(const VertexCounter&) = delete;
  VertexCounter& operator=(const VertexCounter&) = delete;
  // The vertices sent since the counter was made or last taken from; counting starts again at 0.
  uint64_t Take();

 private:
  decltype(GlDispatch::Vertex3d) saved_;
};

}  // namespace tv::headless
