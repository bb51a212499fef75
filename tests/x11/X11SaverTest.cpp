// The X11 saver against real X servers (Xvfb) and the real screen-saver daemon: where it draws, how
// it ends, what it says when it cannot start. Every case has its own server, bounds its waits and
// stops only the processes it started, by their ids.
#include <gtest/gtest.h>
// After gtest: X11 defines None and Bool as macros.
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <thread>

#include "PngWriter.h"
#include "settings/SaverSettings.h"

namespace tv::x11test {
namespace {

namespace fs = std::filesystem;
const fs::path kTemp = fs::temp_directory_path() / ("tressvale-" + std::to_string(getpid()));

void Sleep(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

// Words separated by white space.
std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

// A program in a process group of its own, stderr kept in a file. If it still
// runs when this goes, its group is stopped (TERM, then KILL).
class Process {
 public:
  explicit Process(std::vector<std::string> argv, const std::vector<std::string>& env = {}) {
    static int count = 0;
    errors_ = kTemp / ("errors-" + std::to_string(++count));
    if ((pid_ = fork()) != 0) return;
    setpgid(0, 0);
    for (const std::string& e : env) putenv(strdup(e.c_str()));
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    if (freopen(errors_.c_str(), "w", stderr) && freopen("/dev/null", "w", stdout)) {
      execvp(args[0], args.data());
    }
    _exit(127);
  }
  ~Process() {
    if (pid_ <= 0 || Wait(0)) return;
    kill(-pid_, SIGTERM);
    if (Wait(2)) return;
    kill(-pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  pid_t pid() const { return pid_; }
  // The exit code (128 + n after signal n) once it has ended within the time; none if it runs.
  std::optional<int> Wait(double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (int status = 0; !code_ && pid_ > 0; Sleep(0.02)) {
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      } else if (std::chrono::steady_clock::now() >= end) {
        break;
      }
    }
    return code_;
  }
  std::string Errors() const {
    std::stringstream text;
    text << std::ifstream(errors_).rdbuf();
    return text.str();
  }

 private:
  pid_t pid_ = -1;
  std::optional<int> code_;
  fs::path errors_;
};

// An Xvfb on a display of its own (-displayfd), 640x480, black root; and the test's connection.
struct XServer {
  explicit XServer(const std::string& options = "") {
    int fds[2];
    if (pipe(fds) != 0) return;
    const std::string fd = std::to_string(fds[1]);
    xvfb = std::make_unique<Process>(
        Words("Xvfb -screen 0 640x480x24 -nolisten tcp -br -displayfd " + fd + " " + options));
    close(fds[1]);
    // Xvfb writes the display number and a newline once it accepts clients.
    for (char c; name.size() < 12 && read(fds[0], &c, 1) == 1 && c != '\n';) name += c;
    close(fds[0]);
    display = name.size() > 1 ? XOpenDisplay(name.c_str()) : nullptr;
  }
  ~XServer() { if (display) XCloseDisplay(display); }
  void Kill() {  // the server dies under its clients
    kill(xvfb->pid(), SIGKILL);
    xvfb->Wait(5);
    display = nullptr;  // the connection is dead; Xlib must not touch it again
  }
  std::unique_ptr<Process> xvfb;
  std::string name = ":";
  Display* display = nullptr;
};

// The saver (checked: the leak-checked build) with an empty settings store and one more variable.
std::unique_ptr<Process> StartSaver(const XServer& server, const std::string& args,
                                    const std::string& var = "X=", bool checked = false) {
  std::vector<std::string> argv = Words(args);
  argv.insert(argv.begin(), checked ? TRESSVALE_X11_CHECKED_BINARY : TRESSVALE_X11_BINARY);
  const std::vector<std::string> env = {"DISPLAY=" + server.name, "XDG_CONFIG_HOME=/nonexistent",
                                        var};
  return std::make_unique<Process>(argv, env);
}

headless::Image Grab(Display* display, Window window) {
  XWindowAttributes a;
  XImage* x = XGetWindowAttributes(display, window, &a)
                  ? XGetImage(display, window, 0, 0, a.width, a.height, AllPlanes, ZPixmap)
                  : nullptr;
  if (!x) return {};
  headless::Image image(a.width, a.height);
  for (int y = 0; y < image.height; ++y) {
    for (int px = 0; px < image.width; ++px) {
      const unsigned long p = XGetPixel(x, px, y);
      for (int c = 0; c < 3; ++c) image.At(px, y)[c] = static_cast<uint8_t>(p >> (16 - 8 * c));
    }
  }
  XDestroyImage(x);
  return image;
}

// Share of pixels that are lit, or (coloured) lit with a clear hue.
double LitShare(const headless::Image& image, bool coloured = false) {
  long lit = 0;
  for (size_t i = 0; i < image.rgba.size(); i += 4) {
    const uint8_t* p = &image.rgba[i];
    const int hi = std::max({p[0], p[1], p[2]}), lo = std::min({p[0], p[1], p[2]});
    lit += coloured ? hi > 60 && hi - lo > 40 : hi > 24;
  }
  return image.width ? static_cast<double>(lit) / (image.width * image.height) : 0;
}

// Share of pixels that differ by more than 8 in a channel.
double DifferentShare(const headless::Image& a, const headless::Image& b) {
  if (a.width != b.width || a.height != b.height || a.width == 0) return 1;
  long different = 0;
  for (size_t i = 0; i < a.rgba.size(); i += 4) {
    bool d = false;
    for (int c = 0; c < 3; ++c) d |= std::abs(a.rgba[i + c] - b.rgba[i + c]) > 8;
    different += d;
  }
  return static_cast<double>(different) / (a.width * a.height);
}

// A mapped 320x240 window with a black background and the default visual, or (depthless) a GLX
// visual with double buffering but no depth buffer; 0 if the server has none.
Window MakeWindow(Display* display, bool depthless) {
  const int screen = DefaultScreen(display);
  XVisualInfo visual = {};
  visual.visual = DefaultVisual(display, screen);
  visual.depth = DefaultDepth(display, screen);
  if (depthless) {
    int wanted[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, 0, None}, depth = 1;
    XVisualInfo* found = glXChooseVisual(display, screen, wanted);
    if (!found) return 0;
    glXGetConfig(display, found, GLX_DEPTH_SIZE, &depth);
    visual = *found;
    XFree(found);
    if (depth != 0) return 0;
  }
  const Window root = RootWindow(display, screen);
  XSetWindowAttributes set = {};
  set.colormap = XCreateColormap(display, root, visual.visual, AllocNone);
  const Window w = XCreateWindow(display, root, 0, 0, 320, 240, 0, visual.depth, InputOutput,
                                 visual.visual, CWBackPixel | CWBorderPixel | CWColormap, &set);
  XMapWindow(display, w);
  XSync(display, False);
  return w;
}

// The top-level window with WM_CLASS tressvale/Tressvale and _NET_WM_PID pid.
Window FindSaverWindow(Display* display, pid_t pid) {
  Window root, parent, *children = nullptr, found = 0;
  unsigned count = 0;
  XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
  const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
  for (unsigned i = 0; i < count && !found; ++i) {
    Atom type;
    int format;
    unsigned long items, after;
    unsigned char* data = nullptr;
    XClassHint hint = {};
    XGetWindowProperty(display, children[i], pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                       &items, &after, &data);
    if (data && *reinterpret_cast<long*>(data) == pid &&
        XGetClassHint(display, children[i], &hint) &&
        std::string(hint.res_name) + "/" + hint.res_class == "tressvale/Tressvale") {
      found = children[i];
    }
    for (void* p : {static_cast<void*>(hint.res_name), static_cast<void*>(hint.res_class),
                    static_cast<void*>(data)}) {
      if (p) XFree(p);
    }
  }
  if (children) XFree(children);
  return found;
}

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
  const struct {
    bool glx;
    const char *args, *env;
    int code;
    const char* says;
  } cases[] = {
      {true, "-bogus", "X=", 2, "unknown option '-bogus'"},
      {true, "--frames", "X=", 2, "-frames needs"},
      {true, "-window-id 0x7777777", "X=", 1, "there is no window 0x7777777"},
      {true, "-root", "XSCREENSAVER_WINDOW=0x7777777", 1, "there is no window 0x7777777"},
      {false, "-frames 3", "X=", 1,
       "Can't Find A Suitable PixelFormat.\ntressvale: Error - cannot start OpenGL\n"},
      {true, "-frames 3", "DISPLAY=:65000", 1, "cannot open the X display"},
  };
  for (const auto& c : cases) {
    XServer server(c.glx ? "" : "-extension GLX");
    auto saver = StartSaver(server, c.args, c.env, true);
    EXPECT_EQ(saver->Wait(60), c.code) << c.args;
    const std::string errors = saver->Errors();
    EXPECT_NE(errors.find(c.says), std::string::npos) << c.args << "\n" << errors;
    EXPECT_EQ(errors.find("LeakSanitizer"), std::string::npos) << c.args << "\n" << errors;
  }
}

// Each row on a server of its own, so that the rows can run side by side.
enum Target { Own, Root, Preview, Daemon, Depthless, Full };
enum End { Term, StopContinueTerm, DestroyWindow, KillServer, Moves, Key, Button };
struct Drawing {
  Target target;
  End end;
  int code;
};
void PrintTo(const Drawing& d, std::ostream* out) {
  const char* targets[] = {"own", "root", "preview", "daemon", "depthless", "full"};
  const char* ends[] = {"term", "stop-continue-term", "destroy", "kill-server", "moves", "key",
                        "button"};
  *out << targets[d.target] << "-" << ends[d.end];
}
class X11SaverDraws : public X11Saver, public ::testing::WithParamInterface<Drawing> {};
INSTANTIATE_TEST_SUITE_P(
    X11Saver, X11SaverDraws,
    ::testing::Values(Drawing{Own, Term, 0}, Drawing{Root, Term, 0}, Drawing{Daemon, Term, 0},
                      Drawing{Depthless, Term, 0}, Drawing{Preview, StopContinueTerm, 0},
                      Drawing{Preview, DestroyWindow, 0}, Drawing{Preview, KillServer, 1},
                      Drawing{Full, Moves, 0}, Drawing{Full, Key, 0}, Drawing{Full, Button, 0}));

// It draws knots into each kind of target and ends as each event asks, within a second, leaving
// nothing drawn behind; stopped and continued, it goes on drawing. Full screen ends on a key, a
// button, or a move beyond 4 pixels (|dx| + |dy|) from where the pointer was at start.
TEST_P(X11SaverDraws, WhereItIsToldAndEnds) {
  const Drawing c = GetParam();
  XServer server;
  Display* d = server.display;
  Window window = c.target == Root ? DefaultRootWindow(d)
                  : c.target == Own || c.target == Full ? 0
                  : MakeWindow(d, c.target == Depthless);
  const std::string id = std::to_string(window);
  const std::string args[] = {"-geometry 320x240", "-root", "--root --window-id " + id, "-root",
                              "-window-id " + id, "-fullscreen"};
  auto saver = StartSaver(server, args[c.target] + " -seed 3",
                          c.target == Daemon ? "XSCREENSAVER_WINDOW=" + id : "X=");
  Sleep(2.5);
  if (!window) window = FindSaverWindow(d, saver->pid());
  ASSERT_NE(window, 0u);
  const headless::Image drawn = Grab(d, window);
  EXPECT_GT(LitShare(drawn), 0.01);
  if (c.end == StopContinueTerm) {
    kill(saver->pid(), SIGSTOP);
    Sleep(1.0);
    EXPECT_EQ(DifferentShare(Grab(d, window), Grab(d, window)), 0);
    kill(saver->pid(), SIGCONT);
    Sleep(0.5);
    EXPECT_GT(DifferentShare(drawn, Grab(d, window)), 0.001) << "frozen after SIGCONT";
  }
  if (c.end == Moves) {
    // 3 px, then back to 4 px from the start: neither ends it; then 10 px from the start does.
    for (auto [dx, dy] : {std::pair{2, 1}, std::pair{-4, -3}}) {
      XWarpPointer(d, None, None, 0, 0, 0, 0, dx, dy);
      XSync(d, False);
      EXPECT_EQ(saver->Wait(1.0), std::nullopt) << "closed on a move of 4 px or less";
    }
    XWarpPointer(d, None, None, 0, 0, 0, 0, 8, 6);
  }
  if (c.end == Key || c.end == Button) {
    XEvent event = {};
    event.xany.window = window;
    event.type = c.end == Key ? KeyPress : ButtonPress;
    event.xkey.keycode = XKeysymToKeycode(d, XK_space);  // also the button's number
    XSendEvent(d, window, False, KeyPressMask | ButtonPressMask, &event);
  }
  if (c.end == DestroyWindow) XDestroyWindow(d, window);
  if (c.end == KillServer) server.Kill();
  if (c.end == Term || c.end == StopContinueTerm) kill(saver->pid(), SIGTERM);
  if (d && c.end != KillServer) XSync(d, False);
  EXPECT_EQ(saver->Wait(1.0), c.code) << saver->Errors();
  EXPECT_EQ(saver->Errors().find("child window") != std::string::npos, c.target == Depthless);
  if (c.end == Term && c.target != Own) {
    EXPECT_LT(LitShare(Grab(d, window)), 0.001);
  }
}

// Same seed, same frames: a depth-less window's picture is a proper window's, not inside out; with
// -fps only the lower left corner differs.
TEST_F(X11Saver, SnapshotsAgreeAcrossVisualsAndFps) {
  XServer server;
  const Window window = MakeWindow(server.display, true);
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

// -save-settings stores the options given over what was stored (repaired as the dialog's OK does),
// so later runs and the daemon's runs agree.
TEST_F(X11Saver, SaveSettingsKeepsWhatWasStored) {
  XServer server;
  for (const char* args : {"-save-settings -knots 7 -u-max 4.5", "--save-settings --x-min 120"}) {
    auto save = StartSaver(server, args, "XDG_CONFIG_HOME=" + kTemp.string());
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

// Debian's daemon, run by a throw-away user (it refuses to start savers as root) whose
// ~/.xscreensaver lists the saver: activated, it shows lit coloured knots; deactivated, the saver
// is gone within a second and nothing is left drawn.
TEST_F(X11Saver, RunsUnderTheDaemon) {
  if (geteuid() != 0 || std::system("command -v xscreensaver >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "needs root (to make a user) and xscreensaver";
  }
  const std::string user = "tvtest" + std::to_string(getpid()), home = "/home/" + user;
  ASSERT_EQ(std::system(("useradd -m -s /bin/sh " + user + " >/dev/null").c_str()), 0);
  struct RemoveUser {
    std::string name;
    ~RemoveUser() { (void)!std::system(("userdel -r -f " + name + " >/dev/null 2>&1").c_str()); }
  } removeUser{user};
  fs::copy_file(TRESSVALE_X11_BINARY, home + "/tressvale");
  std::ofstream(home + "/.xscreensaver")
      << "mode: one\nselected: 0\nlock: False\nfade: False\nunfade: False\nsplash: False\n"
         "programs: \"Tressvale\" " << home << "/tressvale --root \\n\n";
  ASSERT_EQ(std::system(("chown -R " + user + " " + home).c_str()), 0);
  XServer server;
  const std::string as = "runuser -u " + user + " -- env -i HOME=" + home +
                         " PATH=/usr/bin:/bin DISPLAY=" + server.name + " ";
  auto command = [&](const std::string& what) {
    return Process(Words(as + "xscreensaver-command " + what)).Wait(10);
  };
  // A zombie counts as gone.
  const std::string saverRuns = "pgrep -u " + user + " -r R,S,D,T -x tressvale >/dev/null";
  Process daemon(Words(as + "xscreensaver --no-splash"));
  Sleep(2);
  ASSERT_EQ(command("-activate"), 0) << daemon.Errors();
  Sleep(3);
  ASSERT_EQ(std::system(saverRuns.c_str()), 0) << "no saver started\n" << daemon.Errors();
  const Window root = DefaultRootWindow(server.display);
  EXPECT_GT(LitShare(Grab(server.display, root), true), 0.01);
  ASSERT_EQ(command("-deactivate"), 0);
  Sleep(1);
  EXPECT_NE(std::system(saverRuns.c_str()), 0) << "still running a second after the stop";
  EXPECT_LT(LitShare(Grab(server.display, root)), 0.001);
}

}  // namespace
}  // namespace tv::x11test
