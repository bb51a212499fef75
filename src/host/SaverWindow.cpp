#include "host/SaverWindow.h"

#include "display/Display.h"
#include "host/Host.h"
#include "settings/SaverSettings.h"

namespace tv::host {

SaverWindowState saverWindow;

namespace {

bool FailRenderContext(Handle window, const char* text) {
  ReleaseRenderContext(window);
  CurrentPlatform().ShowMessageBox(0, text, "ERROR", kMbOk | kMbIconExclamation);
  return false;
}

void ShutdownError(const char* text) {
  CurrentPlatform().ShowMessageBox(0, text, "SHUTDOWN ERROR", kMbOk | kMbIconInformation);
}

}  // namespace

bool RegisterConfigClasses(Handle) { return true; }

bool InitDisplay() {
  Platform& p = CurrentPlatform();
  const Rect client = p.ClientRect(saverWindow.window);
  if (!CreateRenderContext(saverWindow.window, client.right - client.left,
                           client.bottom - client.top, 32, false)) {
    return false;
  }
  StartClock(p.TimeMs());
  return true;
}

bool CreateRenderContext(Handle window, int32_t width, int32_t height, int32_t colourBits,
                         bool /*fullScreen: the display mode is never changed*/) {
  Platform& p = CurrentPlatform();
  saverWindow.deviceContext = p.GetDC(window);
  if (!saverWindow.deviceContext)
    return FailRenderContext(window, "Can't Create A GL Device Context.");
  const int32_t format = p.ChoosePixelFormat(saverWindow.deviceContext, colourBits);
  if (!format) return FailRenderContext(window, "Can't Find A Suitable PixelFormat.");
  if (!p.SetPixelFormat(saverWindow.deviceContext, format)) {
    return FailRenderContext(window, "Can't Set The PixelFormat.");
  }
  saverWindow.renderContext = p.CreateGlContext(saverWindow.deviceContext);
  if (!saverWindow.renderContext)
    return FailRenderContext(window, "Can't Create A GL Rendering Context.");
  if (!p.MakeCurrent(saverWindow.deviceContext, saverWindow.renderContext)) {
    return FailRenderContext(window, "Can't Activate The GL Rendering Context.");
  }
  p.ShowWindow(window);
  p.SetForegroundWindow(window);
  p.SetFocus(window);
  const Handle dc = saverWindow.deviceContext;
  SetSwapFunction([dc] { CurrentPlatform().SwapBuffers(dc); });
  ResizeView(width, height);
  InitGLState();
  return true;
}

void ReleaseRenderContext(Handle window) {
  Platform& p = CurrentPlatform();
  if (saverWindow.renderContext) {
    if (!p.MakeCurrent(0, 0)) ShutdownError("Release Of DC And RC Failed.");
    if (!p.DeleteGlContext(saverWindow.renderContext))
      ShutdownError("Release Rendering Context Failed.");
    saverWindow.renderContext = 0;
  }
  if (saverWindow.deviceContext) {
    if (!p.ReleaseDC(window, saverWindow.deviceContext))
      ShutdownError("Release Device Context Failed.");
    saverWindow.deviceContext = 0;
  }
  SetSwapFunction(nullptr);
  if (saverWindow.window) p.DestroyWindow(saverWindow.window);
}

LResult SaverWindowProc(Handle window, uint32_t message, WParam wParam, LParam lParam) {
  Platform& p = CurrentPlatform();
  switch (message) {
    case kCreate:
      LoadSettings();
      saverWindow.window = window;
      if (!InitDisplay()) {
        // The failed start has destroyed the window already; a box owned by a dead window
        // would never show.
        p.ShowMessageBox(p.IsWindow(window) ? window : 0, "Error - cannot start OpenGL", "Error",
                         kMbOk);
        return 0;
      }
      saverWindow.timerId = p.SetTimer(window, saverWindow.timerId, kFrameTimerMs);
      break;
    case kDestroy:
      if (!saverWindow.destroyed) {
        saverWindow.destroyed = true;
        p.KillTimer(saverWindow.window, saverWindow.timerId);
        ReleaseRenderContext(saverWindow.window);
        p.PostQuitMessage(0);
      }
      return 0;
    case kActivate:
      return 0;
    case kSize:
      ResizeView(static_cast<int>(lParam & 0xFFFF), static_cast<int>((lParam >> 16) & 0xFFFF));
      return 0;
    case kSysCommand:
      // Neither a second saver start nor monitor power-down may reach the default handling.
      if (wParam == kScScreenSave || wParam == kScMonitorPower) return 0;
      break;
    case kTimer:
      OnTimerTick(p.TimeMs());
      break;
    default:
      break;
  }
  return DefaultSaverProc(window, message, wParam, lParam);
}

}  // namespace tv::host
