// The cost of our own walk against the GL: drawing a heavy knot with DrawKnot (and its
// translucent pass) against replaying the very same recorded call stream straight through
// immediate mode, both on Mesa llvmpipe in a real EGL context, each ending in glFinish.
// The "ratio" counter is walk time / replay time, measured interleaved in one run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "EglContext.h"
#include "display/Display.h"
#include "knots/TorusKnot.h"
#include "render/Gl.h"
#include "render/Render.h"

namespace tv {
namespace {

constexpr int kWidth = 640, kHeight = 360;
constexpr int32_t kTimeMs = 9000;  // the translucent planes cut through the knot here

// --- Recording ------------------------------------------------------------------------------
// The stream as plain arrays: per-vertex records in one block, and between Begin/End blocks the
// state calls that came before them. Replaying it costs nothing but the GL calls themselves.
struct VertexRecord {
  double n[3], c[4], p[3];
};
struct StateCall {
  enum Kind { PolygonMode, ShadeModel, Enable, Disable } kind;
  GLenum a, b;
};
struct Block {
  std::vector<StateCall> before;
  GLenum primitive;
  size_t first, count;
};
struct Stream {
  std::vector<VertexRecord> vertices;
  std::vector<Block> blocks;
  std::vector<StateCall> after;  // state calls after the last block
};

Stream* recording;
VertexRecord current;
std::vector<StateCall> pending;

void APIENTRY RecBegin(GLenum mode) {
  recording->blocks.push_back({pending, mode, recording->vertices.size(), 0});
  pending.clear();
}
void APIENTRY RecEnd() {
  Block& b = recording->blocks.back();
  b.count = recording->vertices.size() - b.first;
}
void APIENTRY RecNormal(GLdouble x, GLdouble y, GLdouble z) {
  current.n[0] = x, current.n[1] = y, current.n[2] = z;
}
void APIENTRY RecColor(GLdouble r, GLdouble g, GLdouble b, GLdouble a) {
  current.c[0] = r, current.c[1] = g, current.c[2] = b, current.c[3] = a;
}
void APIENTRY RecVertex(GLdouble x, GLdouble y, GLdouble z) {
  current.p[0] = x, current.p[1] = y, current.p[2] = z;
  recording->vertices.push_back(current);
}
void APIENTRY RecPolygonMode(GLenum f, GLenum m) { pending.push_back({StateCall::PolygonMode, f, m}); }
void APIENTRY RecShadeModel(GLenum m) { pending.push_back({StateCall::ShadeModel, m, 0}); }
void APIENTRY RecEnable(GLenum c) { pending.push_back({StateCall::Enable, c, 0}); }
void APIENTRY RecDisable(GLenum c) { pending.push_back({StateCall::Disable, c, 0}); }

void Place() {
  glLoadIdentity();
  glTranslatef(0.0f, 0.0f, -7.0f);
  glRotatef(25.0f, 1.0f, 0.0f, 0.0f);
  glRotatef(40.0f, 0.0f, 1.0f, 0.0f);
}

// One frame of the product path: what the scene does for one knot. This and DrawReplay stay out
// of line so that bench/walk-replay-callgrind.sh can count each one's instructions.
[[gnu::noinline]] void DrawWithWalk(const Knot& knot, const RenderParams& params) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  ClearTranslucent();
  Place();
  DrawKnot(knot, kTimeMs, params);
  glLoadIdentity();
  DrawTranslucent();
  glFinish();
}

void RunState(const std::vector<StateCall>& calls) {
  for (const StateCall& s : calls) switch (s.kind) {
      case StateCall::PolygonMode: glPolygonMode(s.a, s.b); break;
      case StateCall::ShadeModel: glShadeModel(s.a); break;
      case StateCall::Enable: glEnable(s.a); break;
      case StateCall::Disable: glDisable(s.a); break;
    }
}

// The same frame from the recorded stream. The matrix loads stay where the walk had them (the
// first block's matrix is set before drawing, the translucent cells are drawn under identity).
[[gnu::noinline]] void DrawReplay(const Stream& s, size_t opaqueBlocks) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  Place();
  for (size_t i = 0; i < s.blocks.size(); ++i) {
    if (i == opaqueBlocks) glLoadIdentity();
    const Block& b = s.blocks[i];
    RunState(b.before);
    glBegin(b.primitive);
    const VertexRecord* v = s.vertices.data() + b.first;
    for (size_t k = 0; k < b.count; ++k, ++v) {
      glNormal3d(v->n[0], v->n[1], v->n[2]);
      glColor4d(v->c[0], v->c[1], v->c[2], v->c[3]);
      glVertex3d(v->p[0], v->p[1], v->p[2]);
    }
    glEnd();
  }
  if (opaqueBlocks == s.blocks.size()) glLoadIdentity();
  RunState(s.after);
  glFinish();
}

