// The frame-time instrument of --bench: one record per frame, written as CSV and drawn as a plot.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "PngWriter.h"
#include "VertexCounter.h"

namespace tv::headless {

struct FrameRecord {
  int frame = 0;
  uint64_t saverMs = 0;        // saver time at which the frame was drawn
  double frameMs = 0.0;        // wall time of the whole frame, up to glFinish
  double buildMs = 0.0;        // of which spent choosing and building knots
  uint64_t vertices = 0;       // vertices sent to OpenGL
  uint64_t deferredCells = 0;  // translucent cells kept for the depth-sorted pass
  int knotsReplaced = 0;
};

// Fills one record per frame from the scene's counters. While alive, the vertices handed to
// OpenGL are counted on their way (one added call per vertex).
class FrameRecorder {
 public:
  // Room for the expected number of frames is taken at once, so that a long run's memory does
  // not step up each time the records would otherwise double.
  explicit FrameRecorder(int expectedFrames);
  // Call after each frame with its number, saver time and wall time.
  void Record(int frame, uint64_t saverMs, double frameMs);
  const std::vector<FrameRecord>& Frames() const { return frames_; }

 private:
  std::vector<FrameRecord> frames_;
  uint64_t knotsChosen_;
  double chooseMs_;
  VertexCounter vertices_;
};

// The records as CSV, a header line first. False with a reason when the file cannot be written.
bool WriteFrameCsv(const std::string& path, const std::vector<FrameRecord>& frames,
                   std::string& error);

// Frame time over the run: per pixel column the slowest frame (blue) and its knot building
// (orange), knot changes marked in red along the top, the 10 ms timer and p50/p99 as lines.
// Frames slower than the scale are drawn to the top with their time written beside them.
Image PlotFrameTimes(const std::vector<FrameRecord>& frames, int width, int height);

}  // namespace tv::headless
