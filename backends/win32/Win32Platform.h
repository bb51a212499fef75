// The host's platform layer over the ANSI Win32 API, WGL and the multimedia timer.
#pragma once

#include "host/Platform.h"

namespace tv::win32 {

// Not final: the Windows unit tests derive from it to plant a fault in a single call.
class Win32Platform : public host::Platform {
 public:
  using Handle = host::Handle;
  using WParam = host::WParam;
  using LParam = host::LParam;
  using LResult = host::LResult;

  void InitCommonControls(uint32_t classes) override;
  bool Is9xFamily() override;
  Handle OpenLibrary(const char* name) override;
  Handle LoadedModule(const char* name) override;
  Handle FindEntry(Handle module, const char* name) override;
  void FreeLibrary(Handle module) override;
  uint32_t TickCount() override;
  uint32_t TimeMs() override;
  int32_t PowerLineStatus() override;
  void YieldTimeSlice() override;
  int32_t CallVerifyPassword(Handle entry, Handle window) override;
  void CallChangePassword(Handle entry, const char* provider, Handle parent) override;
  Handle CallAssociateContext(Handle entry, Handle window, Handle context) override;
  Handle OpenUserKey(const char* path) override;
  bool QueryDword(Handle key, const char* name, uint32_t& value) override;
  void CloseKey(Handle key) override;
  void SetScreenSaverRunning(bool running) override;
  bool IsWindow(Handle window) override;
  Handle ForegroundWindow() override;
  void SetForegroundWindow(Handle window) override;
  void SetFocus(Handle window) override;
  void ShowWindow(Handle window) override;
  bool DestroyWindow(Handle window) override;
  Handle FindTopWindow(const char* className, const char* title) override;
  Handle Parent(Handle window) override;
  host::Rect ClientRect(Handle window) override;
  host::Rect VirtualScreen() override;
  host::Rect ScreenClipBox() override;
  host::Point CursorPos() override;
  void HideCursor() override;
  uint32_t RegisterMessage(const char* name) override;
  bool RegisterSaverClass() override;
  Handle CreateSaverWindow(uint32_t exStyle, const char* title, uint32_t style, host::Rect place,
                           Handle parent) override;
  int32_t RunMessageLoop() override;
  void PostQuitMessage(int32_t code) override;
  void Post(Handle window, uint32_t message, WParam wParam, LParam lParam) override;
  LResult Send(Handle window, uint32_t message, WParam wParam, LParam lParam) override;
  bool RemovePendingTimer(Handle window) override;
  LResult DefaultProc(Handle window, uint32_t message, WParam wParam, LParam lParam) override;
  uint32_t SetTimer(Handle window, uint32_t id, uint32_t ms) override;
  void KillTimer(Handle window, uint32_t id) override;
  void ShowMessageBox(Handle owner, const char* text, const char* caption, uint32_t flags) override;
  int32_t RunConfigDialog(Handle parent) override;
  Handle GetDC(Handle window) override;
  bool ReleaseDC(Handle window, Handle dc) override;
  int32_t ChoosePixelFormat(Handle dc, int32_t colourBits) override;
  bool SetPixelFormat(Handle dc, int32_t format) override;
  Handle CreateGlContext(Handle dc) override;
  bool MakeCurrent(Handle dc, Handle context) override;
  bool DeleteGlContext(Handle context) override;
  void SwapBuffers(Handle dc) override;
};

}  // namespace tv::win32
