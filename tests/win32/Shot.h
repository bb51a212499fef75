// Screenshots of the X display as Wine's GDI sees it: capture, a plain PNG writer, and a look at
// whether knots are there.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct Shot {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
};

struct Look {
  double litShare = 0;  // pixels that are not black
  unsigned hues =
      0;  // bit k: the 30-degree hue sector k holds at least 0.5% of the coloured pixels
};

Shot CaptureScreen(RECT r);
bool WritePng(const Shot& shot, const std::string& path);
Look LookAt(const Shot& shot);
