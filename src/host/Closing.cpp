#include <cstdlib>

#include "host/Host.h"

namespace tv::host {

namespace {

void RequestClose(Handle window) { CurrentPlatform().Post(window, kClose, 0, 0); }

// Every power broadcast closes (queries, suspend, standby, ...) except a resume from a failure
// (6, 7, 8, 18 with bit 0 of lParam) and a power status change (10) that left the AC line as it
// was.
constexpr WParam kPowerStatusChange = 10;
constexpr WParam kCriticalResume = 3;

bool PowerBroadcastCloses(WParam event, LParam lParam) {
  if (event == 6 || event == 7 || event == 8 || event == 18) return (lParam & 1) == 0;
  if (event == kPowerStatusChange) {
    const int32_t line = CurrentPlatform().PowerLineStatus();
    const bool changed = line != hostState.lastPowerLine;
    hostState.lastPowerLine = line;
    return changed;
  }
  return true;
}

}  // namespace

LResult DefaultSaverProc(Handle window, uint32_t message, WParam wParam, LParam lParam) {
  Platform& p = CurrentPlatform();
  if (!hostState.isPreview && !hostState.closing) {
    if (message == kClose) {
      if (hostState.is9xFamily && VerifyBeforeClose(window) == 0) {
        hostState.mouseAnchor = p.CursorPos();
        return 0;
      }
    } else if (message == kApp) {
      if (hostState.is9xFamily) {
        return hostState.verifyPassword ? p.CallVerifyPassword(hostState.verifyPassword, window)
                                        : 1;
      }
    } else if (!hostState.checkingPassword) {
      switch (message) {
        case kKeyDown:
        case kSysKeyDown:
        case kLButtonDown:
        case kRButtonDown:
        case kMButtonDown:
          RequestClose(window);
          break;
        case kMouseMove: {
          const Point at = p.CursorPos();
          if (std::abs(at.x - hostState.mouseAnchor.x) + std::abs(at.y - hostState.mouseAnchor.y) >
              kMouseMoveThreshold) {
            RequestClose(window);
            hostState.mouseAnchor = at;
          }
          break;
        }
        case kActivateApp:
          if (wParam == 0) RequestClose(window);
          break;
        case kShowWindow:
          if (wParam != 0) p.HideCursor();
          break;
        case kSetCursor:
          p.HideCursor();
          return 1;
        case kPower:
          if (wParam == kCriticalResume) RequestClose(window);
          break;
        case kPowerBroadcast:
          if (PowerBroadcastCloses(wParam, lParam)) RequestClose(window);
          break;
        default:
          break;
      }
    }
  }
  if (hostState.autoPlayMessage != 0 && message == hostState.autoPlayMessage) {
    // A password-protected saver cancels AutoPlay; every saver closes.
    RequestClose(window);
    return hostState.verifyPassword ? 1 : 0;
  }
  return p.DefaultProc(window, message, wParam, lParam);
}

int32_t VerifyBeforeClose(Handle window) {
  Platform& p = CurrentPlatform();
  if (hostState.checkingPassword || hostState.closing) return 0;
  if (!hostState.verifyPassword) {
    hostState.closing = true;
    return 1;
  }
  if (hostState.lastPasswordCheck != kNeverChecked &&
      p.TickCount() - hostState.lastPasswordCheck < kPasswordRecheckMs) {
    return 0;
  }
  hostState.checkingPassword = true;
  p.RemovePendingTimer(window);
  p.RemovePendingTimer(window);
  hostState.closing = p.Send(window, kApp, 0, 0) != 0;
  hostState.checkingPassword = false;
  if (!hostState.closing) p.HideCursor();
  hostState.lastPasswordCheck = p.TickCount();
  return hostState.closing ? 1 : 0;
}

void LoadPasswordVerifier() {
  if (!hostState.is9xFamily) return;
  Platform& p = CurrentPlatform();
  if (hostState.passwordLibrary) UnloadPasswordVerifier();
  const Handle key = p.OpenUserKey("Control Panel\\Desktop");
  if (!key) return;
  uint32_t usePassword = 0;
  if (p.QueryDword(key, "ScreenSaveUsePassword", usePassword) && usePassword != 0) {
    hostState.passwordLibrary = p.OpenLibrary("PASSWORD.CPL");
    if (hostState.passwordLibrary) {
      hostState.verifyPassword = p.FindEntry(hostState.passwordLibrary, "VerifyScreenSavePwd");
      if (hostState.verifyPassword) {
        SetSaverRunning(true);
      } else {
        UnloadPasswordVerifier();
      }
    }
  }
  p.CloseKey(key);
}

void UnloadPasswordVerifier() {
  if (!hostState.is9xFamily || !hostState.passwordLibrary) return;
  CurrentPlatform().FreeLibrary(hostState.passwordLibrary);
  hostState.passwordLibrary = 0;
  if (hostState.verifyPassword) {
    hostState.verifyPassword = 0;
    SetSaverRunning(false);
  }
}

void SetSaverRunning(bool running) {
  if (hostState.is9xFamily) CurrentPlatform().SetScreenSaverRunning(running);
}

void ChangeSaverPassword(Handle parent) {
  Platform& p = CurrentPlatform();
  const Handle library = p.OpenLibrary("MPR.DLL");
  if (!library) return;
  if (const Handle change = p.FindEntry(library, "PwdChangePasswordA")) {
    p.CallChangePassword(change, "SCRSAVE", parent);
  }
  p.FreeLibrary(library);
}

}  // namespace tv::host
