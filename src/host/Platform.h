// The narrow platform layer the screen-saver host is written against: the window-system, kernel,
// registry and OpenGL-binding calls of the host, the saver window and the password lock, one
// virtual function each, in the ANSI Win32 manner. backends/win32 implements it over Windows;
// the unit tests implement it with a fake that records calls. Names differ from the Win32 ones
// where windows.h would turn them into macros. Message and command numbers are
// plain constants here so that no system header is needed.
#pragma once

#include <cstdint>

namespace tv::host {

using Handle = std::uintptr_t;  // window, module, device context, rendering context, key, entry
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

struct Point {
  int32_t x = 0, y = 0;
};
struct Rect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// Window messages.
constexpr uint32_t kCreate = 0x0001, kDestroy = 0x0002, kSize = 0x0005, kActivate = 0x0006,
                   kSetText = 0x000C, kPaint = 0x000F, kClose = 0x0010, kShowWindow = 0x0018,
                   kActivateApp = 0x001C, kSetCursor = 0x0020, kPower = 0x0048, kHelp = 0x0053,
                   kContextMenu = 0x007B, kKeyDown = 0x0100, kSysKeyDown = 0x0104,
                   kSysCommand = 0x0112, kTimer = 0x0113, kMouseMove = 0x0200,
                   kLButtonDown = 0x0201, kRButtonDown = 0x0204, kMButtonDown = 0x0207,
                   kPowerBroadcast = 0x0218, kApp = 0x8000;
// System commands (compared whole).
constexpr WParam kScNextWindow = 0xF040, kScPrevWindow = 0xF050, kScScreenSave = 0xF140,
                 kScMonitorPower = 0xF170;
// Window styles.
constexpr uint32_t kWsPopup = 0x80000000u, kWsChild = 0x40000000u, kWsVisible = 0x10000000u,
                   kWsClipSiblings = 0x04000000u, kWsClipChildren = 0x02000000u,
                   kWsExTopmost = 0x00000008u;
constexpr uint32_t kClassStyle = 0x2B;  // vertical and horizontal redraw, double clicks, own DC
// Message boxes.
constexpr uint32_t kMbOk = 0x0, kMbIconExclamation = 0x30, kMbIconInformation = 0x40;
constexpr int32_t kPowerLineUnknown = 255;

class Platform {
 public:
  virtual ~Platform() = default;

  // Start-up.
  virtual void InitCommonControls(uint32_t classes) = 0;
  virtual bool Is9xFamily() = 0;  // the version query succeeds and reports platform 1

  // Kernel: libraries by name, clock, power.
  virtual Handle OpenLibrary(const char* name) = 0;
  virtual Handle LoadedModule(const char* name) = 0;  // only if already in the process, else 0
  virtual Handle FindEntry(Handle module, const char* name) = 0;
  virtual void FreeLibrary(Handle module) = 0;
  virtual uint32_t TickCount() = 0;
  virtual uint32_t TimeMs() = 0;          // the frame clock (timeGetTime)
  virtual int32_t PowerLineStatus() = 0;  // AC line status, kPowerLineUnknown if unknown
  virtual void YieldTimeSlice() = 0;

  // Entries found at run time, called through the platform's calling convention.
  virtual int32_t CallVerifyPassword(Handle entry, Handle window) = 0;
  virtual void CallChangePassword(Handle entry, const char* provider, Handle parent) = 0;
  virtual Handle CallAssociateContext(Handle entry, Handle window, Handle context) = 0;

  // Registry of the current user: the password flag.
  virtual Handle OpenUserKey(const char* path) = 0;  // for reading values; 0 on failure
  virtual bool QueryDword(Handle key, const char* name, uint32_t& value) = 0;
  virtual void CloseKey(Handle key) = 0;
  virtual void SetScreenSaverRunning(bool running) = 0;

  // Windows and messages.
  virtual bool IsWindow(Handle window) = 0;
  virtual Handle ForegroundWindow() = 0;
  virtual void SetForegroundWindow(Handle window) = 0;
  virtual void SetFocus(Handle window) = 0;
  virtual void ShowWindow(Handle window) = 0;  // show and activate at the current place
  virtual bool DestroyWindow(Handle window) = 0;
  virtual Handle FindTopWindow(const char* className, const char* title) = 0;
  virtual Handle Parent(Handle window) = 0;
  virtual Rect ClientRect(Handle window) = 0;
  virtual Rect VirtualScreen() = 0;  // left, top and sizes in right and bottom
  virtual Rect ScreenClipBox() = 0;
  virtual Point CursorPos() = 0;
  virtual void HideCursor() = 0;
  virtual uint32_t RegisterMessage(const char* name) = 0;
  virtual bool RegisterSaverClass() = 0;  // the class "WindowsScreenSaverClass" of HostWindowProc
  virtual Handle CreateSaverWindow(uint32_t exStyle, const char* title, uint32_t style, Rect place,
                                   Handle parent) = 0;  // place: x, y, width, height
  virtual int32_t RunMessageLoop() = 0;                 // until the quit message; its wParam
  virtual void PostQuitMessage(int32_t code) = 0;
  virtual void Post(Handle window, uint32_t message, WParam wParam, LParam lParam) = 0;
  virtual LResult Send(Handle window, uint32_t message, WParam wParam, LParam lParam) = 0;
  virtual bool RemovePendingTimer(Handle window) = 0;  // one timer message off the queue
  virtual LResult DefaultProc(Handle window, uint32_t message, WParam wParam, LParam lParam) = 0;
  virtual uint32_t SetTimer(Handle window, uint32_t id, uint32_t ms) = 0;
  virtual void KillTimer(Handle window, uint32_t id) = 0;
  virtual void ShowMessageBox(Handle owner, const char* text, const char* caption,
                              uint32_t flags) = 0;
  virtual int32_t RunConfigDialog(Handle parent) = 0;  // template 2003, modal

  // OpenGL binding on a window's device context.
  virtual Handle GetDC(Handle window) = 0;
  virtual bool ReleaseDC(Handle window, Handle dc) = 0;
  virtual int32_t ChoosePixelFormat(Handle dc, int32_t colourBits) = 0;  // 0: none
  virtual bool SetPixelFormat(Handle dc, int32_t format) = 0;
  virtual Handle CreateGlContext(Handle dc) = 0;
  virtual bool MakeCurrent(Handle dc, Handle context) = 0;  // 0, 0: none current
  virtual bool DeleteGlContext(Handle context) = 0;
  virtual void SwapBuffers(Handle dc) = 0;
};

// The platform the host runs on; set once by the program entry (or a test).
Platform& CurrentPlatform();
void SetPlatform(Platform* platform);

}  // namespace tv::host
