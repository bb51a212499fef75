// The X11 saver against real X servers (Xvfb): where it draws, how it ends, what it says when it
// cannot start. Every case has its own server and bounds its waits.
#include <gtest/gtest.h>
// After gtest: X11 defines None and Bool as macros.
#include <GL/glx.h>
#include <X11/Xutil.h>
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

bool HaveXvfb() { return std::system("command -v Xvfb >/dev/null 2>&1") == 0; }

std::string TempPng(const std::string& name) {
  return (std::filesystem::temp_directory_path() /
          ("tressvale-" + std::to_string(getpid()) + "-" + name + ".png")).string();
}

headless::Image ReadImage(const std::string& path) {
  headless::Image image;
  std::string error;
  headless::ReadPng(path, image, error);
  std::filesystem::remove(path);
  return image;
}

// Every way out before the first frame gives its code and words, and closes what it opened (the
// leak-checked build reports anything left).
TEST(X11Saver, RefusesWhatItCannotUse) {
  if (!HaveXvfb()) GTEST_SKIP() << "no Xvfb";
  enum Server { Plain, NoGlx, Missing };
  struct Case {
    Server server;
    const char* args;
    const char* env;
    int code;
    const char* says;
  };
  const Case cases[] = {
      {Plain, "-bogus", "", 2, "unknown option '-bogus'"},
      {Plain, "--frames", "", 2, "-frames needs"},
      {Plain, "-help", "", 0, ""},
      {Plain, "-window-id 0x7777777", "", 1, "there is no window 0x7777777"},
      {Plain, "-root", "XSCREENSAVER_WINDOW=0x7777777", 1, "there is no window 0x7777777"},
      {NoGlx, "-frames 3", "", 1,
       "Can't Find A Suitable PixelFormat.\ntressvale: Error - cannot start OpenGL\n"},
      {Missing, "-frames 3", "", 1, "cannot open the X display"},
      {Plain, "-knots 50 -frames 1", "", 0, "-knots 50 is outside 1..20; using 20"},
  };
  for (const Case& c : cases) {
    XServer server(c.server == NoGlx ? std::vector<std::string>{"-extension", "GLX"}
                                     : std::vector<std::string>{});
    ASSERT_FALSE(server.name().empty());
    std::vector<std::string> env;
    if (*c.env) env.push_back(c.env);
    if (c.server == Missing) env.push_back("DISPLAY=:65000");
    auto [code, errors] = RunSaver(server, c.args, env, c.code != 0);
    EXPECT_EQ(code, c.code) << c.args << "\n" << errors;
    EXPECT_NE(errors.find(c.says), std::string::npos) << c.args << "\n" << errors;
    EXPECT_EQ(errors.find("LeakSanitizer"), std::string::npos) << c.args << "\n" << errors;
  }
}

// Its own window, the root, a preview window, the daemon's window and a window whose visual has
// no depth buffer all get knots; SIGTERM ends it with 0 within a second and leaves the window
// as it was.
TEST(X11Saver, DrawsWhereItIsToldAndEndsCleanly) {
  if (!HaveXvfb()) GTEST_SKIP() << "no Xvfb";
  enum Kind { Own, Root, Preview, Daemon, Depthless };
  for (Kind kind : {Own, Root, Preview, Daemon, Depthless}) {
    XServer server;
    Display* d = server.display();
    ASSERT_TRUE(d);
    XVisualInfo* depthless = kind == Depthless ? DepthlessVisual(d) : nullptr;
    if (kind == Depthless && !depthless) {
      ADD_FAILURE() << "no depth-less GLX visual on Xvfb";
      continue;
    }
    Window window = kind == Root ? DefaultRootWindow(d)
                    : kind == Own ? 0
                                  : MakeWindow(d, 320, 240, depthless);
    free(depthless);
    const std::string id = std::to_string(window);
    const std::string args = kind == Own       ? "-geometry 320x240"
                             : kind == Root    ? "-root"
                             : kind == Daemon  ? "-root"
                                               : "--root --window-id " + id;
    Process saver(SaverArgs(args + " -seed 3"),
                  SaverEnv(server, {kind == Daemon ? "XSCREENSAVER_WINDOW=" + id : "X=0"}));
    SleepSeconds(2.5);
    if (kind == Own) window = FindSaverWindow(d, saver.pid());
    ASSERT_NE(window, 0u) << kind;
    EXPECT_GT(LitShare(Grab(d, window)), 0.01) << kind;
    kill(saver.pid(), SIGTERM);
    EXPECT_EQ(saver.Wait(1.0), 0) << kind << saver.Errors();
    const std::string errors = saver.Errors();
    EXPECT_EQ(errors.find("child window") != std::string::npos, kind == Depthless) << errors;
    if (kind != Own) {
      EXPECT_LT(LitShare(Grab(d, window)), 0.001) << kind;
    }
  }
}

