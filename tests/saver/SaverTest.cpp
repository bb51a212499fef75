// The scene director: the order of its random draws, flights and their replacement, the swing,
// and the GL calls with which it places each knot.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>

#include "foundation/ColorSpace.h"
#include "knots/library/KnotLibrary.h"
#include "render/Render.h"
#include "saver/Saver.h"
#include "saver/SceneTestSupport.h"
#include "settings/SaverSettings.h"
#include "support/GlRecorder.h"

namespace tv {
namespace {

using test::DrawPredictor;
using test::DrawsSince;
using Draws = std::vector<int>;

constexpr RenderStyle kSubStyles[5] = {Triangle, Quad, HalfU, HalfV, Smooth};

Draws Predict(uint32_t seed, int n) {
  DrawPredictor p(seed);
  Draws d;
  for (int i = 0; i < n; ++i) d.push_back(p.Next());
  return d;
}

// First seed whose first n predicted draws satisfy the condition.
uint32_t FindSeed(int n, const std::function<bool(const Draws&)>& wanted) {
  for (uint32_t seed = 1; seed < 5000000; ++seed)
    if (wanted(Predict(seed, n))) return seed;
  ADD_FAILURE() << "no seed found";
  return 1;
}

class SceneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = saverSettings;
    ResetSettings(saverSettings);
    slots.clear();
    ClearTranslucent();
  }
  void TearDown() override {
    saverSettings = saved_;
    slots.clear();
    ClearTranslucent();
    UseBuiltInLibrary();
  }
  void OnlyStyle(RenderStyle style) {
    for (int& w : saverSettings.styleWeight) w = 0;
    saverSettings.styleWeight[style] = 1;
  }
  void UseRings(int components) {
    block_ = test::RingBlock(components);
    UseLibraryBlock(block_.data(), block_.size());
  }
  static KnotSlot Chosen(uint32_t seed, KnotSlot slot = {}) {
    SeedRandom(seed);
    ChooseKnot(slot);
    return slot;
  }

  test::GlRecorder recorder_;  // nothing reaches a real GL
  SaverSettings saved_{};
  std::vector<uint8_t> block_;
};

// Style, wobbles, translucent, wireOverlay, sColored.
std::array<int, 5> Flags(const KnotSlot& s) {
  return {s.params.style, s.params.wobbles, s.params.translucent, s.params.wireOverlay, s.params.sColored};
}

void ExpectColours(const KnotComponent& c, double hue) {
  double r, g, b;
  HsvToRgb(hue, 0.9, 0.9, r, g, b);
  for (const Rgba& colour : c.colors) {
    EXPECT_NEAR(colour.r, r, 1e-9);
    EXPECT_NEAR(colour.g, g, 1e-9);
    EXPECT_NEAR(colour.b, b, 1e-9);
    EXPECT_EQ(colour.a, 1.0);
  }
}

// --- Paths -----------------------------------------------------------------------------------

TEST_F(SceneTest, RandomizePathTakesSixDrawsInItsOrderAndKeepsTheSwing) {
  for (uint32_t seed = 1; seed <= 200; ++seed) {
    KnotSlot slot;
    slot.rotationX = 5.0f;
    slot.progress = 0.7;
    SeedRandom(seed);
    const Draws d = Predict(seed, 6);
    RandomizePath(slot);
    ASSERT_EQ(DrawsSince(seed), 6);
    const double theta = (d[0] % 360) * 0.017453292519943278, opposite = theta + 3.14159265358979;
    EXPECT_EQ(slot.pathStart, Vec3(7.0 * std::cos(theta), 7.0 * std::sin(theta), (d[1] % 100) * 0.02 - 7.0));
    EXPECT_EQ(slot.pathEnd, Vec3(7.3500000000000005 * std::cos(opposite),
                                 7.3500000000000005 * std::sin(opposite), (d[2] % 100) * 0.02 - 7.0));
    EXPECT_EQ(slot.progressRate, 1.0 / (d[3] % 120 + 200));
    EXPECT_EQ(slot.spinSpeedX, 60.0f + d[4] % 31);
    EXPECT_EQ(slot.spinSpeedY, 150.0f + d[5] % 51);
    EXPECT_EQ(slot.progress, 0.0);
    EXPECT_EQ(slot.rotationX, 5.0f) << "the swing carries on from knot to knot";
  }
}

