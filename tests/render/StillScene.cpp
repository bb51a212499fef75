#include "StillScene.h"

#include "render/Gl.h"
#include "render/Render.h"

namespace tv::test {

void SetupStillState(int width, int height) {
  gl.Viewport(0, 0, width, height > 0 ? height : 1);
  gl.MatrixMode(GL_PROJECTION);
  gl.LoadIdentity();
  gl.Perspective(45.0, double(width) / (height > 0 ? height : 1), double(0.1f), 100.0);
  gl.MatrixMode(GL_MODELVIEW);
  gl.LoadIdentity();

  gl.ShadeModel(GL_SMOOTH);
  gl.ClearColor(0, 0, 0, 1);
  gl.ClearDepth(1.0);
  gl.ClearStencil(0);
  gl.Enable(GL_DEPTH_TEST);
  gl.DepthFunc(GL_LEQUAL);
  gl.Hint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  gl.Enable(GL_CULL_FACE);
  gl.Enable(GL_BLEND);
  gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

  const GLfloat amb0[] = {0.3f, 0.3f, 0.3f, 1}, spec0[] = {1, 1, 1, 1}, pos0[] = {0, 0, 6, 1};
  const GLfloat amb1[] = {0.2f, 0.1f, 0, 1}, pos1[] = {4, 4, 6, 1};
  const GLfloat amb2[] = {0, 0.1f, 0.2f, 1}, pos2[] = {-4, 4, 6, 1};
  gl.Lightfv(GL_LIGHT0, GL_AMBIENT, amb0);
  gl.Lightfv(GL_LIGHT0, GL_DIFFUSE, amb0);
  gl.Lightfv(GL_LIGHT0, GL_SPECULAR, spec0);
  gl.Lightfv(GL_LIGHT0, GL_POSITION, pos0);
  gl.Lightfv(GL_LIGHT1, GL_AMBIENT, amb1);
  gl.Lightfv(GL_LIGHT1, GL_DIFFUSE, amb1);
  gl.Lightfv(GL_LIGHT1, GL_POSITION, pos1);
  gl.Lightfv(GL_LIGHT2, GL_AMBIENT, amb2);
  gl.Lightfv(GL_LIGHT2, GL_DIFFUSE, amb2);
  gl.Lightfv(GL_LIGHT2, GL_POSITION, pos2);
  gl.Enable(GL_LIGHT0);
  gl.Enable(GL_LIGHT1);
  gl.Enable(GL_LIGHT2);
  gl.Materialfv(GL_FRONT_AND_BACK, GL_SPECULAR, spec0);
  gl.Materialf(GL_FRONT_AND_BACK, GL_SHININESS, 64.0f);
  gl.Enable(GL_LIGHTING);

  gl.Enable(GL_COLOR_MATERIAL);
  gl.Enable(GL_POINT_SMOOTH);
  gl.PointSize(3.2f);
}

void DrawStill(const Knot* const* knots, const RenderParams* params, const Placement* where, int n,
               int timeMs) {
  gl.Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  ClearTranslucent();
  for (int i = 0; i < n; ++i) {
    gl.LoadIdentity();
    gl.Translatef(float(where[i].x), float(where[i].y), float(where[i].z));
    gl.Rotatef(float(where[i].turnX), 1, 0, 0);
    gl.Rotatef(float(where[i].turnY), 0, 1, 0);
    DrawKnot(*knots[i], timeMs, params[i]);
  }
  gl.LoadIdentity();
  DrawTranslucent();
  gl.Flush();
}

}  // namespace tv::test
