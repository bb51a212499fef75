#include "FrameLog.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "BitmapFont.h"
#include "render/Render.h"
#include "saver/Saver.h"

namespace tv::headless {
namespace {

using Rgb = uint8_t[3];
constexpr Rgb kBackground = {250, 250, 250};
constexpr Rgb kAxis = {60, 60, 60};
constexpr Rgb kGrid = {222, 222, 222};
constexpr Rgb kFrameBar = {70, 110, 190};
constexpr Rgb kBuildBar = {240, 140, 20};
constexpr Rgb kChange = {210, 30, 30};
constexpr Rgb kBudget = {30, 150, 60};
constexpr Rgb kPercentile = {120, 60, 160};
constexpr double kTimerMs = 10.0;  // the saver's frame timer

std::string Format(const char* format, double a, double b = 0.0, double c = 0.0) {
  char text[160];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

void Fill(Image& image, int x0, int y0, int x1, int y1, const Rgb rgb) {
  x0 = std::max(x0, 0), y0 = std::max(y0, 0);
  x1 = std::min(x1, image.width), y1 = std::min(y1, image.height);
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) std::copy_n(rgb, 3, image.At(x, y));
}

// Nearest-rank percentile of the frame times.
double Percentile(std::vector<double> ms, double p) {
  if (ms.empty()) return 0.0;
  std::sort(ms.begin(), ms.end());
  const size_t rank = static_cast<size_t>(std::ceil(p * ms.size()));
  return ms[std::clamp<size_t>(rank, 1, ms.size()) - 1];
}

// 1, 2 or 5 times a power of ten, at least x.
double NiceCeiling(double x) {
  const double power = std::pow(10.0, std::floor(std::log10(x)));
  for (double m : {1.0, 2.0, 5.0, 10.0})
    if (m * power >= x) return m * power;
  return 10.0 * power;
}

}  // namespace

FrameRecorder::FrameRecorder(int expectedFrames)
    : knotsChosen_(sceneCounters.knotsChosen), chooseMs_(sceneCounters.chooseMs) {
  // Capped at a million frames (56 MB), beyond which the records grow as they come.
  frames_.reserve(static_cast<size_t>(std::clamp(expectedFrames, 0, 1 << 20)));
}

void FrameRecorder::Record(int frame, uint64_t saverMs, double frameMs) {
  FrameRecord r;
  r.frame = frame;
  r.saverMs = saverMs;
  r.frameMs = frameMs;
  r.buildMs = sceneCounters.chooseMs - chooseMs_;
  r.vertices = vertices_.Take();
  r.deferredCells = TranslucentCells().size();
  r.knotsReplaced = static_cast<int>(sceneCounters.knotsChosen - knotsChosen_);
  frames_.push_back(r);
  knotsChosen_ = sceneCounters.knotsChosen;
  chooseMs_ = sceneCounters.chooseMs;
}

bool WriteFrameCsv(const std::string& path, const std::vector<FrameRecord>& frames,
                   std::string& error) {
  std::ofstream out(path);
  out << "frame,saver_ms,frame_ms,build_ms,vertices,deferred_cells,knots_replaced\n";
  char line[160];
  for (const FrameRecord& f : frames) {
    std::snprintf(line, sizeof line, "%d,%llu,%.3f,%.3f,%llu,%llu,%d\n", f.frame,
                  static_cast<unsigned long long>(f.saverMs), f.frameMs, f.buildMs,
                  static_cast<unsigned long long>(f.vertices),
                  static_cast<unsigned long long>(f.deferredCells), f.knotsReplaced);
    out << line;
  }
  out.flush();
  if (out) return true;
  error = "cannot write " + path;
  return false;
}

Image PlotFrameTimes(const std::vector<FrameRecord>& frames, int width, int height) {
  Image image(width, height);
  Fill(image, 0, 0, width, height, kBackground);
  const int left = 48, right = width - 12, top = 50, bottom = height - 28;
  if (frames.empty() || right - left < 10 || bottom - top < 10) return image;

  std::vector<double> ms;
  for (const FrameRecord& f : frames) ms.push_back(f.frameMs);
  const double p50 = Percentile(ms, 0.5), p99 = Percentile(ms, 0.99);
  const double worst = *std::max_element(ms.begin(), ms.end());
  // The scale shows the steady frames and the timer; rarer spikes are clipped and labelled.
  const double scale = NiceCeiling(std::max({std::min(worst, 3.0 * p99), 1.2 * kTimerMs}));
  auto yOf = [&](double v) {
    return bottom - static_cast<int>(std::lround(std::min(v, scale) / scale * (bottom - top)));
  };

  // Grid and axis labels: five steps of time, about eight of saver seconds.
  for (int i = 0; i <= 5; ++i) {
    const double v = scale * i / 5;
    Fill(image, left, yOf(v), right, yOf(v) + 1, kGrid);
    const std::string label = Format("%g", v);
    DrawText(image, left - 4 - TextWidth(label, 1), yOf(v) - 3, label, 1, kAxis);
  }
  const int columns = right - left;
  const double framesPerColumn = static_cast<double>(frames.size()) / columns;
  const double seconds = frames.back().saverMs / 1000.0;
  const double tick = NiceCeiling(std::max(seconds / 8, 0.001));
  for (double s = 0; s <= seconds; s += tick) {
    const int x = left + static_cast<int>(s / std::max(seconds, 1e-9) * (columns - 1));
    Fill(image, x, bottom, x + 1, bottom + 4, kAxis);
    const std::string label = Format("%gs", s);
    DrawText(image, x - TextWidth(label, 1) / 2, bottom + 7, label, 1, kAxis);
  }

  // Columns: the slowest frame of the frames that fall in each.
  for (int c = 0; c < columns; ++c) {
    const size_t first = static_cast<size_t>(c * framesPerColumn);
    const size_t last = std::max(first + 1, static_cast<size_t>((c + 1) * framesPerColumn));
    if (first >= frames.size()) break;
    double frameMs = 0, buildMs = 0;
    int changes = 0;
    for (size_t i = first; i < std::min(last, frames.size()); ++i) {
      frameMs = std::max(frameMs, frames[i].frameMs);
      buildMs = std::max(buildMs, frames[i].buildMs);
      changes += frames[i].knotsReplaced;
    }
    const int x = left + c;
    Fill(image, x, yOf(frameMs), x + 1, bottom, kFrameBar);
    Fill(image, x, yOf(buildMs), x + 1, bottom, kBuildBar);
    if (changes > 0) Fill(image, x - 1, top - 8, x + 2, top - 2, kChange);
    if (frameMs > scale) {
      const std::string label = Format("%.0f", frameMs);
      DrawText(image, x + 3, top + 2, label, 1, kChange);
    }
  }
  Fill(image, left, yOf(kTimerMs), right, yOf(kTimerMs) + 1, kBudget);
  Fill(image, left, yOf(p99), right, yOf(p99) + 1, kPercentile);
  Fill(image, left, yOf(p50), right, yOf(p50) + 1, kPercentile);
  DrawText(image, right - 40, yOf(kTimerMs) - 10, "timer", 1, kBudget);
  DrawText(image, left + 4, yOf(p99) - 10, "p99", 1, kPercentile);
  DrawText(image, left + 4, yOf(p50) - 10, "p50", 1, kPercentile);
  Fill(image, left, bottom, right, bottom + 1, kAxis);
  Fill(image, left - 1, top, left, bottom, kAxis);

  const std::string title =
      Format("frame ms  p50 %.2f  p99 %.2f  max %.1f", p50, p99, worst) +
      Format("   %.0f frames, %.1f s", static_cast<double>(frames.size()), seconds);
  DrawText(image, left, 6, title, 2, kAxis);
  int x = left;
  for (const auto& [text, rgb] : {std::pair<const char*, const uint8_t*>{"frame", kFrameBar},
                                  {"building knots", kBuildBar},
                                  {"knot change", kChange}}) {
    Fill(image, x, 26, x + 8, 33, rgb);
    DrawText(image, x + 11, 26, text, 1, kAxis);
    x += 11 + TextWidth(text, 1) + 16;
  }
  return image;
}

}  // namespace tv::headless
