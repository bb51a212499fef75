#include <gtest/gtest.h>

#include <cstring>

#include "foundation/Random.h"
#include "knots/library/KnotLibrary.h"
#include "settings/SaverSettings.h"

namespace tv {
namespace {

// Builds blocks in the stored format for tests that need other contents than the built-in one.
class BlockWriter {
 public:
  BlockWriter& Knot(int components) {
    bytes_.push_back(static_cast<uint8_t>(components));
    return *this;
  }
  BlockWriter& Component(float x, float y, float z, float scale,
                         const std::vector<std::array<int8_t, 3>>& deltas) {
    const uint16_t n = static_cast<uint16_t>(deltas.size() + 1);
    bytes_.push_back(n & 0xFF);
    bytes_.push_back(n >> 8);
    for (float f : {x, y, z, scale}) {
      uint8_t raw[4];
      std::memcpy(raw, &f, 4);
      bytes_.insert(bytes_.end(), raw, raw + 4);
    }
    for (const auto& d : deltas) {
      for (int8_t c : d) bytes_.push_back(static_cast<uint8_t>(c));
    }
    return *this;
  }
  std::vector<uint8_t> End() {
    std::vector<uint8_t> out = bytes_;
    out.push_back(0);
    return out;
  }

 private:
  std::vector<uint8_t> bytes_;
};

// A closed square-ish loop of n points starting at (x, 0, 0).
std::vector<std::array<int8_t, 3>> Loop(int n) {
  std::vector<std::array<int8_t, 3>> d;
  for (int i = 1; i < n; ++i) {
    const int side = (i * 4) / n;
    const int8_t s = 127;
    d.push_back(side == 0 ? std::array<int8_t, 3>{s, 0, 0}
                : side == 1 ? std::array<int8_t, 3>{0, s, 0}
                : side == 2 ? std::array<int8_t, 3>{static_cast<int8_t>(-s), 0, 0}
                            : std::array<int8_t, 3>{0, static_cast<int8_t>(-s), 3});
  }
  return d;
}

class KnotLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = saverSettings; }
  void TearDown() override {
    saverSettings = saved_;
    UseBuiltInLibrary();
  }
  SaverSettings saved_;
};

TEST_F(KnotLibraryTest, BuiltInFirstRecordIsTheUnknot) {
  UseBuiltInLibrary();
  ASSERT_GE(LibraryKnotCount(), 1);
  EXPECT_EQ(LibraryKnotOffsets()[0], 0);
  static const uint8_t kUnknotHead[] = {0x01, 0x10, 0x00, 0x04, 0x29, 0x64, 0xBE, 0x41};
  EXPECT_EQ(std::memcmp(kKnotLibraryData, kUnknotHead, sizeof kUnknotHead), 0);
  std::vector<std::vector<Vec3>> components;
  DecodeLibraryKnot(0, components);
  ASSERT_EQ(components.size(), 1u);
  ASSERT_EQ(components[0].size(), 16u);
  const std::vector<Vec3>& p = components[0];
  const Vec3 expected[] = {{-0.222813, 9.999330, 0}, {-4.006031, 9.182154, 0},
                           {-7.183935, 6.942489, 0}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(p[i].x, expected[i].x, 5e-7);
    EXPECT_NEAR(p[i].y, expected[i].y, 5e-7);
  }
  EXPECT_NEAR(p[15].x, 3.590672, 5e-7);
  EXPECT_NEAR(p[15].y, 9.333483, 5e-7);
  for (const Vec3& q : p) EXPECT_EQ(q.z, 0.0);
  // The step is the single-precision product, widened.
  EXPECT_DOUBLE_EQ(p[1].y - p[0].y, -27 * 0.030265748500823975);
  EXPECT_EQ(LibraryKnotHeaders(0)[0].scale, 3.84375f);
}

TEST_F(KnotLibraryTest, IndexWalksRecordsAndLinksToTheEndByte) {
  const std::vector<uint8_t> block = BlockWriter()
                                         .Knot(1).Component(1, 0, 0, 1.0f, Loop(8))
                                         .Knot(3).Component(0, 0, 0, 1.0f, Loop(9))
                                         .Component(5, 0, 0, 2.0f, Loop(12))
                                         .Component(9, 0, 1, 0.5f, Loop(1))
                                         .Knot(1).Component(2, 2, 2, 1.0f, Loop(20))
                                         .End();
  UseLibraryBlock(block.data(), block.size());
  EXPECT_EQ(LibraryKnotCount(), 3);
  const int second = 1 + 3 * 8 + 15;
  const int third = second + 1 + (3 * 9 + 15) + (3 * 12 + 15) + (3 * 1 + 15);
  EXPECT_EQ(LibraryKnotOffsets(), (std::vector<int32_t>{0, second, third}));
  EXPECT_EQ(LibraryEndOffset(), static_cast<int>(block.size()) - 1);

  std::vector<std::vector<Vec3>> link;
  DecodeLibraryKnot(second, link);
  ASSERT_EQ(link.size(), 3u);
  EXPECT_EQ(link[0].size(), 9u);
  EXPECT_EQ(link[1].size(), 12u);
  EXPECT_EQ(link[2].size(), 1u);
  // Each component starts from its own start point.
  EXPECT_EQ(link[1][0], Vec3(5, 0, 0));
  EXPECT_EQ(link[2][0], Vec3(9, 0, 1));
  EXPECT_DOUBLE_EQ(link[1][1].x, 5 + 127 * static_cast<double>(2.0f * 0.007874016f));
}

