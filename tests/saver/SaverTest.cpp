// The scene director: the order of its random draws, flights and their replacement, the swing,
// and the GL calls with which it places each knot.
#include <gtest/gtest.h>

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

constexpr RenderStyle kSubStyles[5] = {Triangle, Quad, HalfU, HalfV, Smooth};

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
  // First seed whose predicted draws satisfy the condition.
  static uint32_t FindSeed(const std::function<bool(DrawPredictor&)>& wanted) {
    for (uint32_t seed = 1; seed < 5000000; ++seed) {
      DrawPredictor p(seed);
      if (wanted(p)) return seed;
    }
    ADD_FAILURE() << "no seed found";
    return 1;
  }
  static std::vector<int> Predict(uint32_t seed, int n) {
    DrawPredictor p(seed);
    std::vector<int> d;
    for (int i = 0; i < n; ++i) d.push_back(p.Next());
    return d;
  }

  test::GlRecorder recorder_;  // nothing reaches a real GL
  SaverSettings saved_{};
  std::vector<uint8_t> block_;
};

// --- Paths -----------------------------------------------------------------------------------

TEST_F(SceneTest, RandomizePathTakesSixDrawsInItsOrder) {
  KnotSlot slot;
  slot.rotationX = 5.0f;
  slot.progress = 0.7;
  SeedRandom(12345);
  const std::vector<int> d = Predict(12345, 6);
  RandomizePath(slot);
  EXPECT_EQ(DrawsSince(12345), 6);

  const double theta = (d[0] % 360) * 0.017453292519943278;
  EXPECT_EQ(slot.pathStart, Vec3(7.0 * std::cos(theta), 7.0 * std::sin(theta), (d[1] % 100) * 0.02 - 7.0));
  const double opposite = theta + 3.14159265358979;
  EXPECT_EQ(slot.pathEnd, Vec3(7.3500000000000005 * std::cos(opposite),
                               7.3500000000000005 * std::sin(opposite), (d[2] % 100) * 0.02 - 7.0));
  EXPECT_EQ(slot.progressRate, 1.0 / (d[3] % 120 + 200));
  EXPECT_EQ(slot.spinSpeedX, 60.0f + d[4] % 31);
  EXPECT_EQ(slot.spinSpeedY, 150.0f + d[5] % 51);
  EXPECT_EQ(slot.progress, 0.0);
  EXPECT_EQ(slot.rotationX, 5.0f) << "the swing carries on from knot to knot";
}

