// Writing pictures as 8-bit RGB PNG files through libpng.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tv::headless {

// An RGBA picture, top row first.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;  // width * height * 4

  Image() = default;
  Image(int w, int h) : width(w), height(h), rgba(static_cast<size_t>(w) * h * 4, 0) {
    for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
  }
  uint8_t* At(int x, int y) { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
  const uint8_t* At(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

// Writes the colour channels only: blending leaves partial alpha in the framebuffer, which is
// not part of the picture. Returns false and a reason on failure.
bool WritePng(const std::string& path, const Image& image, std::string& error);

// Reads an 8-bit RGB or RGBA PNG back (for tests and checks); alpha becomes 255 for RGB files.
bool ReadPng(const std::string& path, Image& image, std::string& error);

}  // namespace tv::headless
