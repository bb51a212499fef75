// The saver's own window procedure: OpenGL context on the window, 10 ms frame timer, release on
// destruction. Serves the full-screen and the preview window alike; input is left to the host.
#pragma once

#include "host/Platform.h"

namespace tv::host {

constexpr uint32_t kFirstTimerId = 1234;
constexpr uint32_t kFrameTimerMs = 10;

struct SaverWindowState {
  Handle window = 0;
  Handle deviceContext = 0;
  Handle renderContext = 0;
  uint32_t timerId = kFirstTimerId;
  bool destroyed = false;
};

extern SaverWindowState saverWindow;

LResult SaverWindowProc(Handle window, uint32_t message, WParam wParam, LParam lParam);
// The host asks before it shows the configuration dialog; nothing needs registering.
bool RegisterConfigClasses(Handle instance);

bool InitDisplay();
bool CreateRenderContext(Handle window, int32_t width, int32_t height, int32_t colourBits,
                         bool fullScreen);
void ReleaseRenderContext(Handle window);

}  // namespace tv::host
