// Knot changes prepared ahead on a worker thread must be exactly the changes made in place: every
// draw, knot, mesh, colour and parameter, frame by frame, also when the run leaves the path the
// preparation assumed (new settings, a reseed, more knots).
#include <gtest/gtest.h>

#include "foundation/Random.h"
#include "render/Render.h"
#include "saver/PreparedKnots.h"
#include "saver/Saver.h"
#include "settings/SaverSettings.h"
#include "support/GlRecorder.h"

namespace tv {
namespace {

// GL entry points that drop their arguments (the 32-bit Windows calling convention rules out lambdas).
void APIENTRY IgnoreThree(GLdouble, GLdouble, GLdouble) {}
void APIENTRY IgnoreFour(GLdouble, GLdouble, GLdouble, GLdouble) {}

// FNV-1a over everything that decides what a frame draws.
uint64_t SceneDigest() {
  uint64_t h = 1469598103934665603ull;
  auto add = [&h](const void* data, size_t n) {
    for (size_t i = 0; i < n; ++i) h = (h ^ static_cast<const uint8_t*>(data)[i]) * 1099511628211ull;
  };
  auto value = [&add](const auto& v) { add(&v, sizeof v); };
  auto array = [&add](const auto& v) { add(v.data(), v.size() * sizeof v[0]); };
  value(RandomState());
  for (const KnotSlot& s : slots) {
    const RenderParams& p = s.params;
    for (int32_t v : {p.style, p.blendFrom, p.blendTo}) value(v);
    for (uint8_t v : {p.spinning, p.sColored, p.wobbles, p.translucent, p.wireOverlay}) value(v);
    for (float v : {s.rotationX, s.rotationY, s.spinSpeedX, s.spinSpeedY}) value(v);
    for (double v : {s.progress, s.progressRate}) value(v);
    for (const Vec3& v : {s.pathStart, s.pathEnd}) value(v);
    for (const KnotComponent& c : s.knot.components) {
      for (const std::vector<Vec3>* grid : {&c.curve, &c.vertices, &c.outerVertices, &c.normals}) array(*grid);
      array(c.colors);
    }
  }
  return h;
}

struct Case {
  const char* name;
  bool allStyles;
  void (*midRun)();  // at frame kFrames / 2
};
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

constexpr int kFrames = 700, kStepMs = 250;  // 175 s of saver time

const Case kCases[] = {
    {"Defaults", false, [] {}},
    {"AllStylesAndColourings", true, [] {}},
    {"SettingsChangeMidRun", true, [] { saverSettings.vMax = 12; }},
    {"ReseedMidRun", false, [] { SeedRandom(977); }},
    {"MoreKnotsMidRun", false, [] { saverSettings.knotCount = 5; }},
};

class PreparedKnotTest : public ::testing::TestWithParam<Case> {
 protected:
  void TearDown() override {
    DropPreparedKnots();
    knotsPreparedAhead = savedAhead_;
    saverSettings = saved_;
    slots.clear();
  }

  // Digests of every frame of a run, and how many of its changes were prepared ones.
  std::vector<uint64_t> Run(size_t ahead, uint64_t& prepared) {
    DropPreparedKnots();
    knotsPreparedAhead = ahead;
    ResetSettings(saverSettings);
    saverSettings.knotCount = 3;
    saverSettings.uMin = 0.3;  // light meshes keep the runs short; the choices are what matter
    saverSettings.uMax = 1.5;
    if (GetParam().allStyles) {
      for (int& w : saverSettings.styleWeight) w = 3;
      saverSettings.blendedPercent = 60;
    }
    slots.clear();
    SeedRandom(4242);
    test::GlRecorder gl_;
    // Only the matrices matter here: the vertex stream follows from the slots digested above.
    gl.Normal3d = IgnoreThree;
    gl.Color4d = IgnoreFour;
    gl.Vertex3d = IgnoreThree;
    const uint64_t before = sceneCounters.preparedKnotsUsed;
    std::vector<uint64_t> digests;
    for (int k = 1; k <= kFrames; ++k) {
      if (k == kFrames / 2) GetParam().midRun();
      AdvanceScene(k * kStepMs, kStepMs);
      gl_.Clear();
      digests.push_back(SceneDigest());
      EXPECT_LE(PreparedKnotCount(), ahead);
    }
    prepared = sceneCounters.preparedKnotsUsed - before;
    return digests;
  }

  SaverSettings saved_ = saverSettings;
  size_t savedAhead_ = knotsPreparedAhead;
};

TEST_P(PreparedKnotTest, RunMatchesBuildingInPlaceFrameByFrame) {
  uint64_t preparedInPlace = 0, preparedAhead = 0;
  const std::vector<uint64_t> inPlace = Run(0, preparedInPlace);
  const std::vector<uint64_t> ahead = Run(2, preparedAhead);
  EXPECT_EQ(preparedInPlace, 0u);
  EXPECT_GT(preparedAhead, 20u);  // the prepared path really was taken
  for (int k = 0; k < kFrames; ++k) ASSERT_EQ(inPlace[k], ahead[k]) << "frame " << k + 1;
}

INSTANTIATE_TEST_SUITE_P(Runs, PreparedKnotTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tv
