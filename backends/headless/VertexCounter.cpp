#include "VertexCounter.h"

#include <utility>

namespace tv::headless {
namespace {

uint64_t verticesSent = 0;
decltype(GlDispatch::Vertex3d) nextVertex = nullptr;

void APIENTRY CountVertex(GLdouble x, GLdouble y, GLdouble z) {
  ++verticesSent;
  nextVertex(x, y, z);
}

}  // namespace

VertexCounter::VertexCounter() : saved_(gl.Vertex3d) {
  nextVertex = saved_;
  gl.Vertex3d = CountVertex;
  verticesSent = 0;
}

VertexCounter::~VertexCounter() { gl.Vertex3d = saved_; }

uint64_t VertexCounter::Take() { return std::exchange(verticesSent, 0); }

}  // namespace tv::headless
