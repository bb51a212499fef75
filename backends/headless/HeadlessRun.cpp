#include "HeadlessRun.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <vector>

#include "BitmapFont.h"
#include "FrameLog.h"
#include "HeapRelease.h"
#include "display/Display.h"
#include "foundation/Random.h"
#include "knots/library/KnotLibrary.h"
#include "render/Gl.h"
#include "render/Render.h"
#include "saver/PreparedKnots.h"
#include "saver/Saver.h"
#include "saver/SceneJson.h"
#include "settings/SaverSettings.h"

namespace tv::headless {
namespace {

// While alive, the GL table points at functions that draw nothing and the scene walks no knot's
// mesh (so a heavy translucent knot met on the way holds no cells). The polygon mode and shade
// model that knots leave behind carry over into later frames, so the last ones asked for are
// handed to the real OpenGL when drawing resumes.
class SkipDrawing {
 public:
  SkipDrawing() : saved_(gl) {
    gl.Begin = [](GLenum) {};
    gl.End = [] {};
    gl.Normal3d = [](GLdouble, GLdouble, GLdouble) {};
    gl.Color4d = [](GLdouble, GLdouble, GLdouble, GLdouble) {};
    gl.Vertex3d = [](GLdouble, GLdouble, GLdouble) {};
    gl.Enable = [](GLenum) {};
    gl.Disable = [](GLenum) {};
    gl.PolygonMode = [](GLenum face, GLenum mode) { polygonMode = mode; (void)face; };
    gl.ShadeModel = [](GLenum mode) { shadeModel = mode; };
    gl.GetDoublev = [](GLenum, GLdouble* m) {
      for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0 : 0.0;
    };
    gl.DepthFunc = [](GLenum) {};
    gl.BlendFunc = [](GLenum, GLenum) {};
    gl.Hint = [](GLenum, GLenum) {};
    gl.PointSize = [](GLfloat) {};
    gl.Lightfv = [](GLenum, GLenum, const GLfloat*) {};
    gl.Materialfv = [](GLenum, GLenum, const GLfloat*) {};
    gl.Materialf = [](GLenum, GLenum, GLfloat) {};
    gl.ClearColor = [](GLclampf, GLclampf, GLclampf, GLclampf) {};
    gl.ClearDepth = [](GLclampd) {};
    gl.ClearStencil = [](GLint) {};
    gl.Clear = [](GLbitfield) {};
    gl.Flush = [] {};
    gl.Viewport = [](GLint, GLint, GLsizei, GLsizei) {};
    gl.MatrixMode = [](GLenum) {};
    gl.LoadIdentity = [] {};
    gl.Translatef = [](GLfloat, GLfloat, GLfloat) {};
    gl.Rotatef = [](GLfloat, GLfloat, GLfloat, GLfloat) {};
    gl.Perspective = [](GLdouble, GLdouble, GLdouble, GLdouble) {};
    polygonMode = 0;
    shadeModel = 0;
    walkKnotMeshes = false;
  }
  ~SkipDrawing() {
    walkKnotMeshes = true;
    gl = saved_;
    if (polygonMode) gl.PolygonMode(GL_FRONT_AND_BACK, polygonMode);
    if (shadeModel) gl.ShadeModel(shadeModel);
  }
  SkipDrawing(const SkipDrawing&) = delete;
  SkipDrawing& operator=(const SkipDrawing&) = delete;

