#include "XSupport.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace tv::x11test {

void SleepSeconds(double seconds) {
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

Process::Process(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
  static int count = 0;
  errors_ = (std::filesystem::temp_directory_path() /
             ("tressvale-test-" + std::to_string(getpid()) + "-" + std::to_string(++count) + ".err"))
                .string();
  pid_ = fork();
  if (pid_ != 0) return;
  setpgid(0, 0);
  for (const std::string& e : env) putenv(strdup(e.c_str()));
  if (!freopen(errors_.c_str(), "w", stderr) || !freopen("/dev/null", "w", stdout)) _exit(126);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  execvp(args[0], args.data());
  _exit(127);
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
  while (!code_ && pid_ > 0) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    } else if (std::chrono::steady_clock::now() >= end) {
      break;
    } else {
      SleepSeconds(0.02);
    }
  }
  return code_;
}

std::string Process::Errors() const {
  std::ifstream file(errors_);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

XServer::XServer(const std::vector<std::string>& extra) {
  int fds[2];
  if (pipe(fds) != 0) return;
  pid_ = fork();
  if (pid_ == 0) {
    close(fds[0]);
    std::vector<std::string> argv = {"Xvfb",   "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                     "640x480x24", "-nolisten", "tcp", "-br"};
    argv.insert(argv.end(), extra.begin(), extra.end());
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    if (!freopen("/dev/null", "w", stderr)) _exit(126);
    execvp("Xvfb", args.data());
    _exit(127);
  }
  close(fds[1]);
  // Xvfb writes the display number and a newline once it accepts clients.
  std::string number;
  char c;
  while (number.size() < 12 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  if (number.empty()) return;
  name_ = ":" + number;
  display_ = XOpenDisplay(name_.c_str());
}

void XServer::Kill() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
  display_ = nullptr;  // its connection is dead; Xlib must not touch it again
}

XServer::~XServer() {
  if (display_) XCloseDisplay(display_);
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

std::vector<std::string> SaverEnv(const XServer& server, std::vector<std::string> extra) {
  std::vector<std::string> env = {"DISPLAY=" + server.name(), "XDG_CONFIG_HOME=/nonexistent"};
  env.insert(env.end(), extra.begin(), extra.end());  // later entries win
  return env;
}

std::vector<std::string> SaverArgs(const std::string& args, bool checked) {
  std::vector<std::string> argv = {checked ? TRESSVALE_X11_CHECKED_BINARY : TRESSVALE_X11_BINARY};
  std::istringstream words(args);
  for (std::string w; words >> w;) argv.push_back(w);
  return argv;
}

std::pair<int, std::string> RunSaver(const XServer& server, const std::string& args,
                                     std::vector<std::string> env, bool checked) {
  Process saver(SaverArgs(args, checked), SaverEnv(server, std::move(env)));
  const int code = saver.Wait(60).value_or(-1);
  return {code, saver.Errors()};
}

headless::Image Grab(Display* display, Window window) {
  XWindowAttributes attributes;
  headless::Image image;
  if (!XGetWindowAttributes(display, window, &attributes)) return image;
  XImage* x = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                        static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
  if (!x) return image;
  image = headless::Image(attributes.width, attributes.height);
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
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const uint8_t* p = image.At(x, y);
      lit += (p[0] | p[1] | p[2]) > 24;
    }
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

Window MakeWindow(Display* display, int width, int height, XVisualInfo* visual) {
  const int screen = DefaultScreen(display);
  const Window root = RootWindow(display, screen);
  XSetWindowAttributes set = {};
  set.background_pixel = BlackPixel(display, screen);
  set.border_pixel = 0;
  set.colormap = XCreateColormap(display, root, visual ? visual->visual : DefaultVisual(display, screen),
                                 AllocNone);
  const Window w = XCreateWindow(display, root, 0, 0, static_cast<unsigned>(width),
                                 static_cast<unsigned>(height), 0,
                                 visual ? visual->depth : DefaultDepth(display, screen), InputOutput,
                                 visual ? visual->visual : DefaultVisual(display, screen),
                                 CWBackPixel | CWBorderPixel | CWColormap, &set);
  XMapWindow(display, w);
  XSync(display, False);
  return w;
}

XVisualInfo* DepthlessVisual(Display* display) {
  XVisualInfo wanted;
  wanted.screen = DefaultScreen(display);
  wanted.c_class = TrueColor;
  int count = 0;
  XVisualInfo* all = XGetVisualInfo(display, VisualScreenMask | VisualClassMask, &wanted, &count);
  XVisualInfo* found = nullptr;
  for (int i = 0; i < count && !found; ++i) {
    int gl = 0, depth = 1, rgba = 0;
    glXGetConfig(display, &all[i], GLX_USE_GL, &gl);
    glXGetConfig(display, &all[i], GLX_DEPTH_SIZE, &depth);
    glXGetConfig(display, &all[i], GLX_RGBA, &rgba);
    if (gl && rgba && depth == 0 && all[i].depth == 24) {
      found = static_cast<XVisualInfo*>(malloc(sizeof(XVisualInfo)));
      *found = all[i];
    }
  }
  if (all) XFree(all);
  return found;
}

Window FindSaverWindow(Display* display, pid_t pid) {
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  Window found = 0;
  if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return 0;
  const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", True);
  for (unsigned i = 0; i < count && !found; ++i) {
    Atom type;
    int format;
    unsigned long items, after;
    unsigned char* data = nullptr;
    XClassHint hint = {};
    if (pidAtom && XGetWindowProperty(display, children[i], pidAtom, 0, 1, False, XA_CARDINAL, &type,
                                      &format, &items, &after, &data) == Success &&
        data && items == 1 && *reinterpret_cast<long*>(data) == pid &&
        XGetClassHint(display, children[i], &hint)) {
      if (std::string(hint.res_name) == "tressvale" && std::string(hint.res_class) == "Tressvale") {
        found = children[i];
      }
    }
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    if (data) XFree(data);
  }
  if (children) XFree(children);
  return found;
}

}  // namespace tv::x11test