TEST_F(SceneTest, PathsCrossTheViewNearItsCentre) {
  for (uint32_t seed = 1; seed <= 200; ++seed) {
    SeedRandom(seed);
    KnotSlot slot;
    RandomizePath(slot);
    const Vec3 mid = 0.5 * (slot.pathStart + slot.pathEnd);
    EXPECT_NEAR(std::hypot(mid.x, mid.y), 0.175, 1e-9);
    EXPECT_GE(slot.pathStart.z, -7.0);
    EXPECT_LE(slot.pathStart.z, -5.02 + 1e-12);
    EXPECT_GE(1.0 / slot.progressRate, 200 - 1e-9);
    EXPECT_LE(1.0 / slot.progressRate, 319 + 1e-9);
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
  const uint32_t seed = FindSeed([](DrawPredictor& p) {
    std::vector<int> d;
    for (int i = 0; i < 13; ++i) d.push_back(p.Next());
    return d[2] % 100 <= 15 && d[7] % 100 < 20 && d[9] % 100 >= 40 && d[11] % 3 == 0;
  });
  const std::vector<int> d = Predict(seed, 13);
  KnotSlot slot;
  SeedRandom(seed);
  ChooseKnot(slot);
  EXPECT_EQ(DrawsSince(seed), 13);
  EXPECT_EQ(slot.params.style, Smooth);
  EXPECT_EQ(slot.params.wobbles, d[1] % 100 < 30 ? 1 : 0);
  ASSERT_EQ(slot.knot.components.size(), 1u);
  EXPECT_EQ(slot.knot.components[0].vDivisions, 5 + d[5] % 7);
  EXPECT_EQ(slot.knot.components[0].uDivisions, 8 + d[6] % 92);
  EXPECT_EQ(slot.params.translucent, 1);
  EXPECT_EQ(slot.params.wireOverlay, d[8] % 100 < 40 ? 1 : 0);
  EXPECT_EQ(slot.params.sColored, 0);
  // mode 0: one colour, the hue of the draw at saturation and value 0.9
  double r, g, b;
  HsvToRgb(d[10] % 360, 0.9, 0.9, r, g, b);
  for (const Rgba& c : slot.knot.components[0].colors) EXPECT_EQ(c, Rgba(r, g, b, 1.0));
}

TEST_F(SceneTest, StoredKnotTakesItsDrawsInOrderAndKeepsLoaderColoursWhenFieldColoured) {
  UseRings(2);
  OnlyStyle(Quad);
  // style, wobble, kind (stored), index, loader v, loader u, translucent (no), sColored (yes)
  const uint32_t seed = FindSeed([](DrawPredictor& p) {
    std::vector<int> d;
    for (int i = 0; i < 8; ++i) d.push_back(p.Next());
    return d[2] % 100 > 15 && d[6] % 100 >= 20 && d[7] % 100 < 40;
  });
  KnotSlot slot;
  slot.params.wireOverlay = 1;
  SeedRandom(seed);
  ChooseKnot(slot);
  EXPECT_EQ(DrawsSince(seed), 8);
  EXPECT_EQ(slot.params.style, Quad);
  EXPECT_EQ(slot.params.translucent, 0);
  EXPECT_EQ(slot.params.wireOverlay, 1) << "kept when translucent comes out false";
  EXPECT_EQ(slot.params.sColored, 1);

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

TEST_F(SceneTest, BlendedSubStylesAreTheTwoDrawsAfterTheStyle) {
  OnlyStyle(Blended);
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    const std::vector<int> d = Predict(seed, 4);
    KnotSlot slot;
    SeedRandom(seed);
    ChooseKnot(slot);
    EXPECT_EQ(slot.params.style, Blended);
    EXPECT_EQ(slot.params.blendFrom, kSubStyles[d[1] % 5]);
    EXPECT_EQ(slot.params.blendTo, kSubStyles[d[2] % 5]);
    EXPECT_EQ(slot.params.wobbles, d[3] % 100 < 30 ? 1 : 0);
  }
}

TEST_F(SceneTest, OtherStylesKeepTheirBlendSubStyles) {
  OnlyStyle(HalfV);
  KnotSlot slot;
  slot.params.blendFrom = Quad;
  slot.params.blendTo = HalfU;
  SeedRandom(5);
  ChooseKnot(slot);
  EXPECT_EQ(slot.params.style, HalfV);
  EXPECT_EQ(slot.params.blendFrom, Quad);
  EXPECT_EQ(slot.params.blendTo, HalfU);
}

TEST_F(SceneTest, WireAndPointNeverTranslucentAndTakeNoDrawForIt) {
  UseRings(1);
  saverSettings.blendedPercent = 100;
  saverSettings.wirePercent = 100;
  saverSettings.sColoredPercent = 100;  // stop after the sColored draw
  for (RenderStyle style : {Wire, Point, Smooth}) {
    OnlyStyle(style);
    for (uint32_t seed = 1; seed <= 100; ++seed) {
      const std::vector<int> d = Predict(seed, 3);
      const int knotDraws = d[2] % 100 <= 15 ? 4 : 3;  // torus p q v u, or index and loader's two
      const int translucencyDraws = style == Smooth ? 2 : 0;
      KnotSlot slot;
      SeedRandom(seed);
      ChooseKnot(slot);
      EXPECT_EQ(DrawsSince(seed), 3 + knotDraws + translucencyDraws + 1) << style;
      EXPECT_EQ(slot.params.translucent, style == Smooth ? 1 : 0);
    }
  }
}

TEST_F(SceneTest, PercentageZeroNeverSetsAndHundredAlwaysSets) {
  UseRings(1);
  OnlyStyle(Triangle);
  for (int percent : {0, 100}) {
    saverSettings.wobblePercent = saverSettings.sColoredPercent = percent;
    saverSettings.blendedPercent = saverSettings.wirePercent = percent;
    const uint8_t expected = percent == 100 ? 1 : 0;
    for (uint32_t seed = 1; seed <= 200; ++seed) {
      KnotSlot slot;
      slot.params.wireOverlay = 0;
      SeedRandom(seed);
      ChooseKnot(slot);
      EXPECT_EQ(slot.params.wobbles, expected);
      EXPECT_EQ(slot.params.translucent, expected);
      EXPECT_EQ(slot.params.wireOverlay, expected);
      EXPECT_EQ(slot.params.sColored, expected);
    }
  }
}

TEST_F(SceneTest, NoPositiveWeightTotalGivesSmoothAfterOneDraw) {
  saverSettings.sColoredPercent = 100;
  for (int i = 0; i < 8; ++i) saverSettings.styleWeight[i] = 0;
  KnotSlot slot;
  slot.params.style = Wire;
  SeedRandom(3);
  ChooseKnot(slot);
  EXPECT_EQ(slot.params.style, Smooth);

  const int negative[8] = {-5, 3, 0, 0, 0, 0, 0, 1};
  std::copy(negative, negative + 8, saverSettings.styleWeight);
  for (uint32_t seed = 1; seed <= 50; ++seed) {
    SeedRandom(seed);
    ChooseKnot(slot);
    EXPECT_EQ(slot.params.style, Smooth);
  }
}

TEST_F(SceneTest, WeightsPickStylesInProportion) {
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
}

TEST_F(SceneTest, ModeTwoSpreadsComponentHuesFromHueZero) {
  UseRings(3);
  OnlyStyle(Smooth);
  saverSettings.blendedPercent = 0;
  saverSettings.sColoredPercent = 0;
  // style, wobble, kind (stored), index, loader v, loader u, translucent, sColored, hue 0, mode 2
  const uint32_t seed = FindSeed([](DrawPredictor& p) {
    std::vector<int> d;
    for (int i = 0; i < 10; ++i) d.push_back(p.Next());
    return d[2] % 100 > 15 && d[8] % 360 == 0 && d[9] % 3 == 2;
  });
  KnotSlot slot;
  SeedRandom(seed);
  ChooseKnot(slot);
  ASSERT_EQ(slot.knot.components.size(), 3u);
  const double hues[3] = {120.0, 240.0, 0.0};  // the third is 360: red again
  for (int c = 0; c < 3; ++c) {
    double r, g, b;
    HsvToRgb(hues[c], 0.9, 0.9, r, g, b);
    for (const Rgba& colour : slot.knot.components[c].colors) {
      EXPECT_NEAR(colour.r, r, 1e-9) << "component " << c;
      EXPECT_NEAR(colour.g, g, 1e-9) << "component " << c;
      EXPECT_NEAR(colour.b, b, 1e-9) << "component " << c;
      EXPECT_EQ(colour.a, 1.0);
    }
  }
}

TEST_F(SceneTest, ModeOneRampsTheHueWholeTurnsAlongEachComponent) {
  UseRings(1);
  OnlyStyle(Smooth);
  saverSettings.blendedPercent = 0;
  saverSettings.sColoredPercent = 0;
  const uint32_t seed = FindSeed([](DrawPredictor& p) {
    std::vector<int> d;
    for (int i = 0; i < 11; ++i) d.push_back(p.Next());
    return d[2] % 100 > 15 && d[9] % 3 == 1;
  });
  const std::vector<int> d = Predict(seed, 11);
  const int turns = d[10] % 3 + 1;
  KnotSlot slot;
  SeedRandom(seed);
  ChooseKnot(slot);
  const KnotComponent& c = slot.knot.components.at(0);
  ASSERT_GT(c.uDivisions, 0);
  double r0, g0, b0;
  HsvToRgb(d[8] % 360, 0.9, 0.9, r0, g0, b0);
  EXPECT_NEAR(c.Color(0, 0).r, r0, 1e-9);
  EXPECT_NEAR(c.Color(0, 0).g, g0, 1e-9);
  // Halfway along one turn the hue is opposite.
  const int half = c.uDivisions / (2 * turns);
  const double step = static_cast<double>(turns) / c.uDivisions * 360.0;
  double r, g, b;
  HsvToRgb(d[8] % 360 + step * half, 0.9, 0.9, r, g, b);
  EXPECT_NEAR(c.Color(half, 0).r, r, 1e-6);
  EXPECT_NEAR(c.Color(half, 0).b, b, 1e-6);
}

// --- Flights ---------------------------------------------------------------------------------

TEST_F(SceneTest, ProgressOfExactlyOneDoesNotEndTheFlight) {
  UseRings(1);
  SeedRandom(8);
  slots.emplace_back();
  RandomizePath(slots[0]);
  ChooseKnot(slots[0]);
  slots[0].progress = 1.0;
  const uint32_t before = RandomState();
  AdvanceProgress(0);
  EXPECT_EQ(slots[0].progress, 1.0);
  EXPECT_EQ(RandomState(), before) << "no new knot chosen";
  AdvanceProgress(1);
  EXPECT_EQ(slots[0].progress, 0.0);
  EXPECT_GT(DrawsSince(before), 6);
}

TEST_F(SceneTest, FlightLastsDOverPointZeroTwoMilliseconds) {
  UseRings(1);
  for (int d : {200, 257, 319}) {
    slots.clear();
    slots.emplace_back();
    SeedRandom(1);
    RandomizePath(slots[0]);
    slots[0].progressRate = 1.0 / d;
    int ms = 0;
    while (slots[0].progress != 0.0 || ms == 0) {
      AdvanceProgress(10);
      ms += 10;
      ASSERT_LT(ms, 20000);
    }
    EXPECT_GE(ms, d * 50);
    EXPECT_LE(ms, d * 50 + 10);
  }
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
    EXPECT_EQ(translations[i][0], static_cast<float>(slots[i].pathStart.x));
    EXPECT_EQ(translations[i][1], static_cast<float>(slots[i].pathStart.y));
    EXPECT_EQ(translations[i][2], static_cast<float>(slots[i].pathStart.z));
  }
}

