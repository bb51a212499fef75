#include "saver/Saver.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "foundation/ColorSpace.h"
#include "foundation/Random.h"
#include "knots/TorusKnot.h"
#include "knots/library/KnotLibrary.h"
#include "render/Gl.h"
#include "render/Render.h"
#include "settings/SaverSettings.h"

namespace tv {

std::vector<KnotSlot> slots;

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
  DrawKnot(slot.knot, elapsedTotal, slot.params);
  if (slot.params.spinning) AdvanceSwing(slot, deltaMs);
}

RenderStyle PickBlendStyle() { return kBlendSubStyles[RandomMod(5)]; }

void ChooseKnot(KnotSlot& slot) {
  const SaverSettings& settings = saverSettings;
  RenderParams& params = slot.params;

  // Style by the weights' running sums; sums in 64 bits so no hand-edited record overflows them.
  const int r = RandomDraw();
  int64_t sums[kRenderStyleCount];
  int64_t total = 0;
  for (int i = 0; i < kRenderStyleCount; ++i) sums[i] = total += settings.styleWeight[i];
  if (total <= 0) {
    params.style = Smooth;
  } else {
    const int64_t pick = r % total;
    params.style = Blended;
    for (int i = 0; i < kRenderStyleCount; ++i) {
      if (pick < sums[i]) {
        params.style = i;
        break;
      }
    }
  }
  if (params.style == Blended) {
    params.blendFrom = PickBlendStyle();
    params.blendTo = PickBlendStyle();
  }

  params.wobbles = RandomPercent(settings.wobblePercent) ? 1 : 0;

  if (RandomMod(100) <= kTorusShare) {
    TorusKnot torus;
    torus.Randomize(kTorusPLimit, kTorusQLimit, kTorusULimit, kTorusVLimit);
    torus.Rebuild();
    slot.knot.components = std::move(torus.components);
  } else {
    const int count = LibraryKnotCount();
    LoadLibraryKnot(slot.knot, RandomMod(count));
  }

  // Wire and Point knots are never translucent and take no draw for it; when translucent comes
  // out false, wireOverlay keeps its old value (the renderer ignores it then).
  if (params.style != Wire && params.style != Point) {
    params.translucent = RandomPercent(settings.blendedPercent) ? 1 : 0;
    if (params.translucent) params.wireOverlay = RandomPercent(settings.wirePercent) ? 1 : 0;
  } else {
    params.translucent = 0;
  }

  params.sColored = RandomPercent(settings.sColoredPercent) ? 1 : 0;
  if (params.sColored) return;  // coloured by position and time; keeps the loader's colours

  const int hue0 = RandomMod(360);
  double r0 = 0, g0 = 0, b0 = 0;
  HsvToRgb(hue0, kKnotSaturation, kKnotValue, r0, g0, b0);
  double h = 0, sat = 0, val = 0;
  RgbToHsv(r0, g0, b0, h, sat, val);
  const Rgba base(r0, g0, b0, 1.0);
  const int mode = RandomMod(3);
  const int turns = RandomMod(3) + 1;

  const double hueSpread = 360.0 / static_cast<double>(std::max<size_t>(slot.knot.components.size(), 1));
  for (KnotComponent& c : slot.knot.components) {
    if (mode == 0) {
      c.SetColors(base, true, 0.0);
    } else if (mode == 1) {
      // turns whole trips round the hue circle along the component
      const double step = c.uDivisions > 0 ? static_cast<double>(turns) / c.uDivisions * 360.0 : 0.0;
      c.SetColors(base, false, step);
    } else {
      h += hueSpread;
      double r = 0, g = 0, b = 0;
      HsvToRgb(h, sat, val, r, g, b);
      c.SetColors(Rgba(r, g, b, 1.0), true, 0.0);
    }
  }
}

}  // namespace tv
