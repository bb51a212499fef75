// The scene director: a fixed number of knot slots, each flying one knot through the view while it
// swings about two axes, and replacing it with a freshly chosen one when the flight ends.
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/Vectors.h"
#include "knots/Knot.h"
#include "knots/TorusKnot.h"
#include "knots/library/KnotLibrary.h"
#include "render/RenderTypes.h"

namespace tv {

// One knot on the screen.
struct KnotSlot {
  RenderParams params;  // Smooth, spinning, sColored and wobbles set; spinning is never cleared
  Knot knot;
  // What the knot is, for descriptions of the scene: a stored knot's index, or -1 and the
  // torus knot's p and q.
  int storedIndex = -1;
  int torusP = 0;
  int torusQ = 0;
  float rotationX = 0.0f;  // swing phase accumulators, kept within one period of the swing
  float rotationY = 0.0f;
  float spinSpeedX = 0.0f;  // growth of rotationX per second of frame time
  float spinSpeedY = 0.0f;
  Vec3 pathEnd;
  Vec3 pathStart;
  double progress = 0.0;      // 0 to 1 along the flight
  double progressRate = 0.0;  // 1 / d for d in 200..319
};

// Flight geometry and timing.
constexpr double kPathStartDistance = 7.0;
constexpr double kPathEndDistance = 7.0 * 1.05;  // 7.3500000000000005
constexpr double kDegreesToRadians = 0.017453292519943278;
constexpr double kHalfTurn = 3.14159265358979;
constexpr double kProgressPerMs = 0.02;  // times progressRate
// Swing: 360 * sin(rotation / 700) degrees; rotation grows by speed per second of frame time.
constexpr double kSwingPhaseScale = 0.0014285714285714286;
constexpr double kSwingAmplitude = 360.0;
constexpr double kSpinTimeUnit = 0.001;
// One whole period of the swing's sine and cosine, in rotation units (2 pi * 700).
constexpr double kSwingPeriod = 2.0 * 3.141592653589793238 / kSwingPhaseScale;
constexpr double kKnotSaturation = 0.9;
constexpr double kKnotValue = 0.9;
// More knots than the configuration allows are never made, whatever the record says.
constexpr int kMaxSceneKnots = 20;

// Everything one knot change draws, in draw order: the render parameters it sets, the knot to
// build and its colours. blendFrom and blendTo count only for Blended, wireOverlay only when
// translucent.
struct KnotChoice {
  int32_t style = Smooth;
  int32_t blendFrom = Smooth;
  int32_t blendTo = Smooth;
  uint8_t wobbles = 0;
  uint8_t translucent = 0;
  uint8_t wireOverlay = 0;
  uint8_t sColored = 0;
  bool torus = false;
  TorusKnot torusKnot;  // p, q and divisions drawn, not yet built
  LibraryKnotRecipe stored;
  int hue0 = 0;
  int colourMode = 0;  // 0 one colour, 1 hue ramp, 2 one hue per component
  int hueTurns = 1;
};

// Running totals of the director's knot changes, read by the frame-time instruments.
struct SceneCounters {
  uint64_t knotsChosen = 0;
  uint64_t preparedKnotsUsed = 0;
  double chooseMs = 0.0;  // wall time spent in ChooseKnot
};
extern SceneCounters sceneCounters;

// How many knot changes are worked out ahead of the frames that need them; 0 makes every change
// in place, on the frame.
extern size_t knotsPreparedAhead;

// The slots in the order they were made; grows to knotCount on the first frame, never shrinks.
extern std::vector<KnotSlot> slots;

// False while frames are worked out without being drawn (the headless fast-forward): each knot is
// then drawn as its components' count with no mesh, which sets the GL state its style sets
// without walking a cell or holding a translucent one. True in the savers.
extern bool walkKnotMeshes;

// Advances every slot by deltaMs, replaces knots whose flight ended and draws all knots with
// elapsedTotal as the effects' clock. Expects the model-view matrix selected; leaves the identity.
void AdvanceScene(int32_t elapsedTotal, int32_t deltaMs);

// The director's steps, open for tests.
void AdvanceProgress(int32_t deltaMs);
void DrawSlot(KnotSlot& slot, int32_t elapsedTotal, int32_t deltaMs);
void ChooseKnot(KnotSlot& slot);
// ChooseKnot in three steps: every draw (reads the settings and the library), the build (reads
// nothing but the choice, so it may run on another thread), and the change of the slot.
KnotChoice DrawKnotChoice();
void BuildChosenKnot(const KnotChoice& choice, Knot& knot);
void ApplyKnotChoice(KnotSlot& slot, const KnotChoice& choice, Knot&& knot);
void RandomizePath(KnotSlot& slot);
RenderStyle PickBlendStyle();
// Adds one frame's swing to the slot's accumulators (float sums, wrapped by whole periods).
void AdvanceSwing(KnotSlot& slot, int32_t deltaMs);
// The number of slots the scene keeps for the current settings (knotCount clamped to 0..20).
int SceneKnotCount();

}  // namespace tv