struct Setup {
  std::unique_ptr<headless::EglContext> context;
  TorusKnot knot;
  bool ok = false;

  Setup() {
    std::string error;
    context = headless::EglContext::Create(kWidth, kHeight, error);
    if (!context) {
      std::fprintf(stderr, "no EGL context: %s\n", error.c_str());
      return;
    }
    // The saver's own view and fixed GL state: both sides of the ratio draw under it.
    ResizeView(kWidth, kHeight);
    InitGLState();
    // A heavy torus knot: 24,000 cells, 144,000 vertices a pass.
    knot.p = 7;
    knot.q = 3;
    knot.components[0].uDivisions = 2000;
    knot.components[0].vDivisions = 12;
    knot.Rebuild();
    knot.ScaleToSize(5.0);
    knot.components[0].SetColors(Rgba(0.9, 0.4, 0.1, 1.0), false, 0.5);
    ok = true;
  }
};

Setup& Shared() {
  static Setup setup;
  return setup;
}

// Records one product frame; returns the number of blocks drawn before the translucent pass.
size_t Record(const Knot& knot, const RenderParams& params, Stream& out) {
  const GlDispatch real = gl;
  recording = &out;
  pending.clear();
  gl.Begin = RecBegin;
  gl.End = RecEnd;
  gl.Normal3d = RecNormal;
  gl.Color4d = RecColor;
  gl.Vertex3d = RecVertex;
  gl.PolygonMode = RecPolygonMode;
  gl.ShadeModel = RecShadeModel;
  gl.Enable = RecEnable;
  gl.Disable = RecDisable;
  ClearTranslucent();
  Place();
  DrawKnot(knot, kTimeMs, params);
  const size_t opaque = out.blocks.size();
  glLoadIdentity();
  DrawTranslucent();
  out.after = pending;
  gl = real;
  ClearTranslucent();
  return opaque;
}

RenderParams Params(bool effects) {
  RenderParams p;
  p.style = Smooth;
  p.sColored = p.wobbles = p.translucent = effects;
  p.wireOverlay = 0;
  return p;
}

void BM_WalkOverReplay(benchmark::State& state) {
  Setup& s = Shared();
  if (!s.ok) {
    state.SkipWithError("no EGL context");
    return;
  }
  const RenderParams params = Params(state.range(0) != 0);
  Stream stream;
  const size_t opaque = Record(s.knot, params, stream);
  DrawWithWalk(s.knot, params);  // warm both paths
  DrawReplay(stream, opaque);
  using Clock = std::chrono::steady_clock;
  double walk = 0, replay = 0;
  // Process CPU time (all threads, llvmpipe's included) as well: on a shared machine it is not
  // stretched by other programs the way wall time is.
  std::clock_t walkCpu = 0, replayCpu = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    const std::clock_t c0 = std::clock();
    DrawWithWalk(s.knot, params);
    const auto t1 = Clock::now();
    const std::clock_t c1 = std::clock();
    DrawReplay(stream, opaque);
    const auto t2 = Clock::now();
    walkCpu += c1 - c0;
    replayCpu += std::clock() - c1;
    walk += std::chrono::duration<double>(t1 - t0).count();
    replay += std::chrono::duration<double>(t2 - t1).count();
  }
  const double n = double(state.iterations());
  state.counters["walk_ms"] = walk / n * 1e3;
  state.counters["replay_ms"] = replay / n * 1e3;
  state.counters["ratio"] = walk / replay;
  state.counters["cpu_ratio"] = static_cast<double>(walkCpu) / static_cast<double>(replayCpu);
  state.counters["vertices"] = double(stream.vertices.size());
  state.counters["deferred_blocks"] = double(stream.blocks.size() - opaque);
}
BENCHMARK(BM_WalkOverReplay)->Arg(0)->Arg(1)->ArgName("effects")->Unit(benchmark::kMillisecond)
    ->MinTime(3.0);

}  // namespace
}  // namespace tv

BENCHMARK_MAIN();
