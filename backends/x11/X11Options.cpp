#include "X11Options.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/ConfigTable.h"

namespace tv::x11 {

const char* const kX11Version = "tressvale " TRESSVALE_VERSION;

const char* const kX11Usage =
    "usage: tressvale [options]   (each option with one dash or two)\n"
    "  -window             the saver in a window of its own (the default); Escape or q ends it\n"
    "  -fullscreen         cover the screen; a key, a button or a mouse move ends it\n"
    "  -root               draw into the daemon's window ($XSCREENSAVER_WINDOW), else the root\n"
    "  -window-id ID       draw into an existing window (decimal or 0x hex); wins over -root\n"
    "  -geometry WxH+X+Y   size and place of the own window (default 1280x720)\n"
    "  -fps                show frame rate, frame time and vertices in a corner\n"
    "  -delay MICROSECONDS frame timer period (default 10000)\n"
    "  -seed N             seed of the random choices instead of the calendar time\n"
    "  -defaults           ignore the stored settings\n"
    "  -frames N           stop after N frames on a simulated clock\n"
    "  -snapshot FILE.png  with -frames: keep the last frame\n"
    "  -save-settings      store the settings options given for every later run, then exit\n"
    "  -help, -version\n"
    "settings (override the stored ones for this run; out-of-range values are brought within):\n"
    "  -wire -point -triangle -quad -half-u -half-v -smooth -blended N   style weights 0..20\n"
    "  -wobbles -s-colored -blended-percent -alpha -wire-percent N       percentages 0..100\n"
    "  -x-min -x-max -y-min -y-max N   rotation speeds 0..300     -knots N   knot count 1..20\n"
    "  -u-min -u-max X   rings per curve point 0.1..10            -v-min -v-max N   3..50\n";

const SettingOption kSettingOptions[22] = {
    {"wire", &host::kTrackbarTable[0]},
    {"point", &host::kTrackbarTable[1]},
    {"triangle", &host::kTrackbarTable[2]},
    {"quad", &host::kTrackbarTable[3]},
    {"half-u", &host::kTrackbarTable[4]},
    {"half-v", &host::kTrackbarTable[5]},
    {"smooth", &host::kTrackbarTable[6]},
    {"blended", &host::kTrackbarTable[7]},
    {"wobbles", &host::kTrackbarTable[8]},
    {"s-colored", &host::kTrackbarTable[9]},
    {"blended-percent", &host::kTrackbarTable[10]},
    {"alpha", &host::kTrackbarTable[11]},
    {"wire-percent", &host::kTrackbarTable[12]},
    {"x-min", &host::kTrackbarTable[13]},
    {"x-max", &host::kTrackbarTable[14]},
    {"y-min", &host::kTrackbarTable[15]},
    {"y-max", &host::kTrackbarTable[16]},
    {"knots", &host::kTrackbarTable[17]},
    {"u-min", &host::kTrackbarTable[18]},
    {"u-max", &host::kTrackbarTable[19]},
    {"v-min", &host::kTrackbarTable[20]},
    {"v-max", &host::kTrackbarTable[21]},
};

double SettingValue(const SaverSettings& record, const SettingOption& option) {
  return host::FieldValue(record, *option.row);
}

void SetSetting(SaverSettings& record, const SettingOption& option, double value) {
  // Where the dialog's trackbar would stand for the value, so rings land on its tenths.
  const double position = option.row->tenths ? value * 10.0 : value;
  host::SetFromPosition(record, *option.row, static_cast<int32_t>(std::lround(position)));
}

void ApplySettingOptions(const X11Options& options, SaverSettings& record) {
  for (const auto& [option, value] : options.settings) SetSetting(record, *option, value);
  RepairSettings(record);
  host::RepairDialogRanges(record);  // as the dialog's OK: no style weight left means Smooth
}

namespace {

// Digits only: strtoul would skip leading spaces and take a sign, wrapping " -1" to a huge value.
bool ParseUnsigned(const char* text, unsigned long max, unsigned long& value) {
  if (!text || !std::isdigit(static_cast<unsigned char>(*text))) return false;
  errno = 0;
  char* end = nullptr;
  const unsigned long v = std::strtoul(text, &end, 0);  // 0x... for window ids
  if (*end != '\0' || errno != 0 || v > max) return false;
  value = v;
  return true;
}

bool ParseNumber(const char* text, bool whole, double& value) {
  if (!text || !*text) return false;
  char* end = nullptr;
  const double v =
      whole ? static_cast<double>(std::strtol(text, &end, 10)) : std::strtod(text, &end);
  if (*end != '\0' || !std::isfinite(v)) return false;
  value = v;
  return true;
}

const SettingOption* FindSetting(const std::string& name) {
  for (const SettingOption& option : kSettingOptions) {
    if (name == option.name) return &option;
  }
  return nullptr;
}

}  // namespace

std::optional<unsigned long> ParseWindowId(const char* text) {
  unsigned long id = 0;
  if (!ParseUnsigned(text, 0xFFFFFFFFul, id) || id == 0) return std::nullopt;
  return id;
}

bool ParseX11Options(int argc, const char* const* argv, X11Options& o, std::string& error) {
  bool fullScreen = false, root = false, windowId = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (arg.rfind("--", 0) == 0) arg.erase(0, 2);
    else if (arg.rfind("-", 0) == 0) arg.erase(0, 1);
    else arg.insert(0, "?");  // not an option
    auto needs = [&](bool ok, const char* what) {
      if (!ok) error = "-" + arg + " needs " + what;
      return ok;
    };
    unsigned long number = 0;
    if (arg == "window") {
    } else if (arg == "fullscreen") {
      fullScreen = true;
    } else if (arg == "root") {
      root = true;
    } else if (arg == "window-id") {
      const std::optional<unsigned long> id = ParseWindowId(value);
      if (!needs(id.has_value(), "a window id such as 0x2a00007")) return false;
      o.windowId = *id;
      windowId = true;
      ++i;
    } else if (arg == "geometry" || arg == "size") {
      int x = 0, y = 0;
      unsigned w = 0, h = 0;
      const int mask = value ? XParseGeometry(value, &x, &y, &w, &h) : 0;
      const bool sized = (mask & WidthValue) && (mask & HeightValue) && w > 0 && h > 0 &&
                         w <= 16384 && h <= 16384;
      if (!needs(sized, "WIDTHxHEIGHT[+X+Y], for example 1280x720+0+0")) return false;
      o.width = static_cast<int>(w);
      o.height = static_cast<int>(h);
      if ((mask & XValue) && (mask & YValue)) o.position = std::make_pair(x, y);
      ++i;
    } else if (arg == "fps") {
      o.showFps = true;
    } else if (arg == "delay") {
      if (!needs(ParseUnsigned(value, 10000000ul, number), "microseconds from 0 to 10000000")) {
        return false;
      }
      o.delayUs = static_cast<long>(number);
      ++i;
    } else if (arg == "seed") {
      if (!needs(ParseUnsigned(value, 0xFFFFFFFFul, number),
                 "a whole number from 0 to 4294967295")) {
        return false;
      }
      o.seed = static_cast<uint32_t>(number);
      ++i;
    } else if (arg == "frames") {
      if (!needs(ParseUnsigned(value, 100000000ul, number) && number > 0,
                 "a number of frames, 1 or more")) {
        return false;
      }
      o.frames = static_cast<long>(number);
      ++i;
    } else if (arg == "snapshot") {
      if (!needs(value && *value, "a file name")) return false;
      o.snapshot = value;
      ++i;
    } else if (arg == "defaults") {
      o.useDefaults = true;
    } else if (arg == "save-settings") {
      o.action = Action::SaveSettings;
    } else if (arg == "help" || arg == "h") {
      o.action = Action::Help;
    } else if (arg == "version") {
      o.action = Action::Version;
    } else if (const SettingOption* setting = FindSetting(arg)) {
      double v = 0;
      const bool tenths = setting->row->tenths;
      if (!needs(ParseNumber(value, !tenths, v), tenths ? "a number" : "a whole number")) {
        return false;
      }
      const double within = std::clamp(v, setting->Min(), setting->Max());
      if (within != v)
        o.warnings.push_back(OutsideRangeNote("-" + arg, v, setting->Min(), setting->Max(), within));
      o.settings.emplace_back(setting, within);
      ++i;
    } else {
      error = "unknown option '" + std::string(argv[i]) + "'";
      return false;
    }
  }
  if (fullScreen && (root || windowId)) {
    error = "-fullscreen draws in a window of its own: leave out -root and -window-id";
    return false;
  }
  o.target = windowId ? Target::ForeignWindow
             : root   ? Target::Root
             : fullScreen ? Target::FullScreen
                          : Target::OwnWindow;
  if (!o.snapshot.empty() && o.frames < 0) {
    error = "-snapshot needs -frames";
    return false;
  }
  return true;
}

}  // namespace tv::x11
