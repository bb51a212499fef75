#include "saver/Saver.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

#include "foundation/ColorSpace.h"
#include "foundation/Random.h"
#include "knots/TorusKnot.h"
#include "knots/library/KnotLibrary.h"
#include "render/Gl.h"
#include "render/Render.h"
#include "saver/PreparedKnots.h"
#include "settings/SaverSettings.h"

namespace tv {

std::vector<KnotSlot> slots;
SceneCounters sceneCounters;
size_t knotsPreparedAhead = 2;
bool walkKnotMeshes = true;

namespace {

constexpr int kTorusShare = 15;  // a draw mod 100 of at most this makes a torus knot
constexpr RenderStyle kBlendSubStyles[5] = {Triangle, Quad, HalfU, HalfV, Smooth};

// min + draw mod (max - min + 1). A range turned upside down by a hand-edited record still takes
// its draw and yields the minimum; the width is formed in 64 bits so no record can overflow it.
float SpinSpeed(int32_t min, int32_t max) {
  const int64_t width = static_cast<int64_t>(max) - min + 1;
  const int n = static_cast<int>(std::clamp<int64_t>(width, 0, std::numeric_limits<int>::max()));
  return static_cast<float>(static_cast<int64_t>(min) + RandomMod(n));
}

// Frame time that moves the scene. A negative interval (a clock that stepped back, or an
// unsigned interval past 2^31 ms) moves nothing rather than sending knots far back along
// their paths.
int32_t MotionMs(int32_t deltaMs) { return deltaMs > 0 ? deltaMs : 0; }

// Keeps a swing accumulator within one period of its sine. The shift is a whole period of
// sin(rotation / 700), so the angle drawn does not change; without it the float sum reaches a
// size where each frame's increment rounds away and the swing freezes.
float WrapSwing(double rotation) {
  if (std::fabs(rotation) >= kSwingPeriod) rotation = std::fmod(rotation, kSwingPeriod);
  return static_cast<float>(rotation);
}

// As many components as knot has, none with a mesh.
const Knot& MeshlessStandIn(const Knot& knot) {
  static Knot standIn;
  standIn.components.resize(knot.components.size());
  return standIn;
}

}  // namespace

int SceneKnotCount() { return std::clamp(saverSettings.knotCount, 0, kMaxSceneKnots); }

void AdvanceScene(int32_t elapsedTotal, int32_t deltaMs) {
  const size_t wanted = static_cast<size_t>(SceneKnotCount());
  while (slots.size() < wanted) {
    KnotSlot slot;
    RandomizePath(slot);
    slots.push_back(std::move(slot));
    ChooseKnot(slots.back());
  }
  AdvanceProgress(deltaMs);
  // Started before drawing, so the builds run beside this frame's drawing.
  if (!slots.empty()) PrepareKnots(knotsPreparedAhead);
  ClearTranslucent();
  for (KnotSlot& slot : slots) DrawSlot(slot, elapsedTotal, deltaMs);
  gl.LoadIdentity();
  DrawTranslucent();
}

void AdvanceProgress(int32_t deltaMs) {
  for (KnotSlot& slot : slots) {
    slot.progress += MotionMs(deltaMs) * slot.progressRate * kProgressPerMs;
    // Strictly beyond 1; whatever lies past it is dropped, so one frame replaces a knot once.
    if (slot.progress > 1.0) {
      ChooseKnot(slot);
      RandomizePath(slot);
    }
  }
}

void RandomizePath(KnotSlot& slot) {
  const double theta = RandomMod(360) * kDegreesToRadians;
  const double zs = RandomMod(100) * 0.02 - 7.0;
  slot.pathStart = Vec3(kPathStartDistance * std::cos(theta), kPathStartDistance * std::sin(theta), zs);
  const double opposite = theta + kHalfTurn;
  const double ze = RandomMod(100) * 0.02 - 7.0;
  slot.pathEnd =
      Vec3(kPathEndDistance * std::cos(opposite), kPathEndDistance * std::sin(opposite), ze);
  slot.progressRate = 1.0 / (RandomMod(120) + 200);
  slot.progress = 0.0;
  const SaverSettings& s = saverSettings;
  slot.spinSpeedX = SpinSpeed(s.spinXMin, s.spinXMax);
  slot.spinSpeedY = SpinSpeed(s.spinYMin, s.spinYMax);
}

void AdvanceSwing(KnotSlot& slot, int32_t deltaMs) {
  const int32_t ms = MotionMs(deltaMs);
  // The increment is worked out as the float product ms * speed, scaled in double, then summed
  // into the float accumulator.
  slot.rotationX = WrapSwing(slot.rotationX + static_cast<double>(ms * slot.spinSpeedX) * kSpinTimeUnit);
  slot.rotationY = WrapSwing(slot.rotationY + static_cast<double>(ms * slot.spinSpeedY) * kSpinTimeUnit);
}

void DrawSlot(KnotSlot& slot, int32_t elapsedTotal, int32_t deltaMs) {
  gl.LoadIdentity();
  const double s = EaseInHoldOut(slot.progress);
  const Vec3 at = slot.pathStart + s * (slot.pathEnd - slot.pathStart);
  gl.Translatef(static_cast<float>(at.x), static_cast<float>(at.y), static_cast<float>(at.z));
  const double aboutX = kSwingAmplitude * std::sin(slot.rotationX * kSwingPhaseScale);
  const double aboutY = kSwingAmplitude * std::cos(slot.rotationY * kSwingPhaseScale);
  gl.Rotatef(static_cast<float>(aboutX), 1.0f, 0.0f, 0.0f);
  gl.Rotatef(static_cast<float>(aboutY), 0.0f, 1.0f, 0.0f);
  DrawKnot(walkKnotMeshes ? slot.knot : MeshlessStandIn(slot.knot), elapsedTotal, slot.params);
  if (slot.params.spinning) AdvanceSwing(slot, deltaMs);
}

RenderStyle PickBlendStyle() { return kBlendSubStyles[RandomMod(5)]; }

KnotChoice DrawKnotChoice() {
  const SaverSettings& settings = saverSettings;
  KnotChoice c;

  // Style by the weights' running sums; sums in 64 bits so no hand-edited record overflows them.
  const int r = RandomDraw();
  int64_t sums[kRenderStyleCount];
  int64_t total = 0;
  for (int i = 0; i < kRenderStyleCount; ++i) sums[i] = total += settings.styleWeight[i];
  if (total <= 0) {
    c.style = Smooth;
  } else {
    const int64_t pick = r % total;
    c.style = Blended;
    for (int i = 0; i < kRenderStyleCount; ++i) {
      if (pick < sums[i]) {
        c.style = i;
        break;
      }
    }
  }
  if (c.style == Blended) {
    c.blendFrom = PickBlendStyle();
    c.blendTo = PickBlendStyle();
  }

  c.wobbles = RandomPercent(settings.wobblePercent) ? 1 : 0;

  c.torus = RandomMod(100) <= kTorusShare;
  if (c.torus) {
    c.torusKnot.Randomize(kTorusPLimit, kTorusQLimit, kTorusULimit, kTorusVLimit);
  } else {
    const int count = LibraryKnotCount();
    c.stored = DrawLibraryKnot(RandomMod(count));
  }

  // Wire and Point knots are never translucent and take no draw for it.
  if (c.style != Wire && c.style != Point) {
    c.translucent = RandomPercent(settings.blendedPercent) ? 1 : 0;
    if (c.translucent) c.wireOverlay = RandomPercent(settings.wirePercent) ? 1 : 0;
  }

  c.sColored = RandomPercent(settings.sColoredPercent) ? 1 : 0;
  if (c.sColored) return c;  // coloured by position and time; keeps the loader's colours
  c.hue0 = RandomMod(360);
  c.colourMode = RandomMod(3);
  c.hueTurns = RandomMod(3) + 1;
  return c;
}

void BuildChosenKnot(const KnotChoice& c, Knot& knot) {
  if (c.torus) {
    TorusKnot torus = c.torusKnot;
    torus.Rebuild();
    knot.components = std::move(torus.components);
  } else {
    BuildLibraryKnot(knot, c.stored);
  }
  if (c.sColored) return;

  double r0 = 0, g0 = 0, b0 = 0;
  HsvToRgb(c.hue0, kKnotSaturation, kKnotValue, r0, g0, b0);
  double h = 0, sat = 0, val = 0;
  RgbToHsv(r0, g0, b0, h, sat, val);
  const Rgba base(r0, g0, b0, 1.0);
  const double hueSpread = 360.0 / static_cast<double>(std::max<size_t>(knot.components.size(), 1));
  for (KnotComponent& component : knot.components) {
    if (c.colourMode == 0) {
      component.SetColors(base, true, 0.0);
    } else if (c.colourMode == 1) {
      // hueTurns whole trips round the hue circle along the component
      const double step = component.uDivisions > 0
                              ? static_cast<double>(c.hueTurns) / component.uDivisions * 360.0
                              : 0.0;
      component.SetColors(base, false, step);
    } else {
      h += hueSpread;
      double r = 0, g = 0, b = 0;
      HsvToRgb(h, sat, val, r, g, b);
      component.SetColors(Rgba(r, g, b, 1.0), true, 0.0);
    }
  }
}

void ApplyKnotChoice(KnotSlot& slot, const KnotChoice& c, Knot&& knot) {
  RenderParams& params = slot.params;
  params.style = c.style;
  if (c.style == Blended) {
    params.blendFrom = c.blendFrom;
    params.blendTo = c.blendTo;
  }
  params.wobbles = c.wobbles;
  // When translucent comes out false, wireOverlay keeps its old value (the renderer ignores it).
  params.translucent = c.translucent;
  if (c.translucent) params.wireOverlay = c.wireOverlay;
  params.sColored = c.sColored;
  slot.storedIndex = c.torus ? -1 : c.stored.index;
  slot.torusP = c.torus ? static_cast<int>(c.torusKnot.p) : 0;
  slot.torusQ = c.torus ? static_cast<int>(c.torusKnot.q) : 0;
  slot.knot.components = std::move(knot.components);
}

void ChooseKnot(KnotSlot& slot) {
  const auto start = std::chrono::steady_clock::now();
  KnotChoice choice;
  Knot knot;
  if (TakePreparedKnot(choice, knot)) {
    ++sceneCounters.preparedKnotsUsed;
  } else {
    choice = DrawKnotChoice();
    BuildChosenKnot(choice, knot);
  }
  ApplyKnotChoice(slot, choice, std::move(knot));
  ++sceneCounters.knotsChosen;
  sceneCounters.chooseMs +=
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace tv
