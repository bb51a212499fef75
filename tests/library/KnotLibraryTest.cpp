#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "BlockFile.h"
#include "foundation/Random.h"
#include "knots/library/KnotLibrary.h"
#include "settings/SaverSettings.h"

namespace tv {
namespace {

// One stored component: start point, scale and point count; its points walk a square-ish loop.
struct Part { float x, y, z, scale; int n; };

// A block in the stored format (little-endian, like the settings record asserts of the host).
std::vector<uint8_t> Block(const std::vector<std::vector<Part>>& knots) {
  std::vector<uint8_t> b;
  auto put = [&b](const void* data, size_t n) {
    b.insert(b.end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + n);
  };
  const int8_t side[4][3] = {{127, 0, 0}, {0, 127, 0}, {-127, 0, 0}, {0, -127, 3}};
  for (const auto& knot : knots) {
    b.push_back(static_cast<uint8_t>(knot.size()));
    for (const Part& c : knot) {
      const uint16_t n = static_cast<uint16_t>(c.n);
      put(&n, 2);
      put(&c, 16);  // x, y, z, scale
      for (int i = 1; i < c.n; ++i) put(side[i * 4 / c.n], 3);
    }
  }
  b.push_back(0);
  return b;
}

class KnotLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = saverSettings, ResetSettings(saverSettings); }
  void TearDown() override { saverSettings = saved_, UseBuiltInLibrary(); }
  void Use(std::vector<uint8_t> block) {
    block_ = std::move(block);
    UseLibraryBlock(block_.data(), block_.size());
  }
  SaverSettings saved_;
  std::vector<uint8_t> block_;
};

// The index walks knots and links to the end byte; a block cut anywhere indexes only the records
// that fit and has no end, and nothing reads past its end.
TEST_F(KnotLibraryTest, IndexWalksRecordsAndNeverReadsPastTheEnd) {
  const Part ten = {0, 0, 0, 1, 10};
  const std::vector<uint8_t> whole =
      Block({{ten}, {{0, 0, 0, 1, 9}, {5, 0, 0, 2, 12}, {9, 0, 1, 1, 1}}, {{2, 2, 2, 1, 20}}});
  const int second = 1 + 3 * 10 + 15, third = second + 1 + (3 * 9 + 15) + (3 * 12 + 15) + (3 * 1 + 15);
  const int end = third + 1 + 3 * 20 + 15;
  Use(whole);
  EXPECT_EQ(std::pair(LibraryKnotOffsets(), LibraryEndOffset()), std::pair(std::vector<int32_t>{0, second, third}, end));
  std::vector<std::vector<Vec3>> link;
  DecodeLibraryKnot(second, link);
  ASSERT_EQ(link.size(), 3u);
  EXPECT_EQ(std::tuple(link[0].size(), link[1].size(), link[2].size()), std::tuple(9u, 12u, 1u));
  // Each component starts from its own start point, in signed steps of its own scale / 127 rounded
  // to single precision (the stored deltas were chosen against that step).
  EXPECT_EQ(std::pair(link[1][0], link[2][0]), std::pair(Vec3(5, 0, 0), Vec3(9, 0, 1)));
  const double step = static_cast<double>(2.0f * 0.007874016f);
  EXPECT_DOUBLE_EQ(link[1][1].x, 5 + 127 * step);
  EXPECT_LT(Length(link[1][11] - Vec3(5 - 127 * step, 0, 9 * step)), 1e-12);
  EXPECT_EQ(LibraryKnotHeaders(second).at(1).scale, 2.0f);
  for (int cut = 0; cut <= end; ++cut) {
    Use(std::vector<uint8_t>(whole.begin(), whole.begin() + cut));
    EXPECT_EQ(LibraryKnotCount(), (cut >= second) + (cut >= third) + (cut >= end)) << cut;
    EXPECT_EQ(LibraryEndOffset(), -1) << cut;
    Knot knot;
    LoadLibraryKnot(knot, 7);  // must neither crash nor read out of bounds
  }
  // A component of 0 points is damage too: the index stops before its record (no end byte
  // reached), which decodes to nothing; an empty block is its end byte alone.
  const std::pair<std::vector<uint8_t>, int> rows[] = {
      {Block({{ten}, {{0, 0, 0, 1, 0}, {1, 0, 0, 1, 10}}, {ten}}), 1}, {{0}, 0}};
  for (const auto& [block, count] : rows) {
    Use(block);
    EXPECT_EQ(std::pair(LibraryKnotCount(), LibraryEndOffset()), std::pair(count, -count));
    std::vector<std::vector<Vec3>> decoded(3);
    DecodeLibraryKnot(second * count, decoded);
    EXPECT_TRUE(decoded.empty() && LibraryKnotHeaders(second * count).empty());
    Knot knot;
    knot.AddComponent({{1, 2, 3}});
    LoadLibraryKnot(knot, 0);
    EXPECT_EQ(knot.components.size(), static_cast<size_t>(count));
  }
}