TEST_F(KnotLibraryTest, DamagedBlocksNeverReadPastTheirEnd) {
  std::vector<uint8_t> block = BlockWriter()
                                   .Knot(1).Component(0, 0, 0, 1.0f, Loop(10))
                                   .Knot(2).Component(0, 0, 0, 1.0f, Loop(10))
                                   .Component(0, 0, 0, 1.0f, Loop(10))
                                   .End();
  for (size_t cut = 0; cut < block.size(); ++cut) {
    std::vector<uint8_t> truncated(block.begin(), block.begin() + cut);
    UseLibraryBlock(truncated.data(), truncated.size());
    const int count = LibraryKnotCount();
    EXPECT_LE(count, 2);
    EXPECT_EQ(count >= 1, cut >= 1 + 3 * 10 + 15) << cut;
    EXPECT_EQ(LibraryEndOffset(), -1) << cut;  // no end byte inside the cut block
    Knot knot;
    LoadLibraryKnot(knot, 7);  // must neither crash nor read out of bounds
  }
  // An empty block holds no knots; loading leaves an empty knot.
  const uint8_t empty[] = {0};
  UseLibraryBlock(empty, 1);
  EXPECT_EQ(LibraryKnotCount(), 0);
  EXPECT_EQ(LibraryEndOffset(), 0);
  Knot knot;
  knot.AddComponent({{1, 2, 3}});
  LoadLibraryKnot(knot, 0);
  EXPECT_TRUE(knot.components.empty());
}

TEST_F(KnotLibraryTest, KnotNumbersWrapAndNegativesMeanZero) {
  BlockWriter writer;
  for (int k = 0; k < 239; ++k) writer.Knot(1).Component(static_cast<float>(k), 0, 0, 1.0f, Loop(8));
  const std::vector<uint8_t> block = writer.End();
  UseLibraryBlock(block.data(), block.size());
  ASSERT_EQ(LibraryKnotCount(), 239);
  ASSERT_EQ(LibraryEndOffset(), 239 * (1 + 3 * 8 + 15));
  ResetSettings(saverSettings);
  // Two draws per load; the knot's first point tells which record came back (scaled to size 5).
  auto firstPointX = [](int number) {
    Knot knot;
    LoadLibraryKnot(knot, number);
    return knot.components[0].curve[0].x;
  };
  const double x0 = firstPointX(0), x1 = firstPointX(1);
  EXPECT_EQ(x0, 0.0);
  EXPECT_GT(x1, 0.0);
  EXPECT_EQ(firstPointX(-5), x0);
  EXPECT_EQ(firstPointX(239), x0);
  EXPECT_EQ(firstPointX(240), x1);
}

TEST_F(KnotLibraryTest, TubeResolutionFollowsSettingsRanges) {
  const std::vector<uint8_t> block = BlockWriter()
                                         .Knot(2).Component(0, 0, 0, 1.0f, Loop(98))
                                         .Component(0, 0, 5, 1.0f, Loop(40))
                                         .Knot(1).Component(0, 0, 0, 1.0f, Loop(8))
                                         .End();
  UseLibraryBlock(block.data(), block.size());
  ResetSettings(saverSettings);
  saverSettings.uMin = saverSettings.uMax = 1.0;
  saverSettings.vMin = saverSettings.vMax = 3;
  Knot knot;
  LoadLibraryKnot(knot, 0);
  ASSERT_EQ(knot.components.size(), 2u);
  for (const KnotComponent& c : knot.components) {
    EXPECT_EQ(c.uDivisions, 98);  // rings follow the first component's point count
    EXPECT_EQ(c.vDivisions, 3);
    EXPECT_EQ(c.colors.size(), 98u * 3u);
  }
  EXPECT_EQ(knot.components[0].Color(0, 0), Rgba(1, 0, 0, 1));

  // The draws in order: v from the first, u from the second.
  saverSettings.uMin = 0.1, saverSettings.uMax = 10.0;
  saverSettings.vMin = 3, saverSettings.vMax = 50;
  SeedRandom(1);  // draws 41, then 18467
  LoadLibraryKnot(knot, 0);
  EXPECT_EQ(knot.components[0].vDivisions, 3 + 41 % 48);
  EXPECT_EQ(knot.components[0].uDivisions,
            static_cast<int>((0.1 + (18467 * kRandomScale) * 9.9) * 98));

  // At the bottom of the u range a knot of 8 points gets no rings at all and an empty mesh.
  saverSettings.uMin = saverSettings.uMax = 0.1;
  LoadLibraryKnot(knot, 1);
  EXPECT_EQ(knot.components[0].uDivisions, 0);
  EXPECT_TRUE(knot.components[0].vertices.empty());

  // A record edited by hand into an upside-down v range does not divide by zero.
  saverSettings.vMin = 10, saverSettings.vMax = 9;
  saverSettings.uMin = saverSettings.uMax = 1.0;
  LoadLibraryKnot(knot, 0);
  EXPECT_EQ(knot.components[0].vDivisions, 10);
}

TEST_F(KnotLibraryTest, LoadedKnotIsScaledToSizeFive) {
  UseBuiltInLibrary();
  ResetSettings(saverSettings);
  Knot knot;
  LoadLibraryKnot(knot, 0);
  Vec3 lo = knot.components[0].curve[0], hi = lo;
  for (const Vec3& p : knot.components[0].curve) {
    lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
  }
  EXPECT_NEAR(Length(hi - lo), 5.0, 1e-12);
  // Same curve, other draws: other resolution.
  SeedRandom(3);
  Knot again;
  LoadLibraryKnot(again, 0);
  EXPECT_EQ(again.components[0].curve, knot.components[0].curve);
}

}  // namespace
}  // namespace tv
