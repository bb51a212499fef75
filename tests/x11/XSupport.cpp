#include "XSupport.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace tv::x11test {

void SleepSeconds(double seconds) {
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

namespace {

[[noreturn]] void Exec(std::vector<std::string> argv) {
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  execvp(args[0], args.data());
  _exit(127);
}

}  // namespace

Process::Process(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
  static int count = 0;
  errors_ = std::filesystem::temp_directory_path() /
            ("tressvale-" + std::to_string(getpid()) + "-" + std::to_string(++count) + ".err");
  pid_ = fork();
  if (pid_ != 0) return;
  setpgid(0, 0);
  for (const std::string& e : env) putenv(strdup(e.c_str()));
  if (!freopen(errors_.c_str(), "w", stderr) || !freopen("/dev/null", "w", stdout)) _exit(126);
  Exec(argv);
}

Process::~Process() {
  if (pid_ > 0 && !code_) {
    kill(-pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  std::filesystem::remove(errors_);
}

std::optional<int> Process::Wait(double seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (int status = 0; !code_ && pid_ > 0; SleepSeconds(0.02)) {
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    } else if (std::chrono::steady_clock::now() >= end) {
      break;
    }
  }
  return code_;
}

std::string Process::Errors() const {
  std::stringstream text;
  text << std::ifstream(errors_).rdbuf();
  return text.str();
}

XServer::XServer(const std::vector<std::string>& extra) {
  int fds[2];
  if (pipe(fds) != 0) return;
  pid_ = fork();
  if (pid_ == 0) {
    close(fds[0]);
    std::vector<std::string> argv = {"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                     "640x480x24", "-nolisten", "tcp", "-br"};
    argv.insert(argv.end(), extra.begin(), extra.end());
    if (!freopen("/dev/null", "w", stderr)) _exit(126);
    Exec(argv);
  }
  close(fds[1]);
  // Xvfb writes the display number and a newline once it accepts clients.
  std::string number;
  for (char c; number.size() < 12 && read(fds[0], &c, 1) == 1 && c != '\n';) number += c;
  close(fds[0]);
  if (number.empty()) return;
  name_ = ":" + number;
  display_ = XOpenDisplay(name_.c_str());
}

void XServer::Kill() {
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
  display_ = nullptr;  // the connection is dead; Xlib must not touch it again
}

XServer::~XServer() {
  if (display_) XCloseDisplay(display_);
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

std::unique_ptr<Process> StartSaver(const XServer& server, const std::string& args,
                                    std::vector<std::string> env, bool checked) {
  std::vector<std::string> argv = {checked ? TRESSVALE_X11_CHECKED_BINARY : TRESSVALE_X11_BINARY};
  std::istringstream words(args);
  for (std::string w; words >> w;) argv.push_back(w);
  env.insert(env.begin(), {"DISPLAY=" + server.name(), "XDG_CONFIG_HOME=/nonexistent"});
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
      uint8_t* out = image.At(px, y);
      out[0] = static_cast<uint8_t>(p >> 16);
      out[1] = static_cast<uint8_t>(p >> 8);
      out[2] = static_cast<uint8_t>(p);
    }
  }
  XDestroyImage(x);
  return image;
}

double LitShare(const headless::Image& image) {
  long lit = 0;
  for (size_t i = 0; i < image.rgba.size(); i += 4) {
    lit += (image.rgba[i] | image.rgba[i + 1] | image.rgba[i + 2]) > 24;
  }
  return image.width ? static_cast<double>(lit) / (image.width * image.height) : 0;
}

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

Window MakeWindow(Display* display, bool depthless) {
  const int screen = DefaultScreen(display);
  XVisualInfo visual = {};
  visual.visual = DefaultVisual(display, screen);
  visual.depth = DefaultDepth(display, screen);
  if (depthless) {
    int count = 0;
    XVisualInfo* all = XGetVisualInfo(display, 0, nullptr, &count);
    bool found = false;
    for (int i = 0; i < count && !found; ++i) {
      int gl = 0, rgba = 0, doubleBuffer = 0, depth = 1;
      glXGetConfig(display, &all[i], GLX_USE_GL, &gl);
      glXGetConfig(display, &all[i], GLX_RGBA, &rgba);
      glXGetConfig(display, &all[i], GLX_DOUBLEBUFFER, &doubleBuffer);
      glXGetConfig(display, &all[i], GLX_DEPTH_SIZE, &depth);
      if ((found = gl && rgba && doubleBuffer && depth == 0 && all[i].depth == 24)) visual = all[i];
    }
    if (all) XFree(all);
    if (!found) return 0;
  }
  const Window root = RootWindow(display, screen);
  XSetWindowAttributes set = {};
  set.background_pixel = BlackPixel(display, screen);
  set.colormap = XCreateColormap(display, root, visual.visual, AllocNone);
  const Window w = XCreateWindow(display, root, 0, 0, 320, 240, 0, visual.depth, InputOutput,
                                 visual.visual, CWBackPixel | CWBorderPixel | CWColormap, &set);
  XMapWindow(display, w);
  XSync(display, False);
  return w;
}

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
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    if (data) XFree(data);
  }
  if (children) XFree(children);
  return found;
}

}  // namespace tv::x11test
