#include "support/GlRecorder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <type_traits>

namespace tv::test {
namespace {

std::vector<GlCall> calls;
GlDispatch saved;
double modelView[16];  // column order, as OpenGL keeps it

template <size_t N>
struct Name {
  char text[N];
  constexpr Name(const char (&s)[N]) { std::copy_n(s, N, text); }
};

template <Name N, class... A>
void APIENTRY Record(A... a) {
  unsigned enums = 0, i = 0;
  ((enums |= unsigned(std::is_same_v<A, GLenum>) << i++), ...);
  calls.push_back({N.text, {double(a)...}, enums});
}

template <Name N, class... A>
void Install(void(APIENTRY*& entry)(A...)) {
  entry = Record<N, A...>;
}

template <Name N>
void APIENTRY RecordVector(GLenum target, GLenum pname, const GLfloat* p) {
  // Four values, but three for the spot direction and colour indexes and one for the scalars.
  const int n = pname == GL_SPOT_DIRECTION || pname == GL_COLOR_INDEXES ? 3
                : pname == GL_SHININESS || (pname >= GL_SPOT_EXPONENT && pname <= GL_QUADRATIC_ATTENUATION) ? 1 : 4;
  calls.push_back({N.text, {double(target), double(pname)}, 3u});
  calls.back().args.insert(calls.back().args.end(), p, p + n);
}
void APIENTRY RecGetDoublev(GLenum pname, GLdouble* out) {
  calls.push_back({"GetDoublev", {double(pname)}, 1u});
  if (pname == GL_MODELVIEW_MATRIX) std::memcpy(out, modelView, sizeof modelView);
}

std::string Number(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

}  // namespace

std::string EnumName(unsigned value) {
#define TV_NAMED(e) {e, #e}
  static const std::pair<unsigned, const char*> names[] = {
      TV_NAMED(GL_POINTS), TV_NAMED(GL_TRIANGLES), TV_NAMED(GL_FRONT_AND_BACK), TV_NAMED(GL_LINE),
      TV_NAMED(GL_FILL), TV_NAMED(GL_FLAT), TV_NAMED(GL_SMOOTH), TV_NAMED(GL_DEPTH_TEST),
      TV_NAMED(GL_MODELVIEW_MATRIX), TV_NAMED(GL_MODELVIEW), TV_NAMED(GL_PROJECTION), TV_NAMED(GL_LIGHTING),
      TV_NAMED(GL_BLEND), TV_NAMED(GL_CULL_FACE), TV_NAMED(GL_COLOR_MATERIAL), TV_NAMED(GL_POINT_SMOOTH),
      TV_NAMED(GL_LEQUAL), TV_NAMED(GL_SRC_ALPHA), TV_NAMED(GL_ONE_MINUS_SRC_ALPHA), TV_NAMED(GL_LIGHT0),
      TV_NAMED(GL_LIGHT1), TV_NAMED(GL_LIGHT2)};
#undef TV_NAMED
  for (const auto& [v, name] : names)
    if (v == value) return name;
  return Number(value);
}

std::string Format(const GlCall& call) {
  std::string s = call.name + "(";
  for (size_t i = 0; i < call.args.size(); ++i)
    s += (i ? ", " : "") + ((call.enums >> i) & 1 ? EnumName(unsigned(call.args[i])) : Number(call.args[i]));
  return s + ")";
}

GlRecorder::GlRecorder() {
  saved = gl;
  calls.clear();
  SetModelView(Matrix4{});
#define TV_RECORD(member) Install<#member>(gl.member);
  TV_RECORD(Begin) TV_RECORD(End) TV_RECORD(Normal3d) TV_RECORD(Color4d) TV_RECORD(Vertex3d)
  TV_RECORD(Enable) TV_RECORD(Disable) TV_RECORD(PolygonMode) TV_RECORD(ShadeModel)
  TV_RECORD(DepthFunc) TV_RECORD(BlendFunc) TV_RECORD(Hint) TV_RECORD(PointSize) TV_RECORD(Materialf)
  TV_RECORD(ClearColor) TV_RECORD(ClearDepth) TV_RECORD(ClearStencil) TV_RECORD(Clear) TV_RECORD(Flush)
  TV_RECORD(Viewport) TV_RECORD(MatrixMode) TV_RECORD(LoadIdentity) TV_RECORD(Translatef)
  TV_RECORD(Rotatef) TV_RECORD(Perspective)
#undef TV_RECORD
  gl.Lightfv = RecordVector<"Lightfv">;
  gl.Materialfv = RecordVector<"Materialfv">;
  gl.GetDoublev = RecGetDoublev;
}

GlRecorder::~GlRecorder() { gl = saved; }

const std::vector<GlCall>& GlRecorder::Calls() const { return calls; }
void GlRecorder::Clear() { calls.clear(); }

std::vector<GlCall> GlRecorder::Only(std::initializer_list<const char*> names) const {
  std::vector<GlCall> out;
  for (const GlCall& c : calls)
    if (std::any_of(names.begin(), names.end(), [&](const char* n) { return c.name == n; })) out.push_back(c);
  return out;
}

std::vector<std::string> GlRecorder::Formatted(std::initializer_list<const char*> skip) const {
  std::vector<std::string> out;
  for (const GlCall& c : calls)
    if (std::none_of(skip.begin(), skip.end(), [&](const char* n) { return c.name == n; })) out.push_back(Format(c));
  return out;
}

size_t GlRecorder::Count(const char* name) const { return Only({name}).size(); }

void GlRecorder::SetModelView(const Matrix4& rowMajor) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) modelView[4 * j + i] = rowMajor.m[4 * i + j];
}

std::vector<RecordedBlock> Blocks(const std::vector<GlCall>& stream) {
  std::vector<RecordedBlock> out;
  RecordedVertex current{};
  bool open = false;
  for (const GlCall& c : stream) {
    if (c.Is("Begin")) out.push_back({unsigned(c[0]), {}});
    if (c.Is("Begin") || c.Is("End")) open = c.Is("Begin");
    if (c.Is("Normal3d")) current.normal = {c[0], c[1], c[2]};
    if (c.Is("Color4d")) std::copy(c.args.begin(), c.args.end(), current.colour);
    if (c.Is("Vertex3d") && open) {
      current.position = {c[0], c[1], c[2]};
      out.back().vertices.push_back(current);
    }
  }
  return out;
}

}  // namespace tv::test
