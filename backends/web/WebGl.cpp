// The GL entry points of the core's table (render/Gl.h), implemented over WebGL 2.
//
// Immediate-mode blocks are collected into one vertex array; consecutive blocks drawn with the
// same state share a draw call (WebGL blends the primitives of one call in order, as OpenGL does
// for separate blocks). State the vertices are drawn with (matrices, lights, shading, points,
// polygon mode) travels with each draw as uniforms; the shader (WebGl.js) lights every vertex as
// OpenGL 1.1's fixed lighting does. Matrices are kept in float and multiplied in the order and
// precision of Mesa's matrix code, so that the core reads back the model-view matrix the native
// renderer reads.
#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "WebGlBridge.h"

namespace {

// What each draw call carries; the layout is the one WebGl.js reads.
struct DrawState {
  float mvp[16];
  float modelView[16];
  float lightPosition[3][4];  // eye coordinates
  float lightAmbient[3][4];   // zero while a light is off
  float lightDiffuse[3][4];
  float lightSpecular[3][4];
  float sceneAmbient[4];
  float materialSpecular[4];
  float shininess;
  float pointSize;
  float lighting;     // 1 with GL_LIGHTING
  float flat;         // 1 with GL_FLAT
  float roundPoints;  // 1 for GL_POINTS with GL_POINT_SMOOTH
  float primitive;    // GL_TRIANGLES, GL_LINES or GL_POINTS as drawn
};

struct Light {
  float position[4] = {0, 0, 1, 0};
  float ambient[4] = {0, 0, 0, 1};
  float diffuse[4] = {0, 0, 0, 1};
  float specular[4] = {0, 0, 0, 1};
  bool on = false;
};

struct Vertex {
  float position[3];
  float normal[3];
  float colour[4];
};

// Fixed-function state as OpenGL keeps it.
float modelView[16], projection[16];
GLenum matrixMode = GL_MODELVIEW;
Light lights[3];
float materialSpecular[4] = {0, 0, 0, 1};
float shininess = 0;
float pointSize = 1;
GLenum polygonMode = GL_FILL;
GLenum shadeModel = GL_SMOOTH;
bool lighting = false, pointSmooth = false, cullFace = false, depthTest = false, blend = false;

// The open block and the current vertex attributes.
GLenum blockMode = 0;
std::vector<Vertex> block;
bool skipping = false;
float normal[3] = {0, 0, 1};
float colour[4] = {1, 1, 1, 1};

// Vertices waiting for their draw call, and the state they are drawn with.
std::vector<Vertex> batch;
DrawState batchState;

constexpr float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

float* Current() { return matrixMode == GL_PROJECTION ? projection : modelView; }

// product = a * b, column-major, summed as Mesa's matmul4 does.
void Multiply(float* product, const float* a, const float* b) {
  float p[16];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      p[j * 4 + i] = a[i] * b[j * 4] + a[4 + i] * b[j * 4 + 1] + a[8 + i] * b[j * 4 + 2] +
                     a[12 + i] * b[j * 4 + 3];
  std::memcpy(product, p, sizeof p);
}

void Flush() {
  if (batch.empty()) return;
  tv_gl_draw(reinterpret_cast<const float*>(batch.data()), static_cast<int>(batch.size()),
             reinterpret_cast<const float*>(&batchState));
  batch.clear();
}

// Flushes pending vertices before a change of state the WebGL context holds itself.
template <typename T>
bool Changes(T& held, T wanted) {
  if (held == wanted) return false;
  Flush();
  held = wanted;
  return true;
}

DrawState StateFor(GLenum primitive) {
  DrawState s{};
  Multiply(s.mvp, projection, modelView);
  std::memcpy(s.modelView, modelView, sizeof modelView);
  for (int i = 0; i < 3; ++i) {
    const Light& l = lights[i];
    std::memcpy(s.lightPosition[i], l.position, sizeof l.position);
    if (!l.on) continue;
    std::memcpy(s.lightAmbient[i], l.ambient, sizeof l.ambient);
    std::memcpy(s.lightDiffuse[i], l.diffuse, sizeof l.diffuse);
    std::memcpy(s.lightSpecular[i], l.specular, sizeof l.specular);
  }
  const float sceneAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};  // the light model's default
  std::memcpy(s.sceneAmbient, sceneAmbient, sizeof sceneAmbient);
  std::memcpy(s.materialSpecular, materialSpecular, sizeof materialSpecular);
  s.shininess = shininess;
  s.pointSize = pointSize;
  s.lighting = lighting ? 1.0f : 0.0f;
  s.flat = shadeModel == GL_FLAT ? 1.0f : 0.0f;
  s.roundPoints = primitive == GL_POINTS && pointSmooth ? 1.0f : 0.0f;
  s.primitive = static_cast<float>(primitive);
  return s;
}

