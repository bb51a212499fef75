// The X11 saver: its options, then the program on real X servers (Xvfb, one for each case) and
// under the real screen-saver daemon. Every wait is bounded; only processes started here are
// stopped, by their ids.
#include <gtest/gtest.h>
// After gtest: X11 defines None and Bool as macros.
#include <GL/glx.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
// GCC 12 with the sanitizers: a false -Wmaybe-uninitialized inside libstdc++'s regex automaton.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <regex>
#pragma GCC diagnostic pop
#include <sstream>
#include <thread>

#include "PngWriter.h"
#include "X11Options.h"

namespace tv::x11 {
namespace {

namespace fs = std::filesystem;
const fs::path kTemp = fs::temp_directory_path() / ("tressvale-" + std::to_string(getpid()));

std::string ReadFile(const fs::path& path) {
  std::stringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

// Parses a command line given as one string of words.
bool Parse(const std::string& line, X11Options& o, std::string& error) {
  std::istringstream in("tressvale " + line);
  const std::vector<std::string> words{std::istream_iterator<std::string>(in), {}};
  std::vector<const char*> argv;
  for (const std::string& w : words) argv.push_back(w.c_str());
  return ParseX11Options(static_cast<int>(argv.size()), argv.data(), o, error);
}

// Where and how the saver would run, then each setting given as the record holds it once
// applied, and the number of warnings, in one line; "refused" when refused with a reason.
std::string Outcome(const std::string& args) {
  X11Options o;
  std::string error;
  if (!Parse(args, o, error)) return error.empty() ? "refused without a reason" : "refused";
  SaverSettings record = DefaultSettings();
  ApplySettingOptions(o, record);
  const char* targets[] = {"own", "full", "root", "window"};
  std::ostringstream line;
  line.precision(17);
  line << targets[static_cast<int>(o.target)] << " " << std::hex << o.windowId << std::dec << " "
       << o.width << "x" << o.height << " " << o.delayUs << (o.showFps ? " fps" : "");
  for (const auto& [option, value] : o.settings) {
    line << " " << option->name << "=" << SettingValue(record, *option);
  }
  if (!o.warnings.empty()) line << " warned " << o.warnings.size();
  return line.str();
}

// Settings are brought within the dialog's ranges with a warning, then repaired as its OK does:
// maxima raised to their minima, no style weight at all gives Smooth one.
TEST(X11Options, TargetsSettingsAndRefusals) {
  const struct {
    const char *args, *outcome;
  } cases[] = {
      {"", "own 0 1280x720 10000"},
      {"-root -fps", "root 0 1280x720 10000 fps"},
      // The settings program's preview: the window id wins over -root.
      {"--root --window-id 0x400EE5", "window 400ee5 1280x720 10000"},
      {"-window-id 12 -root -delay 33000", "window c 1280x720 33000"},
      {"--fullscreen -window", "full 0 1280x720 10000"},
      {"-window -geometry 320x200+10+20", "own 0 320x200 10000"},
      // The largest values are still taken.
      {"-window-id 0xFFFFFFFF -seed 4294967295 -delay 10000000 -frames 100000000",
       "window ffffffff 1280x720 10000000"},
      {"-knots 50", "own 0 1280x720 10000 knots=20 warned 1"},
      {"-knots 0", "own 0 1280x720 10000 knots=1 warned 1"},
      {"--u-min 0", "own 0 1280x720 10000 u-min=0.10000000000000001 warned 1"},
      {"-u-max 2.34", "own 0 1280x720 10000 u-max=2.3000000000000003"},  // as the dialog: 23 x 0.1
      {"-v-min -5 -v-max 51", "own 0 1280x720 10000 v-min=3 v-max=50 warned 2"},
      {"-x-min 200 -x-max 20", "own 0 1280x720 10000 x-min=200 x-max=200"},
      {"-wire 0 -point 0 -triangle 0 -quad 0 -half-u 0 -half-v 0 -blended 0 -smooth 0",
       "own 0 1280x720 10000 wire=0 point=0 triangle=0 quad=0 half-u=0 half-v=0 blended=0 "
       "smooth=1"},
  };
  for (const auto& c : cases) EXPECT_EQ(Outcome(c.args), c.outcome) << c.args;
  for (const char* args :
       {"--window-id", "--window-id 0", "--window-id xyz", "--root --fullscreen", "-geometry 0x10",
        "-geometry +5+5", "-delay -1", "--seed 4294967296", "--frames 0", "--snapshot a.png",
        "--bogus", "-knots two", "-u-min nan", "-wire", "root"}) {
    EXPECT_EQ(Outcome(args), "refused") << args;
  }
}

// The daemon's settings program passes what the description file names: every slider must be
// accepted at both ends without a warning, and its default must be the record's.
TEST(X11Options, DescriptionFileMatchesTheOptions) {
  if (std::system("command -v xmllint >/dev/null 2>&1") == 0) {
    EXPECT_EQ(std::system(("xmllint --noout " + std::string(TRESSVALE_XML)).c_str()), 0);
  }
  const std::string xml = ReadFile(TRESSVALE_XML);
  const std::regex number(
      R"re(<number[^>]*arg="(-[a-z-]+) %"[^>]*low="([^"]+)" high="([^"]+)" default="([^"]+)")re");
  std::string ends[3];  // every slider at its low end, at its high end, at its default
  for (auto m = std::sregex_iterator(xml.begin(), xml.end(), number); m != std::sregex_iterator();
       ++m) {
    for (int i : {0, 1, 2}) ends[i] += " " + (*m)[1].str() + " " + (*m)[i + 2].str();
  }
  X11Options o[3];
  std::string error;
  for (int i : {0, 1, 2}) {
    EXPECT_TRUE(Parse(ends[i], o[i], error) && o[i].warnings.empty()) << ends[i];
  }
  ASSERT_EQ(o[2].settings.size(), 22u);
  for (const auto& [option, value] : o[2].settings) {
    EXPECT_EQ(SettingValue(DefaultSettings(), *option), value) << option->name;
  }
  EXPECT_EQ(o[2].delayUs, X11Options().delayUs);
}

void Sleep(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

// A shell command run by exec in a process group of its own, its output and errors kept in files.
// If it still runs when this goes, its group is stopped (TERM, then KILL).
struct Process {
  explicit Process(const std::string& command) {
    static int count = 0;
    files = (kTemp / std::to_string(++count)).string();
    const std::string line = "exec " + command + " >" + files + ".out 2>" + files + ".err";
    if ((pid = fork()) != 0) return;
    setpgid(0, 0);
    execl("/bin/sh", "sh", "-c", line.c_str(), nullptr);
    _exit(127);
  }
  Process(const Process&) = delete;
  ~Process() {
    if (pid <= 0 || Wait(0)) return;
    kill(-pid, SIGTERM);
    if (Wait(2)) return;
    kill(-pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  // The exit code (128 + n after signal n) once it has ended within the time; none if it runs.
  std::optional<int> Wait(double seconds) {
    if (pid <= 0) return code;
    for (int status = 0, ticks = static_cast<int>(seconds * 50); !code && ticks-- >= 0;) {
      if (waitpid(pid, &status, WNOHANG) == pid) {
        code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      } else if (ticks >= 0) {
        Sleep(0.02);
      }
    }
    return code;
  }
  std::string Output() const { return ReadFile(files + ".out"); }
  std::string Errors() const { return ReadFile(files + ".err"); }

  pid_t pid = -1;
  std::optional<int> code;
  std::string files;
};

// An Xvfb on a display of its own (-displayfd), 640x480, black root; and the test's connection.
struct XServer {
  explicit XServer(const std::string& options = "")
      : xvfb("Xvfb -screen 0 640x480x24 -nolisten tcp -br -displayfd 1 " + options) {
    // Xvfb writes the display number and a newline once it accepts clients (within 10 s).
    for (int i = 0; i < 500 && name.find('\n') == std::string::npos; ++i) {
      Sleep(0.02);
      name = ":" + xvfb.Output();
    }
    const size_t end = name.find('\n');
    display = end != std::string::npos ? XOpenDisplay(name.erase(end).c_str()) : nullptr;
  }
  ~XServer() { if (display) XCloseDisplay(display); }
  void Kill() {  // the server dies under its clients
    kill(xvfb.pid, SIGKILL);
    xvfb.Wait(5);
    display = nullptr;  // the connection is dead; Xlib must not touch it again
  }
  // An X client run to its end (10 s at most); what it printed.
  std::string Run(const std::string& command) {
    Process client("env DISPLAY=" + name + " " + command);
    client.Wait(10);
    return client.Output();
  }
  Process xvfb;
  std::string name;
  Display* display = nullptr;
};

// The saver (checked: the leak-checked build) with an empty settings store and the variables given.
Process Saver(const std::string& display, const std::string& args, const std::string& env = "",
           bool checked = false) {
  return Process("env DISPLAY=" + display + " XDG_CONFIG_HOME=/nonexistent " + env + " " +
                 (checked ? TRESSVALE_X11_CHECKED_BINARY : TRESSVALE_X11_BINARY) + " " + args);
}

// The window's pixels as the server keeps them (32 bits each, blue first): enough for shares of
// lit pixels and for comparing pictures.
headless::Image Grab(Display* display, Window window) {
  XWindowAttributes a;
  XImage* x = XGetWindowAttributes(display, window, &a)
                  ? XGetImage(display, window, 0, 0, a.width, a.height, AllPlanes, ZPixmap)
                  : nullptr;
  if (!x) return {};
  headless::Image image(a.width, a.height);
  std::copy_n(x->data, image.rgba.size(), image.rgba.begin());
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

// A mapped 320x240 window with a black background and a double-buffered GLX visual with a depth
// buffer or (depthless) without one; 0 if the server has no such visual.
Window MakeWindow(Display* display, bool depthless) {
  int wanted[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, depthless ? 0 : 16, None}, depth = 0;
  XVisualInfo* visual = glXChooseVisual(display, DefaultScreen(display), wanted);
  if (!visual || glXGetConfig(display, visual, GLX_DEPTH_SIZE, &depth) ||
      (depth == 0) != depthless) {
    return 0;
  }
  const Window root = DefaultRootWindow(display);
  XSetWindowAttributes set = {};
  set.colormap = XCreateColormap(display, root, visual->visual, AllocNone);
  const Window w = XCreateWindow(display, root, 0, 0, 320, 240, 0, visual->depth, InputOutput,
                                 visual->visual, CWBackPixel | CWBorderPixel | CWColormap, &set);
  XFree(visual);
  XMapWindow(display, w);
  XSync(display, False);
  return w;
}

// The saver's top-level window, found by its _NET_WM_PID, if it is named tressvale/Tressvale.
Window SaverWindow(XServer& server, pid_t pid) {
  const Window w = std::stoul("0" + server.Run("xdotool search --pid " + std::to_string(pid)));
  const std::string named = server.Run("xprop -id " + std::to_string(w) + " WM_CLASS");
  return named == "WM_CLASS(STRING) = \"tressvale\", \"Tressvale\"\n" ? w : 0;
}

class X11Saver : public ::testing::Test {
  void SetUp() override {
    if (std::system("command -v Xvfb >/dev/null 2>&1") != 0) GTEST_SKIP() << "no Xvfb";
    fs::create_directories(kTemp);
  }
  void TearDown() override { fs::remove_all(kTemp); }
};

// One run on a server of its own, so that the runs go side by side.
enum Made { NoWindow, Plain, Depthless };
enum End { Exits, Term, StopContinueTerm, DestroyWindow, KillServer, Input };
struct Run {
  const char *name, *args, *env;
  Made window;  // made for the run; its id ends the arguments
  End end;
  int code;
  const char* says = "";   // in its errors
  const char* input = "";  // what the user does, in xdotool's words
  const char* xvfb = "";   // the server's options
};
void PrintTo(const Run& run, std::ostream* out) { *out << run.name; }
class X11SaverRuns : public X11Saver, public ::testing::WithParamInterface<Run> {};
const Run kRuns[] = {
    {"bogus", "-bogus", "", NoWindow, Exits, 2, "unknown option '-bogus'"},
    {"no-window", "-window-id 0x7777777", "", NoWindow, Exits, 1, "there is no window 0x7777777"},
    {"no-daemon-window", "-root", "XSCREENSAVER_WINDOW=0x7777777", NoWindow, Exits, 1,
     "there is no window 0x7777777"},
    {"no-glx", "-frames 3", "", NoWindow, Exits, 1,
     "Can't Find A Suitable PixelFormat.\ntressvale: Error - cannot start OpenGL\n", "",
     "-extension GLX"},
    {"no-display", "-frames 3", "DISPLAY=:65000", NoWindow, Exits, 1, "cannot open the X display"},
    {"root", "-root", "", NoWindow, Term, 0},
    {"depthless-stopped", "-window-id", "", Depthless, StopContinueTerm, 0},
    {"preview-destroyed", "--root --window-id", "", Plain, DestroyWindow, 0},
    {"server-killed", "--root --window-id", "", Plain, KillServer, 1, "the X server went away"},
    {"full-moved", "-fullscreen", "", NoWindow, Input, 0, "", "mousemove_relative 8 6"},
    {"full-key", "-fullscreen", "", NoWindow, Input, 0, "", "key space"},
    {"full-button", "-fullscreen", "", NoWindow, Input, 0, "", "click 1"}};
INSTANTIATE_TEST_SUITE_P(X11Saver, X11SaverRuns, ::testing::ValuesIn(kRuns));

// It refuses at once with its code and words, closing what it opened (the leak-checked build
// reports anything left); or it draws knots where it is told and ends as the event asks within a
// second, leaving nothing drawn behind. Stopped and continued, it goes on drawing. Full screen
// ends on a key, a button, or a move beyond 4 pixels (|dx| + |dy|) from where the pointer was at
// start.
TEST_P(X11SaverRuns, AndEndsAsAsked) {
  const auto& c = GetParam();
  XServer server(c.xvfb);
  Display* d = server.display;
  Window window = c.window ? MakeWindow(d, c.window == Depthless) : 0;
  const std::string id = window ? " " + std::to_string(window) : "";
  Process saver = Saver(server.name, std::string("-seed 3 ") + c.args + id, c.env, c.end == Exits);
  headless::Image drawn;
  if (c.end != Exits) {
    Sleep(2.5);
    if (!window) window = c.end == Input ? SaverWindow(server, saver.pid) : DefaultRootWindow(d);
    ASSERT_NE(window, 0u);
    drawn = Grab(d, window);
    EXPECT_GT(LitShare(drawn), 0.01);
  }
  if (c.end == StopContinueTerm) {
    kill(saver.pid, SIGSTOP);
    Sleep(1.0);
    EXPECT_EQ(Grab(d, window).rgba, Grab(d, window).rgba) << "drew while stopped";
    kill(saver.pid, SIGCONT);
    Sleep(0.5);
    EXPECT_NE(Grab(d, window).rgba, drawn.rgba) << "frozen after SIGCONT";
  }
  if (c.end == Input) {
    // 3 px, then back to 4 px from the start: neither ends it.
    server.Run("xdotool mousemove_relative 2 1 sleep 0.5 mousemove_relative -- -4 -3 sleep 0.5");
    EXPECT_EQ(saver.Wait(0), std::nullopt) << "ended by a move of 4 px or less";
    server.Run(std::string("xdotool ") + c.input);
  }
  if (c.end == DestroyWindow) XDestroyWindow(d, window);
  if (c.end == KillServer) server.Kill();
  if (c.end == Term || c.end == StopContinueTerm) kill(saver.pid, SIGTERM);
  if (server.display) XSync(server.display, False);
  EXPECT_EQ(saver.Wait(c.end == Exits ? 60 : 1), c.code);
  const std::string errors = saver.Errors();
  EXPECT_NE(errors.find(c.says), std::string::npos) << errors;
  EXPECT_EQ(errors.find("LeakSanitizer"), std::string::npos) << errors;
  EXPECT_EQ(errors.find("child window") != std::string::npos, c.window == Depthless) << errors;
  if (c.end == Term || c.end == StopContinueTerm) {
    EXPECT_LT(LitShare(Grab(d, window)), 0.001) << "left drawn";
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
    ASSERT_EQ(Saver(server.name, args[i] + " -seed 5 -frames 350 -snapshot " + png).Wait(60), 0);
    std::string error;
    ASSERT_TRUE(headless::ReadPng(png, shots[i], error)) << error;
  }
  EXPECT_GT(LitShare(shots[0]), 0.05);
  EXPECT_EQ(shots[0].rgba, shots[1].rgba);
  EXPECT_NE(shots[0].rgba, shots[2].rgba) << "no frame rate shown";
  for (int y = 170; y < 240; ++y) std::copy_n(shots[0].At(0, y), 240 * 4, shots[2].At(0, y));
  EXPECT_EQ(shots[0].rgba, shots[2].rgba) << "the frame rate shown outside its corner";
}

// -save-settings stores the options given over what was stored (repaired as the dialog's OK does),
// so later runs and the daemon's runs agree.
TEST_F(X11Saver, SaveSettingsKeepsWhatWasStored) {
  for (const char* args : {"-save-settings -knots 7 -u-max 4.5", "--save-settings --x-min 120"}) {
    Process save = Saver("", args, "XDG_CONFIG_HOME=" + kTemp.string());
    EXPECT_EQ(save.Wait(10), 0) << args << save.Errors();
  }
  SaverSettings expected = DefaultSettings();
  expected.knotCount = 7;
  expected.uMax = 45 * 0.1;
  expected.spinXMin = expected.spinXMax = 120;
  const auto bytes = SettingsToBytes(expected);
  EXPECT_EQ(ReadFile(kTemp / "Pervik/Tressvale/data1"), std::string(bytes.begin(), bytes.end()));
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
  // A zombie counts as gone.
  const std::string saverRuns = "pgrep -u " + user + " -r R,S,D,T -x tressvale >/dev/null";
  Process daemon(as + "xscreensaver --no-splash");
  Sleep(2);
  ASSERT_EQ(Process(as + "xscreensaver-command -activate").Wait(10), 0) << daemon.Errors();
  Sleep(3);
  ASSERT_EQ(std::system(saverRuns.c_str()), 0) << "no saver started\n" << daemon.Errors();
  const Window root = DefaultRootWindow(server.display);
  EXPECT_GT(LitShare(Grab(server.display, root), true), 0.01);
  ASSERT_EQ(Process(as + "xscreensaver-command -deactivate").Wait(10), 0);
  Sleep(1);
  EXPECT_NE(std::system(saverRuns.c_str()), 0) << "still running a second after the stop";
  EXPECT_LT(LitShare(Grab(server.display, root)), 0.001);
}

}  // namespace
}  // namespace tv::x11
