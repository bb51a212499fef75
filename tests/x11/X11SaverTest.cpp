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
#include <functional>
#include <iterator>
#include <optional>
#include <random>
// GCC 12 with the sanitizers: a false -Wmaybe-uninitialized inside libstdc++'s regex automaton.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <regex>
#pragma GCC diagnostic pop
#include <sstream>
#include <thread>
#include <utility>

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

// Parses a command line given as one string of words; '_' stands for a space inside a word.
bool Parse(const std::string& line, X11Options& o, std::string& error) {
  std::istringstream in("tressvale " + line);
  std::vector<std::string> words{std::istream_iterator<std::string>(in), {}};
  std::vector<const char*> argv;
  for (std::string& w : words) std::replace(w.begin(), w.end(), '_', ' ');
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
      {"--window-id 0x400EE5 -root -delay 33000", "window 400ee5 1280x720 33000"},
      {"--fullscreen -window", "full 0 1280x720 10000"},
      {"-window -geometry 320x200+10+20", "own 0 320x200 10000"},
      // The largest values are still taken.
      {"-window-id 0xFFFFFFFF -seed 4294967295 -delay 10000000 -frames 100000000",
       "window ffffffff 1280x720 10000000"},
      {"-knots 50 --u-min 0", "own 0 1280x720 10000 knots=20 u-min=0.10000000000000001 warned 2"},
      {"-knots 0", "own 0 1280x720 10000 knots=1 warned 1"},
      {"-u-max 2.34", "own 0 1280x720 10000 u-max=2.3000000000000003"},  // as the dialog: 23 x 0.1
      {"-v-min -5 -v-max 51", "own 0 1280x720 10000 v-min=3 v-max=50 warned 2"},
      {"-x-min 200 -x-max 20", "own 0 1280x720 10000 x-min=200 x-max=200"},
      {"-wire 0 -point 0 -triangle 0 -quad 0 -half-u 0 -half-v 0 -blended 0 -smooth 0",
       "own 0 1280x720 10000 wire=0 point=0 triangle=0 quad=0 half-u=0 half-v=0 blended=0 "
       "smooth=1"},
  };
  for (const auto& c : cases) EXPECT_EQ(Outcome(c.args), c.outcome) << c.args;
  for (const char* args :
       {"--window-id", "--window-id 0", "--window-id xyz", "--window-id -1", "--root --fullscreen",
        "-geometry 0x10", "-geometry +5+5", "-delay -1", "--seed 4294967296", "--frames 0",
        "--snapshot a.png", "--bogus", "-knots two", "-u-min nan", "-wire", "root", "-seed +1",
        "-window-id 0x10000050d", "-window-id 99999999999999999999", "-delay _5", "-delay _-1",
        "-window-id _-18446744073709550323", "-frames _-18446744073709551615", "-seed _-1"}) {
    EXPECT_EQ(Outcome(args), "refused") << args;
  }
}

// The daemon's settings program passes what the description file names: every slider must be
// accepted at both ends without a warning, and its default must be the record's.
TEST(X11Options, DescriptionFileMatchesTheOptions) {
  // xmllint comes with the test machine's packages (libxml2-utils); without it nothing validates
  // the file, so its absence fails rather than passing unseen.
  if (std::system("command -v xmllint >/dev/null 2>&1") != 0)
    ADD_FAILURE() << "xmllint missing (libxml2-utils): the description file is not validated";
  else
    EXPECT_EQ(std::system(("xmllint --noout " + std::string(TRESSVALE_XML)).c_str()), 0);
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

// Within this an awaited event must come, and over this an unwanted one must stay away.
constexpr double kBound = 10;

// Whether the condition came to hold within the seconds (looked at every 50 ms).
bool WaitFor(double seconds, const std::function<bool()>& holds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (; !holds(); std::this_thread::sleep_for(std::chrono::milliseconds(50))) {
    if (std::chrono::steady_clock::now() >= end) return false;
  }
  return true;
}

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
    WaitFor(seconds, [&] {
      int status = 0;
      if (!code && pid > 0 && waitpid(pid, &status, WNOHANG) == pid) {
        code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      return code.has_value();
    });
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
    // Xvfb writes the display number and a newline once it accepts clients.
    if (WaitFor(30, [&] { return (name = ":" + xvfb.Output()).back() == '\n'; })) {
      name.pop_back();
      display = XOpenDisplay(name.c_str());
    }
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

// The saver's command (checked: the leak-checked build), with an empty settings store and the
// variables given.
std::string Saver(const std::string& display, const std::string& args, const std::string& env = "",
                  bool checked = false) {
  return "env DISPLAY=" + display + " XDG_CONFIG_HOME=/nonexistent " + env + " " +
         (checked ? TRESSVALE_X11_CHECKED_BINARY : TRESSVALE_X11_BINARY) + " " + args;
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

// The text with each `from` in it shown as `to`.
std::string Shown(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
    text.replace(at, from.size(), to);
  }
  return text;
}

class X11Saver : public ::testing::Test {
  void SetUp() override {
    if (std::system("command -v Xvfb >/dev/null 2>&1")) GTEST_SKIP() << "SKIP X11Saver: no Xvfb";
    fs::create_directories(kTemp);
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });  // a window may go while looked at
  }
  void TearDown() override { fs::remove_all(kTemp); }
};

