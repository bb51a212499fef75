// The -fps display: frame rate, frame time and vertices per frame in the lower left corner.
#pragma once

#include <chrono>
#include <string>

#include "VertexCounter.h"

namespace tv::x11 {

class FpsOverlay {
 public:
  // Call when a tick begins and when its frame is drawn (before the overlay and the swap).
  void FrameStarted();
  void FrameDrawn();
  // Draws the text over the current frame, leaving every GL state as it was.
  void Draw(int width, int height) const;
  std::string Text() const;

 private:
  using Clock = std::chrono::steady_clock;
  Clock::time_point frameStart_, windowStart_ = Clock::now();
  int framesInWindow_ = 0;
  double fps_ = 0, frameMs_ = 0;
  long vertices_ = 0;
  headless::VertexCounter vertexCounter_;  // counts from the overlay's making
};

}  // namespace tv::x11
