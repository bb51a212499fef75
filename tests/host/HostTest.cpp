// The host against a platform that records calls as lines of text: command line, closing rules,
// password lock and the saver window.
#include <gtest/gtest.h>

#include <new>
#include <set>
#include <sstream>

#include "host/ConfigTable.h"
#include "host/Host.h"
#include "host/SaverWindow.h"
#include "support/GlRecorder.h"

namespace tv::host {
namespace {

using Calls = std::vector<std::string>;

// Every call succeeds and every library, entry and key exists unless its name is in `fails`.
// Messages the system would deliver (Send, DestroyWindow) go to the host's window procedure.
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
  Calls calls;

  // Each fake starts the host afresh and is its platform while it lives.
  FakePlatform() {
    hostState = {};
    saverWindow = {};
    SetPlatform(this);
  }
  ~FakePlatform() override { SetPlatform(nullptr); }
  bool Ok(const std::string& name) const { return fails.count(name) == 0; }
  Calls Only(const std::string& prefix) const {
    Calls out;
    for (const std::string& call : calls) {
      if (call.rfind(prefix, 0) == 0) out.push_back(call);
    }
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
  void YieldTimeSlice() override {}
  int32_t CallVerifyPassword(Handle, Handle) override {
    return Log("Verify", hostState.checkingPassword), verifierAnswer;
  }
  void CallChangePassword(Handle, const char* p, Handle w) override { Log("ChangePassword", p, w); }
  Handle CallAssociateContext(Handle, Handle, Handle c) override { return Log("Associate", c), 99; }
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
  bool RegisterSaverClass() override { return Ok("RegisterSaverClass"); }
  Handle CreateSaverWindow(uint32_t exStyle, const char* title, uint32_t, Rect at,
                           Handle parent) override {
    Log("CreateWindow", title, exStyle, at.left, at.top, at.right, at.bottom, parent);
    return Ok("CreateWindow") ? 77 : 0;
  }
  int32_t RunMessageLoop() override { return Ok("Loop") ? 5 : throw std::bad_alloc(); }
  void PostQuitMessage(int32_t code) override { Log("Quit", code); }
  void Post(Handle w, uint32_t m, WParam p, LParam) override { Log("Post", w, m, p); }
  LResult Send(Handle w, uint32_t m, WParam p, LParam l) override {
    return HostWindowProc(w, m, p, l);
  }
  bool RemovePendingTimer(Handle) override { return Log("RemoveTimer"), false; }
  LResult DefaultProc(Handle, uint32_t, WParam, LParam) override { return 0x5A; }  // its mark
  uint32_t SetTimer(Handle, uint32_t i, uint32_t ms) override { return Log("SetTimer", i, ms), 1; }
  void KillTimer(Handle, uint32_t id) override { Log("KillTimer", id); }
  void ShowMessageBox(Handle owner, const char* text, const char* caption, uint32_t f) override {
    Log("Box", owner, text, "|", caption, f);
  }
  int32_t RunConfigDialog(Handle parent) override { return Log("Dialog", parent), 3; }
  Handle GetDC(Handle) override { return Ok("GetDC") ? 11 : 0; }
  bool ReleaseDC(Handle, Handle) override { return Log("ReleaseDC"), Ok("ReleaseDC"); }
  int32_t ChoosePixelFormat(Handle, int32_t bits) override {
    return Log("ChooseFormat", bits), Ok("ChoosePixelFormat") ? 7 : 0;
  }
  bool SetPixelFormat(Handle, int32_t) override { return Ok("SetPixelFormat"); }
  Handle CreateGlContext(Handle) override { return Ok("CreateGlContext") ? 22 : 0; }
  bool MakeCurrent(Handle, Handle c) override { return Ok(c ? "MakeCurrent" : "Unbind"); }
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

TEST(HostTest, CommandLineChoosesTheMode) {
  const Calls full = {"CreateWindow Screen Saver 8 -1280 0 2560 1024 0", "Foreground 77"};
  const Calls preview = {"CreateWindow Preview 0 0 0 320 200 1234"};
  const struct {
    bool is9x;
    int32_t result;
    Calls calls;
    std::vector<const char*> lines;
    Handle runningSaver = 0;
    Rect virtualScreen = {-1280, 0, 2560, 1024};
  } cases[] = {
      {false, 5, full, {"saver.scr /s", "saver.scr -S", "saver.scr s", "saver.scr //s",
                        "saver.scr  \t /s /p 12", "\"C:\\Program Files\\My Savers\\t v.scr\" /s",
                        "\"C:\\a b.scr\"/s"}},
      {false, 5, preview, {"saver.scr /p 1234", "saver.scr /p1234", "saver.scr /l 1234",
                           "saver.scr /p 4294968530"}},  // 2^32 + 1234 wraps to 1234
      {false, -1, {}, {"saver.scr /p", "saver.scr /p 0", "saver.scr /p:1234", "saver.scr /p 999",
                       "saver.scr /a 1234", "saver.scr /x /s"}},
      {false, 3, {"Dialog 0"}, {"saver.scr", "\"unterminated /s"}},
      {false, 3, {"Dialog 1234"}, {"saver.scr /c:1234"}},
      {false, 3, {"Dialog 42"}, {"saver.scr /c 1234", "saver.scr /c", "saver.scr /c:999"}},
      {true, 0, {"OpenLibrary MPR.DLL", "ChangePassword SCRSAVE 1234"}, {"saver.scr /a 1234"}},
      {true, 0, {"OpenLibrary MPR.DLL", "ChangePassword SCRSAVE 42"}, {"saver.scr /a"}},
      {false, 0, {"Foreground 1234"}, {"saver.scr /s"}, 1234},  // brings up the one running
      // The 9x family loads the verifier for the run and gives it back after the message loop.
      {true, 5, {"OpenLibrary PASSWORD.CPL", "SaverRunning 1", "CloseKey 5", full[0], full[1], "SaverRunning 0"},
       {"saver.scr /s"}},
      {false, 5, {"CreateWindow Screen Saver 8 10 20 640 480 0", "Foreground 77"}, {"saver.scr /s"},
       0, {0, 0, 0, 768}},  // no virtual-screen size: the screen's clip box
  };
  for (const auto& c : cases) {
    for (const char* line : c.lines) {
      FakePlatform fake;
      fake.is9x = c.is9x;
      fake.runningSaver = c.runningSaver;
      fake.virtualScreen = c.virtualScreen;
      EXPECT_EQ(SaverHostMain(1, SkipProgramName(line)), c.result) << line;
      EXPECT_EQ(fake.calls, c.calls) << line;
      EXPECT_EQ(fake.openLibraries, 0) << line;
    }
  }
  // An exception out of the run leaves no saver flagged as running.
  FakePlatform fake;
  fake.is9x = true;
  fake.fails = {"Loop"};
  EXPECT_EQ(SaverHostMain(1, "/s"), -1);
  EXPECT_EQ(fake.calls.back(), "SaverRunning 0");
}

// No class or no window: no loop, the verifier is given back and the running flag cleared; 0.
TEST(HostTest, SaverWindowThatCannotBeMadeEndsWithZero) {
  for (const char* fails : {"RegisterSaverClass", "CreateWindow"}) {
    FakePlatform fake;
    fake.is9x = true;
    fake.fails = {fails};
    EXPECT_EQ(SaverHostMain(1, "/s"), 0) << fails;
    EXPECT_EQ(fake.Only("SaverRunning"), (Calls{"SaverRunning 1", "SaverRunning 0"})) << fails;
    EXPECT_EQ(fake.openLibraries, 0) << fails;
  }
}

// One message to the host window in a given state: its result and what the platform was asked to do
// besides the default handling (a close posted, the cursor hidden, ...).
TEST(HostTest, MessageTable) {
  enum State { Normal, Preview, Closing, Checking, Locked };
  const Calls close = {"Post 77 16 0"}, hide = {"HideCursor"}, none;
  const struct {
    State state;
    std::vector<uint32_t> messages;
    std::vector<WParam> wParams;
    LParam lParam;
    LResult result;  // 0x5A: the default handling's
    Calls calls;
  } cases[] = {
      {Normal, {kKeyDown, kSysKeyDown, kLButtonDown, kRButtonDown, kMButtonDown}, {0}, 0, 0x5A,
       close},
      {Normal, {0x0101, 0x0202, 0x020A}, {0}, 0, 0x5A, none},  // key, button releases; wheel
      {Normal, {kActivateApp}, {0}, 0, 0x5A, close},           // losing activation
      {Normal, {kActivateApp}, {1}, 0, 0x5A, none},
      {Normal, {kPower}, {3}, 0, 0x5A, close},                    // critical resume
      {Normal, {kPower}, {1}, 0, 0x5A, none},
      {Normal, {kPowerBroadcast}, {0, 5, 7, 9}, 0, 0x5A, close},  // suspend query, standby, ...
      {Normal, {kPowerBroadcast}, {7, 18}, 1, 0x5A, none},        // resumes after a failure
      {Normal, {kShowWindow}, {1}, 0, 0x5A, hide},
      {Normal, {kShowWindow}, {0}, 0, 0x5A, none},
      {Normal, {kSetCursor}, {0}, 0, 1, hide},
      {Preview, {kKeyDown, kPowerBroadcast, kSetCursor, kPaint}, {4}, 0, 0x5A, none},
      {Closing, {kKeyDown, kMouseMove, kPaint}, {65}, 0, 0x5A, none},
      {Closing, {kTimer}, {1}, 0, 0, none},  // draws no more
      {Checking, {kKeyDown}, {65}, 0, 0x5A, none},
      {Normal, {0xC123}, {0}, 0, 0, close},  // AutoPlay: closes; cancelled only when locked
      {Locked, {0xC123}, {0}, 0, 1, close},
      {Normal, {kSetText}, {0}, 0, 0, none},  // the title is fixed
      {Normal, {kPaint}, {0}, 0, 0x5A, hide},
      {Normal, {kSysCommand}, {kScNextWindow, kScPrevWindow, kScScreenSave}, 0, 0, none},
      {Normal, {kSysCommand}, {kScMonitorPower}, 0, 0, close},
      {Preview, {kSysCommand}, {kScScreenSave}, 0, 0, none},
      {Normal, {kSysCommand}, {0xF060}, 0, 0x5A, none},
      {Preview, {kHelp}, {0}, 0, 1, {"Post 1234 83 1234"}},  // to the parent
      {Normal, {kHelp}, {0}, 0, 0x5A, none},
      {Normal, {kActivate}, {1}, 0, 0, none},
  };
  for (const auto& c : cases) {
    for (uint32_t message : c.messages) {
      for (WParam wParam : c.wParams) {
        FakePlatform fake;
        hostState = {.isPreview = c.state == Preview, .closing = c.state == Closing,
                     .checkingPassword = c.state == Checking, .verifyPassword = c.state == Locked,
                     .autoPlayMessage = 0xC123, .mouseAnchor = {}};
        const std::string what = std::to_string(message) + " " + std::to_string(wParam);
        EXPECT_EQ(HostWindowProc(77, message, wParam, c.lParam), c.result) << what;
        EXPECT_EQ(fake.calls, c.calls) << what;
      }
    }
  }
}

// A power status change (10) closes once per change of the AC line: the second report of the same
// line finds it already noted.
TEST(HostTest, PowerLineChangeClosesOnce) {
  FakePlatform fake;
  hostState.lastPowerLine = 0;
  for (int report = 0; report < 2; ++report) HostWindowProc(77, kPowerBroadcast, 10, 0);
  EXPECT_EQ(fake.calls, (Calls{"Post 77 16 0"}));
}

TEST(HostTest, MouseDriftAddsUpFromTheAnchor) {
  FakePlatform fake;
  hostState.mouseAnchor = {100, 100};
  const Point path[] = {{103, 101}, {101, 102}, {104, 101}, {102, 99}, {101, 100}, {100, 104}};
  const size_t closesAfter[] = {0, 0, 1, 1, 1, 2};  // sums 4, 3, 5 (new anchor), 4, 3, 5
  for (size_t i = 0; i < std::size(path); ++i) {
    fake.cursor = path[i];
    DefaultSaverProc(77, kMouseMove, 0, 0);
    EXPECT_EQ(fake.Count("Post 77 16"), closesAfter[i]) << i;
  }
}

TEST(HostTest, PasswordCheckBeforeClosing) {
  FakePlatform fake;
  hostState.is9xFamily = true;
  EXPECT_EQ(VerifyBeforeClose(77), 1);  // no verifier: granted at once, and closing from now on
  EXPECT_TRUE(hostState.closing);
  EXPECT_EQ(VerifyBeforeClose(77), 0);
  hostState.closing = false;
  hostState.verifyPassword = 9;
  fake.cursor = {5, 6};
  // Refused: the saver stays, the cursor is hidden again, the anchor moves to the cursor.
  EXPECT_EQ(HostWindowProc(77, kClose, 0, 0), 0);
  // Two pending frames taken off the queue; checking while asked.
  EXPECT_EQ(fake.calls, (Calls{"RemoveTimer", "RemoveTimer", "Verify 1", "HideCursor"}));
  EXPECT_FALSE(hostState.closing || hostState.checkingPassword);
  EXPECT_EQ(hostState.mouseAnchor.x + hostState.mouseAnchor.y, 11);
  // Within 200 ms of the refusal: refused without asking; from 200 ms on, asked again.
  fake.tick += 199;
  EXPECT_EQ(HostWindowProc(77, kClose, 0, 0), 0);
  EXPECT_EQ(fake.Count("Verify"), 1u);
  fake.tick += 1;
  fake.verifierAnswer = 1;
  EXPECT_EQ(HostWindowProc(77, kClose, 0, 0), 0x5A);  // granted: the default handling destroys
  EXPECT_EQ(fake.Count("Verify"), 2u);
  EXPECT_TRUE(hostState.closing);
  EXPECT_EQ(VerifyBeforeClose(77), 0);
  hostState.closing = false;
  hostState.checkingPassword = true;
  EXPECT_EQ(VerifyBeforeClose(77), 0);
}

// The verifier needs the 9x family, the password flag and PASSWORD.CPL with its entry; whatever was
// opened is given back.
TEST(HostTest, PasswordVerifierLoading) {
  for (const char* missing :
       {"", "9x", "OpenUserKey", "QueryDword", "flag", "PASSWORD.CPL", "VerifyScreenSavePwd"}) {
    FakePlatform fake;
    fake.fails = {missing};
    hostState.is9xFamily = fake.Ok("9x");
    fake.usePassword = fake.Ok("flag");
    LoadPasswordVerifier();
    const bool loaded = *missing == '\0';
    EXPECT_EQ(hostState.verifyPassword != 0, loaded) << missing;
    EXPECT_EQ(fake.Count("CloseKey"), fake.Ok("9x") && fake.Ok("OpenUserKey")) << missing;
    UnloadPasswordVerifier();
    const Calls running = loaded ? Calls{"SaverRunning 1", "SaverRunning 0"} : Calls{};
    EXPECT_EQ(fake.Only("SaverRunning"), running) << missing;
    EXPECT_EQ(fake.openLibraries, 0) << missing;
  }
}

TEST(HostTest, RenderContextFailuresShowTwoBoxesInOrder) {
  tv::test::GlRecorder gl;
  const struct {
    const char* fails;
    const char* text;
    size_t releasedDc;
    bool imeLoaded;  // the input-method editor is detached only where it is already loaded
  } cases[] = {
      {"GetDC", "Can't Create A GL Device Context.", 0, true},
      {"ChoosePixelFormat", "Can't Find A Suitable PixelFormat.", 1, false},
      {"SetPixelFormat", "Can't Set The PixelFormat.", 1, true},
      {"CreateGlContext", "Can't Create A GL Rendering Context.", 1, false},
      {"MakeCurrent", "Can't Activate The GL Rendering Context.", 1, true},
  };
  for (const auto& c : cases) {
    FakePlatform fake;
    fake.windows.insert(77);
    fake.fails = {c.fails, c.imeLoaded ? "" : "IMM32.DLL"};
    EXPECT_EQ(HostWindowProc(77, kCreate, 0, 0), 0) << c.text;
    EXPECT_EQ(fake.Only("Box"), (Calls{std::string("Box 0 ") + c.text + " | ERROR 48",
                                       "Box 0 Error - cannot start OpenGL | Error 0"}));
    EXPECT_EQ(fake.Count("SetTimer"), 0u) << c.text;
    EXPECT_EQ(fake.Count("ReleaseDC"), c.releasedDc) << c.text;
    EXPECT_EQ(fake.windows.count(77), 0u) << c.text;
    EXPECT_EQ(fake.Count("Quit 0"), 2u) << c.text;  // host and saver window, both on destroy
    EXPECT_EQ(fake.Only("Associate"),
              (c.imeLoaded ? Calls{"Associate 0", "Associate 99"} : Calls{}));
    EXPECT_EQ(fake.Count("OpenLibrary"), 0u) << c.text;
  }
}

TEST(HostTest, SaverWindowLifetime) {
  FakePlatform fake;
  tv::test::GlRecorder gl;
  fake.windows.insert(77);
  EXPECT_EQ(SaverWindowProc(77, kCreate, 0, 0), 0x5A);
  EXPECT_EQ(fake.calls, (Calls{"ChooseFormat 32", "Foreground 77", "SetTimer 1234 10"}));
  // Size: the low and high words of lParam.
  gl.Clear();
  EXPECT_EQ(SaverWindowProc(77, kSize, 0, (300 << 16) | 640), 0);
  ASSERT_EQ(gl.Only({"Viewport"}).size(), 1u);
  EXPECT_EQ(gl.Only({"Viewport"})[0].args, (std::vector<double>{0, 0, 640, 300}));
  // Ticks: one millisecond after creation is the first with a frame to draw.
  fake.timeMs = 501;
  SaverWindowProc(77, kTimer, 1, 0);
  EXPECT_EQ(fake.Count("Swap"), 0u);
  fake.timeMs = 511;
  SaverWindowProc(77, kTimer, 1, 0);
  EXPECT_EQ(fake.Count("Swap"), 1u);
  // Release failures are each reported and do not stop the rest; a second destroy does nothing.
  fake.fails = {"Unbind", "DeleteGlContext", "ReleaseDC"};
  fake.calls.clear();
  EXPECT_EQ(SaverWindowProc(77, kDestroy, 0, 0), 0);
  EXPECT_EQ(fake.Only("Box 0 Release"),
            (Calls{"Box 0 Release Of DC And RC Failed. | SHUTDOWN ERROR 64",
                   "Box 0 Release Rendering Context Failed. | SHUTDOWN ERROR 64",
                   "Box 0 Release Device Context Failed. | SHUTDOWN ERROR 64"}));
  const size_t calls = fake.calls.size();
  EXPECT_EQ(SaverWindowProc(77, kDestroy, 0, 0), 0);
  EXPECT_EQ(fake.calls.size(), calls);
  EXPECT_EQ(fake.Only("KillTimer"), Calls{"KillTimer 1"});  // the id SetTimer gave, not the asked one
}

// Link text on the dialog's button faces: blue, except white on a nearly pure blue face.
TEST(ConfigTable, LinkColourOnButtonFaces) {
  for (uint32_t face : {0x00F0F0F0u, 0x00F50909u, 0x00F5090Au, 0x00F00909u}) {
    EXPECT_EQ(LinkTextColour(face), face == 0x00F50909u ? 0x00FFFFFFu : 0x00FF0000u) << face;
  }
}

}  // namespace
}  // namespace tv::host