TEST_F(SceneTest, NegativeIntervalMovesNothing) {
  slots.emplace_back();
  RandomizePath(slots[0]);
  slots[0].progress = 0.5;
  slots[0].rotationX = 100.0f;
  AdvanceProgress(-2147483647 - 1);
  AdvanceSwing(slots[0], -50);
  EXPECT_EQ(slots[0].progress, 0.5);
  EXPECT_EQ(slots[0].rotationX, 100.0f);
}

// --- Scene frames ----------------------------------------------------------------------------

TEST_F(SceneTest, NoKnotsLeavesOnlyTheEmptyTranslucentPass) {
  for (int count : {0, -3}) {
    saverSettings.knotCount = count;
    const Vec3 corners[4];
    const Vec3 normals[6];
    const Rgba colours[4];
    DeferCell(corners, normals, colours, GL_TRIANGLES, Matrix4{});
    recorder_.Clear();
    AdvanceScene(10, 10);
    EXPECT_TRUE(slots.empty());
    EXPECT_TRUE(TranslucentCells().empty());
    const auto calls = recorder_.Formatted({"GetDoublev"});
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[0], "LoadIdentity()");
    EXPECT_EQ(recorder_.Count("Begin"), 0u);
    EXPECT_EQ(recorder_.Count("Translatef"), 0u);
    EXPECT_EQ(calls[calls.size() - 2], "Disable(GL_DEPTH_TEST)");
    EXPECT_EQ(calls.back(), "Enable(GL_DEPTH_TEST)");
  }
}