TEST_F(SceneTest, UpsideDownSpinRangeGivesItsMinimumAndStillDraws) {
  saverSettings.spinXMin = 90;
  saverSettings.spinXMax = 10;
  saverSettings.spinYMin = -2147483647 - 1;
  saverSettings.spinYMax = 2147483647;
  KnotSlot slot;
  SeedRandom(99);
  RandomizePath(slot);
  EXPECT_EQ(DrawsSince(99), 6);
  EXPECT_EQ(slot.spinSpeedX, 90.0f);
  EXPECT_TRUE(std::isfinite(slot.spinSpeedY));
}

// --- Knot choice -----------------------------------------------------------------------------

TEST_F(SceneTest, TorusKnotTakesItsDrawsInOrder) {
  OnlyStyle(Smooth);
  // style, wobble, kind (torus), p, q, v, u, translucent (yes), overlay, sColored (no), hue, mode, k
  const uint32_t seed = FindSeed(13, [](const Draws& d) {
    return d[2] % 100 == 15 && d[7] % 100 < 20 && d[9] % 100 >= 40 && d[11] % 3 == 0;
  });
  const Draws d = Predict(seed, 13);
  const KnotSlot slot = Chosen(seed);
  EXPECT_EQ(DrawsSince(seed), 13);
  EXPECT_EQ(Flags(slot), (std::array<int, 5>{Smooth, d[1] % 100 < 30, 1, d[8] % 100 < 40, 0}));
  ASSERT_EQ(slot.knot.components.size(), 1u);
  EXPECT_EQ(slot.knot.components[0].vDivisions, 5 + d[5] % 7);
  EXPECT_EQ(slot.knot.components[0].uDivisions, 8 + d[6] % 92);
  ExpectColours(slot.knot.components[0], d[10] % 360);  // mode 0: one colour
}

TEST_F(SceneTest, StoredKnotTakesItsDrawsInOrderAndKeepsLoaderColoursWhenFieldColoured) {
  UseRings(2);
  OnlyStyle(Quad);
  // style, wobble, kind (stored: 16, the torus share's first miss), index, loader v, loader u,
  // translucent (no), sColored (yes)
  const uint32_t seed = FindSeed(8, [](const Draws& d) {
    return d[2] % 100 == 16 && d[6] % 100 >= 20 && d[7] % 100 < 40;
  });
  KnotSlot slot;
  slot.params.wireOverlay = 1;
  slot = Chosen(seed, slot);
  EXPECT_EQ(DrawsSince(seed), 8);
  // wireOverlay is kept when translucent comes out false
  EXPECT_EQ(Flags(slot), (std::array<int, 5>{Quad, Predict(seed, 2)[1] % 100 < 30, 0, 1, 1}));
  // The same knot as the loader makes from the draws after the index.
  DrawPredictor p(seed);
  for (int i = 0; i < 4; ++i) p.Next();
  SeedRandom(p.state);
  Knot reference;
  LoadLibraryKnot(reference, 0);
  ASSERT_EQ(slot.knot.components.size(), 2u);
  for (size_t c = 0; c < 2; ++c) {
    EXPECT_EQ(slot.knot.components[c].vertices, reference.components[c].vertices);
    EXPECT_EQ(slot.knot.components[c].colors, reference.components[c].colors);
  }
}

TEST_F(SceneTest, OnlyBlendedDrawsSubStylesAndTheyAreTheTwoDrawsAfterTheStyle) {
  for (RenderStyle style : {Blended, HalfV}) {
    OnlyStyle(style);
    for (uint32_t seed = 1; seed <= 300; ++seed) {
      const Draws d = Predict(seed, 4);
      KnotSlot slot;
      slot.params.blendFrom = Quad;
      slot.params.blendTo = Point;
      slot = Chosen(seed, slot);
      ASSERT_EQ(slot.params.style, style);
      EXPECT_EQ(slot.params.blendFrom, style == Blended ? kSubStyles[d[1] % 5] : Quad);
      EXPECT_EQ(slot.params.blendTo, style == Blended ? kSubStyles[d[2] % 5] : Point);
      EXPECT_EQ(slot.params.wobbles, d[style == Blended ? 3 : 1] % 100 < 30 ? 1 : 0);
    }
  }
}