// Same seed, same frames: a depth-less window's picture is the proper window's, not inside out.
// With -fps only the lower left corner differs.
TEST(X11Saver, SnapshotsAgreeAcrossVisualsAndFps) {
  if (!HaveXvfb()) GTEST_SKIP() << "no Xvfb";
  XServer server;
  ASSERT_TRUE(server.display());
  XVisualInfo* depthless = DepthlessVisual(server.display());
  ASSERT_TRUE(depthless);
  const Window window = MakeWindow(server.display(), 320, 240, depthless);
  free(depthless);
  const std::string common = " -seed 5 -frames 350 -snapshot ";
  std::string paths[3] = {TempPng("own"), TempPng("depthless"), TempPng("fps")};
  ASSERT_EQ(RunSaver(server, "-geometry 320x240" + common + paths[0]).first, 0);
  ASSERT_EQ(RunSaver(server, "-window-id " + std::to_string(window) + common + paths[1]).first, 0);
  ASSERT_EQ(RunSaver(server, "-geometry 320x240 -fps" + common + paths[2]).first, 0);
  const headless::Image own = ReadImage(paths[0]), inChild = ReadImage(paths[1]),
                        fps = ReadImage(paths[2]);
  EXPECT_GT(LitShare(own), 0.05);
  EXPECT_LT(DifferentShare(own, inChild), 0.002);
  long outside = 0, inside = 0;
  for (int y = 0; y < own.height; ++y) {
    for (int x = 0; x < own.width; ++x) {
      const bool differs = std::memcmp(own.At(x, y), fps.At(x, y), 3) != 0;
      (x < 240 && y >= own.height - 70 ? inside : outside) += differs;
    }
  }
  EXPECT_EQ(outside, 0);
  EXPECT_GT(inside, 300);
}

// Full screen ends on the first move beyond 4 pixels from where the pointer was at start, on a
// key and on a button; a smaller move does not end it.
TEST(X11Saver, FullScreenClosesOnInput) {
  if (!HaveXvfb()) GTEST_SKIP() << "no Xvfb";
  enum Input { Move3, Move10, Key, Button };
  for (Input input : {Move3, Move10, Key, Button}) {
    XServer server;
    Display* d = server.display();
    ASSERT_TRUE(d);
    Process saver(SaverArgs("-fullscreen"), SaverEnv(server));
    SleepSeconds(1.5);
    const Window window = FindSaverWindow(d, saver.pid());
    ASSERT_NE(window, 0u) << "no window with WM_CLASS tressvale and our _NET_WM_PID";
    XEvent event = {};
    event.xany.window = window;
    switch (input) {
      case Move3:
      case Move10:
        XWarpPointer(d, None, None, 0, 0, 0, 0, input == Move3 ? 2 : 6, input == Move3 ? 1 : 4);
        break;
      case Key:
        event.type = KeyPress;
        event.xkey.keycode = XKeysymToKeycode(d, XK_space);
        XSendEvent(d, window, False, KeyPressMask, &event);
        break;
      case Button:
        event.type = ButtonPress;
        event.xbutton.button = 1;
        XSendEvent(d, window, False, ButtonPressMask, &event);
        break;
    }
    XSync(d, False);
    EXPECT_EQ(saver.Wait(1.0), input == Move3 ? std::nullopt : std::optional<int>(0)) << input;
  }
}

// Stopped and continued, it goes on drawing; it ends when its window is destroyed (0) or its
// X server dies (1), without spinning.
TEST(X11Saver, SurvivesStopsAndEndsWithItsWindowOrServer) {
  if (!HaveXvfb()) GTEST_SKIP() << "no Xvfb";
  enum Event { StopContinue, DestroyWindow, KillServer };
  for (Event e : {StopContinue, DestroyWindow, KillServer}) {
    XServer server;
    Display* d = server.display();
    ASSERT_TRUE(d);
    const Window window = MakeWindow(d, 200, 150);
    Process saver(SaverArgs("-window-id " + std::to_string(window)), SaverEnv(server));
    SleepSeconds(1.5);
    ASSERT_TRUE(saver.Running());
    if (e == StopContinue) {
      kill(saver.pid(), SIGSTOP);
      const headless::Image stopped = Grab(d, window);
      SleepSeconds(1.0);
      EXPECT_EQ(DifferentShare(stopped, Grab(d, window)), 0);
      kill(saver.pid(), SIGCONT);
      SleepSeconds(0.5);
      EXPECT_GT(DifferentShare(stopped, Grab(d, window)), 0.001) << "frozen after SIGCONT";
      kill(saver.pid(), SIGTERM);
    } else if (e == DestroyWindow) {
      XDestroyWindow(d, window);
      XSync(d, False);
    } else {
      server.Kill();
    }
    EXPECT_EQ(saver.Wait(1.0), e == KillServer ? 1 : 0) << e << saver.Errors();
  }
}

// -save-settings stores the options given over what was stored, so later runs and the daemon's
// runs agree.
TEST(X11Saver, SaveSettingsKeepsWhatWasStored) {
  const std::filesystem::path store =
      std::filesystem::temp_directory_path() / ("tressvale-store-" + std::to_string(getpid()));
  const std::vector<std::string> env = {"XDG_CONFIG_HOME=" + store.string()};
  for (const char* args : {"-save-settings -knots 7 -u-max 4.5", "--save-settings --wire 9"}) {
    Process save(SaverArgs(args), env);
    EXPECT_EQ(save.Wait(10), 0) << args << save.Errors();
  }
  std::ifstream file(store / "Pervik/Tressvale/data1", std::ios::binary);
  SaverSettings stored;
  file.read(reinterpret_cast<char*>(&stored), sizeof stored);
  SaverSettings expected = DefaultSettings();
  expected.knotCount = 7;
  expected.uMax = 45 * 0.1;
  expected.styleWeight[0] = 9;
  EXPECT_EQ(SettingsToBytes(stored), SettingsToBytes(expected));
  std::filesystem::remove_all(store);
}

}  // namespace
}  // namespace tv::x11test
