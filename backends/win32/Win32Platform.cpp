#include "Win32Platform.h"

#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <mmsystem.h>

#include <exception>
#include <utility>

#include "ConfigDialog.h"
#include "host/ConfigTable.h"
#include "host/Host.h"

namespace tv::win32 {

using host::Handle;

// The host's constants are the system's.
static_assert(host::kCreate == WM_CREATE && host::kDestroy == WM_DESTROY &&
              host::kSize == WM_SIZE && host::kActivate == WM_ACTIVATE &&
              host::kSetText == WM_SETTEXT && host::kPaint == WM_PAINT &&
              host::kClose == WM_CLOSE && host::kShowWindow == WM_SHOWWINDOW &&
              host::kActivateApp == WM_ACTIVATEAPP && host::kSetCursor == WM_SETCURSOR &&
              host::kPower == WM_POWER && host::kHelp == WM_HELP &&
              host::kContextMenu == WM_CONTEXTMENU && host::kKeyDown == WM_KEYDOWN &&
              host::kSysKeyDown == WM_SYSKEYDOWN && host::kSysCommand == WM_SYSCOMMAND &&
              host::kTimer == WM_TIMER && host::kMouseMove == WM_MOUSEMOVE &&
              host::kLButtonDown == WM_LBUTTONDOWN && host::kRButtonDown == WM_RBUTTONDOWN &&
              host::kMButtonDown == WM_MBUTTONDOWN && host::kPowerBroadcast == WM_POWERBROADCAST &&
              host::kApp == WM_APP);
static_assert(host::kScNextWindow == SC_NEXTWINDOW && host::kScPrevWindow == SC_PREVWINDOW &&
              host::kScScreenSave == SC_SCREENSAVE && host::kScMonitorPower == SC_MONITORPOWER);
static_assert(host::kWsPopup == WS_POPUP && host::kWsChild == WS_CHILD &&
              host::kWsVisible == WS_VISIBLE && host::kWsClipSiblings == WS_CLIPSIBLINGS &&
              host::kWsClipChildren == WS_CLIPCHILDREN && host::kWsExTopmost == WS_EX_TOPMOST);
static_assert(host::kClassStyle == (CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC));
static_assert(host::kMbOk == MB_OK && host::kMbIconExclamation == MB_ICONEXCLAMATION &&
              host::kMbIconInformation == MB_ICONINFORMATION);

namespace {

template <typename T>
T As(Handle h) {
  return reinterpret_cast<T>(h);
}
template <typename T>
Handle Of(T value) {
  return reinterpret_cast<Handle>(value);
}

constexpr UINT kScreenSaverRunning = 97;  // SPI_SCREENSAVERRUNNING

PIXELFORMATDESCRIPTOR requestedFormat;  // the last one asked for, handed to SetPixelFormat

// An exception may not unwind through the system's frames; it is carried past them and
// rethrown from the message loop, where the host's guard takes it.
std::exception_ptr escaped;

void RethrowEscaped() {
  if (escaped) std::rethrow_exception(std::exchange(escaped, nullptr));
}

LRESULT CALLBACK HostWindowThunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!escaped) {
    try {
      return host::HostWindowProc(Of(window), message, wParam, lParam);
    } catch (...) {
      escaped = std::current_exception();
      ::PostQuitMessage(-1);
    }
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// The dialog's modal loop is the system's: the dialog ends at once and the exception is rethrown
// after DialogBoxParamA has returned.
INT_PTR CALLBACK ConfigDialogThunk(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (escaped) return FALSE;
  try {
    return ConfigDialogProc(dialog, message, wParam, lParam);
  } catch (...) {
    escaped = std::current_exception();
    EndDialog(dialog, -1);
    return TRUE;
  }
}

using VerifyEntry = BOOL(WINAPI*)(HWND);
using ChangeEntry = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, DWORD);
using AssociateEntry = HANDLE(WINAPI*)(HWND, HANDLE);

template <typename F>
F Entry(Handle entry) {
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(entry));
}

}  // namespace

void Win32Platform::InitCommonControls(uint32_t classes) {
  INITCOMMONCONTROLSEX icc = {sizeof icc, classes};
  InitCommonControlsEx(&icc);
}

bool Win32Platform::Is9xFamily() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
#pragma GCC diagnostic pop
}

