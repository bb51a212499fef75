#include "X11Options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tv::x11 {

const char* const kX11Usage =
    "usage: tressvale [--fullscreen | --root | --window-id ID] [--size WxH] [--seed N]\n"
    "                 [--defaults] [--frames N [--snapshot FILE.png]]\n"
    "  (no option)     the saver in a window of its own; Escape, q or closing the window ends it\n"
    "  --fullscreen    cover the screen and end on a key, a button or a mouse move, as a saver\n"
    "  --root          draw on the root window (for a screen-saver daemon)\n"
    "  --window-id ID  draw into an existing window (decimal or 0x hex id)\n"
    "  --size WxH      size of the own window (default 1280x720)\n"
    "  --seed N        seed of the random choices instead of the calendar time\n"
    "  --defaults      ignore the stored settings\n"
    "  --frames N      stop after N frames; --snapshot writes the last one as PNG\n";

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

bool ParseSize(const char* text, int& width, int& height) {
  const char* x = text ? std::strchr(text, 'x') : nullptr;
  if (!x) return false;
  const std::string w(text, x);
  unsigned long wv, hv;
  if (!ParseUnsigned(w.c_str(), 16384, wv) || !ParseUnsigned(x + 1, 16384, hv) || wv == 0 ||
      hv == 0) {
    return false;
  }
  width = static_cast<int>(wv);
  height = static_cast<int>(hv);
  return true;
}

}  // namespace

bool ParseX11Options(int argc, const char* const* argv, X11Options& o, std::string& error) {
  bool targetGiven = false;
  auto setTarget = [&](Target t) {
    if (targetGiven) {
      error = "choose only one of --fullscreen, --root and --window-id";
      return false;
    }
    targetGiven = true;
    o.target = t;
    return true;
  };
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    unsigned long number = 0;
    if (arg == "--fullscreen") {
      if (!setTarget(Target::FullScreen)) return false;
    } else if (arg == "--root" || arg == "-root") {
      if (!setTarget(Target::Root)) return false;
    } else if (arg == "--window-id" || arg == "-window-id") {
      if (!setTarget(Target::ForeignWindow)) return false;
      if (!ParseUnsigned(value, 0xFFFFFFFFul, o.windowId) || o.windowId == 0) {
        error = "--window-id needs a window id such as 0x2a00007";
        return false;
      }
      ++i;
    } else if (arg == "--size") {
      if (!ParseSize(value, o.width, o.height)) {
        error = "--size needs WIDTHxHEIGHT, for example 1280x720";
        return false;
      }
      ++i;
    } else if (arg == "--seed") {
      if (!ParseUnsigned(value, 0xFFFFFFFFul, number)) {
        error = "--seed needs a whole number from 0 to 4294967295";
        return false;
      }
      o.seed = static_cast<uint32_t>(number);
      ++i;
    } else if (arg == "--frames") {
      if (!ParseUnsigned(value, 100000000ul, number) || number == 0) {
        error = "--frames needs a number of frames, 1 or more";
        return false;
      }
      o.frames = static_cast<long>(number);
      ++i;
    } else if (arg == "--snapshot") {
      if (!value || !*value) {
        error = "--snapshot needs a file name";
        return false;
      }
      o.snapshot = value;
      ++i;
    } else if (arg == "--defaults") {
      o.useDefaults = true;
    } else {
      error = "unknown option '" + arg + "'";
      return false;
    }
  }
  if (!o.snapshot.empty() && o.frames < 0) {
    error = "--snapshot needs --frames";
    return false;
  }
  return true;
}

}  // namespace tv::x11
