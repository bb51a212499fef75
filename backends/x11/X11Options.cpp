#include "X11Options.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
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

#define TV_FIELD(f) offsetof(SaverSettings, f)
const SettingOption kSettingOptions[22] = {
    {"wire", "Wire", TV_FIELD(styleWeight[0]), false, 0, 20},
    {"point", "Point", TV_FIELD(styleWeight[1]), false, 0, 20},
    {"triangle", "Triangle", TV_FIELD(styleWeight[2]), false, 0, 20},
    {"quad", "Quad", TV_FIELD(styleWeight[3]), false, 0, 20},
    {"half-u", "Half U", TV_FIELD(styleWeight[4]), false, 0, 20},
    {"half-v", "Half V", TV_FIELD(styleWeight[5]), false, 0, 20},
    {"smooth", "Smooth", TV_FIELD(styleWeight[6]), false, 0, 20},
    {"blended", "Blended", TV_FIELD(styleWeight[7]), false, 0, 20},
    {"wobbles", "Wobbles", TV_FIELD(wobblePercent), false, 0, 100},
    {"s-colored", "S-Colored", TV_FIELD(sColoredPercent), false, 0, 100},
    {"blended-percent", "Blended", TV_FIELD(blendedPercent), false, 0, 100},
    {"alpha", "Alpha", TV_FIELD(alphaPercent), false, 0, 100},
    {"wire-percent", "Wire", TV_FIELD(wirePercent), false, 0, 100},
    {"x-min", "x min", TV_FIELD(spinXMin), false, 0, 300},
    {"x-max", "x max", TV_FIELD(spinXMax), false, 0, 300},
    {"y-min", "y min", TV_FIELD(spinYMin), false, 0, 300},
    {"y-max", "y max", TV_FIELD(spinYMax), false, 0, 300},
    {"knots", "Knots", TV_FIELD(knotCount), false, 1, 20},
    {"u-min", "u min", TV_FIELD(uMin), true, 0.1, 10},
    {"u-max", "u max", TV_FIELD(uMax), true, 0.1, 10},
    {"v-min", "v min", TV_FIELD(vMin), false, 3, 50},
    {"v-max", "v max", TV_FIELD(vMax), false, 3, 50},
};
#undef TV_FIELD

double SettingValue(const SaverSettings& record, const SettingOption& option) {
  const auto* base = reinterpret_cast<const unsigned char*>(&record) + option.offset;
  if (option.rings) return *reinterpret_cast<const double*>(base);
  return *reinterpret_cast<const int32_t*>(base);
}

void SetSetting(SaverSettings& record, const SettingOption& option, double value) {
  auto* base = reinterpret_cast<unsigned char*>(&record) + option.offset;
  if (option.rings) {
    // The dialog keeps rings in tenths: position x 0.1.
    *reinterpret_cast<double*>(base) = std::lround(value * 10.0) * 0.1;
  } else {
    *reinterpret_cast<int32_t*>(base) = static_cast<int32_t>(std::lround(value));
  }
}

void ApplySettingOptions(const X11Options& options, SaverSettings& record) {
  for (const auto& [option, value] : options.settings) SetSetting(record, *option, value);
  RepairSettings(record);
  host::RepairDialogRanges(record);  // as the dialog's OK: no style weight left means Smooth
}

namespace {

bool ParseUnsigned(const char* text, unsigned long max, unsigned long& value) {
  if (!text || !*text || *text == '-' || *text == '+') return false;
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
      if (!needs(ParseUnsigned(value, 0xFFFFFFFFul, o.windowId) && o.windowId != 0,
                 "a window id such as 0x2a00007")) {
        return false;
      }
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
      if (!needs(ParseNumber(value, !setting->rings, v),
                 setting->rings ? "a number" : "a whole number")) {
        return false;
      }
      const double within = std::clamp(v, setting->min, setting->max);
      if (within != v) {
        char range[64];
        std::snprintf(range, sizeof range, " is outside %g..%g; using %g", setting->min,
                      setting->max, within);
        o.warnings.push_back("-" + arg + " " + value + range);
      }
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