// Wire and Point are never translucent and take no draw for it; a percentage of 0 never sets its
// flag and 100 always does.
TEST_F(SceneTest, TranslucencyDrawsAndPercentages) {
  UseRings(1);
  for (int percent : {0, 100})
    for (RenderStyle style : {Wire, Point, Triangle}) {
      OnlyStyle(style);
      saverSettings.wobblePercent = saverSettings.sColoredPercent = percent;
      saverSettings.blendedPercent = saverSettings.wirePercent = percent;
      const int on = percent == 100, translucent = on && style == Triangle;
      for (uint32_t seed = 1; seed <= 100; ++seed) {
        const int knotDraws = Predict(seed, 3)[2] % 100 <= 15 ? 4 : 3;  // torus p q v u, or index and loader's two
        // style, wobble, kind, the knot's, translucent (and overlay when it is), sColored, then
        // without sColored the hue, mode and turns
        const int draws = 3 + knotDraws + (style == Triangle ? 1 + translucent : 0) + 1 + (on ? 0 : 3);
        const KnotSlot slot = Chosen(seed);
        EXPECT_EQ(DrawsSince(seed), draws) << style << " " << percent;
        EXPECT_EQ(Flags(slot), (std::array<int, 5>{style, on, translucent, translucent, on}));
      }
    }
}

TEST_F(SceneTest, WeightsPickStylesInProportionAndNoPositiveTotalGivesSmooth) {
  UseRings(1);
  saverSettings.sColoredPercent = 100;
  const int weights[8] = {1, 0, 0, 2, 0, 0, 0, 1};
  std::copy(weights, weights + 8, saverSettings.styleWeight);
  int seen[8] = {};
  SeedRandom(17);
  for (int i = 0; i < 4000; ++i) {
    KnotSlot slot;
    ChooseKnot(slot);
    ++seen[slot.params.style];
  }
  EXPECT_EQ(seen[Point] + seen[Triangle] + seen[HalfU] + seen[HalfV] + seen[Smooth], 0);
  EXPECT_NEAR(seen[Wire] / 4000.0, 0.25, 0.03);
  EXPECT_NEAR(seen[Quad] / 4000.0, 0.50, 0.03);
  EXPECT_NEAR(seen[Blended] / 4000.0, 0.25, 0.03);
  // Weights 1 each: a draw r picks style r % 8 (the first of equal running sums wins).
  for (int& w : saverSettings.styleWeight) w = 1;
  for (uint32_t seed = 1; seed <= 50; ++seed) EXPECT_EQ(Chosen(seed).params.style, Predict(seed, 1)[0] % 8);

  for (const auto& table : {std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0}, {-5, 3, 0, 0, 0, 0, 0, 1}}) {
    std::copy(table.begin(), table.end(), saverSettings.styleWeight);
    for (uint32_t seed = 1; seed <= 50; ++seed) {
      KnotSlot slot;
      slot.params.style = Wire;
      EXPECT_EQ(Chosen(seed, slot).params.style, Smooth);
    }
  }
}

TEST_F(SceneTest, ColourModesTwoAndOne) {
  OnlyStyle(Smooth);
  saverSettings.blendedPercent = saverSettings.sColoredPercent = 0;
  // style, wobble, kind (stored), index, loader v, loader u, translucent, sColored, hue 0, mode 2:
  // the hue steps by a third per component, the third lands on 360 (red again).
  UseRings(3);
  uint32_t seed = FindSeed(10, [](const Draws& d) { return d[2] % 100 > 15 && d[8] % 360 == 0 && d[9] % 3 == 2; });
  KnotSlot slot = Chosen(seed);
  ASSERT_EQ(slot.knot.components.size(), 3u);
  for (int c = 0; c < 3; ++c) ExpectColours(slot.knot.components[c], (c + 1) * 120 % 360);

  // Mode 1: `turns` whole trips round the hue circle along the component.
  UseRings(1);
  seed = FindSeed(11, [](const Draws& d) { return d[2] % 100 > 15 && d[9] % 3 == 1; });
  const Draws d = Predict(seed, 11);
  const int turns = d[10] % 3 + 1;
  slot = Chosen(seed);
  const KnotComponent& c = slot.knot.components.at(0);
  ASSERT_GT(c.uDivisions, 0);
  const int half = c.uDivisions / (2 * turns);
  const double step = static_cast<double>(turns) / c.uDivisions * 360.0;
  for (int u : {0, half}) {
    double r, g, b;
    HsvToRgb(d[8] % 360 + step * u, 0.9, 0.9, r, g, b);
    EXPECT_NEAR(c.Color(u, 0).r, r, 1e-6);
    EXPECT_NEAR(c.Color(u, 0).g, g, 1e-6);
    EXPECT_NEAR(c.Color(u, 0).b, b, 1e-6);
  }
}

// --- Flights ---------------------------------------------------------------------------------

