#include "RenderOptions.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "render/RenderTypes.h"

namespace tv::headless {

const char* const kRenderUsage =
    "usage: tressvale-render [--size WxH] [--seed N] [--defaults] [--set NAME=VALUE ...]\n"
    "                        (--out DIR [--frames N] [--step-ms N]\n"
    "                         | --png FILE [--at MS] [--step-ms N] [--scene-json FILE|-]\n"
    "                         | --knot N --png FILE [--style NAME]\n"
    "                         | --contact-sheet FILE [--cell PIXELS]\n"
    "                         | --bench [--frames N] [--step-ms N] [--csv FILE] [--plot FILE] [--in-place])\n";

namespace {

template <typename T>
bool ParseInteger(const std::string& text, T min, T max, T& out) {
  long long value = 0;
  const char* begin = text.data();
  const char* end = begin + text.size();
  auto [ptr, ec] = std::from_chars(begin, end, value);
  if (text.empty() || ec != std::errc() || ptr != end) return false;
  if (value < static_cast<long long>(min) || value > static_cast<long long>(max)) return false;
  out = static_cast<T>(value);
  return true;
}

bool ParseDouble(const std::string& text, double& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size() && std::isfinite(out);
}

std::string Squash(const std::string& name) {
  std::string s;
  for (char c : name)
    if (c != ' ' && c != '-' && c != '_') s += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::optional<int32_t> ParseStyleName(const std::string& name) {
  const std::string wanted = Squash(name);
  if (wanted.empty()) return std::nullopt;
  for (int32_t i = 0; i < kRenderStyleCount; ++i)
    if (Squash(kRenderStyleLabels[i]) == wanted) return i;
  return std::nullopt;
}

bool ApplySetting(SaverSettings& r, const std::string& name, const std::string& value,
                  std::string& error) {
  struct IntField {
    const char* name;
    int32_t SaverSettings::*field;
  };
  static const IntField ints[] = {
      {"knotCount", &SaverSettings::knotCount},         {"spinXMin", &SaverSettings::spinXMin},
      {"spinYMin", &SaverSettings::spinYMin},           {"spinXMax", &SaverSettings::spinXMax},
      {"spinYMax", &SaverSettings::spinYMax},           {"wobblePercent", &SaverSettings::wobblePercent},
      {"sColoredPercent", &SaverSettings::sColoredPercent},
      {"blendedPercent", &SaverSettings::blendedPercent},
      {"alphaPercent", &SaverSettings::alphaPercent},   {"wirePercent", &SaverSettings::wirePercent},
      {"vMin", &SaverSettings::vMin},                   {"vMax", &SaverSettings::vMax},
  };
  for (const IntField& f : ints) {
    if (name != f.name) continue;
    int32_t v = 0;
    if (!ParseInteger<int32_t>(value, std::numeric_limits<int32_t>::min(),
                               std::numeric_limits<int32_t>::max(), v)) {
      error = "--set " + name + ": not a whole number: '" + value + "'";
      return false;
    }
    r.*f.field = v;
    return true;
  }
  if (name == "uMin" || name == "uMax") {
    double v = 0;
    if (!ParseDouble(value, v)) {
      error = "--set " + name + ": not a number: '" + value + "'";
      return false;
    }
    (name == "uMin" ? r.uMin : r.uMax) = v;
    return true;
  }
  // Style weights by label: weightWire, weightHalfU, ...
  if (name.rfind("weight", 0) == 0) {
    if (auto style = ParseStyleName(name.substr(6))) {
      int32_t v = 0;
      if (!ParseInteger<int32_t>(value, std::numeric_limits<int32_t>::min(),
                                 std::numeric_limits<int32_t>::max(), v)) {
        error = "--set " + name + ": not a whole number: '" + value + "'";
        return false;
      }
      r.styleWeight[*style] = v;
      return true;
    }
  }
  error = "--set: unknown setting '" + name +
          "' (knotCount, spinXMin, spinXMax, spinYMin, spinYMax, weightWire ... weightBlended, "
          "wobblePercent, sColoredPercent, blendedPercent, alphaPercent, wirePercent, uMin, uMax, "
          "vMin, vMax)";
  return false;
}

bool ParseRenderOptions(int argc, const char* const* argv, RenderOptions& o, std::string& error) {
  bool framesGiven = false, atGiven = false, styleGiven = false, cellGiven = false, bench = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      o.mode = RenderMode::Help;
      return true;
    }
    if (arg == "--defaults") {
      o.defaults = true;
      continue;
    }
    if (arg == "--bench") {
      bench = true;
      continue;
    }
    if (arg == "--in-place") {
      o.inPlace = true;
      continue;
    }
    static const char* const valued[] = {"--size", "--seed", "--frames", "--step-ms", "--out",
                                         "--png", "--at", "--knot", "--style", "--contact-sheet",
                                         "--cell", "--set", "--csv", "--plot",
                                         "--scene-json"};
    bool known = false;
    for (const char* v : valued) known = known || arg == v;
    if (!known) {
      error = "unknown option '" + arg + "'";
      return false;
    }
    if (i + 1 >= argc) {
      error = arg + " needs a value";
      return false;
    }
    const std::string value = argv[++i];
    bool ok = true;
    if (arg == "--size") {
      const size_t x = value.find_first_of("xX");
      ok = x != std::string::npos && ParseInteger(value.substr(0, x), 1, 16384, o.width) &&
           ParseInteger(value.substr(x + 1), 1, 16384, o.height);
      if (!ok) error = "--size wants WxH, each 1..16384, not '" + value + "'";
    } else if (arg == "--seed") {
      uint32_t seed = 0;
      ok = ParseInteger<uint32_t>(value, 0u, 0xFFFFFFFFu, seed);
      if (ok) o.seed = seed;
      else error = "--seed wants a whole number 0..4294967295, not '" + value + "'";
    } else if (arg == "--frames") {
      ok = ParseInteger(value, 1, 100000000, o.frames);
      framesGiven = true;
      if (!ok) error = "--frames wants 1..100000000, not '" + value + "'";
    } else if (arg == "--step-ms") {
      ok = ParseInteger(value, 1, 3600000, o.stepMs);
      if (!ok) error = "--step-ms wants 1..3600000, not '" + value + "'";
    } else if (arg == "--out") {
      o.outDir = value;
      ok = !value.empty();
      if (!ok) error = "--out wants a folder";
    } else if (arg == "--png") {
      o.pngFile = value;
      ok = !value.empty();
      if (!ok) error = "--png wants a file name";
    } else if (arg == "--at") {
      ok = ParseInteger<int32_t>(value, 0, std::numeric_limits<int32_t>::max(), o.atMs);
      atGiven = true;
      if (!ok) error = "--at wants milliseconds 0..2147483647, not '" + value + "'";
    } else if (arg == "--knot") {
      ok = ParseInteger(value, 0, std::numeric_limits<int>::max(), o.knot);
      if (!ok) error = "--knot wants a stored knot number, not '" + value + "'";
    } else if (arg == "--style") {
      const auto style = ParseStyleName(value);
      ok = style.has_value();
      styleGiven = true;
      if (ok) o.style = *style;
      else error = "--style wants Wire, Point, Triangle, Quad, \"Half U\", \"Half V\", Smooth or Blended, not '" + value + "'";
    } else if (arg == "--contact-sheet") {
      o.contactSheet = value;
      ok = !value.empty();
      if (!ok) error = "--contact-sheet wants a file name";
    } else if (arg == "--cell") {
      ok = ParseInteger(value, 32, 1024, o.cell);
      cellGiven = true;
      if (!ok) error = "--cell wants 32..1024 pixels, not '" + value + "'";
    } else if (arg == "--csv" || arg == "--plot") {
      (arg == "--csv" ? o.csvFile : o.plotFile) = value;
      ok = !value.empty();
      if (!ok) error = arg + " wants a file name";
    } else if (arg == "--scene-json") {
      o.sceneJson = value;
      ok = !value.empty();
      if (!ok) error = "--scene-json wants a file name or -";
    } else if (arg == "--set") {
      const size_t eq = value.find('=');
      ok = eq != std::string::npos && eq > 0;
      if (ok) o.settings.emplace_back(value.substr(0, eq), value.substr(eq + 1));
      else error = "--set wants NAME=VALUE, not '" + value + "'";
    }
    if (!ok) return false;
  }

