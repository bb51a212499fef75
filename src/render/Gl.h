// The one door to OpenGL. Every GL and GLU call of the core goes through the table `gl`, whose
// entries are the GL entry points themselves: the product path is one direct call per GL function.
// Tests swap in recording functions of the same signatures to check call order.
#pragma once

#include <GL/gl.h>
#include <GL/glu.h>

namespace tv {

struct GlDispatch {
  // Immediate mode
  decltype(&::glBegin) Begin = ::glBegin;
  decltype(&::glEnd) End = ::glEnd;
  decltype(&::glNormal3d) Normal3d = ::glNormal3d;
  decltype(&::glColor4d) Color4d = ::glColor4d;
  decltype(&::glVertex3d) Vertex3d = ::glVertex3d;
  // State
  decltype(&::glEnable) Enable = ::glEnable;
  decltype(&::glDisable) Disable = ::glDisable;
  decltype(&::glPolygonMode) PolygonMode = ::glPolygonMode;
  decltype(&::glShadeModel) ShadeModel = ::glShadeModel;
  decltype(&::glGetDoublev) GetDoublev = ::glGetDoublev;
  decltype(&::glDepthFunc) DepthFunc = ::glDepthFunc;
  decltype(&::glBlendFunc) BlendFunc = ::glBlendFunc;
  decltype(&::glHint) Hint = ::glHint;
  decltype(&::glPointSize) PointSize = ::glPointSize;
  decltype(&::glLightfv) Lightfv = ::glLightfv;
  decltype(&::glMaterialfv) Materialfv = ::glMaterialfv;
  decltype(&::glMaterialf) Materialf = ::glMaterialf;
  // Frame
  decltype(&::glClearColor) ClearColor = ::glClearColor;
  decltype(&::glClearDepth) ClearDepth = ::glClearDepth;
  decltype(&::glClearStencil) ClearStencil = ::glClearStencil;
  decltype(&::glClear) Clear = ::glClear;
  decltype(&::glFlush) Flush = ::glFlush;
  decltype(&::glViewport) Viewport = ::glViewport;
  // Matrices
  decltype(&::glMatrixMode) MatrixMode = ::glMatrixMode;
  decltype(&::glLoadIdentity) LoadIdentity = ::glLoadIdentity;
  decltype(&::glTranslatef) Translatef = ::glTranslatef;
  decltype(&::glRotatef) Rotatef = ::glRotatef;
  decltype(&::gluPerspective) Perspective = ::gluPerspective;
};

// The process-wide table; starts out pointing at the real OpenGL.
extern GlDispatch gl;

}  // namespace tv