// Strictly beyond 1 ends a flight; a negative interval (a clock stepped back) moves nothing.
TEST_F(SceneTest, ProgressOfExactlyOneDoesNotEndTheFlightAndNegativeIntervalsMoveNothing) {
  UseRings(1);
  SeedRandom(8);
  slots.emplace_back();
  RandomizePath(slots[0]);
  ChooseKnot(slots[0]);
  slots[0].progress = 1.0;
  slots[0].rotationX = 100.0f;
  const uint32_t before = RandomState();
  AdvanceProgress(0);
  AdvanceProgress(-2147483647 - 1);
  AdvanceSwing(slots[0], -50);
  EXPECT_EQ(slots[0].progress, 1.0);
  EXPECT_EQ(slots[0].rotationX, 100.0f);
  EXPECT_EQ(RandomState(), before) << "no new knot chosen";
  AdvanceProgress(1);
  EXPECT_EQ(slots[0].progress, 0.0);
  EXPECT_GT(DrawsSince(before), 6);
}

TEST_F(SceneTest, HugeIntervalReplacesEachKnotOnceAndItStartsAtItsPathStart) {
  UseRings(1);
  saverSettings.knotCount = 3;
  SeedRandom(21);
  AdvanceScene(10, 10);
  std::vector<KnotSlot> expected = slots;
  const uint32_t before = RandomState();
  for (KnotSlot& s : expected) {
    ChooseKnot(s);
    RandomizePath(s);
  }
  const uint32_t afterOnce = RandomState();
  SeedRandom(before);
  recorder_.Clear();
  AdvanceScene(1000010, 1000000);
  EXPECT_EQ(RandomState(), afterOnce);
  const auto translations = recorder_.Only({"Translatef"});
  ASSERT_EQ(translations.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(slots[i].progress, 0.0);
    EXPECT_EQ(slots[i].pathStart, expected[i].pathStart);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(translations[i][k], static_cast<float>((&slots[i].pathStart.x)[k]));
  }
}

// --- Scene frames ----------------------------------------------------------------------------

TEST_F(SceneTest, NoKnotsLeavesOnlyTheEmptyTranslucentPassAndTheCountIsCapped) {
  for (int count : {0, -3}) {
    saverSettings.knotCount = count;
    const Vec3 corners[4], normals[6];
    const Rgba colours[4];
    DeferCell(corners, normals, colours, GL_TRIANGLES, Matrix4{});
    recorder_.Clear();
    AdvanceScene(10, 10);
    EXPECT_TRUE(slots.empty());
    EXPECT_TRUE(TranslucentCells().empty());
    EXPECT_EQ(recorder_.Formatted({"GetDoublev"}), (std::vector<std::string>{
                  "LoadIdentity()", "Disable(GL_DEPTH_TEST)", "Enable(GL_DEPTH_TEST)"}));
  }
  UseRings(1);
  saverSettings.knotCount = 1000000;
  AdvanceScene(10, 10);
  EXPECT_EQ(slots.size(), 20u);
}

TEST_F(SceneTest, NewSlotsTakePathThenKnotAndMoveInTheirFirstFrame) {
  UseRings(1);
  saverSettings.knotCount = 2;
  SeedRandom(77);
  std::vector<KnotSlot> expected(2);
  for (KnotSlot& s : expected) {
    RandomizePath(s);
    ChooseKnot(s);
  }
  const uint32_t afterMaking = RandomState();
  SeedRandom(77);
  AdvanceScene(10, 10);
  EXPECT_EQ(RandomState(), afterMaking);
  ASSERT_EQ(slots.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(slots[i].pathStart, expected[i].pathStart);
    EXPECT_EQ(slots[i].params.style, expected[i].params.style);
    EXPECT_EQ(slots[i].progress, 10 * expected[i].progressRate * 0.02);
  }
  // Growing the count later appends without touching the others.
  saverSettings.knotCount = 3;
  const Vec3 firstPath = slots[0].pathStart;
  AdvanceScene(20, 10);
  EXPECT_EQ(slots.size(), 3u);
  EXPECT_EQ(slots[0].pathStart, firstPath);
}

