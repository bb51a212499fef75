// The scene director: the order of its random draws, flights and their replacement, the swing,
// and the GL calls with which it places each knot.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <tuple>

#include "foundation/ColorSpace.h"
#include "foundation/Random.h"
#include "knots/library/KnotLibrary.h"
#include "render/Render.h"
#include "saver/Saver.h"
#include "saver/SceneTestSupport.h"
#include "settings/SaverSettings.h"
#include "support/GlRecorder.h"

// Designated initializers leave the members they skip at their defaults; GCC 12 warns all the same.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace tv {
namespace {

class SceneTest : public ::testing::Test {
 protected:
  void SetUp() override {
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
  void UseRings(int components) {
    block_ = test::RingBlock(components);
    UseLibraryBlock(block_.data(), block_.size());
  }

  test::GlRecorder recorder_;  // nothing reaches a real GL
  SaverSettings saved_ = saverSettings;
  std::vector<uint8_t> block_;
};

TEST_F(SceneTest, RandomizePathTakesSixDrawsInItsOrderAndKeepsTheSwing) {
  for (bool handEdited : {false, true}) {
    // Hand-edited ranges: upside down (yields the minimum), and all of int32 (must not overflow).
    if (handEdited) {
      saverSettings.spinXMin = 90;
      saverSettings.spinXMax = 10;
      saverSettings.spinYMin = INT32_MIN;
      saverSettings.spinYMax = INT32_MAX;
    }
    for (uint32_t seed = 1; seed <= 200; ++seed) {
      KnotSlot slot{.rotationX = 5.0f, .progress = 0.7};
      SeedRandom(seed);
      RandomizePath(slot);
      test::DrawPredictor p{seed};
      const double theta = p.Next() % 360 * 0.017453292519943278, opposite = theta + 3.14159265358979;
      EXPECT_EQ(slot.pathStart, Vec3(7.0 * std::cos(theta), 7.0 * std::sin(theta), p.Next() % 100 * 0.02 - 7.0));
      EXPECT_EQ(slot.pathEnd, Vec3(7.3500000000000005 * std::cos(opposite),
                                   7.3500000000000005 * std::sin(opposite), p.Next() % 100 * 0.02 - 7.0));
      EXPECT_EQ(slot.progressRate, 1.0 / (p.Next() % 120 + 200));
      const int x = p.Next(), y = p.Next();
      EXPECT_EQ(slot.spinSpeedX, handEdited ? 90.0f : 60.0f + x % 31);
      EXPECT_EQ(slot.spinSpeedY, handEdited ? static_cast<float>(INT64_C(-2147483648) + y) : 150.0f + y % 51);
      ASSERT_EQ(RandomState(), p.state) << "six draws";
      EXPECT_EQ(slot.progress, 0.0);
      EXPECT_EQ(slot.rotationX, 5.0f) << "the swing carries on from knot to knot";
    }
  }
}

constexpr RenderStyle kSubStyles[5] = {Triangle, Quad, HalfU, HalfV, Smooth};

// A knot choice read off the predicted draws in their documented order. The style draw r picks
// styleOfDraw[r % size].
KnotChoice PredictChoice(test::DrawPredictor& p, const std::vector<int>& styleOfDraw, const SaverSettings& s) {
  KnotChoice c;
  auto percent = [&p](int pc) { return static_cast<uint8_t>(p.Next() % 100 < pc); };
  c.style = styleOfDraw[p.Next() % styleOfDraw.size()];
  if (c.style == Blended) {
    c.blendFrom = kSubStyles[p.Next() % 5];
    c.blendTo = kSubStyles[p.Next() % 5];
  }
  c.wobbles = percent(s.wobblePercent);
  c.torus = p.Next() % 100 <= 15;
  if (c.torus) {
    c.torusKnot.p = 1 + p.Next() % 20;  // p and q, then the divisions
    c.torusKnot.q = 1 + p.Next() % 20;
    c.torusKnot.components[0].vDivisions = 5 + p.Next() % 7;
    c.torusKnot.components[0].uDivisions = 8 + p.Next() % 92;
  } else {
    for (int i = 0; i < 3; ++i) p.Next();  // index, then the loader's v and u
  }
  if (c.style != Wire && c.style != Point) {  // Wire and Point are never translucent
    c.translucent = percent(s.blendedPercent);
    if (c.translucent) c.wireOverlay = percent(s.wirePercent);
  }
  c.sColored = percent(s.sColoredPercent);
  if (c.sColored) return c;
  c.hue0 = p.Next() % 360;
  c.colourMode = p.Next() % 3;
  c.hueTurns = p.Next() % 3 + 1;
  return c;
}

auto Fields(const KnotChoice& c) {
  const KnotComponent& torus = c.torusKnot.components[0];
  return std::tuple(c.style, c.blendFrom, c.blendTo, c.wobbles, c.torus, c.torusKnot.p, c.torusKnot.q,
                    torus.vDivisions, torus.uDivisions, c.translucent, c.wireOverlay, c.sColored, c.hue0,
                    c.colourMode, c.hueTurns);
}

// Weights by running sums; no positive total gives Smooth. Percentages 0 and 100 never and always.
TEST_F(SceneTest, KnotChoiceTakesItsDrawsInTheirOrder) {
  UseRings(1);
  const std::pair<std::array<int, 8>, std::vector<int>> weightRows[] = {
      {{1, 0, 0, 2, 0, 0, 0, 1}, {Wire, Quad, Quad, Blended}},
      {{1, 1, 1, 1, 1, 1, 1, 1}, {Wire, Point, Triangle, Quad, HalfU, HalfV, Smooth, Blended}},
      {{0, 0, 0, 0, 0, 0, 0, 0}, {Smooth}},
      {{-5, 3, 0, 0, 0, 0, 0, 1}, {Smooth}},
  };
  for (const auto& [weights, styleOfDraw] : weightRows)
    for (int percent : {0, 40, 100}) {
      std::copy(weights.begin(), weights.end(), saverSettings.styleWeight);
      saverSettings.wobblePercent = saverSettings.sColoredPercent = percent;
      saverSettings.blendedPercent = saverSettings.wirePercent = percent;
      for (uint32_t seed = 1; seed <= 400; ++seed) {
        test::DrawPredictor p{seed};
        const KnotChoice expected = PredictChoice(p, styleOfDraw, saverSettings);
        SeedRandom(seed);
        SCOPED_TRACE(testing::Message() << "row " << weights[0] << weights[1] << " " << percent << "% seed " << seed);
        EXPECT_EQ(Fields(DrawKnotChoice()), Fields(expected));
        ASSERT_EQ(RandomState(), p.state) << "draw count";
      }
    }
}

// Colour mode 0: one colour; 1: `turns` trips round the hue circle; 2: one hue per component, a
// third apart, the last on 360 (red again). Field-coloured knots keep the loader's colours. A knot
// not Blended keeps its old sub-styles, one not translucent its old overlay (both unused then).
TEST_F(SceneTest, ChosenKnotIsBuiltColouredAndApplied) {
  UseRings(3);
  const struct { uint8_t sColored; int mode, hue, turns, style; uint8_t translucent; } rows[] = {
      {0, 0, 200, 1, Quad, 0}, {0, 1, 30, 2, Blended, 1}, {0, 2, 0, 1, Quad, 1}, {1, 0, 200, 1, Blended, 0}};
  for (const auto& row : rows) {
    const KnotChoice c{.style = row.style, .blendFrom = HalfU, .blendTo = HalfU, .translucent = row.translucent,
                       .sColored = row.sColored, .stored = DrawLibraryKnot(0), .hue0 = row.hue,
                       .colourMode = row.mode, .hueTurns = row.turns};
    Knot built, loaded;
    BuildChosenKnot(c, built);
    BuildLibraryKnot(loaded, c.stored);
    KnotSlot slot{.params = {.blendFrom = Quad, .blendTo = Point, .wireOverlay = 1}};
    ApplyKnotChoice(slot, c, std::move(built));
    const RenderParams& q = slot.params;
    const bool blended = row.style == Blended;
    EXPECT_EQ(std::tuple(q.style, q.blendFrom, q.blendTo, q.sColored, q.translucent, q.wireOverlay),
              std::tuple(row.style, blended ? HalfU : Quad, blended ? HalfU : Point, row.sColored,
                         row.translucent, row.translucent ? 0 : 1));
    ASSERT_EQ(slot.knot.components.size(), 3u);
    for (size_t k = 0; k < 3; ++k) {
      const KnotComponent& kc = slot.knot.components[k];
      EXPECT_EQ(kc.vertices, loaded.components[k].vertices);
      if (row.sColored) {
        EXPECT_EQ(kc.colors, loaded.components[k].colors);
        continue;
      }
      for (int u : {0, kc.uDivisions / 4, kc.uDivisions / 2}) {
        const double step = row.mode == 1 ? 360.0 * row.turns * u / kc.uDivisions : 120.0 * (k + 1) * (row.mode == 2);
        double r, g, b;
        HsvToRgb(row.hue + step, 0.9, 0.9, r, g, b);
        const Rgba& have = kc.Color(u, 0);
        EXPECT_LT(std::fabs(have.r - r) + std::fabs(have.g - g) + std::fabs(have.b - b) + std::fabs(have.a - 1.0), 1e-6)
            << "mode " << row.mode << " component " << k << " ring " << u;
      }
    }
  }
}

// No knots leave only the translucent pass, emptied. Progress of exactly 1 ends nothing; a
// negative interval (a clock stepped back) moves nothing; one huge interval replaces each knot once.
TEST_F(SceneTest, SlotsAreMadeMovedAndReplacedInTheirOrder) {
  UseRings(1);
  for (int count : {0, -3}) {
    saverSettings.knotCount = count;
    const Vec3 corners[4], normals[6];
    const Rgba colours[4];
    DeferCell(corners, normals, colours, GL_TRIANGLES, Matrix4{});
    recorder_.Clear();
    AdvanceScene(10, 10);
    EXPECT_TRUE(slots.empty() && TranslucentCells().empty());
    EXPECT_EQ(recorder_.Formatted({"GetDoublev"}),
              (std::vector<std::string>{"LoadIdentity()", "Disable(GL_DEPTH_TEST)", "Enable(GL_DEPTH_TEST)"}));
  }
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
  for (size_t i = 0; i < 2; ++i)  // moved in their first frame
    EXPECT_EQ(std::tuple(slots[i].pathStart, slots[i].params.style, slots[i].progress),
              std::tuple(expected[i].pathStart, expected[i].params.style, 10 * expected[i].progressRate * 0.02));
  saverSettings.knotCount = 3;
  AdvanceScene(20, 10);
  ASSERT_EQ(slots.size(), 3u);
  EXPECT_EQ(slots[0].pathStart, expected[0].pathStart);

  slots[0].progress = 1.0;
  slots[0].rotationX = 100.0f;
  const uint32_t before = RandomState();
  AdvanceScene(30, 0);
  AdvanceScene(30, INT32_MIN);
  EXPECT_EQ(std::tuple(slots[0].progress, slots[0].rotationX, RandomState()), std::tuple(1.0, 100.0f, before));

  expected = slots;
  for (KnotSlot& s : expected) {
    ChooseKnot(s);
    RandomizePath(s);
  }
  const uint32_t afterOnce = RandomState();
  SeedRandom(before);
  recorder_.Clear();
  AdvanceScene(1000030, 1000000);
  EXPECT_EQ(RandomState(), afterOnce);
  const auto translations = recorder_.Only({"Translatef"});
  ASSERT_EQ(translations.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(slots[i].progress, 0.0);
    EXPECT_EQ(slots[i].pathStart, expected[i].pathStart);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(translations[i][k], static_cast<float>((&slots[i].pathStart.x)[k]));
  }
}

// Turned 360 sin(x / 700) about x and 360 cos(y / 700) about y; only a spinning knot swings on.
TEST_F(SceneTest, DrawSlotPlacesThenTurnsThenDrawsThenSwings) {
  const struct { float x, y; uint8_t spinning; double aboutX, aboutY; } rows[] = {
      {0.0f, 0.0f, 1, 0.0, 360.0},
      {static_cast<float>(700 * M_PI / 2), static_cast<float>(700 * M_PI), 0, 360.0, -360.0}};
  for (const auto& row : rows) {
    KnotSlot slot{.params = {.spinning = row.spinning}, .rotationX = row.x, .rotationY = row.y, .spinSpeedX = 60.0f,
                  .pathEnd = Vec3(-5, 0, -6), .pathStart = Vec3(1, 2, -7), .progress = 0.5};  // eased to halfway
    recorder_.Clear();
    DrawSlot(slot, 10, 10);
    const auto calls = recorder_.Only({"LoadIdentity", "Translatef", "Rotatef"});
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_TRUE(calls[0].Is("LoadIdentity"));
    EXPECT_EQ(test::Format(calls[1]), "Translatef(-2, 1, -6.5)");
    for (int i : {2, 3}) {
      EXPECT_NEAR(calls[i][0], i == 2 ? row.aboutX : row.aboutY, 1e-3);
      EXPECT_EQ(calls[i][i - 1], 1.0) << "axis";
    }
    EXPECT_EQ(slot.rotationX, row.spinning ? static_cast<float>(row.x + 0.6) : row.x);
  }
}

// Frames worked out without drawing walk no mesh: a knot sets its style's GL state as when drawn,
// and sends no vertex nor holds a translucent cell.
TEST_F(SceneTest, WithoutMeshWalksAKnotSetsItsStateAndSendsNoVertex) {
  UseRings(2);
  KnotSlot slot{.params = {.style = Wire, .translucent = 1, .wireOverlay = 1}};
  LoadLibraryKnot(slot.knot, 0);
  std::pair<size_t, std::vector<std::string>> sent[2];  // vertices and cells, the other calls
  for (bool walk : {true, false}) {
    walkKnotMeshes = walk;
    recorder_.Clear();
    ClearTranslucent();
    DrawSlot(slot, 10, 10);
    sent[walk] = {recorder_.Count("Vertex3d") + TranslucentCells().size(),
                  recorder_.Formatted({"Vertex3d", "Normal3d", "Color4d", "GetDoublev"})};
  }
  walkKnotMeshes = true;
  EXPECT_EQ(sent[false], std::pair(size_t{0}, sent[true].second));
  EXPECT_GT(sent[true].first, 0u);
}

// The swing wraps by whole periods of its sine, so the float sum never grows to where a frame's
// increment rounds away (the knots froze after some days), and the angle drawn does not jump.
TEST_F(SceneTest, SwingWrapsWithoutChangingTheAngleAndKeepsMoving) {
  const auto nearlyAPeriod = static_cast<float>(kSwingPeriod - 0.3);
  KnotSlot slot{.rotationX = nearlyAPeriod, .rotationY = nearlyAPeriod, .spinSpeedX = 60.0f, .spinSpeedY = 150.0f};
  for (int i = 0; i < 8000; ++i) {  // more than a period
    const float x = slot.rotationX, y = slot.rotationY;
    AdvanceSwing(slot, 10);
    ASSERT_NEAR(std::remainder(double(slot.rotationX) - x, kSwingPeriod), 0.6, 0.6e-3) << "frame " << i;
    ASSERT_NEAR(std::remainder(double(slot.rotationY) - y, kSwingPeriod), 1.5, 1.5e-3) << "frame " << i;
    ASSERT_LT(std::fabs(slot.rotationX), kSwingPeriod);
  }
  AdvanceSwing(slot, INT32_MAX);  // one enormous frame lands within a period too
  EXPECT_LT(std::fabs(slot.rotationX), kSwingPeriod);
}

}  // namespace
}  // namespace tv