Handle Win32Platform::OpenLibrary(const char* name) { return Of(LoadLibraryA(name)); }
Handle Win32Platform::LoadedModule(const char* name) { return Of(GetModuleHandleA(name)); }
Handle Win32Platform::FindEntry(Handle module, const char* name) {
  return reinterpret_cast<Handle>(GetProcAddress(As<HMODULE>(module), name));
}
void Win32Platform::FreeLibrary(Handle module) { ::FreeLibrary(As<HMODULE>(module)); }
uint32_t Win32Platform::TickCount() { return GetTickCount(); }
uint32_t Win32Platform::TimeMs() { return timeGetTime(); }
int32_t Win32Platform::PowerLineStatus() {
  SYSTEM_POWER_STATUS status;
  return GetSystemPowerStatus(&status) ? status.ACLineStatus : host::kPowerLineUnknown;
}
void Win32Platform::YieldTimeSlice() { Sleep(0); }

int32_t Win32Platform::CallVerifyPassword(Handle entry, Handle window) {
  return Entry<VerifyEntry>(entry)(As<HWND>(window));
}
void Win32Platform::CallChangePassword(Handle entry, const char* provider, Handle parent) {
  Entry<ChangeEntry>(entry)(provider, As<HWND>(parent), 0, 0);
}
Handle Win32Platform::CallAssociateContext(Handle entry, Handle window, Handle context) {
  return Of(Entry<AssociateEntry>(entry)(As<HWND>(window), As<HANDLE>(context)));
}

Handle Win32Platform::OpenUserKey(const char* path) {
  HKEY key = nullptr;
  return RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS ? Of(key)
                                                                                           : 0;
}
bool Win32Platform::QueryDword(Handle key, const char* name, uint32_t& value) {
  DWORD data = 0, size = sizeof data;
  const bool ok = RegQueryValueExA(As<HKEY>(key), name, nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(&data), &size) == ERROR_SUCCESS;
  value = data;
  return ok;
}
void Win32Platform::CloseKey(Handle key) { RegCloseKey(As<HKEY>(key)); }
void Win32Platform::SetScreenSaverRunning(bool running) {
  UINT scratch = 0;
  SystemParametersInfoA(kScreenSaverRunning, running ? TRUE : FALSE, &scratch, 0);
}

bool Win32Platform::IsWindow(Handle window) { return ::IsWindow(As<HWND>(window)) != FALSE; }
Handle Win32Platform::ForegroundWindow() { return Of(GetForegroundWindow()); }
void Win32Platform::SetForegroundWindow(Handle window) { ::SetForegroundWindow(As<HWND>(window)); }
void Win32Platform::SetFocus(Handle window) { ::SetFocus(As<HWND>(window)); }
void Win32Platform::ShowWindow(Handle window) { ::ShowWindow(As<HWND>(window), SW_SHOW); }
bool Win32Platform::DestroyWindow(Handle window) {
  return ::DestroyWindow(As<HWND>(window)) != FALSE;
}
Handle Win32Platform::FindTopWindow(const char* className, const char* title) {
  return Of(FindWindowA(className, title));
}
Handle Win32Platform::Parent(Handle window) { return Of(GetParent(As<HWND>(window))); }

host::Rect Win32Platform::ClientRect(Handle window) {
  RECT r = {};
  GetClientRect(As<HWND>(window), &r);
  return {r.left, r.top, r.right, r.bottom};
}
host::Rect Win32Platform::VirtualScreen() {
  return {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
          GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}
host::Rect Win32Platform::ScreenClipBox() {
  RECT r = {};
  HDC screen = ::GetDC(nullptr);
  GetClipBox(screen, &r);
  ::ReleaseDC(nullptr, screen);
  return {r.left, r.top, r.right, r.bottom};
}
host::Point Win32Platform::CursorPos() {
  POINT p = {};
  GetCursorPos(&p);
  return {p.x, p.y};
}
void Win32Platform::HideCursor() { SetCursor(nullptr); }
uint32_t Win32Platform::RegisterMessage(const char* name) { return RegisterWindowMessageA(name); }

bool Win32Platform::RegisterSaverClass() {
  const HINSTANCE instance = As<HINSTANCE>(host::hostState.instance);
  WNDCLASSA wc = {};
  wc.style = host::kClassStyle;
  wc.lpfnWndProc = HostWindowThunk;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(100));
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = host::kSaverClassName;
  return RegisterClassA(&wc) != 0;
}