 private:
  static inline GLenum polygonMode = 0;
  static inline GLenum shadeModel = 0;
  GlDispatch saved_;
};

bool OnTerminal() { return isatty(STDERR_FILENO) == 1; }

long PeakRssKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

double Percentile(std::vector<double> sorted, double p) {
  if (sorted.empty()) return 0.0;
  std::sort(sorted.begin(), sorted.end());
  const size_t i = std::min(sorted.size() - 1, static_cast<size_t>(std::ceil(p * sorted.size())) - 1);
  return sorted[i];
}

std::string FrameName(const std::string& dir, int k) {
  char name[32];
  std::snprintf(name, sizeof name, "frame-%06d.png", k);
  return (std::filesystem::path(dir) / name).string();
}

// Settings: the per-user store unless --defaults, then any --set, then the dialog's limits.
bool PrepareSettings(const RenderOptions& o, std::ostream& err) {
  if (o.defaults) ResetSettings(saverSettings);
  else LoadSettings();
  for (const auto& [name, value] : o.settings) {
    std::string error;
    if (!ApplySetting(saverSettings, name, value, error)) {
      err << "tressvale-render: " << error << "\n" << kRenderUsage;
      return false;
    }
  }
  for (const std::string& note : RepairSettingsSaying(saverSettings))
    err << "tressvale-render: " << note << "\n";
  return true;
}

int WriteOrFail(const std::string& path, const Image& image, std::ostream& err) {
  std::string error;
  if (WritePng(path, image, error)) return 0;
  err << "tressvale-render: " << error << "\n";
  return 1;
}

int RunFrames(EglContext& context, const RenderOptions& o, std::ostream& out, std::ostream& err) {
  std::error_code ec;
  std::filesystem::create_directories(o.outDir, ec);
  if (ec) {
    err << "tressvale-render: cannot make folder " << o.outDir << ": " << ec.message() << "\n";
    return 1;
  }
  SaverRun run(context, o.seed);
  const bool progress = OnTerminal();
  for (int k = 1; k <= o.frames; ++k) {
    run.AdvanceTo(static_cast<uint32_t>(static_cast<int64_t>(k) * o.stepMs), o.stepMs);
    if (int rc = WriteOrFail(FrameName(o.outDir, k), run.Capture(), err)) return rc;
    if (progress) std::fprintf(stderr, "\rframe %d/%d", k, o.frames);
  }
  if (progress) std::fprintf(stderr, "\n");
  out << o.frames << " frames of " << o.width << "x" << o.height << " every " << o.stepMs
      << " ms in " << o.outDir << "/\n";
  return 0;
}

int RunPng(EglContext& context, const RenderOptions& o, std::ostream& out, std::ostream& err) {
  SaverRun run(context, o.seed);
  const uint32_t at = o.atMs > 0 ? static_cast<uint32_t>(o.atMs) : static_cast<uint32_t>(o.stepMs);
  run.FastForwardTo(at, o.stepMs);
  if (int rc = WriteOrFail(o.pngFile, run.Capture(), err)) return rc;
  const std::string scene = SceneJson(displayState.elapsedTotal);
  if (o.sceneJson == "-") {
    out << scene;
    return 0;  // standard output carries the JSON alone
  }
  if (!o.sceneJson.empty()) {
    std::ofstream file(o.sceneJson, std::ios::binary);
    if (!(file << scene) || !file.flush()) {
      err << "tressvale-render: cannot write " << o.sceneJson << "\n";
      return 1;
    }
  }
  out << "frame at " << at << " ms: " << o.pngFile << "\n";
  return 0;
}

int RunStill(const RenderOptions& o, std::ostream& out, std::ostream& err) {
  const int count = LibraryKnotCount();
  if (o.knot >= count) {
    err << "tressvale-render: --knot " << o.knot << ": the stored knots are numbered 0.."
        << count - 1 << "\n";
    return 2;
  }
  ResizeView(o.width, o.height);
  InitGLState();
  SeedRandom(o.seed.value_or(1));  // a still is the same picture on every run unless asked
  DrawStoredKnotStill(o.knot, o.style);
  return 0;
}

int RunContactSheet(EglContext& context, const RenderOptions& o, std::ostream& out,
                    std::ostream& err) {
  const int count = LibraryKnotCount();
  if (count <= 0) {
    err << "tressvale-render: no stored knots\n";
    return 1;
  }
  const std::vector<std::string>& names = LibraryKnotNames();
  const int columns = std::max(1, static_cast<int>(std::ceil(std::sqrt(count * 1.0))));
  const int rows = (count + columns - 1) / columns;
  const int label = 2 * kGlyphHeight + 6;  // text at scale 2 with a margin
  const int cellHeight = o.cell + label;
  Image sheet(columns * o.cell, rows * cellHeight);
  if (!context.Resize(o.cell, o.cell)) {
    err << "tressvale-render: cannot make a " << o.cell << " pixel framebuffer\n";
    return 1;
  }
  ResizeView(o.cell, o.cell);
  InitGLState();
  // The same tube resolution for every knot, so the sheet compares shapes, not random detail.
  saverSettings.uMin = saverSettings.uMax = 2.0;
  saverSettings.vMin = saverSettings.vMax = 12;
  const uint8_t grey[3] = {200, 200, 200};
  for (int i = 0; i < count; ++i) {
    SeedRandom(o.seed.value_or(1));
    DrawStoredKnotStill(i, o.style);
    const std::vector<uint8_t> pixels = context.ReadPixels();
    const int x0 = (i % columns) * o.cell, y0 = (i / columns) * cellHeight;
    for (int y = 0; y < o.cell; ++y)
      std::copy_n(&pixels[static_cast<size_t>(y) * o.cell * 4], o.cell * 4, sheet.At(x0, y0 + y));
    std::string name = i < static_cast<int>(names.size()) ? names[i] : "#" + std::to_string(i);
    const int scale = TextWidth(name, 2) <= o.cell - 4 ? 2 : 1;
    DrawText(sheet, x0 + (o.cell - TextWidth(name, scale)) / 2, y0 + o.cell + 2, name, scale, grey);
    if (OnTerminal()) std::fprintf(stderr, "\rknot %d/%d", i + 1, count);
  }
  if (OnTerminal()) std::fprintf(stderr, "\n");
  if (int rc = WriteOrFail(o.contactSheet, sheet, err)) return rc;
  out << count << " stored knots in a " << columns << "x" << rows << " grid: " << o.contactSheet
      << "\n";
  return 0;
}

int WriteFrameLog(const std::vector<FrameRecord>& frames, const RenderOptions& o,
                  std::ostream& out, std::ostream& err) {
  std::string error;
  if (!o.csvFile.empty() && !WriteFrameCsv(o.csvFile, frames, error)) {
    err << "tressvale-render: " << error << "\n";
    return 1;
  }
  if (!o.plotFile.empty() && WriteOrFail(o.plotFile, PlotFrameTimes(frames, 1200, 400), err)) return 1;
  for (const std::string& file : {o.csvFile, o.plotFile})
    if (!file.empty()) out << "frame log: " << file << "\n";
  return 0;
}

int RunBench(EglContext& context, const RenderOptions& o, std::ostream& out, std::ostream& err) {
  SaverRun run(context, o.seed.value_or(1));
  if (o.inPlace) knotsPreparedAhead = 0;
  const SceneCounters counters = sceneCounters;
  std::optional<FrameRecorder> recorder;
  if (!o.csvFile.empty() || !o.plotFile.empty()) recorder.emplace(o.frames);
  std::vector<double> ms;
  ms.reserve(o.frames);
  posix::HeapRelease heap;
  size_t maxCells = 0, maxVertices = 0;
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  for (int k = 1; k <= o.frames; ++k) {
    const auto t0 = Clock::now();
    run.AdvanceTo(static_cast<uint32_t>(static_cast<int64_t>(k) * o.stepMs), o.stepMs);
    glFinish();
    heap.Tick(run.Now());  // as the saver does between frames, and timed with the frame
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    if (recorder) recorder->Record(k, run.Now(), ms.back());
    maxCells = std::max(maxCells, TranslucentCells().size());
    size_t vertices = 0;
    for (const KnotSlot& s : slots)
      for (const KnotComponent& c : s.knot.components) vertices += c.vertices.size();
    maxVertices = std::max(maxVertices, vertices);
    if (OnTerminal() && k % 100 == 0) std::fprintf(stderr, "\rframe %d/%d", k, o.frames);
  }
  if (OnTerminal()) std::fprintf(stderr, "\n");
  const double total = std::chrono::duration<double>(Clock::now() - start).count();
  char line[512];
  std::snprintf(line, sizeof line,
                "%s\n%dx%d, %d frames every %d ms (%.1f s of saver time), %d knots, u %.1f..%.1f, "
                "v %d..%d, translucent %d%%\n"
                "frame ms: p50 %.2f  p99 %.2f  max %.2f  mean %.2f  (%.1f s wall)\n"
                "largest scene: %zu mesh vertices, %zu translucent cells in one frame\n"
                "peak RSS: %.1f MiB\n",
                context.Describe().c_str(), o.width, o.height, o.frames, o.stepMs,
                static_cast<int64_t>(o.frames) * o.stepMs / 1000.0, SceneKnotCount(),
                saverSettings.uMin, saverSettings.uMax, saverSettings.vMin, saverSettings.vMax,
                saverSettings.blendedPercent, Percentile(ms, 0.5), Percentile(ms, 0.99),
                *std::max_element(ms.begin(), ms.end()), total * 1000.0 / o.frames, total,
                maxVertices, maxCells, PeakRssKiB() / 1024.0);
  out << line;
  out << "knot changes: " << sceneCounters.knotsChosen - counters.knotsChosen << ", "
      << sceneCounters.preparedKnotsUsed - counters.preparedKnotsUsed << " prepared ahead\n";
  return recorder ? WriteFrameLog(recorder->Frames(), o, out, err) : 0;
}

}  // namespace

void ResetScene() {
  slots.clear();
  DropPreparedKnots();
  ClearTranslucent();
  displayState = DisplayState{};
}

SaverRun::SaverRun(EglContext& context, std::optional<uint32_t> seed) : context_(context) {
  ResetScene();
  ResizeView(context.Width(), context.Height());
  InitGLState();
  if (seed) SeedRandom(*seed);
  // The simulated clock reads 0 one millisecond after creation, so frame k lands at k * step.
  StartClock(0xFFFFFFFFu);
  now_ = 0;
}

void SaverRun::AdvanceTo(uint32_t ms, int stepMs) {
  while (now_ < ms) {
    now_ = static_cast<uint32_t>(std::min<uint64_t>(static_cast<uint64_t>(now_) + stepMs, ms));
    OnTimerTick(now_);
  }
}

void SaverRun::FastForwardTo(uint32_t ms, int stepMs) {
  // The same ticks as AdvanceTo (ms), all but the last without drawing. What remains is the
  // scene's own work (flights, swings, new knots' tubes); a long run shows its progress.
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  auto shown = start;
  const uint32_t from = now_;
  const bool progress = OnTerminal();
  {
    SkipDrawing skip;
    posix::HeapRelease heap;
    for (uint32_t frame = 1; now_ < ms && ms - now_ > static_cast<uint32_t>(stepMs); ++frame) {
      now_ += static_cast<uint32_t>(stepMs);
      OnTimerTick(now_);
      heap.Tick(now_);
      if (!progress || frame % 1024 != 0 || Clock::now() - shown < std::chrono::milliseconds(500))
        continue;
      shown = Clock::now();
      const double done = static_cast<double>(now_ - from) / (ms - from);
      const double left = std::chrono::duration<double>(shown - start).count() * (1 - done) / done;
      std::fprintf(stderr, "\rfast-forward to %u ms: %.1f%%, about %.0f %s left ", ms, 100 * done,
                   left < 120 ? left : left / 60, left < 120 ? "s" : "min");
    }
  }
  if (shown != start) std::fprintf(stderr, "\n");
  AdvanceTo(ms, stepMs);
}

Image SaverRun::Capture() const {
  Image image;
  image.width = context_.Width();
  image.height = context_.Height();
  image.rgba = context_.ReadPixels();
  return image;
}

int RunRender(const RenderOptions& o, std::ostream& out, std::ostream& err) {
  if (!PrepareSettings(o, err)) return 2;
  std::string error;
  auto context = EglContext::Create(o.width, o.height, error);
  if (!context) {
    err << "tressvale-render: cannot start OpenGL: " << error << "\n";
    return 1;
  }
  switch (o.mode) {
    case RenderMode::Frames: return RunFrames(*context, o, out, err);
    case RenderMode::Png: return RunPng(*context, o, out, err);
    case RenderMode::Still: {
      const int rc = RunStill(o, out, err);
      if (rc != 0) return rc;
      Image image;
      image.width = context->Width();
      image.height = context->Height();
      image.rgba = context->ReadPixels();
      if (int w = WriteOrFail(o.pngFile, image, err)) return w;
      out << "stored knot " << o.knot << " (" << kRenderStyleLabels[o.style] << "): " << o.pngFile << "\n";
      return 0;
    }
    case RenderMode::ContactSheet: return RunContactSheet(*context, o, out, err);
    case RenderMode::Bench: return RunBench(*context, o, out, err);
    case RenderMode::Help: break;
  }
  out << kRenderUsage;
  return 0;
}

}  // namespace tv::headless
