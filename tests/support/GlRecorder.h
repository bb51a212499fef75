// A recording GL layer: while a GlRecorder lives, the dispatch table `tv::gl` points at functions
// that append one GlCall per call instead of drawing. GetDoublev(GL_MODELVIEW_MATRIX) answers the
// matrix the test set (the identity unless told otherwise).
#pragma once

#include <string>
#include <vector>

#include "foundation/Vectors.h"
#include "render/Gl.h"

namespace tv::test {

struct GlCall {
  std::string name;          // table member name: "Begin", "Vertex3d", "PolygonMode", ...
  std::vector<double> args;  // the call's arguments in order; enums and ints as numbers
  unsigned enums = 0;        // bit i: argument i is a GLenum, printed by name

  double operator[](size_t i) const { return args.at(i); }
  bool Is(const char* n) const { return name == n; }
};

// "PolygonMode(GL_FRONT_AND_BACK, GL_LINE)", "Vertex3d(1, 2, 3)": readable in assertion output.
std::string Format(const GlCall& call);

class GlRecorder {
 public:
  GlRecorder();
  ~GlRecorder();
  GlRecorder(const GlRecorder&) = delete;
  GlRecorder& operator=(const GlRecorder&) = delete;

  const std::vector<GlCall>& Calls() const;
  void Clear();
  std::vector<GlCall> Only(std::initializer_list<const char*> names) const;
  // Formatted calls but the skipped ones, for whole-sequence comparisons.
  std::vector<std::string> Formatted(std::initializer_list<const char*> skip = {}) const;
  size_t Count(const char* name) const;
  void SetModelView(const Matrix4& rowMajor);
};

// One emitted vertex as the stream carries it: the normal and colour current at its Vertex3d.
struct RecordedVertex {
  Vec3 normal;
  double colour[4];
  Vec3 position;
};
// The vertices of the calls between one Begin and its End.
struct RecordedBlock {
  unsigned primitive;
  std::vector<RecordedVertex> vertices;
};
std::vector<RecordedBlock> Blocks(const std::vector<GlCall>& calls);

// Name of a GL enumerant the renderer uses ("GL_TRIANGLES"), else the number.
std::string EnumName(unsigned value);

}  // namespace tv::test
