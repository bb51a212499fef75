// A platform that records every call as a line of text and answers from a few settable fields.
// Messages it would deliver (Send, DestroyWindow) go to the host's window procedure, as the
// system would.
#pragma once

#include <algorithm>
#include <map>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "host/Host.h"

namespace tv::host::test {

class FakePlatform final : public Platform {
 public:
  // Answers.
  bool is9x = false;
  std::set<Handle> windows = {1234};
  Handle foreground = 42, runningSaver = 0, createdWindow = 77;
  std::map<std::string, Handle> libraries, loaded, entries;
  bool keyOpens = true, dwordReads = true, loopThrows = false;
  uint32_t usePassword = 1;
  int32_t verifierAnswer = 0, powerLine = 1, loopResult = 5, dialogResult = 3;
  uint32_t tick = 1000, timeMs = 500;
  Point cursor;
  bool gotDc = true, setFormat = true, gotContext = true, madeCurrent = true, unbound = true,
       deleted = true, releasedDc = true;
  int32_t format = 7;

  std::vector<std::string> calls;

  size_t Count(const std::string& prefix) const {
    return std::count_if(calls.begin(), calls.end(),
                         [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
  }
  std::vector<std::string> Only(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& c : calls) {
      if (c.rfind(prefix, 0) == 0) out.push_back(c);
    }
    return out;
  }

  void InitCommonControls(uint32_t classes) override { Log("InitCommonControls", classes); }
  bool Is9xFamily() override { return is9x; }
  Handle OpenLibrary(const char* name) override {
    return Log("OpenLibrary", name), Find(libraries, name);
  }
  Handle LoadedModule(const char* name) override { return Find(loaded, name); }
  Handle FindEntry(Handle, const char* name) override { return Find(entries, name); }
  void FreeLibrary(Handle module) override { Log("FreeLibrary", module); }
  uint32_t TickCount() override { return tick; }
  uint32_t TimeMs() override { return timeMs; }
  int32_t PowerLineStatus() override { return powerLine; }
  void YieldTimeSlice() override { Log("Yield"); }
  int32_t CallVerifyPassword(Handle, Handle window) override {
    Log("Verify", hostState.checkingPassword);
    return verifierAnswer;
  }
  void CallChangePassword(Handle, const char* provider, Handle parent) override {
    Log("ChangePassword", std::string(provider) + " " + std::to_string(parent));
  }
  Handle CallAssociateContext(Handle, Handle window, Handle context) override {
    Log("Associate", context);
    return 99;
  }
  Handle OpenUserKey(const char* path) override {
    return Log("OpenUserKey", path), keyOpens ? 5 : 0;
  }
  bool QueryDword(Handle, const char*, uint32_t& value) override {
    value = usePassword;
    return dwordReads;
  }
  void CloseKey(Handle key) override { Log("CloseKey", key); }
  void SetScreenSaverRunning(bool running) override { Log("SaverRunning", running); }
  bool IsWindow(Handle window) override { return windows.count(window) != 0; }
  Handle ForegroundWindow() override { return foreground; }
  void SetForegroundWindow(Handle window) override { Log("Foreground", window); }
  void SetFocus(Handle window) override { Log("Focus", window); }
  void ShowWindow(Handle window) override { Log("Show", window); }
  bool DestroyWindow(Handle window) override {
    Log("DestroyWindow", window);
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
  bool RegisterSaverClass() override { return Log("RegisterClass"), true; }
  Handle CreateSaverWindow(uint32_t exStyle, const char* title, uint32_t style, Rect at,
                           Handle parent) override {
    Log("CreateWindow", std::string(title) + " " + std::to_string(exStyle) + " " +
                            std::to_string(at.left) + "," + std::to_string(at.top) + "," +
                            std::to_string(at.right) + "," + std::to_string(at.bottom) + " " +
                            std::to_string(parent));
    return createdWindow;
  }
  int32_t RunMessageLoop() override {
    if (loopThrows) throw std::bad_alloc();
    return Log("Loop"), loopResult;
  }
  void PostQuitMessage(int32_t code) override { Log("Quit", code); }
  void Post(Handle window, uint32_t message, WParam wParam, LParam) override {
    Log("Post",
        std::to_string(window) + " " + std::to_string(message) + " " + std::to_string(wParam));
  }
  LResult Send(Handle window, uint32_t message, WParam wParam, LParam lParam) override {
    return HostWindowProc(window, message, wParam, lParam);
  }
  bool RemovePendingTimer(Handle) override { return Log("RemoveTimer"), false; }
  LResult DefaultProc(Handle, uint32_t message, WParam, LParam) override {
    Log("Default", message);
    return 0x5A;
  }
  uint32_t SetTimer(Handle, uint32_t id, uint32_t ms) override {
    Log("SetTimer", std::to_string(id) + " " + std::to_string(ms));
    return 1;
  }
  void KillTimer(Handle, uint32_t id) override { Log("KillTimer", id); }
  void ShowMessageBox(Handle owner, const char* text, const char* caption,
                      uint32_t flags) override {
    Log("Box", std::to_string(owner) + " " + text + " | " + caption + " " + std::to_string(flags));
  }
  int32_t RunConfigDialog(Handle parent) override { return Log("Dialog", parent), dialogResult; }
  Handle GetDC(Handle) override { return gotDc ? 11 : 0; }
  bool ReleaseDC(Handle, Handle) override { return Log("ReleaseDC"), releasedDc; }
  int32_t ChoosePixelFormat(Handle, int32_t bits) override {
    return Log("ChooseFormat", bits), format;
  }
  bool SetPixelFormat(Handle, int32_t) override { return setFormat; }
  Handle CreateGlContext(Handle) override { return gotContext ? 22 : 0; }
  bool MakeCurrent(Handle dc, Handle context) override {
    Log("MakeCurrent", context);
    return context ? madeCurrent : unbound;
  }
  bool DeleteGlContext(Handle) override { return Log("DeleteContext"), deleted; }
  void SwapBuffers(Handle) override { Log("Swap"); }

  Rect virtualScreen = {-1280, 0, 2560, 1024};

 private:
  template <typename T>
  void Log(const char* name, const T& value) {
    if constexpr (std::is_convertible_v<T, std::string>) {
      calls.push_back(std::string(name) + " " + std::string(value));
    } else {
      calls.push_back(std::string(name) + " " + std::to_string(value));
    }
  }
  void Log(const char* name) { calls.push_back(name); }
  static Handle Find(const std::map<std::string, Handle>& m, const char* name) {
    const auto it = m.find(name);
    return it == m.end() ? 0 : it->second;
  }
};

}  // namespace tv::host::test
