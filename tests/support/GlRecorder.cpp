#include "support/GlRecorder.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace tv::test {
namespace {

std::vector<GlCall> calls;
GlDispatch saved;
GLenum matrixMode = GL_MODELVIEW;
double modelView[16];  // column order, as OpenGL keeps it

void Identity(double* m) {
  for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0 : 0.0;
}

// m = m * r, both column order.
void MultiplyRight(double* m, const double* r) {
  double out[16];
  for (int col = 0; col < 4; ++col)
    for (int row = 0; row < 4; ++row) {
      double s = 0.0;
      for (int k = 0; k < 4; ++k) s += m[4 * k + row] * r[4 * col + k];
      out[4 * col + row] = s;
    }
  std::memcpy(m, out, sizeof out);
}

void Add(const char* name, std::initializer_list<double> args) { calls.push_back({name, args}); }

void APIENTRY RecBegin(GLenum mode) { Add("Begin", {double(mode)}); }
void APIENTRY RecEnd() { Add("End", {}); }
void APIENTRY RecNormal3d(GLdouble x, GLdouble y, GLdouble z) { Add("Normal3d", {x, y, z}); }
void APIENTRY RecColor4d(GLdouble r, GLdouble g, GLdouble b, GLdouble a) {
  Add("Color4d", {r, g, b, a});
}
void APIENTRY RecVertex3d(GLdouble x, GLdouble y, GLdouble z) { Add("Vertex3d", {x, y, z}); }
void APIENTRY RecEnable(GLenum cap) { Add("Enable", {double(cap)}); }
void APIENTRY RecDisable(GLenum cap) { Add("Disable", {double(cap)}); }
void APIENTRY RecPolygonMode(GLenum face, GLenum mode) {
  Add("PolygonMode", {double(face), double(mode)});
}
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
  const int n = (pname == GL_SPOT_DIRECTION) ? 3 : (pname == GL_AMBIENT || pname == GL_DIFFUSE ||
                                                     pname == GL_SPECULAR || pname == GL_POSITION)
                                                        ? 4
                                                        : 1;
  GlCall c{"Lightfv", {double(light), double(pname)}};
  for (int i = 0; i < n; ++i) c.args.push_back(p[i]);
  calls.push_back(c);
}
void APIENTRY RecMaterialfv(GLenum face, GLenum pname, const GLfloat* p) {
  const int n = (pname == GL_SHININESS) ? 1 : (pname == GL_COLOR_INDEXES) ? 3 : 4;
  GlCall c{"Materialfv", {double(face), double(pname)}};
  for (int i = 0; i < n; ++i) c.args.push_back(p[i]);
  calls.push_back(c);
}
void APIENTRY RecMaterialf(GLenum face, GLenum pname, GLfloat v) {
  Add("Materialf", {double(face), double(pname), v});
}
void APIENTRY RecClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
  Add("ClearColor", {r, g, b, a});
}
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
  if (matrixMode == GL_MODELVIEW) {
    double t[16];
    Identity(t);
    t[12] = x;
    t[13] = y;
    t[14] = z;
    MultiplyRight(modelView, t);
  }
  Add("Translatef", {x, y, z});
}
void APIENTRY RecRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
  if (matrixMode == GL_MODELVIEW) {
    // The rotation OpenGL documents for glRotate, about the normalised axis.
    double ax = x, ay = y, az = z;
    const double len = std::sqrt(ax * ax + ay * ay + az * az);
    if (len > 0.0) {
      ax /= len;
      ay /= len;
      az /= len;
      const double a = double(angle) * 3.14159265358979323846 / 180.0;
      const double c = std::cos(a), s = std::sin(a), k = 1.0 - c;
      const double r[16] = {ax * ax * k + c,      ay * ax * k + az * s, az * ax * k - ay * s, 0,
                            ax * ay * k - az * s, ay * ay * k + c,      az * ay * k + ax * s, 0,
                            ax * az * k + ay * s, ay * az * k - ax * s, az * az * k + c,      0,
                            0,                    0,                    0,                    1};
      MultiplyRight(modelView, r);
    }
  }
  Add("Rotatef", {angle, x, y, z});
}
void APIENTRY RecPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
  Add("Perspective", {fovy, aspect, zNear, zFar});
}

bool InList(const std::string& name, std::initializer_list<const char*> names) {
  for (const char* n : names)
    if (name == n) return true;
  return false;
}

std::string Number(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

}  // namespace

std::string EnumName(unsigned value) {
  switch (value) {
    case GL_TRIANGLES: return "GL_TRIANGLES";
    case GL_QUADS: return "GL_QUADS";
    case GL_FRONT_AND_BACK: return "GL_FRONT_AND_BACK";
    case GL_FRONT: return "GL_FRONT";
    case GL_BACK: return "GL_BACK";
    case GL_LINE: return "GL_LINE";
    case GL_FILL: return "GL_FILL";
    case GL_POINT: return "GL_POINT";
    case GL_FLAT: return "GL_FLAT";
    case GL_SMOOTH: return "GL_SMOOTH";
    case GL_DEPTH_TEST: return "GL_DEPTH_TEST";
    case GL_MODELVIEW_MATRIX: return "GL_MODELVIEW_MATRIX";
    case GL_MODELVIEW: return "GL_MODELVIEW";
    case GL_PROJECTION: return "GL_PROJECTION";
    case GL_LIGHTING: return "GL_LIGHTING";
    case GL_BLEND: return "GL_BLEND";
    case GL_CULL_FACE: return "GL_CULL_FACE";
    case GL_COLOR_MATERIAL: return "GL_COLOR_MATERIAL";
    case GL_POINT_SMOOTH: return "GL_POINT_SMOOTH";
    case GL_LEQUAL: return "GL_LEQUAL";
    case GL_SRC_ALPHA: return "GL_SRC_ALPHA";
    case GL_ONE_MINUS_SRC_ALPHA: return "GL_ONE_MINUS_SRC_ALPHA";
    case GL_LIGHT0: return "GL_LIGHT0";
    case GL_LIGHT1: return "GL_LIGHT1";
    case GL_LIGHT2: return "GL_LIGHT2";
    default: return Number(value);
  }
}