// Which record comes back (negatives mean 0, large numbers wrap), scaled to a box of diagonal 5,
// and the rings and points per ring its tubes get from the settings' ranges.
TEST_F(KnotLibraryTest, LoadPicksTheRecordAndTubesFollowTheSettings) {
  std::vector<std::vector<Part>> knots = {{{0, 0, 0, 1, 98}, {0, 0, 5, 1, 40}}};
  for (int k = 1; k < 239; ++k) knots.push_back({{static_cast<float>(k), 0, 0, 1, 8}});
  Use(Block(knots));
  ASSERT_EQ(LibraryKnotCount(), 239);
  auto firstPointX = [](int number) {
    Knot knot;
    LoadLibraryKnot(knot, number);
    EXPECT_NEAR(Knot(knot).ScaleToSize(5.0), 1.0, 1e-12);
    return knot.components[0].curve[0].x;
  };
  EXPECT_EQ(firstPointX(0), 0.0);
  EXPECT_GT(firstPointX(1), 0.0);
  for (const auto& [number, record] : {std::pair(-5, 0), {239, 0}, {240, 1}})
    EXPECT_EQ(firstPointX(number), firstPointX(record)) << number;
  // uMin, uMax, vMin, vMax, knot -> rings and points per ring of every component. The draws
  // of seed 1 are 41 for v, then 18467 for u; rings follow the first component's point count.
  const struct { double uMin, uMax; int vMin, vMax, knot, rings, perRing; } rows[] = {
      {1.0, 1.0, 3, 4, 0, 98, 4},  // the top of the v range comes up too
      // u = 0.1 + 18467 / 32767 * 9.9 = 5.6795 times 98 points: 556 rings; v = 3 + 41 % 48 = 44
      {0.1, 10.0, 3, 50, 0, 556, 44},
      {0.1, 0.1, 3, 3, 1, 0, 3},     // a knot of 8 points can get no rings: an empty mesh
      {1.0, 1.0, 10, 9, 0, 98, 10},  // an upside-down v range (a hand edit) counts as its minimum
  };
  for (const auto& row : rows) {
    saverSettings.uMin = row.uMin, saverSettings.uMax = row.uMax;
    saverSettings.vMin = row.vMin, saverSettings.vMax = row.vMax;
    SeedRandom(1);
    Knot knot;
    LoadLibraryKnot(knot, row.knot);
    ASSERT_FALSE(knot.components.empty()) << row.uMax;
    for (const KnotComponent& c : knot.components) {
      EXPECT_EQ(c.uDivisions, row.rings) << row.uMax;
      EXPECT_EQ(c.vertices.size(), static_cast<size_t>(row.rings * row.perRing)) << row.uMax;
      if (row.rings != 98) continue;  // the hues go twice round the circle: ring 49 is red again
      const Rgba first = c.Color(0, 0), half = c.Color(49, 0);
      EXPECT_LT(std::fabs(first.r - half.r) + std::fabs(first.g - half.g) + std::fabs(first.b - half.b), 1e-9);
    }
  }
}

// Block files: read up to the limit, refused past it (folders, devices, missing files: command tests).
TEST(BlockFileTest, ReadsRegularFilesUpToTheLimit) {
  const std::string file = ::testing::TempDir() + "/block-" + std::to_string(getpid());
  std::ofstream(file, std::ios::binary) << std::string(100, '\1');
  std::vector<uint8_t> bytes;
  std::string error;
  EXPECT_TRUE(ReadBlockFile(file, bytes, error, 100));
  EXPECT_EQ(bytes, std::vector<uint8_t>(100, 1));
  EXPECT_FALSE(ReadBlockFile(file, bytes, error, 99));
  EXPECT_NE(error.find("larger than 99 bytes"), std::string::npos) << error;
  std::filesystem::remove(file);
}

}  // namespace
}  // namespace tv
