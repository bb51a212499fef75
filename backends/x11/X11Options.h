// Command line of the X11 saver.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tv::x11 {

enum class Target {
  OwnWindow,   // a window of our own (the default)
  FullScreen,  // our own window covering the screen; closes on input like a screen saver
  Root,        // draw on the root window (for a screen-saver daemon)
  ForeignWindow,  // draw into a window someone else made (a daemon or a preview)
};

struct X11Options {
  Target target = Target::OwnWindow;
  unsigned long windowId = 0;  // ForeignWindow
  int width = 1280, height = 720;  // own window
  std::optional<uint32_t> seed;
  bool useDefaults = false;  // ignore the per-user settings store
  long frames = -1;          // stop after this many drawn frames (-1: run until closed)
  std::string snapshot;      // write the last frame here as PNG (with frames)
};

// Parses argv; false with a message in error on bad input.
bool ParseX11Options(int argc, const char* const* argv, X11Options& options, std::string& error);

extern const char* const kX11Usage;

}  // namespace tv::x11
