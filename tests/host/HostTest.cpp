// The host against a recording platform: command line, closing rules, password lock and the saver
// window's message table.
#include <gtest/gtest.h>

#include "FakePlatform.h"
#include "host/ConfigTable.h"
#include "host/SaverWindow.h"
#include "support/GlRecorder.h"

namespace tv::host {
namespace {

using Calls = std::vector<std::string>;
using test::FakePlatform;

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override { Fresh(); }
  void TearDown() override { SetPlatform(nullptr); }
  // A fresh fake and host state for the next row of a table.
  void Fresh() {
    fake = {};
    hostState = {};
    saverWindow = {};
    SetPlatform(&fake);
  }
  FakePlatform fake;
};

TEST_F(HostTest, CommandLineChoosesTheMode) {
  const Calls full = {"CreateWindow Screen Saver 8 -1280 0 2560 1024 0", "Foreground 77"};
  const Calls preview = {"CreateWindow Preview 0 0 0 320 200 1234"};
  const struct {
    bool is9x;
    int32_t result;
    Calls calls;
    std::vector<const char*> lines;
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
  };
  for (const auto& c : cases) {
    for (const char* line : c.lines) {
      Fresh();
      fake.is9x = c.is9x;
      EXPECT_EQ(SaverHostMain(1, SkipProgramName(line)), c.result) << line;
      EXPECT_EQ(fake.calls, c.calls) << line;
      EXPECT_EQ(fake.openLibraries, 0) << line;
    }
  }
  // No virtual-screen size: the screen's clip box. A saver already running is brought up.
  Fresh();
  fake.virtualScreen = {0, 0, 0, 768};
  SaverHostMain(1, "/s");
  EXPECT_EQ(fake.Only("CreateWindow"), Calls{"CreateWindow Screen Saver 8 10 20 640 480 0"});
  Fresh();
  fake.runningSaver = 1234;
  EXPECT_EQ(SaverHostMain(1, "/s"), 0);
  EXPECT_EQ(fake.calls, Calls{"Foreground 1234"});
}

TEST_F(HostTest, EscapedExceptionClearsTheRunningFlag) {
  fake.is9x = true;
  fake.fails = {"Loop"};
  EXPECT_EQ(SaverHostMain(1, "/s"), -1);
  EXPECT_EQ(fake.calls.back(), "SaverRunning 0");
}

// One message to the host window in a given state: its result and what the platform was asked to do
// besides the default handling (a close posted, the cursor hidden, ...).
TEST_F(HostTest, MessageTable) {
  enum State { Normal, Preview, Closing, Checking, OnBattery, Locked };
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
      {Normal, {kPowerBroadcast}, {10}, 0, 0x5A, none},           // power status, line unchanged
      {OnBattery, {kPowerBroadcast}, {10}, 0, 0x5A, close},       // and now on mains
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
        Fresh();
        hostState.lastPowerLine = c.state == OnBattery ? 0 : fake.powerLine;
        hostState.isPreview = c.state == Preview;
        hostState.closing = c.state == Closing;
        hostState.checkingPassword = c.state == Checking;
        hostState.verifyPassword = c.state == Locked ? 9 : 0;
        hostState.autoPlayMessage = 0xC123;
        const std::string what = std::to_string(message) + " " + std::to_string(wParam);
        EXPECT_EQ(HostWindowProc(77, message, wParam, c.lParam), c.result) << what;
        std::erase_if(fake.calls, [](const std::string& s) { return s.rfind("Default", 0) == 0; });
        EXPECT_EQ(fake.calls, c.calls) << what;
        EXPECT_EQ(hostState.lastPowerLine, fake.powerLine) << what;
      }
    }
  }
}

TEST_F(HostTest, MouseDriftAddsUpFromTheAnchor) {
  hostState.mouseAnchor = {100, 100};
  const Point path[] = {{103, 101}, {101, 102}, {104, 101}, {102, 99}, {101, 100}, {100, 104}};
  const size_t closesAfter[] = {0, 0, 1, 1, 1, 2};  // sums 4, 3, 5 (new anchor), 4, 3, 5
  for (size_t i = 0; i < std::size(path); ++i) {
    fake.cursor = path[i];
    DefaultSaverProc(77, kMouseMove, 0, 0);
    EXPECT_EQ(fake.Count("Post 77 16"), closesAfter[i]) << i;
  }
}

