#include "host/Host.h"
#include "host/SaverWindow.h"

namespace tv::host {

namespace {

bool IsClosingInput(uint32_t message) {
  switch (message) {
    case kKeyDown:
    case kSysKeyDown:
    case kMouseMove:
    case kLButtonDown:
    case kRButtonDown:
    case kMButtonDown:
      return true;
    default:
      return false;
  }
}

void HideCursorUnlessPreview() {
  if (!hostState.isPreview) CurrentPlatform().HideCursor();
}

}  // namespace

int32_t RunSaverWindow(Handle parent) {
  Platform& p = CurrentPlatform();
  Rect place;  // x, y, width, height
  uint32_t exStyle = 0, style = 0;
  const char* title = nullptr;
  if (parent) {
    const Rect client = p.ClientRect(parent);
    place = {0, 0, client.right, client.bottom};
    hostState.isPreview = true;
    style = kWsChild | kWsVisible | kWsClipChildren;
    title = kPreviewTitle;
  } else {
    place = p.VirtualScreen();
    if (place.right == 0 || place.bottom == 0) {
      const Rect clip = p.ScreenClipBox();
      place = {clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top};
    }
    // Only one full-screen saver at a time.
    const Handle running = p.FindTopWindow(kSaverClassName, kFullScreenTitle);
    if (running && p.IsWindow(running)) {
      p.SetForegroundWindow(running);
      return 0;
    }
    hostState.lastPowerLine = p.PowerLineStatus();
    LoadPasswordVerifier();
    exStyle = kWsExTopmost;
    style = kWsPopup | kWsVisible | kWsClipSiblings | kWsClipChildren;
    title = kFullScreenTitle;
  }
  hostState.autoPlayMessage = hostState.is9xFamily ? p.RegisterMessage("QueryCancelAutoPlay") : 0;
  if (p.RegisterSaverClass()) {
    hostState.mainWindow = p.CreateSaverWindow(exStyle, title, style, place, parent);
  }
  int32_t result = 0;
  if (hostState.mainWindow) {
    if (!parent) p.SetForegroundWindow(hostState.mainWindow);
    result = p.RunMessageLoop();
  }
  UnloadPasswordVerifier();
  return result;
}

LResult HostWindowProc(Handle window, uint32_t message, WParam wParam, LParam lParam) {
  Platform& p = CurrentPlatform();
  switch (message) {
    case kCreate:
      // The input-method editor is detached only where the program already has it loaded.
      hostState.imeModule = p.LoadedModule("IMM32.DLL");
      if (hostState.imeModule) {
        hostState.associateContext = p.FindEntry(hostState.imeModule, "ImmAssociateContext");
        if (hostState.associateContext) {
          hostState.savedImeContext = p.CallAssociateContext(hostState.associateContext, window, 0);
        }
      }
      hostState.mouseAnchor = p.CursorPos();
      HideCursorUnlessPreview();
      break;
    case kDestroy:
      if (hostState.imeModule && hostState.associateContext && hostState.savedImeContext) {
        p.CallAssociateContext(hostState.associateContext, window, hostState.savedImeContext);
      }
      p.PostQuitMessage(0);
      break;
    case kSetText:
      return 0;
    case kPaint:
      if (hostState.closing) return p.DefaultProc(window, message, wParam, lParam);
      HideCursorUnlessPreview();
      break;
    case kHelp:
    case kContextMenu:
      if (hostState.isPreview) {
        const Handle parent = p.Parent(window);
        if (parent && p.IsWindow(parent)) p.Post(parent, message, parent, lParam);
        return 1;
      }
      break;
    case kSysCommand:
      if (hostState.isPreview) break;
      if (wParam == kScNextWindow || wParam == kScPrevWindow || wParam == kScScreenSave) return 0;
      if (wParam == kScMonitorPower) p.Post(window, kClose, 0, 0);
      break;
    case kTimer:
      if (hostState.closing) return 0;
      p.YieldTimeSlice();
      break;
    default:
      if (IsClosingInput(message) && hostState.closing) {
        return p.DefaultProc(window, message, wParam, lParam);
      }
      break;
  }
  return SaverWindowProc(window, message, wParam, lParam);
}

}  // namespace tv::host