// One run on a server of its own, so that the runs go side by side.
enum Made { NoWindow, Plain, Depthless };
enum End { Exits, Finishes, Term, StopContinue, DestroyWindow, KillServer, Input, Unfocus, Close };
struct Run {
  const char *name, *args, *env;
  Made window;  // made for the run; its id ends the arguments
  End end;      // Exits: leak-checked, draws nothing; from Input on: in the saver's own window
  int code;
  const char* says;          // all its errors, less "tressvale: ", the usage shown as <usage>
  const char* input = "";    // what the user does to end it, in xdotool's words
  const char* ignored = "";  // what the user does first, which must not end it
  const char* xvfb = "";     // the server's options
};
void PrintTo(const Run& run, std::ostream* out) { *out << run.name; }
class X11SaverRuns : public X11Saver, public ::testing::WithParamInterface<Run> {};
const Run kRuns[] = {
    {"bogus", "-bogus", "", NoWindow, Exits, 2, "unknown option '-bogus'\n<usage>"},
    {"wrapped-id", "-window-id ' -18446744073709550323' -frames 2 -defaults", "", NoWindow, Exits,
     2, "-window-id needs a window id such as 0x2a00007\n<usage>"},
    {"no-daemon-window", "-root", "XSCREENSAVER_WINDOW=0x7777777", NoWindow, Exits, 1,
     "there is no window 0x7777777\n"},
    // Not a window id (as -window-id refuses it): the root, as when the variable is unset.
    {"wide-daemon-window", "-root -frames 2", "XSCREENSAVER_WINDOW=0x10000050d", NoWindow, Finishes,
     0, "XSCREENSAVER_WINDOW='0x10000050d' is not a window id; using the root\n"},
    {"no-glx", "-frames 3", "", NoWindow, Exits, 1,
     "Can't Find A Suitable PixelFormat.\nError - cannot start OpenGL\n", "", "", "-extension GLX"},
    {"no-display", "-frames 3", "DISPLAY=:65000", NoWindow, Exits, 1,
     "cannot open the X display (is DISPLAY set?)\n"},
    {"unwritable-store", "-save-settings -knots 3", "XDG_CONFIG_HOME=/dev/null", NoWindow, Exits, 1,
     "the settings could not be stored\n"},
    {"unwritable-snapshot", "-frames 2 -snapshot /dev/null/a.png", "", NoWindow, Finishes, 1,
     "cannot write /dev/null/a.png: Not a directory\n"},
    {"root", "-root", "", NoWindow, Term, 0, ""},
    {"depthless-stopped-resized", "-window-id", "", Depthless, StopContinue, 0,
     "window <window> has no depth buffer or no double buffering; drawing in a child window that "
     "has both\n"},
    {"preview-destroyed", "--root --window-id", "", Plain, DestroyWindow, 0, ""},
    {"server-killed", "--root --window-id", "", Plain, KillServer, 1, "the X server went away\n"},
    // 3 px, then back to 4 px from the start.
    {"full-moved", "-fullscreen", "", NoWindow, Input, 0, "", "mousemove_relative 8 6",
     "mousemove_relative 2 1 mousemove_relative -- -4 -3"},
    {"full-key", "-fullscreen", "", NoWindow, Input, 0, "", "key space"},
    {"full-button", "-fullscreen", "", NoWindow, Input, 0, "", "click 1"},
    {"full-unfocused", "-fullscreen", "", NoWindow, Unfocus, 0, ""},
    // The own window covers the pointer at the screen's centre.
    {"own-escape", "-geometry 400x300", "", NoWindow, Input, 0, "", "key Escape",
     "key space click 1 mousemove_relative 40 30"},
    {"own-q", "-window -geometry 400x300", "", NoWindow, Input, 0, "", "key q"},
    {"own-closed", "-geometry 400x300", "", NoWindow, Close, 0, ""}};
