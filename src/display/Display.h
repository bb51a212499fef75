// The platform-free half of the saver window: projection, fixed GL state and lights, and the
// frame clock that turns timer ticks into drawn frames. The platform supplies the context, the
// millisecond clock readings and the buffer swap.
#pragma once

#include <cstdint>
#include <functional>

namespace tv {

struct DisplayState {
  uint32_t lastTick = 0;     // clock reading at the previous tick
  int32_t elapsedTotal = 0;  // sum of all frame intervals: the scene's clock (wraps after 24.8 days)
};

extern DisplayState displayState;

// Viewport and a 45-degree perspective for a client area; a height of 0 counts as 1.
void ResizeView(int width, int height);
// Fixed GL state, lights and points, then seeds the random source with the calendar time in
// whole seconds. Always true.
bool InitGLState();
// Three positional lights fixed to the viewer; call with the identity model-view matrix.
void SetupLighting();

// The seed InitGLState uses: calendar time in whole seconds.
uint32_t CalendarSeed();
// A monotonic millisecond clock, wrapping at 2^32.
uint32_t MillisecondClock();

// Starts the frame clock at a clock reading (the first tick measures from now + 1).
void StartClock(uint32_t now);
// The platform's buffer swap, called after every drawn frame (none: nothing to swap).
void SetSwapFunction(std::function<void()> swap);

// One timer tick at clock reading now: draws a frame unless no millisecond has passed.
void OnTimerTick(uint32_t now);
void OnTimerTick();  // reads MillisecondClock
// Adds deltaMs to the scene clock, draws and swaps.
void RenderFrame(int32_t deltaMs);
// Clears the buffers, advances and draws the scene, flushes.
void DrawFrame(int32_t deltaMs);

}  // namespace tv
