#include "support/GlRecorder.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>

namespace tv::test {
namespace {

std::vector<GlCall> calls;
GlDispatch saved;
GLenum matrixMode = GL_MODELVIEW;
double modelView[16];  // column order, as OpenGL keeps it

void Identity(double* m) {
  for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0 : 0.0;
}

// modelView = modelView * r, both column order, while the model-view matrix is current.
void MultiplyModelView(const double* r) {
  if (matrixMode != GL_MODELVIEW) return;
  double out[16] = {};
  for (int col = 0; col < 4; ++col)
    for (int row = 0; row < 4; ++row)
      for (int k = 0; k < 4; ++k) out[4 * col + row] += modelView[4 * k + row] * r[4 * col + k];
  std::memcpy(modelView, out, sizeof out);
}

void Add(const char* name, std::initializer_list<double> args) { calls.push_back({name, args}); }
void AddArray(const char* name, GLenum a, GLenum b, const GLfloat* p, int n) {
  calls.push_back({name, {double(a), double(b)}});
  calls.back().args.insert(calls.back().args.end(), p, p + n);
}

void APIENTRY RecBegin(GLenum mode) { Add("Begin", {double(mode)}); }
void APIENTRY RecEnd() { Add("End", {}); }
void APIENTRY RecNormal3d(GLdouble x, GLdouble y, GLdouble z) { Add("Normal3d", {x, y, z}); }
void APIENTRY RecColor4d(GLdouble r, GLdouble g, GLdouble b, GLdouble a) { Add("Color4d", {r, g, b, a}); }
void APIENTRY RecVertex3d(GLdouble x, GLdouble y, GLdouble z) { Add("Vertex3d", {x, y, z}); }
void APIENTRY RecEnable(GLenum cap) { Add("Enable", {double(cap)}); }
void APIENTRY RecDisable(GLenum cap) { Add("Disable", {double(cap)}); }
void APIENTRY RecPolygonMode(GLenum face, GLenum mode) { Add("PolygonMode", {double(face), double(mode)}); }
void APIENTRY RecShadeModel(GLenum mode) { Add("ShadeModel", {double(mode)}); }
void APIENTRY RecGetDoublev(GLenum pname, GLdouble* out) {
  Add("GetDoublev", {double(pname)});
  if (pname == GL_MODELVIEW_MATRIX) std::memcpy(out, modelView, sizeof modelView);
}
void APIENTRY RecDepthFunc(GLenum f) { Add("DepthFunc", {double(f)}); }
void APIENTRY RecBlendFunc(GLenum s, GLenum d) { Add("BlendFunc", {double(s), double(d)}); }
void APIENTRY RecHint(GLenum target, GLenum mode) { Add("Hint", {double(target), double(mode)}); }
void APIENTRY RecPointSize(GLfloat size) { Add("PointSize", {size}); }
void APIENTRY RecLightfv(GLenum light, GLenum pname, const GLfloat* p) {
  const bool four = pname == GL_AMBIENT || pname == GL_DIFFUSE || pname == GL_SPECULAR || pname == GL_POSITION;
  AddArray("Lightfv", light, pname, p, pname == GL_SPOT_DIRECTION ? 3 : four ? 4 : 1);
}
void APIENTRY RecMaterialfv(GLenum face, GLenum pname, const GLfloat* p) {
  AddArray("Materialfv", face, pname, p, pname == GL_SHININESS ? 1 : pname == GL_COLOR_INDEXES ? 3 : 4);
}
void APIENTRY RecMaterialf(GLenum face, GLenum pname, GLfloat v) { Add("Materialf", {double(face), double(pname), v}); }
void APIENTRY RecClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) { Add("ClearColor", {r, g, b, a}); }
void APIENTRY RecClearDepth(GLclampd d) { Add("ClearDepth", {d}); }
void APIENTRY RecClearStencil(GLint s) { Add("ClearStencil", {double(s)}); }
void APIENTRY RecClear(GLbitfield mask) { Add("Clear", {double(mask)}); }
void APIENTRY RecFlush() { Add("Flush", {}); }
void APIENTRY RecViewport(GLint x, GLint y, GLsizei w, GLsizei h) {
  Add("Viewport", {double(x), double(y), double(w), double(h)});
}
void APIENTRY RecMatrixMode(GLenum mode) {
  matrixMode = mode;
  Add("MatrixMode", {double(mode)});
}
void APIENTRY RecLoadIdentity() {
  if (matrixMode == GL_MODELVIEW) Identity(modelView);
  Add("LoadIdentity", {});
}
void APIENTRY RecTranslatef(GLfloat x, GLfloat y, GLfloat z) {
  double t[16];
  Identity(t);
  t[12] = x, t[13] = y, t[14] = z;
  MultiplyModelView(t);
  Add("Translatef", {x, y, z});
}
void APIENTRY RecRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
  // The rotation OpenGL documents for glRotate, about the normalised axis.
  const double len = std::sqrt(double(x) * x + double(y) * y + double(z) * z);
  if (len > 0.0) {
    const double ax = x / len, ay = y / len, az = z / len;
    const double a = double(angle) * 3.14159265358979323846 / 180.0;
    const double c = std::cos(a), s = std::sin(a), k = 1.0 - c;
    const double r[16] = {ax * ax * k + c,      ay * ax * k + az * s, az * ax * k - ay * s, 0,
                          ax * ay * k - az * s, ay * ay * k + c,      az * ay * k + ax * s, 0,
                          ax * az * k + ay * s, ay * az * k - ax * s, az * az * k + c,      0,
                          0,                    0,                    0,                    1};
    MultiplyModelView(r);
  }
  Add("Rotatef", {angle, x, y, z});
}
void APIENTRY RecPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
  Add("Perspective", {fovy, aspect, zNear, zFar});
}