std::string Format(const GlCall& call) {
  std::string s = call.name + "(";
  for (size_t i = 0; i < call.args.size(); ++i) {
    if (i) s += ", ";
    const double v = call.args[i];
    const bool isEnum = call.name == "Enable" || call.name == "Disable" ||
                        call.name == "PolygonMode" || call.name == "ShadeModel" ||
                        call.name == "GetDoublev" || call.name == "DepthFunc" ||
                        call.name == "BlendFunc" || call.name == "MatrixMode" ||
                        ((call.name == "Lightfv" || call.name == "Materialfv" ||
                          call.name == "Materialf" || call.name == "Hint") &&
                         i < 2);
    if (call.name == "Begin")
      s += v == GL_POINTS ? "GL_POINTS" : v == GL_LINES ? "GL_LINES" : EnumName(unsigned(v));
    else if (isEnum)
      s += EnumName(unsigned(v));
    else
      s += Number(v);
  }
  return s + ")";
}

GlRecorder::GlRecorder() {
  saved = gl;
  calls.clear();
  matrixMode = GL_MODELVIEW;
  Identity(modelView);
  gl.Begin = RecBegin;
  gl.End = RecEnd;
  gl.Normal3d = RecNormal3d;
  gl.Color4d = RecColor4d;
  gl.Vertex3d = RecVertex3d;
  gl.Enable = RecEnable;
  gl.Disable = RecDisable;
  gl.PolygonMode = RecPolygonMode;
  gl.ShadeModel = RecShadeModel;
  gl.GetDoublev = RecGetDoublev;
  gl.DepthFunc = RecDepthFunc;
  gl.BlendFunc = RecBlendFunc;
  gl.Hint = RecHint;
  gl.PointSize = RecPointSize;
  gl.Lightfv = RecLightfv;
  gl.Materialfv = RecMaterialfv;
  gl.Materialf = RecMaterialf;
  gl.ClearColor = RecClearColor;
  gl.ClearDepth = RecClearDepth;
  gl.ClearStencil = RecClearStencil;
  gl.Clear = RecClear;
  gl.Flush = RecFlush;
  gl.Viewport = RecViewport;
  gl.MatrixMode = RecMatrixMode;
  gl.LoadIdentity = RecLoadIdentity;
  gl.Translatef = RecTranslatef;
  gl.Rotatef = RecRotatef;
  gl.Perspective = RecPerspective;
}

GlRecorder::~GlRecorder() { gl = saved; }

const std::vector<GlCall>& GlRecorder::Calls() const { return calls; }
void GlRecorder::Clear() { calls.clear(); }

std::vector<GlCall> GlRecorder::Without(std::initializer_list<const char*> names) const {
  std::vector<GlCall> out;
  for (const GlCall& c : calls)
    if (!InList(c.name, names)) out.push_back(c);
  return out;
}

std::vector<GlCall> GlRecorder::Only(std::initializer_list<const char*> names) const {
  std::vector<GlCall> out;
  for (const GlCall& c : calls)
    if (InList(c.name, names)) out.push_back(c);
  return out;
}

std::vector<std::string> GlRecorder::Formatted(std::initializer_list<const char*> skip) const {
  std::vector<std::string> out;
  for (const GlCall& c : calls)
    if (!InList(c.name, skip)) out.push_back(Format(c));
  return out;
}

size_t GlRecorder::Count(const char* name) const {
  size_t n = 0;
  for (const GlCall& c : calls) n += c.name == name;
  return n;
}

void GlRecorder::SetModelView(const double columnMajor[16]) {
  std::memcpy(modelView, columnMajor, sizeof modelView);
}

void GlRecorder::SetModelView(const Matrix4& rowMajor) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) modelView[4 * j + i] = rowMajor.m[4 * i + j];
}

std::vector<RecordedBlock> Blocks(const std::vector<GlCall>& stream) {
  std::vector<RecordedBlock> out;
  RecordedVertex current{};
  bool open = false;
  for (const GlCall& c : stream) {
    if (c.name == "Begin") {
      out.push_back({unsigned(c[0]), {}});
      open = true;
    } else if (c.name == "End") {
      open = false;
    } else if (c.name == "Normal3d") {
      current.normal = {c[0], c[1], c[2]};
    } else if (c.name == "Color4d") {
      for (int i = 0; i < 4; ++i) current.colour[i] = c[i];
    } else if (c.name == "Vertex3d" && open) {
      current.position = {c[0], c[1], c[2]};
      out.back().vertices.push_back(current);
    }
  }
  return out;
}

}  // namespace tv::test
