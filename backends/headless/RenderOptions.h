// Command line of tressvale-render.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "settings/SaverSettings.h"

namespace tv::headless {

enum class RenderMode { Frames, Png, Still, ContactSheet, Bench, Help };

struct RenderOptions {
  RenderMode mode = RenderMode::Help;
  int width = 1280;
  int height = 720;
  std::optional<uint32_t> seed;  // none: calendar time, as the saver seeds
  int frames = 100;
  int stepMs = 10;
  std::string outDir;
  std::string pngFile;
  int32_t atMs = 0;  // 0: the first frame
  std::string sceneJson;  // --png: the scene of the frame as JSON to this file ("-": standard output)
  int knot = -1;
  int32_t style = 6;  // Smooth
  std::string contactSheet;
  int cell = 160;
  std::string csvFile;   // --bench: one row per frame
  std::string plotFile;  // --bench: frame times as a PNG plot
  bool defaults = false;
  bool inPlace = false;  // --bench: build each knot change on its frame, as without preparation
  std::vector<std::pair<std::string, std::string>> settings;  // --set NAME=VALUE, in order
};

extern const char* const kRenderUsage;

// Parses argv[1..]; false with a one-line reason for anything it cannot use.
bool ParseRenderOptions(int argc, const char* const* argv, RenderOptions& options, std::string& error);

// "Half U", "halfu", "HALF-V", "smooth", ... to a style number; case, spaces, '-' and '_' ignored.
std::optional<int32_t> ParseStyleName(const std::string& name);

// Applies one --set to a record; false with a reason for an unknown name or a bad value.
bool ApplySetting(SaverSettings& record, const std::string& name, const std::string& value,
                  std::string& error);

}  // namespace tv::headless