// Window-space facing of a triangle from its clip coordinates: OpenGL's signed area, taken from
// the homogeneous determinant so that it holds for any sign of w.
bool FrontFacing(const float* mvp, const Vertex* v) {
  float clip[3][4];
  for (int k = 0; k < 3; ++k)
    for (int r = 0; r < 4; ++r)
      clip[k][r] = mvp[r] * v[k].position[0] + mvp[4 + r] * v[k].position[1] +
                   mvp[8 + r] * v[k].position[2] + mvp[12 + r];
  const double x0 = clip[0][0], y0 = clip[0][1], w0 = clip[0][3];
  const double x1 = clip[1][0], y1 = clip[1][1], w1 = clip[1][3];
  const double x2 = clip[2][0], y2 = clip[2][1], w2 = clip[2][3];
  const double det = x0 * (y1 * w2 - y2 * w1) - y0 * (x1 * w2 - x2 * w1) + w0 * (x1 * y2 - x2 * y1);
  return (w0 * w1 * w2 < 0 ? -det : det) > 0;  // counter-clockwise faces the viewer
}

// Polygon mode GL_LINE: the edges of the front-facing triangles (back faces are culled before
// the mode applies). Flat shading colours an edge as its triangle's last vertex.
void AppendEdges(const DrawState& state) {
  const bool flat = state.flat != 0;
  for (size_t t = 0; t + 2 < block.size(); t += 3) {
    const Vertex* tri = &block[t];
    if (cullFace && !FrontFacing(state.mvp, tri)) continue;
    for (int e = 0; e < 3; ++e) {
      Vertex a = tri[e], b = tri[(e + 1) % 3];
      if (flat) {
        std::memcpy(a.normal, tri[2].normal, sizeof a.normal);
        std::memcpy(a.colour, tri[2].colour, sizeof a.colour);
        std::memcpy(b.normal, tri[2].normal, sizeof b.normal);
        std::memcpy(b.colour, tri[2].colour, sizeof b.colour);
      }
      batch.push_back(a);
      batch.push_back(b);
    }
  }
}

}  // namespace

namespace tv::web {

// Back to a fresh context's state, dropping any vertices not yet drawn.
void ResetGl() {
  batch.clear();
  block.clear();
  blockMode = 0;
  std::memcpy(modelView, kIdentity, sizeof kIdentity);
  std::memcpy(projection, kIdentity, sizeof kIdentity);
  matrixMode = GL_MODELVIEW;
  for (Light& l : lights) l = Light{};
  polygonMode = GL_FILL;
  shadeModel = GL_SMOOTH;
  lighting = pointSmooth = false;
}

void FlushGl() { Flush(); }

SkipDrawing::SkipDrawing() {
  Flush();
  skipping = true;
}
SkipDrawing::~SkipDrawing() { skipping = false; }

}  // namespace tv::web

extern "C" {

void glBegin(GLenum mode) {
  blockMode = mode;
  block.clear();
}

void glEnd() {
  if (skipping) {
    block.clear();
    return;
  }
  const bool lines = blockMode == GL_TRIANGLES && polygonMode == GL_LINE;
  const GLenum primitive = lines ? GL_LINES : blockMode;
  const DrawState state = StateFor(primitive);
  if (!batch.empty() && std::memcmp(&state, &batchState, sizeof state) != 0) Flush();
  batchState = state;
  if (lines) AppendEdges(state);
  else batch.insert(batch.end(), block.begin(), block.end());
  block.clear();
  blockMode = 0;
}

void glNormal3d(GLdouble x, GLdouble y, GLdouble z) {
  normal[0] = static_cast<float>(x);
  normal[1] = static_cast<float>(y);
  normal[2] = static_cast<float>(z);
}

void glColor4d(GLdouble r, GLdouble g, GLdouble b, GLdouble a) {
  colour[0] = static_cast<float>(r);
  colour[1] = static_cast<float>(g);
  colour[2] = static_cast<float>(b);
  colour[3] = static_cast<float>(a);
}

void glVertex3d(GLdouble x, GLdouble y, GLdouble z) {
  Vertex v{{static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)}, {}, {}};
  std::memcpy(v.normal, normal, sizeof normal);
  std::memcpy(v.colour, colour, sizeof colour);
  block.push_back(v);
}

static void SetCapability(GLenum cap, bool on) {
  switch (cap) {
    case GL_DEPTH_TEST:
      if (Changes(depthTest, on)) tv_gl_enable(GL_DEPTH_TEST, on);
      return;
    case GL_CULL_FACE:
      if (Changes(cullFace, on)) tv_gl_enable(GL_CULL_FACE, on);
      return;
    case GL_BLEND:
      if (Changes(blend, on)) tv_gl_enable(GL_BLEND, on);
      return;
    case GL_LIGHTING: lighting = on; return;
    case GL_POINT_SMOOTH: pointSmooth = on; return;
    case GL_LIGHT0:
    case GL_LIGHT1:
    case GL_LIGHT2: lights[cap - GL_LIGHT0].on = on; return;
    default: return;  // GL_COLOR_MATERIAL is always on: the shader takes the vertex colour
  }
}

