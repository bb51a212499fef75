// Real X servers and processes for the X11 saver's tests: an Xvfb per case, programs started
// and stopped by their own process ids, screenshots through XGetImage.
#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "PngWriter.h"

namespace tv::x11test {

// A program in a process group of its own, stderr kept in a file; the group is killed if the
// program still runs when this goes.
class Process {
 public:
  // env: NAME=VALUE entries over this process's environment (later ones win).
  Process(const std::vector<std::string>& argv, const std::vector<std::string>& env);
  ~Process();
  pid_t pid() const { return pid_; }
  // The exit code (128 + n after signal n) once it has ended within the time; none if it runs.
  std::optional<int> Wait(double seconds);
  std::string Errors() const;

 private:
  pid_t pid_ = -1;
  std::optional<int> code_;
  std::string errors_;
};

// An Xvfb on a display of its own (-displayfd), 640x480, black root; and the test's connection.
class XServer {
 public:
  explicit XServer(const std::vector<std::string>& extra = {});
  ~XServer();
  const std::string& name() const { return name_; }
  Display* display() const { return display_; }
  void Kill();  // the server dies under its clients

 private:
  pid_t pid_ = -1;
  std::string name_;
  Display* display_ = nullptr;
};

// The saver (checked: the leak-checked build) on the server with an empty settings store; args
// are split at spaces.
std::unique_ptr<Process> StartSaver(const XServer& server, const std::string& args,
                                    std::vector<std::string> env = {}, bool checked = false);

headless::Image Grab(Display* display, Window window);
double LitShare(const headless::Image& image);
// Share of pixels that differ by more than 8 in a channel.
double DifferentShare(const headless::Image& a, const headless::Image& b);
// A mapped 320x240 window with a black background and the default visual, or (depthless) a GLX
// visual with double buffering but no depth buffer; 0 if the server has none.
Window MakeWindow(Display* display, bool depthless);
// The top-level window with WM_CLASS tressvale/Tressvale and _NET_WM_PID pid.
Window FindSaverWindow(Display* display, pid_t pid);
void SleepSeconds(double seconds);

}  // namespace tv::x11test
