// An offscreen desktop OpenGL context through EGL (Mesa): no window system or display needed.
// Drawing goes to a framebuffer object of the requested size; pixels come back as RGBA rows.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tv::headless {

// Waits for drawing to finish and reads the current context's read buffer as width*height*4
// RGBA bytes, top row first (OpenGL hands rows bottom-up).
std::vector<uint8_t> ReadFramebuffer(int width, int height);

class EglContext {
 public:
  // Makes a compatibility-profile context current with a width x height RGBA8 target that has a
  // depth buffer (16 bits where the driver allows, else 24) and a stencil buffer. On failure
  // returns null and says why in error.
  static std::unique_ptr<EglContext> Create(int width, int height, std::string& error);
  ~EglContext();
  EglContext(const EglContext&) = delete;
  EglContext& operator=(const EglContext&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  int DepthBits() const { return depthBits_; }
  int StencilBits() const { return stencilBits_; }
  // Renderer and version strings, for logs.
  std::string Describe() const;

  // Replaces the target by one of the new size (contents undefined). False if it cannot be made.
  bool Resize(int width, int height);
  // Waits for drawing to finish and returns the picture as width*height*4 bytes, top row first.
  std::vector<uint8_t> ReadPixels() const;

  struct Impl;

 private:
  EglContext() = default;
  std::unique_ptr<Impl> impl_;
  int width_ = 0, height_ = 0, depthBits_ = 0, stencilBits_ = 0;
};

}  // namespace tv::headless
