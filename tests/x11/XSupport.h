// Real X servers and processes for the X11 saver's tests: an Xvfb per case, programs started
// and stopped by their own process ids, screenshots through XGetImage.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "PngWriter.h"

namespace tv::x11test {

// A program in its own process group, stderr kept in a file; killed (the group) if still running
// when destroyed.
class Process {
 public:
  // env: NAME=VALUE entries added to (or replacing in) this process's environment.
  Process(const std::vector<std::string>& argv, const std::vector<std::string>& env = {});
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  pid_t pid() const { return pid_; }
  // The exit code once it has ended within the given time; 128 + n after signal n; none if it
  // is still running.
  std::optional<int> Wait(double seconds);
  bool Running() { return !Wait(0).has_value(); }
  std::string Errors() const;

 private:
  pid_t pid_ = -1;
  std::optional<int> code_;
  std::string errors_;
};

// An Xvfb on a display of its own (-displayfd), black root window.
class XServer {
 public:
  explicit XServer(const std::vector<std::string>& extra = {});
  ~XServer();
  const std::string& name() const { return name_; }  // ":N", empty if it did not start
  Display* display() const { return display_; }     // the test's own connection
  void Kill();                                      // the server dies under its clients

 private:
  pid_t pid_ = -1;
  std::string name_;
  Display* display_ = nullptr;
};


// The saver on a display with an empty settings store, its arguments split at spaces.
std::vector<std::string> SaverEnv(const XServer& server, std::vector<std::string> extra = {});
// checked: the leak-checked build (Mesa's own leaks make it unfit once GL runs).
std::vector<std::string> SaverArgs(const std::string& args, bool checked = false);

// Runs the saver to its end (at most 60 s): the exit code and standard error.
std::pair<int, std::string> RunSaver(const XServer& server, const std::string& args,
                                     std::vector<std::string> env = {}, bool checked = false);

headless::Image Grab(Display* display, Window window);
double LitShare(const headless::Image& image);
// Share of pixels that differ by more than 8 in a channel.
double DifferentShare(const headless::Image& a, const headless::Image& b);

// A window with the given visual (null: the default), mapped, black background.
Window MakeWindow(Display* display, int width, int height, XVisualInfo* visual = nullptr);
// A GLX visual without a depth buffer, if the server has one.
XVisualInfo* DepthlessVisual(Display* display);
// The top-level window whose _NET_WM_PID is pid and whose WM_CLASS is tressvale/Tressvale.
Window FindSaverWindow(Display* display, pid_t pid);

void SleepSeconds(double seconds);

}  // namespace tv::x11test