void glEnable(GLenum cap) { SetCapability(cap, true); }
void glDisable(GLenum cap) { SetCapability(cap, false); }
void glPolygonMode(GLenum, GLenum mode) { polygonMode = mode; }
void glShadeModel(GLenum mode) { shadeModel = mode; }

void glGetDoublev(GLenum name, GLdouble* values) {
  const float* m = name == GL_PROJECTION_MATRIX ? projection : modelView;
  for (int i = 0; i < 16; ++i) values[i] = m[i];
}

void glDepthFunc(GLenum func) {
  Flush();
  tv_gl_depth_func(func);
}

void glBlendFunc(GLenum source, GLenum destination) {
  Flush();
  tv_gl_blend_func(source, destination);
}

void glHint(GLenum, GLenum) {}
void glPointSize(GLfloat size) { pointSize = size; }

void glLightfv(GLenum light, GLenum name, const GLfloat* v) {
  if (light < GL_LIGHT0 || light > GL_LIGHT2) return;
  Light& l = lights[light - GL_LIGHT0];
  switch (name) {
    case GL_AMBIENT: std::memcpy(l.ambient, v, sizeof l.ambient); return;
    case GL_DIFFUSE: std::memcpy(l.diffuse, v, sizeof l.diffuse); return;
    case GL_SPECULAR: std::memcpy(l.specular, v, sizeof l.specular); return;
    case GL_POSITION:
      // Fixed to the eye by the model-view matrix of this moment.
      for (int r = 0; r < 4; ++r)
        l.position[r] = modelView[r] * v[0] + modelView[4 + r] * v[1] + modelView[8 + r] * v[2] +
                        modelView[12 + r] * v[3];
      return;
    default: return;
  }
}

void glMaterialfv(GLenum, GLenum name, const GLfloat* v) {
  if (name == GL_SPECULAR) std::memcpy(materialSpecular, v, sizeof materialSpecular);
}

void glMaterialf(GLenum, GLenum name, GLfloat v) {
  if (name == GL_SHININESS) shininess = v;
}

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) { tv_gl_clear_color(r, g, b, a); }
void glClearDepth(GLclampd depth) { tv_gl_clear_depth(static_cast<float>(depth)); }
void glClearStencil(GLint) {}

void glClear(GLbitfield mask) {
  Flush();
  tv_gl_clear(mask);
}

void glFlush() { Flush(); }

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
  Flush();
  tv_gl_viewport(x, y, width, height);
}

void glMatrixMode(GLenum mode) { matrixMode = mode; }
void glLoadIdentity() { std::memcpy(Current(), kIdentity, sizeof kIdentity); }

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
  float* m = Current();
  for (int r = 0; r < 4; ++r) m[12 + r] = m[r] * x + m[4 + r] * y + m[8 + r] * z + m[12 + r];
}

// Turns about one axis, as Mesa builds them: sine and cosine in double, rounded to float.
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
  const int axis = x != 0 && y == 0 && z == 0 ? 0 : x == 0 && y != 0 && z == 0 ? 1 : 2;
  if (axis == 2 && (x != 0 || y != 0 || z == 0)) return;  // the core turns about the axes only
  const float sine = static_cast<float>(std::sin(angle * M_PI / 180.0));
  const float s = (axis == 0 ? x : axis == 1 ? y : z) < 0 ? -sine : sine;
  const float c = static_cast<float>(std::cos(angle * M_PI / 180.0));
  // The two coordinates the turn mixes, in the order that makes a positive angle counter-clockwise.
  const int i = axis == 0 ? 1 : axis == 1 ? 2 : 0;
  const int j = axis == 0 ? 2 : axis == 1 ? 0 : 1;
  float r[16];
  std::memcpy(r, kIdentity, sizeof kIdentity);
  r[i * 4 + i] = c;  // column-major: r[column * 4 + row]
  r[j * 4 + j] = c;
  r[j * 4 + i] = -s;
  r[i * 4 + j] = s;
  Multiply(Current(), Current(), r);
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
  const double radians = fovy / 2 * 3.14159265358979323846 / 180;
  const double deltaZ = zFar - zNear;
  const double sine = std::sin(radians);
  if (deltaZ == 0 || sine == 0 || aspect == 0) return;
  const double cotangent = std::cos(radians) / sine;
  float p[16] = {};
  p[0] = static_cast<float>(cotangent / aspect);
  p[5] = static_cast<float>(cotangent);
  p[10] = static_cast<float>(-(zFar + zNear) / deltaZ);
  p[11] = -1.0f;
  p[14] = static_cast<float>(-2 * zNear * zFar / deltaZ);
  Multiply(Current(), Current(), p);
}

}  // extern "C"
