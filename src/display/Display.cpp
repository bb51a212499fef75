#include "display/Display.h"

#include <chrono>
#include <utility>

#include "foundation/Random.h"
#include "render/Gl.h"
#include "saver/Saver.h"

namespace tv {

DisplayState displayState;

namespace {
std::function<void()> swapBuffers;
}

void ResizeView(int width, int height) {
  if (height <= 0) height = 1;
  if (width < 0) width = 0;
  gl.Viewport(0, 0, width, height);
  gl.MatrixMode(GL_PROJECTION);
  gl.LoadIdentity();
  gl.Perspective(45.0, static_cast<double>(width) / static_cast<double>(height),
                 static_cast<double>(0.1f), 100.0);
  gl.MatrixMode(GL_MODELVIEW);
  gl.LoadIdentity();
}

bool InitGLState() {
  gl.ShadeModel(GL_SMOOTH);
  gl.ClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  gl.ClearDepth(1.0);
  gl.ClearStencil(0);
  gl.Enable(GL_DEPTH_TEST);
  gl.DepthFunc(GL_LEQUAL);
  gl.Hint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  gl.Enable(GL_CULL_FACE);
  gl.Enable(GL_BLEND);
  gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  SetupLighting();
  gl.Enable(GL_COLOR_MATERIAL);
  gl.Enable(GL_POINT_SMOOTH);
  gl.PointSize(3.2f);
  SeedRandom(CalendarSeed());
  return true;
}

void SetupLighting() {
  static const GLfloat ambient0[] = {0.3f, 0.3f, 0.3f, 1.0f};
  static const GLfloat specular0[] = {1.0f, 1.0f, 1.0f, 1.0f};
  static const GLfloat position0[] = {0.0f, 0.0f, 6.0f, 1.0f};
  static const GLfloat ambient1[] = {0.2f, 0.1f, 0.0f, 1.0f};
  static const GLfloat position1[] = {4.0f, 4.0f, 6.0f, 1.0f};
  static const GLfloat ambient2[] = {0.0f, 0.1f, 0.2f, 1.0f};
  static const GLfloat position2[] = {-4.0f, 4.0f, 6.0f, 1.0f};
  static const GLfloat materialSpecular[] = {1.0f, 1.0f, 1.0f, 1.0f};

  // Ambient and diffuse are the same colour for each light.
  gl.Lightfv(GL_LIGHT0, GL_AMBIENT, ambient0);
  gl.Lightfv(GL_LIGHT0, GL_DIFFUSE, ambient0);
  gl.Lightfv(GL_LIGHT0, GL_SPECULAR, specular0);
  gl.Lightfv(GL_LIGHT0, GL_POSITION, position0);
  gl.Lightfv(GL_LIGHT1, GL_AMBIENT, ambient1);
  gl.Lightfv(GL_LIGHT1, GL_DIFFUSE, ambient1);
  gl.Lightfv(GL_LIGHT1, GL_POSITION, position1);
  gl.Lightfv(GL_LIGHT2, GL_AMBIENT, ambient2);
  gl.Lightfv(GL_LIGHT2, GL_DIFFUSE, ambient2);
  gl.Lightfv(GL_LIGHT2, GL_POSITION, position2);
  gl.Enable(GL_LIGHT0);
  gl.Enable(GL_LIGHT1);
  gl.Enable(GL_LIGHT2);
  gl.Materialfv(GL_FRONT_AND_BACK, GL_SPECULAR, materialSpecular);
  gl.Materialf(GL_FRONT_AND_BACK, GL_SHININESS, 64.0f);
  gl.Enable(GL_LIGHTING);
}

uint32_t CalendarSeed() {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
      std::chrono::system_clock::now().time_since_epoch());
  return static_cast<uint32_t>(seconds.count());
}

uint32_t MillisecondClock() {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  return static_cast<uint32_t>(ms.count());
}

void StartClock(uint32_t now) { displayState.lastTick = now + 1u; }

void SetSwapFunction(std::function<void()> swap) { swapBuffers = std::move(swap); }

void OnTimerTick(uint32_t now) {
  // Unsigned difference: correct across the clock's wrap at 2^32.
  const auto deltaMs = static_cast<int32_t>(now - displayState.lastTick);
  if (deltaMs != 0) RenderFrame(deltaMs);
  displayState.lastTick = now;
}

void OnTimerTick() { OnTimerTick(MillisecondClock()); }

void RenderFrame(int32_t deltaMs) {
  // Wraps from 2^31 - 1 to -2^31 after 24.8 days instead of overflowing a signed sum.
  displayState.elapsedTotal = static_cast<int32_t>(static_cast<uint32_t>(displayState.elapsedTotal) +
                                                   static_cast<uint32_t>(deltaMs));
  DrawFrame(deltaMs);
  if (swapBuffers) swapBuffers();
}

void DrawFrame(int32_t deltaMs) {
  gl.Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  AdvanceScene(displayState.elapsedTotal, deltaMs);
  gl.Flush();
}

}  // namespace tv