  // Exactly one thing to do.
  const int jobs = !o.outDir.empty() + !o.contactSheet.empty() + bench +
                   (!o.pngFile.empty() && o.knot < 0) + (o.knot >= 0);
  if (jobs == 0) {
    error = "nothing to do: give --out, --png, --knot, --contact-sheet or --bench";
    return false;
  }
  if (jobs > 1) {
    error = "give only one of --out, --png, --knot (with --png), --contact-sheet, --bench";
    return false;
  }
  if (o.knot >= 0) {
    o.mode = RenderMode::Still;
    if (o.pngFile.empty()) error = "--knot needs --png FILE";
    else if (atGiven || framesGiven) error = "--knot draws a still: --at and --frames do not apply";
  } else if (!o.contactSheet.empty()) {
    o.mode = RenderMode::ContactSheet;
  } else if (bench) {
    o.mode = RenderMode::Bench;
    if (!framesGiven) o.frames = 6000;
  } else if (!o.pngFile.empty()) {
    o.mode = RenderMode::Png;
    if (framesGiven) error = "--png draws one frame: use --at MS instead of --frames";
  } else {
    o.mode = RenderMode::Frames;
  }
  if (error.empty() && styleGiven && o.mode != RenderMode::Still)
    error = "--style applies to a still of a stored knot (--knot N)";
  if (error.empty() && cellGiven && o.mode != RenderMode::ContactSheet)
    error = "--cell applies to --contact-sheet";
  if (error.empty() && atGiven && o.mode != RenderMode::Png) error = "--at applies to --png";
  if (error.empty() && !o.sceneJson.empty() && o.mode != RenderMode::Png)
    error = "--scene-json applies to --png";
  // The saver's scene clock is a signed 32-bit count of milliseconds.
  const int64_t lastMs = static_cast<int64_t>(o.frames) * o.stepMs;
  if (error.empty() && (o.mode == RenderMode::Frames || o.mode == RenderMode::Bench) &&
      lastMs > std::numeric_limits<int32_t>::max()) {
    error = "--frames " + std::to_string(o.frames) + " every " + std::to_string(o.stepMs) +
            " ms ends at " + std::to_string(lastMs) +
            " ms, past the saver clock's last millisecond, 2147483647 (24.8 days)";
  }
  if (error.empty() && (!o.csvFile.empty() || !o.plotFile.empty() || o.inPlace) &&
      o.mode != RenderMode::Bench)
    error = "--csv, --plot and --in-place apply to --bench";
  return error.empty();
}

}  // namespace tv::headless
