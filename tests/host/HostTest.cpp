// The host against a recording platform: command line, closing rules, password lock and the
// saver window's message table.
#include <gtest/gtest.h>

#include "FakePlatform.h"
#include "host/ConfigTable.h"
#include "host/SaverWindow.h"
#include "support/GlRecorder.h"

namespace tv::host {
namespace {

using test::FakePlatform;

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hostState = {};
    saverWindow = {};
    SetPlatform(&fake);
  }
  void TearDown() override { SetPlatform(nullptr); }
  // A fresh fake and host state for the next row of a table.
  void Fresh() {
    fake = {};
    SetUp();
  }
  // The first thing a command line made the host do.
  std::string ModeOf(const char* commandLine, int32_t& result) {
    result = SaverHostMain(1, SkipProgramName(commandLine));
    for (const auto& c : fake.calls) {
      if (c.rfind("CreateWindow", 0) == 0 || c.rfind("Dialog", 0) == 0 ||
          c.rfind("ChangePassword", 0) == 0 || c.rfind("Foreground", 0) == 0) {
        return c;
      }
    }
    return "none";
  }
  FakePlatform fake;
};

TEST_F(HostTest, CommandLineChoosesTheMode) {
  const std::string full = "CreateWindow Screen Saver 8 -1280,0,2560,1024 0";
  const std::string preview = "CreateWindow Preview 0 0,0,320,200 1234";
  struct Case {
    const char* line;
    bool is9x;
    int32_t result;
    std::string mode;
  } cases[] = {
      {"saver.scr /s", false, 5, full},
      {"saver.scr -S", false, 5, full},
      {"saver.scr s", false, 5, full},
      {"saver.scr //s", false, 5, full},
      {"saver.scr  \t /s /p 12", false, 5, full},
      {"\"C:\\Program Files\\My Savers\\t v.scr\" /s", false, 5, full},
      {"\"C:\\a b.scr\"/s", false, 5, full},
      {"\"unterminated /s", false, 3, "Dialog 0"},
      {"saver.scr /p 1234", false, 5, preview},
      {"saver.scr /p1234", false, 5, preview},
      {"saver.scr /l 1234", false, 5, preview},
      {"saver.scr /p 4294968530", false, 5, preview},  // 2^32 + 1234 wraps to 1234
      {"saver.scr /p", false, -1, "none"},
      {"saver.scr /p 0", false, -1, "none"},
      {"saver.scr /p:1234", false, -1, "none"},
      {"saver.scr /p 999", false, -1, "none"},
      {"saver.scr", false, 3, "Dialog 0"},
      {"saver.scr /c:1234", false, 3, "Dialog 1234"},
      {"saver.scr /c 1234", false, 3, "Dialog 42"},
      {"saver.scr /c", false, 3, "Dialog 42"},
      {"saver.scr /c:999", false, 3, "Dialog 42"},
      {"saver.scr /a 1234", false, -1, "none"},
      {"saver.scr /a 1234", true, 0, "ChangePassword SCRSAVE 1234"},
      {"saver.scr /a", true, 0, "ChangePassword SCRSAVE 42"},
      {"saver.scr /x /s", false, -1, "none"},
  };
  for (const Case& c : cases) {
    Fresh();
    fake.is9x = c.is9x;
    fake.libraries["MPR.DLL"] = 8;
    fake.entries["PwdChangePasswordA"] = 9;
    int32_t result = 0;
    EXPECT_EQ(ModeOf(c.line, result), c.mode) << c.line;
    EXPECT_EQ(result, c.result) << c.line;
    EXPECT_EQ(fake.Count("OpenLibrary"), c.mode.rfind("Change", 0) == 0 ? 1u : 0u) << c.line;
  }
}

TEST_F(HostTest, FullScreenPlacementAndSingleInstance) {
  int32_t result = 0;
  fake.virtualScreen = {0, 0, 0, 768};  // no virtual-screen size: the screen's clip box
  EXPECT_EQ(ModeOf("s /s", result), "CreateWindow Screen Saver 8 10,20,640,480 0");
  Fresh();
  fake.runningSaver = 1234;
  EXPECT_EQ(ModeOf("s /s", result), "Foreground 1234");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(fake.Count("CreateWindow"), 0u);
}

TEST_F(HostTest, EscapedExceptionClearsTheRunningFlag) {
  fake.loopThrows = fake.is9x = true;
  EXPECT_EQ(SaverHostMain(1, "/s"), -1);
  EXPECT_EQ(fake.calls.back(), "SaverRunning 0");
}

