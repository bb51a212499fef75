// The saver without a window: the same frame code (ResizeView, InitGLState, OnTimerTick) driven by
// a simulated millisecond clock, drawing into an EGL framebuffer that is read back as pictures.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>

#include "EglContext.h"
#include "PngWriter.h"
#include "RenderOptions.h"
#include "render/RenderTypes.h"
#include "saver/KnotStill.h"  // the stills tressvale-render draws

namespace tv::headless {

// Forgets every slot, the translucent list and the frame clock, as at process start.
void ResetScene();

// One run of the saver on a current context. Frame k of the run is drawn at scene time k*step ms.
class SaverRun {
 public:
  // Sets the view and GL state as the saver window does, then seeds the random source with seed
  // (or leaves the calendar-time seed of InitGLState).
  SaverRun(EglContext& context, std::optional<uint32_t> seed);

  // Ticks the simulated clock forward to ms in steps of stepMs, drawing each frame.
  void AdvanceTo(uint32_t ms, int stepMs);
  // As AdvanceTo, but all frames before the last are worked out without walking the knots'
  // meshes or sending them to OpenGL (the scene's choices, motion and GL state are the same).
  // On a terminal a long one shows its progress and the time left.
  void FastForwardTo(uint32_t ms, int stepMs);
  uint32_t Now() const { return now_; }
  Image Capture() const;

 private:
  EglContext& context_;
  uint32_t now_ = 0;
};

// The whole program: parses nothing, runs the parsed options. Returns the exit code (0 done,
// 1 no OpenGL or a file could not be written).
int RunRender(const RenderOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tv::headless
