// Command line of the X11 saver, in the conventions of the Linux screen-saver daemon's savers:
// every option with one dash or two.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/ConfigTable.h"
#include "settings/SaverSettings.h"

namespace tv::x11 {

enum class Target {
  OwnWindow,   // a window of our own (the default)
  FullScreen,  // our own window covering the screen; closes on input like a screen saver
  Root,        // the daemon's window named by XSCREENSAVER_WINDOW, else the root window
  ForeignWindow,  // a window someone else made (a daemon or a settings program's preview)
};

enum class Action { Run, Help, Version, SaveSettings };

// One field of the settings record as an option; the configuration dialog's trackbar row gives
// the field, whether it is kept in tenths (u min, u max) and its range.
struct SettingOption {
  const char* name;  // option name without dashes
  const host::TrackbarRow* row;
  double Min() const { return row->tenths ? row->min / 10.0 : row->min; }
  double Max() const { return row->tenths ? row->max / 10.0 : row->max; }
};
// In the dialog's trackbar order.
extern const SettingOption kSettingOptions[22];

double SettingValue(const SaverSettings& record, const SettingOption& option);
void SetSetting(SaverSettings& record, const SettingOption& option, double value);

struct X11Options {
  Action action = Action::Run;
  Target target = Target::OwnWindow;
  unsigned long windowId = 0;          // ForeignWindow
  int width = 1280, height = 720;      // own window
  std::optional<std::pair<int, int>> position;  // own window, from -geometry
  std::optional<uint32_t> seed;
  bool useDefaults = false;  // ignore the per-user settings store
  bool showFps = false;
  long delayUs = 10000;      // frame timer period
  long frames = -1;          // stop after this many frames, on a simulated clock (-1: run)
  std::string snapshot;      // write the last frame here as PNG (with frames)
  std::vector<std::pair<const SettingOption*, double>> settings;  // in the order given
  std::vector<std::string> warnings;  // values brought within their range
};

// A window id as -window-id and $XSCREENSAVER_WINDOW give it: 1 to 0xFFFFFFFF (X ids have 32
// bits), decimal or 0x hex, nothing but digits; none for anything else.
std::optional<unsigned long> ParseWindowId(const char* text);

// Parses argv; false with a message in error on bad input.
bool ParseX11Options(int argc, const char* const* argv, X11Options& options, std::string& error);

// Applies the setting options to a record, then repairs it as the dialog's OK does (maxima raised
// to their minima, no style weight at all gives Smooth one).
void ApplySettingOptions(const X11Options& options, SaverSettings& record);

extern const char* const kX11Usage;
extern const char* const kX11Version;

}  // namespace tv::x11