INSTANTIATE_TEST_SUITE_P(X11Saver, X11SaverRuns, ::testing::ValuesIn(kRuns));

// It refuses at once with its code and words, closing what it opened (the leak-checked build
// reports anything left); or it draws knots where it is told and ends as the event asks, leaving
// nothing drawn behind. Stopped, it draws nothing; continued, it goes on. A depth-less window's
// child follows the window's size. Full screen ends on a key, a button, a move beyond 4 pixels
// (|dx| + |dy|) from where the pointer was at start, or losing the focus; the own window on
// Escape, q or the window manager's close.
TEST_P(X11SaverRuns, AndEndsAsAsked) {
  const auto& c = GetParam();
  XServer server(c.xvfb);
  Display* d = server.display;
  Window window = c.window ? MakeWindow(d, c.window == Depthless) : 0;
  const std::string id = window ? " " + std::to_string(window) : "";
  Process saver(Saver(server.name, std::string("-seed 3 ") + c.args + id, c.env, c.end == Exits));
  if (c.end > Finishes) {
    ASSERT_TRUE(WaitFor(30, [&] {
      if (!window) window = c.end >= Input ? SaverWindow(server, saver.pid) : DefaultRootWindow(d);
      return LitShare(Grab(d, window)) > 0.01;
    })) << "nothing drawn " << saver.Errors();
  }
  if (c.end == StopContinue) {
    kill(saver.pid, SIGSTOP);
    headless::Image paused;  // once two grabs agree: the server has shown all sent before the stop
    ASSERT_TRUE(WaitFor(kBound, [&] {
      const headless::Image now = Grab(d, window);
      return std::exchange(paused, now).rgba == now.rgba;
    }));
    const auto drawn = [&] { return Grab(d, window).rgba != paused.rgba; };
    EXPECT_FALSE(WaitFor(kBound, drawn)) << "drew while stopped";
    kill(saver.pid, SIGCONT);
    EXPECT_TRUE(WaitFor(kBound, drawn)) << "frozen after SIGCONT";
    XResizeWindow(d, window, 400, 300);
    XFlush(d);
    const std::string children = "xwininfo -children -id " + std::to_string(window);
    EXPECT_TRUE(WaitFor(kBound, [&] { return server.Run(children).find(" 400x300+0+0") != -1ul; }));
  }
  if (*c.ignored) {
    server.Run(std::string("xdotool ") + c.ignored);
    EXPECT_EQ(saver.Wait(kBound), std::nullopt) << "ended by " << c.ignored;
  }
  if (*c.input) server.Run(std::string("xdotool ") + c.input);
  if (c.end == Unfocus) XSetInputFocus(d, DefaultRootWindow(d), RevertToNone, CurrentTime);
  if (c.end == Close) {  // as a window manager does
    const long closing = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    XEvent e = {.xclient = {ClientMessage, 0, False, d, window,
                            XInternAtom(d, "WM_PROTOCOLS", False), 32, {.l = {closing}}}};
    XSendEvent(d, window, False, NoEventMask, &e);
  }
  if (c.end == DestroyWindow) XDestroyWindow(d, window);
  if (c.end == KillServer) server.Kill();
  if (c.end == Term || c.end == StopContinue) kill(saver.pid, SIGTERM);
  if (server.display) XSync(server.display, False);
  EXPECT_EQ(saver.Wait(c.end <= Finishes ? 60 : kBound), c.code);
  const std::string made = (std::ostringstream() << "0x" << std::hex << window).str();
  const std::string errors = Shown(Shown(saver.Errors(), "tressvale: ", ""), kX11Usage, "<usage>");
  EXPECT_EQ(Shown(errors, made, "<window>"), c.says);
  if (c.end == Term || c.end == StopContinue) {
    EXPECT_LT(LitShare(Grab(d, window)), 0.001) << "left drawn";
  }
}

