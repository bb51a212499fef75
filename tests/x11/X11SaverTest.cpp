// The X11 saver against real X servers (Xvfb): where it draws, how it ends, what it says when it
// cannot start. Every case has its own server and bounds its waits.
#include <gtest/gtest.h>
// After gtest: X11 defines None and Bool as macros.
#include <X11/keysym.h>
#include <signal.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "XSupport.h"
#include "settings/SaverSettings.h"

namespace tv::x11test {
namespace {

namespace fs = std::filesystem;
const fs::path kTemp = fs::temp_directory_path() / ("tressvale-" + std::to_string(getpid()));

class X11Saver : public ::testing::Test {
  void SetUp() override {
    if (std::system("command -v Xvfb >/dev/null 2>&1") != 0) GTEST_SKIP() << "no Xvfb";
    fs::create_directories(kTemp);
  }
  void TearDown() override { fs::remove_all(kTemp); }
};

// Every way out before the first frame gives its code and words, and closes what it opened (the
// leak-checked build reports anything left).
TEST_F(X11Saver, RefusesWhatItCannotUse) {
  enum Server { Plain, NoGlx, Missing };
  const struct {
    Server server;
    const char *args, *env;
    int code;
    const char* says;
  } cases[] = {
      {Plain, "-bogus", "X=", 2, "unknown option '-bogus'"},
      {Plain, "--frames", "X=", 2, "-frames needs"},
      {Plain, "-window-id 0x7777777", "X=", 1, "there is no window 0x7777777"},
      {Plain, "-root", "XSCREENSAVER_WINDOW=0x7777777", 1, "there is no window 0x7777777"},
      {NoGlx, "-frames 3", "X=", 1,
       "Can't Find A Suitable PixelFormat.\ntressvale: Error - cannot start OpenGL\n"},
      {Missing, "-frames 3", "DISPLAY=:65000", 1, "cannot open the X display"},
  };
  for (const auto& c : cases) {
    XServer server(c.server == NoGlx ? std::vector<std::string>{"-extension", "GLX"}
                                     : std::vector<std::string>{});
    auto saver = StartSaver(server, c.args, {c.env}, true);
    EXPECT_EQ(saver->Wait(60), c.code) << c.args;
    const std::string errors = saver->Errors();
    EXPECT_NE(errors.find(c.says), std::string::npos) << c.args << "\n" << errors;
    EXPECT_EQ(errors.find("LeakSanitizer"), std::string::npos) << c.args << "\n" << errors;
  }
}

// It draws knots into each kind of target and ends as each event asks, within a second, leaving
// nothing drawn behind; stopped and continued, it goes on drawing.
TEST_F(X11Saver, DrawsWhereItIsToldAndEnds) {
  enum Target { Own, Root, Preview, Daemon, Depthless };
  enum End { Term, StopContinueTerm, DestroyWindow, KillServer };
  const struct {
    Target target;
    End end;
    int code;
  } cases[] = {{Own, Term, 0},      {Root, Term, 0},          {Preview, StopContinueTerm, 0},
               {Daemon, Term, 0},   {Depthless, Term, 0},     {Preview, DestroyWindow, 0},
               {Preview, KillServer, 1}};
  for (const auto& c : cases) {
    XServer server;
    Display* d = server.display();
    Window window = c.target == Root  ? DefaultRootWindow(d)
                    : c.target == Own ? 0
                                      : MakeWindow(d, c.target == Depthless);
    const std::string id = std::to_string(window);
    const std::string args[] = {"-geometry 320x240", "-root", "--root --window-id " + id, "-root",
                                "-window-id " + id};
    auto saver = StartSaver(server, args[c.target] + " -seed 3",
                            {c.target == Daemon ? "XSCREENSAVER_WINDOW=" + id : "X="});
    SleepSeconds(2.5);
    if (c.target == Own) window = FindSaverWindow(d, saver->pid());
    ASSERT_NE(window, 0u) << c.target;
    const headless::Image drawn = Grab(d, window);
    EXPECT_GT(LitShare(drawn), 0.01) << c.target;
    if (c.end == StopContinueTerm) {
      kill(saver->pid(), SIGSTOP);
      SleepSeconds(1.0);
      EXPECT_EQ(DifferentShare(Grab(d, window), Grab(d, window)), 0);
      kill(saver->pid(), SIGCONT);
      SleepSeconds(0.5);
      EXPECT_GT(DifferentShare(drawn, Grab(d, window)), 0.001) << "frozen after SIGCONT";
    }
    if (c.end == DestroyWindow) XDestroyWindow(d, window);
    if (c.end == KillServer) server.Kill();
    if (c.end == Term || c.end == StopContinueTerm) kill(saver->pid(), SIGTERM);
    if (d && c.end != KillServer) XSync(d, False);
    EXPECT_EQ(saver->Wait(1.0), c.code) << c.target << " " << c.end << saver->Errors();
    EXPECT_EQ(saver->Errors().find("child window") != std::string::npos, c.target == Depthless);
    if (c.end == Term && c.target != Own) {
      EXPECT_LT(LitShare(Grab(d, window)), 0.001) << c.target;
    }
  }
}

// Same seed, same frames: a depth-less window's picture is a proper window's, not inside out;
// with -fps only the lower left corner differs.
TEST_F(X11Saver, SnapshotsAgreeAcrossVisualsAndFps) {
  XServer server;
  const Window window = MakeWindow(server.display(), true);
  ASSERT_NE(window, 0u) << "no depth-less GLX visual";
  const std::string args[3] = {"-geometry 320x240", "-window-id " + std::to_string(window),
                               "-geometry 320x240 -fps"};
  headless::Image shots[3];
  for (int i = 0; i < 3; ++i) {
    const std::string png = (kTemp / (std::to_string(i) + ".png")).string();
    ASSERT_EQ(StartSaver(server, args[i] + " -seed 5 -frames 350 -snapshot " + png)->Wait(60), 0);
    std::string error;
    ASSERT_TRUE(headless::ReadPng(png, shots[i], error)) << error;
  }
  EXPECT_GT(LitShare(shots[0]), 0.05);
  EXPECT_LT(DifferentShare(shots[0], shots[1]), 0.002);
  long differs[2] = {0, 0};  // outside, inside the corner
  for (int y = 0; y < 240; ++y) {
    for (int x = 0; x < 320; ++x) {
      differs[x < 240 && y >= 170] += std::memcmp(shots[0].At(x, y), shots[2].At(x, y), 3) != 0;
    }
  }
  EXPECT_EQ(differs[0], 0);
  EXPECT_GT(differs[1], 300);
}

// Full screen ends on the first move beyond 4 pixels (|dx| + |dy|) from where the pointer was at
// start, on a key and on a button; a smaller move does not end it.
TEST_F(X11Saver, FullScreenClosesOnInput) {
  enum Input { Move3, Move10, Key, Button };
  for (Input input : {Move3, Move10, Key, Button}) {
    XServer server;
    Display* d = server.display();
    auto saver = StartSaver(server, "-fullscreen");
    SleepSeconds(1.5);
    XEvent event = {};
    event.xany.window = FindSaverWindow(d, saver->pid());
    ASSERT_NE(event.xany.window, 0u) << "no window with WM_CLASS tressvale and our _NET_WM_PID";
    if (input == Move3 || input == Move10) {
      XWarpPointer(d, None, None, 0, 0, 0, 0, input == Move3 ? 2 : 6, input == Move3 ? 1 : 4);
    } else {
      event.type = input == Key ? KeyPress : ButtonPress;
      event.xkey.keycode = XKeysymToKeycode(d, XK_space);  // also the button's number
      XSendEvent(d, event.xany.window, False, KeyPressMask | ButtonPressMask, &event);
    }
    XSync(d, False);
    EXPECT_EQ(saver->Wait(1.0), input == Move3 ? std::nullopt : std::optional<int>(0)) << input;
  }
}

// -save-settings stores the options given over what was stored (repaired as the dialog's OK
// does), so later runs and the daemon's runs agree.
TEST_F(X11Saver, SaveSettingsKeepsWhatWasStored) {
  XServer server;
  for (const char* args : {"-save-settings -knots 7 -u-max 4.5", "--save-settings --x-min 120"}) {
    auto save = StartSaver(server, args, {"XDG_CONFIG_HOME=" + kTemp.string()});
    EXPECT_EQ(save->Wait(10), 0) << args << save->Errors();
  }
  SaverSettings stored, expected = DefaultSettings();
  std::ifstream(kTemp / "Pervik/Tressvale/data1", std::ios::binary)
      .read(reinterpret_cast<char*>(&stored), sizeof stored);
  expected.knotCount = 7;
  expected.uMax = 45 * 0.1;
  expected.spinXMin = expected.spinXMax = 120;
  EXPECT_EQ(SettingsToBytes(stored), SettingsToBytes(expected));
}

}  // namespace
}  // namespace tv::x11test