TEST_F(HostTest, PasswordCheckBeforeClosing) {
  hostState.is9xFamily = true;
  EXPECT_EQ(VerifyBeforeClose(77), 1);  // no verifier: granted at once
  hostState.closing = false;
  hostState.verifyPassword = 9;
  fake.cursor = {5, 6};
  // Refused: the saver stays, the cursor is hidden again, the anchor moves to the cursor.
  EXPECT_EQ(HostWindowProc(77, kClose, 0, 0), 0);
  EXPECT_EQ(fake.Only("Verify"), Calls{"Verify 1"});  // checking while asked
  EXPECT_EQ(fake.Count("RemoveTimer"), 2u);
  EXPECT_EQ(fake.Count("HideCursor"), 1u);
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
TEST_F(HostTest, PasswordVerifierLoading) {
  for (const char* missing :
       {"", "9x", "OpenUserKey", "QueryDword", "flag", "PASSWORD.CPL", "VerifyScreenSavePwd"}) {
    Fresh();
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
    EXPECT_EQ(hostState.passwordLibrary, 0u) << missing;
  }
}

TEST_F(HostTest, RenderContextFailuresShowTwoBoxesInOrder) {
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
    Fresh();
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

TEST_F(HostTest, SaverWindowLifetime) {
  tv::test::GlRecorder gl;
  fake.windows.insert(77);
  EXPECT_EQ(SaverWindowProc(77, kCreate, 0, 0), 0x5A);
  EXPECT_EQ(fake.Only("ChooseFormat"), Calls{"ChooseFormat 32"});
  EXPECT_EQ(fake.Only("SetTimer"), Calls{"SetTimer 1234 10"});
  EXPECT_EQ(saverWindow.timerId, 1u);
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
  EXPECT_EQ(fake.Count("KillTimer 1"), 1u);
}

TEST(ConfigTable, PositionsValuesAndRepairs) {
  SaverSettings record = DefaultSettings();
  const TrackbarRow& uMin = kTrackbarTable[18];
  ASSERT_STREQ(uMin.name, "u min");
  SetFromPosition(record, uMin, 7);
  EXPECT_EQ(record.uMin, 7 * 0.1);
  EXPECT_EQ(TrackbarPosition(record, uMin), 7);
  record.uMax = 0.5;
  record.vMax = 2;
  record.spinXMax = 10;
  record.spinYMax = 140;
  for (int32_t& w : record.styleWeight) w = 0;
  RepairDialogRanges(record);
  EXPECT_EQ(record.uMax, record.uMin);
  EXPECT_EQ(record.vMax, 3);
  EXPECT_EQ(record.spinXMax, 60);
  EXPECT_EQ(record.spinYMax, 150);
  EXPECT_EQ(record.styleWeight[6], 1);
}

TEST(ConfigTable, DefaultLabelsInTableOrder) {
  std::string labels;
  const TrackbarRow* row = kTrackbarTable;
  for (; row->min != row->max; ++row)
    labels += TrackbarLabel(TrackbarPosition(DefaultSettings(), *row), row->name) + ",";
  EXPECT_EQ(row - kTrackbarTable, 22);
  EXPECT_EQ(labels,
            "2 Wire,1 Point,3 Triangle,3 Quad,4 Half U,4 Half V,5 Smooth,1 Blended,30 Wobbles,"
            "40 S-Colored,20 Blended,30 Alpha,40 Wire,60 x min,90 x max,150 y min,200 y max,"
            "2 Knots,10 u min,30 u max,3 v min,10 v max,");
}

TEST(ConfigTable, LinkColourOnButtonFaces) {
  // Blue text, except white on a nearly pure blue face.
  for (uint32_t face : {0x00F0F0F0u, 0x00F50909u, 0x00F5090Au, 0x00F00909u}) {
    EXPECT_EQ(LinkTextColour(face), face == 0x00F50909u ? 0x00FFFFFFu : 0x00FF0000u) << face;
  }
}

}  // namespace
}  // namespace tv::host