Handle Win32Platform::CreateSaverWindow(uint32_t exStyle, const char* title, uint32_t style,
                                        host::Rect place, Handle parent) {
  const HWND window = CreateWindowExA(exStyle, host::kSaverClassName, title, style, place.left,
                                      place.top, place.right, place.bottom, As<HWND>(parent),
                                      nullptr, As<HINSTANCE>(host::hostState.instance), nullptr);
  // An exception during creation ends the run even when creation failed and no loop follows.
  if (escaped && window) ::DestroyWindow(window);
  RethrowEscaped();
  return Of(window);
}

int32_t Win32Platform::RunMessageLoop() {
  MSG msg = {};
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    RethrowEscaped();
  }
  RethrowEscaped();
  return static_cast<int32_t>(msg.wParam);
}

void Win32Platform::PostQuitMessage(int32_t code) { ::PostQuitMessage(code); }
void Win32Platform::Post(Handle window, uint32_t message, WParam wParam, LParam lParam) {
  PostMessageA(As<HWND>(window), message, wParam, lParam);
}
host::LResult Win32Platform::Send(Handle window, uint32_t message, WParam wParam, LParam lParam) {
  return SendMessageA(As<HWND>(window), message, wParam, lParam);
}
bool Win32Platform::RemovePendingTimer(Handle window) {
  MSG msg;
  return PeekMessageA(&msg, As<HWND>(window), WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD) != FALSE;
}
host::LResult Win32Platform::DefaultProc(Handle window, uint32_t message, WParam wParam,
                                         LParam lParam) {
  return DefWindowProcA(As<HWND>(window), message, wParam, lParam);
}
uint32_t Win32Platform::SetTimer(Handle window, uint32_t id, uint32_t ms) {
  return static_cast<uint32_t>(::SetTimer(As<HWND>(window), id, ms, nullptr));
}
void Win32Platform::KillTimer(Handle window, uint32_t id) { ::KillTimer(As<HWND>(window), id); }
void Win32Platform::ShowMessageBox(Handle owner, const char* text, const char* caption,
                                   uint32_t flags) {
  MessageBoxA(As<HWND>(owner), text, caption, flags);
}
int32_t Win32Platform::RunConfigDialog(Handle parent) {
  const INT_PTR result = DialogBoxParamA(As<HINSTANCE>(host::hostState.instance),
                                         MAKEINTRESOURCEA(host::kDialogTemplate), As<HWND>(parent),
                                         ConfigDialogThunk, 0);
  RethrowEscaped();
  return static_cast<int32_t>(result);
}

Handle Win32Platform::GetDC(Handle window) { return Of(::GetDC(As<HWND>(window))); }
bool Win32Platform::ReleaseDC(Handle window, Handle dc) {
  return ::ReleaseDC(As<HWND>(window), As<HDC>(dc)) != 0;
}
int32_t Win32Platform::ChoosePixelFormat(Handle dc, int32_t colourBits) {
  PIXELFORMATDESCRIPTOR pfd = {};
  static_assert(sizeof pfd == 40);
  pfd.nSize = sizeof pfd;
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = static_cast<BYTE>(colourBits);
  pfd.cDepthBits = 16;
  pfd.cStencilBits = 1;
  pfd.iLayerType = PFD_MAIN_PLANE;
  requestedFormat = pfd;
  return ::ChoosePixelFormat(As<HDC>(dc), &pfd);
}
bool Win32Platform::SetPixelFormat(Handle dc, int32_t format) {
  return ::SetPixelFormat(As<HDC>(dc), format, &requestedFormat) != FALSE;
}
Handle Win32Platform::CreateGlContext(Handle dc) { return Of(wglCreateContext(As<HDC>(dc))); }
bool Win32Platform::MakeCurrent(Handle dc, Handle context) {
  return wglMakeCurrent(As<HDC>(dc), As<HGLRC>(context)) != FALSE;
}
bool Win32Platform::DeleteGlContext(Handle context) {
  return wglDeleteContext(As<HGLRC>(context)) != FALSE;
}
void Win32Platform::SwapBuffers(Handle dc) { ::SwapBuffers(As<HDC>(dc)); }

}  // namespace tv::win32