// One message to DefaultSaverProc in a given state: does it post a close, hide the cursor?
TEST_F(HostTest, ClosingRules) {
  struct Case {
    const char* name;
    uint32_t message;
    WParam wParam;
    LParam lParam;
    bool preview, closing, checking;
    size_t closes, hides;
  } cases[] = {
      {"key press", kKeyDown, 65, 0, false, false, false, 1, 0},
      {"system key", kSysKeyDown, 18, 0, false, false, false, 1, 0},
      {"left button", kLButtonDown, 0, 0, false, false, false, 1, 0},
      {"right button", kRButtonDown, 0, 0, false, false, false, 1, 0},
      {"middle button", kMButtonDown, 0, 0, false, false, false, 1, 0},
      {"key release", 0x0101, 65, 0, false, false, false, 0, 0},
      {"button release", 0x0202, 0, 0, false, false, false, 0, 0},
      {"wheel", 0x020A, 120, 0, false, false, false, 0, 0},
      {"losing activation", kActivateApp, 0, 0, false, false, false, 1, 0},
      {"gaining activation", kActivateApp, 1, 0, false, false, false, 0, 0},
      {"critical resume", kPower, 3, 0, false, false, false, 1, 0},
      {"other power", kPower, 1, 0, false, false, false, 0, 0},
      {"suspend query", kPowerBroadcast, 0, 0, false, false, false, 1, 0},
      {"standby", kPowerBroadcast, 5, 0, false, false, false, 1, 0},
      {"resume", kPowerBroadcast, 7, 0, false, false, false, 1, 0},
      {"resume after failure", kPowerBroadcast, 7, 1, false, false, false, 0, 0},
      {"automatic resume after failure", kPowerBroadcast, 18, 1, false, false, false, 0, 0},
      {"power status, line unchanged", kPowerBroadcast, 10, 0, false, false, false, 0, 0},
      {"unknown power event", kPowerBroadcast, 9, 0, false, false, false, 1, 0},
      {"shown", kShowWindow, 1, 0, false, false, false, 0, 1},
      {"hidden", kShowWindow, 0, 0, false, false, false, 0, 0},
      {"cursor", kSetCursor, 0, 0, false, false, false, 0, 1},
      {"preview key", kKeyDown, 65, 0, true, false, false, 0, 0},
      {"preview cursor", kSetCursor, 0, 0, true, false, false, 0, 0},
      {"preview suspend", kPowerBroadcast, 4, 0, true, false, false, 0, 0},
      {"key while closing", kKeyDown, 65, 0, false, true, false, 0, 0},
      {"key while checking", kKeyDown, 65, 0, false, false, true, 0, 0},
  };
  for (const Case& c : cases) {
    Fresh();
    hostState.lastPowerLine = fake.powerLine;
    hostState.isPreview = c.preview;
    hostState.closing = c.closing;
    hostState.checkingPassword = c.checking;
    const LResult result = DefaultSaverProc(77, c.message, c.wParam, c.lParam);
    EXPECT_EQ(fake.Count("Post 77 16 0"), c.closes) << c.name;
    EXPECT_EQ(fake.Count("HideCursor"), c.hides) << c.name;
    EXPECT_EQ(result, c.message == kSetCursor && !c.preview ? 1 : 0x5A) << c.name;
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

TEST_F(HostTest, PowerStatusChangeClosesOnlyWhenTheLineChanges) {
  hostState.lastPowerLine = 0;  // battery
  fake.powerLine = 1;           // mains
  DefaultSaverProc(77, kPowerBroadcast, 10, 0);
  DefaultSaverProc(77, kPowerBroadcast, 10, 0);
  EXPECT_EQ(fake.Count("Post 77 16"), 1u);
}

TEST_F(HostTest, AutoPlayQueryClosesAndAnswersByVerifier) {
  for (Handle verifier : {Handle{0}, Handle{9}}) {
    Fresh();
    hostState.autoPlayMessage = 0xC123;
    hostState.verifyPassword = verifier;
    EXPECT_EQ(DefaultSaverProc(77, 0xC123, 0, 0), verifier ? 1 : 0);
    EXPECT_EQ(fake.Count("Post 77 16"), 1u);
  }
}

TEST_F(HostTest, PasswordCheckBeforeClosing) {
  hostState.is9xFamily = true;
  hostState.verifyPassword = 9;
  fake.cursor = {5, 6};
  // Refused: the saver stays, the cursor is hidden again, the anchor moves to the cursor.
  EXPECT_EQ(HostWindowProc(77, kClose, 0, 0), 0);
  EXPECT_EQ(fake.Only("Verify"), std::vector<std::string>{"Verify 1"});  // checking while asked
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
  // Once closing, input and paint go to the default handling and the timer draws no more.
  fake.calls.clear();
  HostWindowProc(77, kKeyDown, 65, 0);
  HostWindowProc(77, kPaint, 0, 0);
  EXPECT_EQ(HostWindowProc(77, kTimer, 1, 0), 0);
  EXPECT_EQ(fake.calls, (std::vector<std::string>{"Default 256", "Default 15"}));
  EXPECT_EQ(VerifyBeforeClose(77), 0);
}

TEST_F(HostTest, CloseWithoutVerifierIsGrantedAtOnce) {
  hostState.is9xFamily = true;
  EXPECT_EQ(VerifyBeforeClose(77), 1);
  EXPECT_TRUE(hostState.closing);
  hostState = {};
  hostState.checkingPassword = true;
  EXPECT_EQ(VerifyBeforeClose(77), 0);
}

TEST_F(HostTest, PasswordVerifierLoading) {
  struct Case {
    const char* name;
    bool is9x, keyOpens, dwordReads;
    uint32_t usePassword;
    bool library, entry;
    bool loaded;
    std::vector<std::string> running;  // SetScreenSaverRunning calls, load then unload
  } cases[] = {
      {"password set", true, true, true, 1, true, true, true, {"SaverRunning 1", "SaverRunning 0"}},
      {"not the 9x family", false, true, true, 1, true, true, false, {}},
      {"no key", true, false, true, 1, true, true, false, {}},
      {"no value", true, true, false, 1, true, true, false, {}},
      {"password off", true, true, true, 0, true, true, false, {}},
      {"no PASSWORD.CPL", true, true, true, 1, false, true, false, {}},
      {"no entry", true, true, true, 1, true, false, false, {}},
  };
  for (const Case& c : cases) {
    Fresh();
    hostState.is9xFamily = c.is9x;
    fake.keyOpens = c.keyOpens;
    fake.dwordReads = c.dwordReads;
    fake.usePassword = c.usePassword;
    if (c.library) fake.libraries["PASSWORD.CPL"] = 6;
    if (c.entry) fake.entries["VerifyScreenSavePwd"] = 9;
    LoadPasswordVerifier();
    EXPECT_EQ(hostState.verifyPassword != 0, c.loaded) << c.name;
    EXPECT_EQ(fake.Count("CloseKey"), c.is9x && c.keyOpens ? 1u : 0u) << c.name;
    UnloadPasswordVerifier();
    EXPECT_EQ(fake.Only("SaverRunning"), c.running) << c.name;
    EXPECT_EQ(fake.Count("FreeLibrary 6"),
              c.library && c.is9x && c.usePassword && c.dwordReads && c.keyOpens ? 1u : 0u)
        << c.name;
    EXPECT_EQ(hostState.passwordLibrary, 0u) << c.name;
  }
}

TEST_F(HostTest, HostWindowMessages) {
  struct Case {
    const char* name;
    bool preview;
    uint32_t message;
    WParam wParam;
    LResult result;
    std::vector<std::string> calls;
  } cases[] = {
      {"title is fixed", false, kSetText, 0, 0, {}},
      {"paint hides the cursor", false, kPaint, 0, 0x5A, {"HideCursor", "Default 15"}},
      {"preview paint keeps it", true, kPaint, 0, 0x5A, {"Default 15"}},
      {"task switch refused", false, kSysCommand, kScNextWindow, 0, {}},
      {"second saver refused", false, kSysCommand, kScScreenSave, 0, {}},
      {"monitor power closes", false, kSysCommand, kScMonitorPower, 0, {"Post 77 16 0"}},
      {"preview screen-saver command", true, kSysCommand, kScScreenSave, 0, {}},
      {"other command passes", false, kSysCommand, 0xF060, 0x5A, {"Default 274"}},
      {"help in preview goes to the parent", true, kHelp, 0, 1, {"Post 1234 83 1234"}},
      {"help full screen", false, kHelp, 0, 0x5A, {"Default 83"}},
      {"activation swallowed", false, kActivate, 1, 0, {}},
  };
  for (const Case& c : cases) {
    Fresh();
    hostState.isPreview = c.preview;
    EXPECT_EQ(HostWindowProc(77, c.message, c.wParam, 0), c.result) << c.name;
    EXPECT_EQ(fake.calls, c.calls) << c.name;
  }
}

TEST_F(HostTest, InputMethodDetachedOnlyWhenAlreadyLoaded) {
  hostState.isPreview = true;  // no cursor hiding in the way
  fake.gotDc = false;          // creation fails after the host's part; fine for this check
  fake.loaded["IMM32.DLL"] = 3;
  fake.entries["ImmAssociateContext"] = 4;
  HostWindowProc(77, kCreate, 0, 0);
  HostWindowProc(77, kDestroy, 0, 0);
  EXPECT_EQ(fake.Only("Associate"), (std::vector<std::string>{"Associate 0", "Associate 99"}));
  EXPECT_EQ(fake.Count("OpenLibrary"), 0u);
}

TEST_F(HostTest, RenderContextFailuresShowTwoBoxesInOrder) {
  tv::test::GlRecorder gl;
  struct Case {
    bool FakePlatform::*fails;
    const char* text;
    size_t releasedDc;
  } cases[] = {
      {&FakePlatform::gotDc, "Can't Create A GL Device Context.", 0},
      {nullptr, "Can't Find A Suitable PixelFormat.", 1},
      {&FakePlatform::setFormat, "Can't Set The PixelFormat.", 1},
      {&FakePlatform::gotContext, "Can't Create A GL Rendering Context.", 1},
      {&FakePlatform::madeCurrent, "Can't Activate The GL Rendering Context.", 1},
  };
  for (const Case& c : cases) {
    Fresh();
    fake.windows.insert(77);
    if (c.fails)
      fake.*c.fails = false;
    else
      fake.format = 0;
    EXPECT_EQ(HostWindowProc(77, kCreate, 0, 0), 0) << c.text;
    EXPECT_EQ(fake.Only("Box"),
              (std::vector<std::string>{std::string("Box 0 ") + c.text + " | ERROR 48",
                                        "Box 0 Error - cannot start OpenGL | Error 0"}));
    EXPECT_EQ(fake.Count("SetTimer"), 0u) << c.text;
    EXPECT_EQ(fake.Count("ReleaseDC"), c.releasedDc) << c.text;
    EXPECT_EQ(fake.windows.count(77), 0u) << c.text;
    EXPECT_EQ(fake.Count("Quit 0"), 2u) << c.text;  // host and saver window, both on destroy
  }
}

TEST_F(HostTest, SaverWindowLifetime) {
  tv::test::GlRecorder gl;
  fake.windows.insert(77);
  EXPECT_EQ(SaverWindowProc(77, kCreate, 0, 0), 0x5A);
  EXPECT_EQ(fake.Only("ChooseFormat"), std::vector<std::string>{"ChooseFormat 32"});
  EXPECT_EQ(fake.Only("SetTimer"), std::vector<std::string>{"SetTimer 1234 10"});
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
  fake.unbound = fake.deleted = fake.releasedDc = false;
  fake.calls.clear();
  EXPECT_EQ(SaverWindowProc(77, kDestroy, 0, 0), 0);
  EXPECT_EQ(fake.Only("Box 0 Release"),
            (std::vector<std::string>{"Box 0 Release Of DC And RC Failed. | SHUTDOWN ERROR 64",
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
  EXPECT_EQ(TrackbarLabel(TrackbarPosition(DefaultSettings(), kTrackbarTable[19]), "u max"),
            "30 u max");
}

TEST(ConfigTable, DefaultLabelsInTableOrder) {
  std::string labels;
  const TrackbarRow* row = kTrackbarTable;
  for (; row->min != row->max; ++row)
    labels += TrackbarLabel(TrackbarPosition(DefaultSettings(), *row), row->name) + ",";
  EXPECT_EQ(row - kTrackbarTable, 22);
  EXPECT_EQ(
      labels,
      "2 Wire,1 Point,3 Triangle,3 Quad,4 Half U,4 Half V,5 Smooth,1 Blended,30 Wobbles,"
      "40 S-Colored,20 Blended,30 Alpha,40 Wire,60 x min,90 x max,150 y min,200 y max,2 Knots,"
      "10 u min,30 u max,3 v min,10 v max,");
}

TEST(ConfigTable, LinkColourOnButtonFaces) {
  EXPECT_EQ(LinkTextColour(0x00F0F0F0), 0x00FF0000u);  // grey face: blue text
  EXPECT_EQ(LinkTextColour(0x00F50909), 0x00FFFFFFu);  // nearly pure blue face: white text
  EXPECT_EQ(LinkTextColour(0x00F5090A), 0x00FF0000u);
  EXPECT_EQ(LinkTextColour(0x00F00909), 0x00FF0000u);
}

}  // namespace
}  // namespace tv::host
