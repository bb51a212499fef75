// The Windows platform layer with faults planted in it: an exception anywhere in a window or dialog
// procedure reaches the host's guard (-1, no window left open), and the saver's context has the
// pixel format the renderer asks for.
#include <windows.h>
// after windows.h, which it builds on
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "Win32Platform.h"
#include "host/Host.h"
#include "host/SaverWindow.h"

namespace tv::win32 {
namespace {

// The real platform, except that the call named by `fault` throws (error boxes are recorded, not
// shown) and the first frame notes what the context has, then closes the window.
struct Planted final : Win32Platform {
  std::string fault, boxes;
  GLint depth = 0, stencil = 0;
  GLboolean doubled = GL_FALSE;
  explicit Planted(std::string where) : fault(std::move(where)) {
    host::hostState = {}, host::saverWindow = {};
    host::SetPlatform(this);
  }
  ~Planted() override {  // what a case leaves behind would confuse the next one
    for (HWND w; (w = FindWindowA(host::kSaverClassName, nullptr)) && ::DestroyWindow(w);) {}
    for (MSG m; PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);) {}
    UnregisterClassA(host::kSaverClassName, GetModuleHandleA(nullptr));
    host::SetPlatform(nullptr);
  }
  void Throw(const char* where) {
    if (fault == where) throw std::runtime_error(where);
  }
  void InitCommonControls(uint32_t classes) override {
    if (classes == 0xFF) Throw("dialog");  // the dialog's own set, in WM_INITDIALOG
    Win32Platform::InitCommonControls(classes);
  }
  int32_t ChoosePixelFormat(Handle dc, int32_t bits) override {
    Throw("create");
    return fault == "box" ? 0 : Win32Platform::ChoosePixelFormat(dc, bits);
  }
  void ShowMessageBox(Handle, const char* text, const char*, uint32_t) override {
    boxes += text, boxes += '|';
    Throw("box");
  }
  void SwapBuffers(Handle dc) override {
    Throw("frame");
    glGetIntegerv(GL_DEPTH_BITS, &depth), glGetIntegerv(GL_STENCIL_BITS, &stencil);
    glGetBooleanv(GL_DOUBLEBUFFER, &doubled);
    Win32Platform::SwapBuffers(dc);
    PostMessageA(reinterpret_cast<HWND>(host::hostState.mainWindow), WM_CLOSE, 0, 0);
  }
};

// Thrown while the window is made (also when its creation then fails), on a frame, in the dialog;
// with no fault, the context has double buffering, at least 16 depth bits and a stencil bit.
TEST(Win32Platform, FaultsEndWithMinusOneAndTheContextHasTheRequestedFormat) {
  const struct {
    const char *fault, *commandLine, *boxes;
    int32_t result;
  } cases[] = {{"create", "/s", "", -1}, {"box", "/s", "Can't Find A Suitable PixelFormat.|", -1},
               {"frame", "/s", "", -1}, {"dialog", "/c", "", -1}, {"", "/s", "", 0}};
  for (const auto& c : cases) {
    Planted platform(c.fault);
    EXPECT_EQ(host::SaverHostMain(reinterpret_cast<host::Handle>(GetModuleHandleA(nullptr)), c.commandLine), c.result)
        << c.fault;
    EXPECT_EQ(platform.boxes, c.boxes) << c.fault;
    EXPECT_FALSE(FindWindowA("#32770", "Tressvale 1.3")) << c.fault << ": the dialog is still open";
    if (!*c.fault) {
      EXPECT_TRUE(platform.doubled && platform.depth >= 16 && platform.stencil >= 1)
          << int(platform.doubled) << " " << platform.depth << " " << platform.stencil;
    }
  }
}

}  // namespace
}  // namespace tv::win32
