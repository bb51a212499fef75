#include "StillScene.h"

#include "display/Display.h"
#include "render/Gl.h"
#include "render/Render.h"

namespace tv::test {

void SetupStillState(int width, int height) {
  // The saver's own view and fixed state, so stills are lit exactly as the saver lights knots.
  ResizeView(width, height);
  InitGLState();
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