TEST_F(SceneTest, KnotCountBeyondTheConfigurationIsCapped) {
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
  EXPECT_TRUE(calls[1].Is("Translatef"));
  EXPECT_EQ(test::Format(calls[2]), "Rotatef(0, 1, 0, 0)");
  EXPECT_EQ(test::Format(calls[3]), "Rotatef(360, 0, 1, 0)");
  const double s = EaseInHoldOut(slots[0].progress);
  const Vec3 at = slots[0].pathStart + s * (slots[0].pathEnd - slots[0].pathStart);
  EXPECT_EQ(calls[1][0], static_cast<float>(at.x));
  EXPECT_EQ(calls[1][2], static_cast<float>(at.z));
  EXPECT_GT(recorder_.Count("Vertex3d"), 0u);
  // The swing grew by one frame after drawing.
  EXPECT_EQ(slots[0].rotationX, static_cast<float>(10 * slots[0].spinSpeedX * 0.001));

  recorder_.Clear();
  slots[0].rotationX = static_cast<float>(700 * M_PI / 2);  // sin = 1: a quarter of the swing
  slots[0].rotationY = static_cast<float>(700 * M_PI);      // cos = -1
  AdvanceScene(20, 10);
  const auto rotations = recorder_.Only({"Rotatef"});
  ASSERT_EQ(rotations.size(), 2u);
  EXPECT_NEAR(rotations[0][0], 360.0, 1e-3);
  EXPECT_NEAR(rotations[1][0], -360.0, 1e-3);
  // The last matrix load before the translucent pass is the identity.
  const auto& all = recorder_.Calls();
  size_t lastLoad = 0, lastTranslate = 0;
  for (size_t i = 0; i < all.size(); ++i) {
    if (all[i].Is("LoadIdentity")) lastLoad = i;
    if (all[i].Is("Translatef") || all[i].Is("Rotatef")) lastTranslate = i;
  }
  EXPECT_GT(lastLoad, lastTranslate);
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
  slot.rotationX = static_cast<float>(kSwingPeriod - 0.3);
  slot.rotationY = static_cast<float>(kSwingPeriod - 0.3);
  const double unwrappedX = double(slot.rotationX) + 0.9;
  const double unwrappedY = double(slot.rotationY) + 1.5;
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