TEST_F(SceneTest, DrawSlotPlacesTurnsThenDrawsAndLeavesIdentityAfterTheScene) {
  UseRings(1);
  saverSettings.knotCount = 1;
  saverSettings.sColoredPercent = 100;
  SeedRandom(4);
  AdvanceScene(10, 10);
  ASSERT_EQ(slots.size(), 1u);
  const auto calls = recorder_.Calls();
  // A fresh slot is unturned: 360 sin 0 = 0 about x, 360 cos 0 = 360 about y.
  ASSERT_GE(calls.size(), 5u);
  EXPECT_EQ(test::Format(calls[0]), "LoadIdentity()");
  EXPECT_EQ(test::Format(calls[2]), "Rotatef(0, 1, 0, 0)");
  EXPECT_EQ(test::Format(calls[3]), "Rotatef(360, 0, 1, 0)");
  const Vec3 at = slots[0].pathStart + EaseInHoldOut(slots[0].progress) * (slots[0].pathEnd - slots[0].pathStart);
  ASSERT_TRUE(calls[1].Is("Translatef"));
  for (int k = 0; k < 3; ++k) EXPECT_EQ(calls[1][k], static_cast<float>((&at.x)[k]));
  EXPECT_GT(recorder_.Count("Vertex3d"), 0u);
  // The swing grew by one frame after drawing.
  EXPECT_EQ(slots[0].rotationX, static_cast<float>(10 * slots[0].spinSpeedX * 0.001));

  recorder_.Clear();
  slots[0].params.spinning = 0;
  slots[0].rotationX = static_cast<float>(700 * M_PI / 2);  // sin = 1: a quarter of the swing
  slots[0].rotationY = static_cast<float>(700 * M_PI);      // cos = -1
  const float heldX = slots[0].rotationX;
  AdvanceScene(20, 10);
  EXPECT_EQ(slots[0].rotationX, heldX) << "a knot that does not spin keeps its swing";
  const auto rotations = recorder_.Only({"Rotatef"});
  ASSERT_EQ(rotations.size(), 2u);
  EXPECT_NEAR(rotations[0][0], 360.0, 1e-3);
  EXPECT_NEAR(rotations[1][0], -360.0, 1e-3);
  // The last matrix load before the translucent pass is the identity.
  const auto& all = recorder_.Calls();
  size_t lastLoad = 0, lastPlacement = 0;
  for (size_t i = 0; i < all.size(); ++i) {
    if (all[i].Is("LoadIdentity")) lastLoad = i;
    if (all[i].Is("Translatef") || all[i].Is("Rotatef")) lastPlacement = i;
  }
  EXPECT_GT(lastLoad, lastPlacement);
}

// --- Swing over long runs --------------------------------------------------------------------

TEST_F(SceneTest, SwingKeepsMovingAfterWeeksOfTenMillisecondFrames) {
  KnotSlot slot;
  slot.spinSpeedX = 60.0f;   // slowest default about x
  slot.spinSpeedY = 200.0f;  // fastest default about y
  const long long frames = 21LL * 24 * 3600 * 100;  // three weeks
  for (long long i = 0; i < frames; ++i) AdvanceSwing(slot, 10);
  EXPECT_LT(std::fabs(slot.rotationX), kSwingPeriod);
  EXPECT_LT(std::fabs(slot.rotationY), kSwingPeriod);
  // Every frame of the next swing period still turns the knot, by close to the nominal step,
  // and the swing still sweeps its whole range.
  double lo = 1, hi = -1;
  for (int i = 0; i < 8000; ++i) {
    const float before = slot.rotationX;
    AdvanceSwing(slot, 10);
    const double step = std::remainder(double(slot.rotationX) - before, kSwingPeriod);
    ASSERT_NEAR(step, 0.6, 0.6e-3) << "frame " << i;
    const double s = std::sin(slot.rotationX * kSwingPhaseScale);
    lo = std::min(lo, s);
    hi = std::max(hi, s);
  }
  EXPECT_LT(lo, -0.999);
  EXPECT_GT(hi, 0.999);
}

TEST_F(SceneTest, SwingWrapDoesNotChangeTheAngleDrawn) {
  KnotSlot slot;
  slot.spinSpeedX = 90.0f;
  slot.spinSpeedY = 150.0f;
  slot.rotationX = slot.rotationY = static_cast<float>(kSwingPeriod - 0.3);
  const double unwrappedX = double(slot.rotationX) + 0.9, unwrappedY = double(slot.rotationY) + 1.5;
  AdvanceSwing(slot, 10);
  EXPECT_LT(slot.rotationX, 1.0f);
  EXPECT_NEAR(std::sin(slot.rotationX * kSwingPhaseScale), std::sin(unwrappedX * kSwingPhaseScale), 1e-6);
  EXPECT_NEAR(std::cos(slot.rotationY * kSwingPhaseScale), std::cos(unwrappedY * kSwingPhaseScale), 1e-6);
  // One enormous frame lands within a period too.
  AdvanceSwing(slot, 2147483647);
  EXPECT_LT(std::fabs(slot.rotationX), kSwingPeriod);
}

}  // namespace
}  // namespace tv
