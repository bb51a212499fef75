// The screen-saver host: the command line, the saver window's outer procedure, closing on input
// and the password lock of the Windows 95 family. Written against the Platform layer only.
#pragma once

#include <cstdint>

#include "host/Platform.h"

namespace tv::host {

constexpr const char* kSaverClassName = "WindowsScreenSaverClass";
constexpr const char* kFullScreenTitle = "Screen Saver";
constexpr const char* kPreviewTitle = "Preview";
constexpr int32_t kMouseMoveThreshold = 4;    // pixels, x plus y distance from the anchor
constexpr uint32_t kPasswordRecheckMs = 200;  // a close this soon after a check is refused
constexpr uint32_t kNeverChecked = 0xFFFFFFFFu;
constexpr uint32_t kIccTabClasses = 0x8;

struct HostState {
  Handle instance = 0;
  Handle mainWindow = 0;
  bool isPreview = false;
  bool closing = false;           // granted: input goes to the default handling from now on
  bool checkingPassword = false;  // the verifier runs; input makes no new close requests
  bool is9xFamily = false;
  Handle passwordLibrary = 0, verifyPassword = 0;
  Handle imeModule = 0, associateContext = 0, savedImeContext = 0;
  uint32_t autoPlayMessage = 0;
  Point mouseAnchor;
  int32_t lastPowerLine = kPowerLineUnknown;
  uint32_t lastPasswordCheck = kNeverChecked;
};

extern HostState hostState;

// The command line after the program name: skips a quoted or unquoted name, then blanks.
const char* SkipProgramName(const char* commandLine);
// Decimal digits at text as a window handle (32-bit, wrapping); none give 0.
Handle ParseWindowHandle(const char* text);
// Decides the mode by the first command letter and runs it; -1 for an unusable command line or
// an exception that escaped the run.
int32_t SaverHostMain(Handle instance, const char* text);
int32_t ShowConfigDialog(Handle parent);
int32_t RunSaverWindow(Handle previewParent);

LResult HostWindowProc(Handle window, uint32_t message, WParam wParam, LParam lParam);
LResult DefaultSaverProc(Handle window, uint32_t message, WParam wParam, LParam lParam);
// Nonzero when the saver may close (asks the password verifier where one is loaded).
int32_t VerifyBeforeClose(Handle window);
void LoadPasswordVerifier();
void UnloadPasswordVerifier();
void SetSaverRunning(bool running);
void ChangeSaverPassword(Handle parent);

}  // namespace tv::host