// -save-settings stores the options given over what was stored (repaired as the dialog's OK does).
// Same seed, same frames: a depth-less window's picture is a proper window's, not inside out; with
// -fps only the lower left corner differs. What is stored reaches every run without -defaults:
// with no knots (a record the options cannot make) tressvale-render and the saver draw black.
TEST_F(X11Saver, SnapshotsAndStoredSettings) {
  const std::string store = "XDG_CONFIG_HOME=" + kTemp.string();
  for (const char* args : {"-save-settings -knots 7 -u-max 4.5", "--save-settings --x-min 120"}) {
    EXPECT_EQ(Process(Saver("", args, store)).Wait(10), 0) << args;
  }
  SaverSettings expected = DefaultSettings();
  expected.knotCount = 7;
  expected.uMax = 45 * 0.1;
  expected.spinXMin = expected.spinXMax = 120;
  auto bytes = SettingsToBytes(expected);
  EXPECT_EQ(ReadFile(kTemp / "Pervik/Tressvale/data1"), std::string(bytes.begin(), bytes.end()));
  expected.knotCount = 0;
  bytes = SettingsToBytes(expected);
  std::ofstream(kTemp / "Pervik/Tressvale/data1").write(reinterpret_cast<char*>(&bytes[0]), 96);
  XServer server;
  const Window window = MakeWindow(server.display, true);
  ASSERT_NE(window, 0u) << "no depth-less GLX visual";
  const std::string runs[5] = {
      "env " + store + " " TRESSVALE_RENDER_BINARY " --size 320x240 --seed 5 --at 3500 --png ",
      "-geometry 320x240", "-window-id " + std::to_string(window), "-geometry 320x240 -fps",
      "-geometry 320x240"};
  headless::Image shots[5];
  for (int i = 0; i < 5; ++i) {
    const std::string png = (kTemp / (std::to_string(i) + ".png")).string();
    const std::string shot = runs[i] + " -seed 5 -frames 350 -snapshot " + png;
    const std::string command = i ? Saver(server.name, shot, i == 4 ? store : "") : runs[0] + png;
    ASSERT_EQ(Process(command).Wait(60), 0) << command;
    std::string error;
    ASSERT_TRUE(headless::ReadPng(png, shots[i], error)) << error;
  }
  EXPECT_EQ(LitShare(shots[0]), 0) << "tressvale-render drew knots";
  EXPECT_EQ(LitShare(shots[4]), 0) << "the saver drew knots";
  EXPECT_GT(LitShare(shots[1]), 0.05);
  EXPECT_EQ(shots[1].rgba, shots[2].rgba);
  EXPECT_NE(shots[1].rgba, shots[3].rgba) << "no frame rate shown";
  for (int y = 170; y < 240; ++y) std::copy_n(shots[1].At(0, y), 240 * 4, shots[3].At(0, y));
  EXPECT_EQ(shots[1].rgba, shots[3].rgba) << "the frame rate shown outside its corner";
}

// Debian's daemon, run by a throw-away user (it refuses to start savers as root) whose
// ~/.xscreensaver lists the saver: activated, it shows lit coloured knots; deactivated, the saver
// goes and nothing is left drawn.
TEST_F(X11Saver, RunsUnderTheDaemon) {
  if (geteuid() != 0 || std::system("command -v xscreensaver >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "SKIP X11Saver.RunsUnderTheDaemon: needs xscreensaver and root (to add a user)";
  }
  // A name no other run holds: useradd refuses one that exists, or while another holds its lock.
  std::string user;
  std::mt19937 random(std::random_device{}());
  ASSERT_TRUE(WaitFor(30, [&] {
    user = "tvtest" + std::to_string(random() % 1000000000);
    return std::system(("useradd -m -s /bin/sh " + user + " >/dev/null 2>&1").c_str()) == 0;
  }));
  struct RemoveUser {
    std::string command;
    ~RemoveUser() { WaitFor(30, [&] { return std::system(command.c_str()) == 0; }); }
  } removeUser{"userdel -r -f " + user + " >/dev/null 2>&1"};
  const std::string home = "/home/" + user;
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
  const auto root = [&] { return Grab(server.display, DefaultRootWindow(server.display)); };
  Process daemon(as + "xscreensaver --no-splash");
  const auto activate = [&] { return Process(as + "xscreensaver-command -activate").Wait(9) == 0; };
  ASSERT_TRUE(WaitFor(30, activate)) << "no answer from the daemon\n" << daemon.Errors();
  const auto knots = [&] { return !std::system(saverRuns.c_str()) && LitShare(root(), 1) > 0.01; };
  EXPECT_TRUE(WaitFor(30, knots)) << "no lit coloured knots\n" << daemon.Errors();
  ASSERT_EQ(Process(as + "xscreensaver-command -deactivate").Wait(10), 0);
  EXPECT_TRUE(WaitFor(kBound, [&] { return std::system(saverRuns.c_str()) != 0; })) << "still runs";
  EXPECT_LT(LitShare(root()), 0.001) << "left drawn";
}

}  // namespace
}  // namespace tv::x11
