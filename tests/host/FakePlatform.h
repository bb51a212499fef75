// A platform that records calls as lines of text. Every call succeeds and every library, entry and
// key exists unless its name is in `fails`. Messages it would deliver (Send, DestroyWindow) go to
// the host's window procedure, as the system would.
#pragma once

#include <algorithm>
#include <iterator>
#include <new>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "host/Host.h"

namespace tv::host::test {

class FakePlatform final : public Platform {
 public:
  std::set<std::string> fails;
  bool is9x = false;
  std::set<Handle> windows = {1234};
  Handle runningSaver = 0;
  uint32_t usePassword = 1, tick = 1000, timeMs = 500;
  int32_t verifierAnswer = 0, powerLine = 1;
  Point cursor;
  Rect virtualScreen = {-1280, 0, 2560, 1024};
  int openLibraries = 0;  // opened and not yet freed
  std::vector<std::string> calls;

  bool Ok(const std::string& name) const { return fails.count(name) == 0; }
  std::vector<std::string> Only(const std::string& prefix) const {
    std::vector<std::string> out;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(out),
                 [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
    return out;
  }
  size_t Count(const std::string& prefix) const { return Only(prefix).size(); }

  void InitCommonControls(uint32_t) override {}
  bool Is9xFamily() override { return is9x; }
  Handle OpenLibrary(const char* name) override {
    return Log("OpenLibrary", name), Ok(name) ? (++openLibraries, 6) : 0;
  }
  Handle LoadedModule(const char* name) override { return Ok(name) ? 3 : 0; }
  Handle FindEntry(Handle, const char* name) override { return Ok(name) ? 9 : 0; }
  void FreeLibrary(Handle) override { --openLibraries; }
  uint32_t TickCount() override { return tick; }
  uint32_t TimeMs() override { return timeMs; }
  int32_t PowerLineStatus() override { return powerLine; }
  void YieldTimeSlice() override { Log("Yield"); }
  int32_t CallVerifyPassword(Handle, Handle) override {
    return Log("Verify", hostState.checkingPassword), verifierAnswer;
  }
  void CallChangePassword(Handle, const char* provider, Handle parent) override {
    Log("ChangePassword", provider, parent);
  }
  Handle CallAssociateContext(Handle, Handle, Handle context) override {
    return Log("Associate", context), 99;
  }
  Handle OpenUserKey(const char*) override { return Ok("OpenUserKey") ? 5 : 0; }
  bool QueryDword(Handle, const char*, uint32_t& value) override {
    value = usePassword;
    return Ok("QueryDword");
  }
  void CloseKey(Handle key) override { Log("CloseKey", key); }
  void SetScreenSaverRunning(bool running) override { Log("SaverRunning", running); }
  bool IsWindow(Handle window) override { return windows.count(window) != 0; }
  Handle ForegroundWindow() override { return 42; }
  void SetForegroundWindow(Handle window) override { Log("Foreground", window); }
  void SetFocus(Handle) override {}
  void ShowWindow(Handle) override {}
  bool DestroyWindow(Handle window) override {
    if (!windows.erase(window)) return false;
    HostWindowProc(window, kDestroy, 0, 0);
    return true;
  }
  Handle FindTopWindow(const char*, const char*) override { return runningSaver; }
  Handle Parent(Handle) override { return 1234; }
  Rect ClientRect(Handle) override { return {0, 0, 320, 200}; }
  Rect VirtualScreen() override { return virtualScreen; }
  Rect ScreenClipBox() override { return {10, 20, 650, 500}; }
  Point CursorPos() override { return cursor; }
  void HideCursor() override { Log("HideCursor"); }
  uint32_t RegisterMessage(const char*) override { return 0xC123; }
  bool RegisterSaverClass() override { return true; }
  Handle CreateSaverWindow(uint32_t exStyle, const char* title, uint32_t, Rect at,
                           Handle parent) override {
    return Log("CreateWindow", title, exStyle, at.left, at.top, at.right, at.bottom, parent), 77;
  }
  int32_t RunMessageLoop() override {
    if (!Ok("Loop")) throw std::bad_alloc();
    return 5;
  }
  void PostQuitMessage(int32_t code) override { Log("Quit", code); }
  void Post(Handle window, uint32_t message, WParam wParam, LParam) override {
    Log("Post", window, message, wParam);
  }
  LResult Send(Handle window, uint32_t message, WParam wParam, LParam lParam) override {
    return HostWindowProc(window, message, wParam, lParam);
  }
  bool RemovePendingTimer(Handle) override { return Log("RemoveTimer"), false; }
  LResult DefaultProc(Handle, uint32_t message, WParam, LParam) override {
    return Log("Default", message), 0x5A;
  }
  uint32_t SetTimer(Handle, uint32_t id, uint32_t ms) override {
    return Log("SetTimer", id, ms), 1;
  }
  void KillTimer(Handle, uint32_t id) override { Log("KillTimer", id); }
  void ShowMessageBox(Handle owner, const char* text, const char* caption,
                      uint32_t flags) override {
    Log("Box", owner, text, "|", caption, flags);
  }
  int32_t RunConfigDialog(Handle parent) override { return Log("Dialog", parent), 3; }
  Handle GetDC(Handle) override { return Ok("GetDC") ? 11 : 0; }
  bool ReleaseDC(Handle, Handle) override { return Log("ReleaseDC"), Ok("ReleaseDC"); }
  int32_t ChoosePixelFormat(Handle, int32_t bits) override {
    return Log("ChooseFormat", bits), Ok("ChoosePixelFormat") ? 7 : 0;
  }
  bool SetPixelFormat(Handle, int32_t) override { return Ok("SetPixelFormat"); }
  Handle CreateGlContext(Handle) override { return Ok("CreateGlContext") ? 22 : 0; }
  bool MakeCurrent(Handle, Handle context) override {
    return Ok(context ? "MakeCurrent" : "Unbind");
  }
  bool DeleteGlContext(Handle) override { return Ok("DeleteGlContext"); }
  void SwapBuffers(Handle) override { Log("Swap"); }

 private:
  template <typename... T>
  void Log(const char* name, const T&... values) {
    std::ostringstream line;
    line << name;
    ((line << ' ' << values), ...);
    calls.push_back(line.str());
  }
};

}  // namespace tv::host::test