std::vector<GlCall> Filter(std::initializer_list<const char*> names, bool keep) {
  std::vector<GlCall> out;
  for (const GlCall& c : calls) {
    bool listed = false;
    for (const char* n : names) listed = listed || c.name == n;
    if (listed == keep) out.push_back(c);
  }
  return out;
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
      TV_NAMED(GL_TRIANGLES), TV_NAMED(GL_QUADS), TV_NAMED(GL_FRONT_AND_BACK), TV_NAMED(GL_FRONT), TV_NAMED(GL_BACK), TV_NAMED(GL_LINE),
      TV_NAMED(GL_FILL), TV_NAMED(GL_POINT), TV_NAMED(GL_FLAT), TV_NAMED(GL_SMOOTH),
      TV_NAMED(GL_DEPTH_TEST), TV_NAMED(GL_MODELVIEW_MATRIX), TV_NAMED(GL_MODELVIEW),
      TV_NAMED(GL_PROJECTION), TV_NAMED(GL_LIGHTING), TV_NAMED(GL_BLEND), TV_NAMED(GL_CULL_FACE),
      TV_NAMED(GL_COLOR_MATERIAL), TV_NAMED(GL_POINT_SMOOTH), TV_NAMED(GL_LEQUAL),
      TV_NAMED(GL_SRC_ALPHA), TV_NAMED(GL_ONE_MINUS_SRC_ALPHA), TV_NAMED(GL_LIGHT0),
      TV_NAMED(GL_LIGHT1), TV_NAMED(GL_LIGHT2)};
#undef TV_NAMED
  for (const auto& [v, name] : names)
    if (v == value) return name;
  return Number(value);
}

std::string Format(const GlCall& call) {
  static const std::set<std::string> enums = {"Begin", "Enable", "Disable", "PolygonMode",
      "ShadeModel", "GetDoublev", "DepthFunc", "BlendFunc", "MatrixMode"};
  static const std::set<std::string> firstTwoEnums = {"Lightfv", "Materialfv", "Materialf", "Hint"};
  std::string s = call.name + "(";
  for (size_t i = 0; i < call.args.size(); ++i) {
    const double v = call.args[i];
    const bool isEnum = enums.count(call.name) || (i < 2 && firstTwoEnums.count(call.name));
    std::string text = isEnum ? EnumName(unsigned(v)) : Number(v);
    if (call.Is("Begin") && v <= GL_LINES) text = v == GL_POINTS ? "GL_POINTS" : "GL_LINES";
    s += (i ? ", " : "") + text;
  }
  return s + ")";
}

GlRecorder::GlRecorder() {
  saved = gl;
  calls.clear();
  matrixMode = GL_MODELVIEW;
  Identity(modelView);
  gl.Begin = RecBegin, gl.End = RecEnd, gl.Normal3d = RecNormal3d, gl.Color4d = RecColor4d;
  gl.Vertex3d = RecVertex3d, gl.Enable = RecEnable, gl.Disable = RecDisable;
  gl.PolygonMode = RecPolygonMode, gl.ShadeModel = RecShadeModel, gl.GetDoublev = RecGetDoublev;
  gl.DepthFunc = RecDepthFunc, gl.BlendFunc = RecBlendFunc, gl.Hint = RecHint;
  gl.PointSize = RecPointSize, gl.Lightfv = RecLightfv, gl.Materialfv = RecMaterialfv;
  gl.Materialf = RecMaterialf, gl.ClearColor = RecClearColor, gl.ClearDepth = RecClearDepth;
  gl.ClearStencil = RecClearStencil, gl.Clear = RecClear, gl.Flush = RecFlush;
  gl.Viewport = RecViewport, gl.MatrixMode = RecMatrixMode, gl.LoadIdentity = RecLoadIdentity;
  gl.Translatef = RecTranslatef, gl.Rotatef = RecRotatef, gl.Perspective = RecPerspective;
}

GlRecorder::~GlRecorder() { gl = saved; }

const std::vector<GlCall>& GlRecorder::Calls() const { return calls; }
void GlRecorder::Clear() { calls.clear(); }
std::vector<GlCall> GlRecorder::Without(std::initializer_list<const char*> names) const { return Filter(names, false); }
std::vector<GlCall> GlRecorder::Only(std::initializer_list<const char*> names) const { return Filter(names, true); }

std::vector<std::string> GlRecorder::Formatted(std::initializer_list<const char*> skip) const {
  std::vector<std::string> out;
  for (const GlCall& c : Filter(skip, false)) out.push_back(Format(c));
  return out;
}

size_t GlRecorder::Count(const char* name) const {
  size_t n = 0;
  for (const GlCall& c : calls) n += c.name == name;
  return n;
}

void GlRecorder::SetModelView(const double columnMajor[16]) { std::memcpy(modelView, columnMajor, sizeof modelView); }

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
