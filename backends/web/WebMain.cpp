// The browser front end's engine: the saver window's part (view, GL state, clock) for a canvas,
// the reproducible frame of the test hook, the scene as JSON and the stills of stored knots.
#include <emscripten/emscripten.h>

#include <string>
#include <algorithm>
#include <vector>

#include "WebApi.h"
#include "WebGlBridge.h"
#include "display/Display.h"
#include "foundation/Random.h"
#include "knots/library/KnotLibrary.h"
#include "render/Render.h"
#include "saver/KnotStill.h"
#include "saver/PreparedKnots.h"
#include "saver/Saver.h"
#include "saver/SceneJson.h"
#include "settings/SaverSettings.h"

namespace {

constexpr int kTimerStepMs = 10;  // the saver's timer

int canvasWidth = 1, canvasHeight = 1;
uint32_t now = 0;  // the saver's clock: milliseconds since tv_saver_start
std::string text;

void Tick(uint32_t at) {
  tv::OnTimerTick(at);
  tv::web::FlushGl();
}

// The knot of the last still, kept for its turns.
struct StillKnot {
  int index = -1;
  tv::Knot knot;
} still;

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE int tv_init() { return tv_gl_init(); }

EMSCRIPTEN_KEEPALIVE void tv_resize(int width, int height) {
  canvasWidth = width > 0 ? width : 1;
  canvasHeight = height > 0 ? height : 1;
  tv_gl_canvas_size(canvasWidth, canvasHeight);
  tv::ResizeView(canvasWidth, canvasHeight);
}

EMSCRIPTEN_KEEPALIVE void tv_saver_start(uint32_t seed, int useDefaults) {
  tv::slots.clear();
  tv::DropPreparedKnots();
  tv::ClearTranslucent();
  tv::displayState = tv::DisplayState{};
  tv::sceneCounters = tv::SceneCounters{};
  // No worker threads here: every knot change is made on its frame, the same bit for bit.
  tv::knotsPreparedAhead = 0;
  if (useDefaults) tv::ResetSettings(tv::saverSettings);
  tv::RepairSettings(tv::saverSettings);
  tv::web::ResetGl();
  tv::ResizeView(canvasWidth, canvasHeight);
  tv::InitGLState();
  tv::SeedRandom(seed);
  // The clock reads 0 one millisecond after the start, so a tick at t draws scene time t.
  tv::StartClock(0xFFFFFFFFu);
  now = 0;
  still.index = -1;
}

EMSCRIPTEN_KEEPALIVE uint32_t tv_saver_tick(uint32_t nowMs) {
  now = nowMs;
  Tick(now);
  return static_cast<uint32_t>(tv::displayState.elapsedTotal);
}

EMSCRIPTEN_KEEPALIVE void tv_saver_fast_forward(uint32_t atMs) {
  const uint32_t at = atMs > 0 ? atMs : kTimerStepMs;
  {
    // The same ticks as drawing every frame, all but the last without walking or drawing: the
    // scene's choices, motion and GL state come out the same.
    tv::web::SkipDrawing skip;
    tv::walkKnotMeshes = false;
    while (now < at && at - now > static_cast<uint32_t>(kTimerStepMs)) {
      now += kTimerStepMs;
      tv::OnTimerTick(now);
    }
    tv::walkKnotMeshes = true;
  }
  while (now < at) {
    now = std::min(now + kTimerStepMs, at);
    Tick(now);
  }
}

EMSCRIPTEN_KEEPALIVE const char* tv_scene_json() {
  text = tv::SceneJson(tv::displayState.elapsedTotal);
  return text.c_str();
}

EMSCRIPTEN_KEEPALIVE int tv_knot_count() { return tv::LibraryKnotCount(); }

EMSCRIPTEN_KEEPALIVE const char* tv_knot_name(int index) {
  const std::vector<std::string>& names = tv::LibraryKnotNames();
  text = index >= 0 && index < static_cast<int>(names.size()) ? names[index] : "";
  return text.c_str();
}

EMSCRIPTEN_KEEPALIVE const char* tv_style_label(int style) {
  return style >= 0 && style < tv::kRenderStyleCount ? tv::kRenderStyleLabels[style] : "";
}

EMSCRIPTEN_KEEPALIVE void tv_draw_knot(int index, int style, float turnX, float turnY, int reseed) {
  if (index < 0 || index >= tv::LibraryKnotCount() || style < 0 || style >= tv::kRenderStyleCount)
    return;
  tv::web::ResetGl();
  tv::ResizeView(canvasWidth, canvasHeight);
  tv::InitGLState();
  if (reseed || still.index != index) {
    tv::SeedRandom(1);  // as tressvale-render's still: the same picture on every run
    tv::LoadStillKnot(still.knot, index);
    still.index = index;
  }
  tv::DrawKnotStill(still.knot, style, turnX, turnY);
  tv::web::FlushGl();
}

}  // extern "C"
