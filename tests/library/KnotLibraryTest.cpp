#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "BlockFile.h"
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
  // A component of n points walking a square-ish loop from (x, y, z) in whole steps of scale.
  BlockWriter& Component(float x, float y, float z, float scale, int n) {
    bytes_.push_back(static_cast<uint8_t>(n & 0xFF));
    bytes_.push_back(static_cast<uint8_t>(n >> 8));
    for (float f : {x, y, z, scale}) {
      uint8_t raw[4];
      std::memcpy(raw, &f, 4);
      bytes_.insert(bytes_.end(), raw, raw + 4);
    }
    for (int i = 1; i < n; ++i) {
      const int side = (i * 4) / n;
      const int8_t d[4][3] = {{127, 0, 0}, {0, 127, 0}, {-127, 0, 0}, {0, -127, 3}};
      for (int8_t c : d[side]) bytes_.push_back(static_cast<uint8_t>(c));
    }
    return *this;
  }
  std::vector<uint8_t> End() const {
    std::vector<uint8_t> out = bytes_;
    out.push_back(0);
    return out;
  }

 private:
  std::vector<uint8_t> bytes_;
};

class KnotLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = saverSettings; }
  void TearDown() override {
    saverSettings = saved_;
    UseBuiltInLibrary();
  }
  void Use(const std::vector<uint8_t>& block) {
    block_ = block;
    UseLibraryBlock(block_.data(), block_.size());
  }
  SaverSettings saved_;
  std::vector<uint8_t> block_;
};

TEST_F(KnotLibraryTest, BuiltInFirstRecordIsTheUnknot) {
  UseBuiltInLibrary();
  ASSERT_GE(LibraryKnotCount(), 1);
  EXPECT_EQ(LibraryKnotOffsets()[0], 0);
  std::vector<std::vector<Vec3>> components;
  DecodeLibraryKnot(0, components);
  ASSERT_EQ(components.size(), 1u);
  ASSERT_EQ(components[0].size(), 16u);
  const std::vector<Vec3>& p = components[0];
  const std::pair<int, Vec3> expected[] = {{0, {-0.222813, 9.999330, 0}},
                                           {1, {-4.006031, 9.182154, 0}},
                                           {2, {-7.183935, 6.942489, 0}},
                                           {15, {3.590672, 9.333483, 0}}};
  for (const auto& [i, q] : expected) EXPECT_LT(Length(p[i] - q), 7.1e-7) << i;
  for (const Vec3& q : p) EXPECT_EQ(q.z, 0.0);
  // The step is the single-precision product, widened.
  EXPECT_DOUBLE_EQ(p[1].y - p[0].y, -27 * 0.030265748500823975);
  EXPECT_EQ(LibraryKnotHeaders(0)[0].scale, 3.84375f);
}

TEST_F(KnotLibraryTest, IndexWalksRecordsAndLinksToTheEndByte) {
  Use(BlockWriter()
          .Knot(1).Component(1, 0, 0, 1.0f, 8)
          .Knot(3).Component(0, 0, 0, 1.0f, 9).Component(5, 0, 0, 2.0f, 12).Component(9, 0, 1, 0.5f, 1)
          .Knot(1).Component(2, 2, 2, 1.0f, 20)
          .End());
  const int second = 1 + 3 * 8 + 15;
  const int third = second + 1 + (3 * 9 + 15) + (3 * 12 + 15) + (3 * 1 + 15);
  EXPECT_EQ(LibraryKnotOffsets(), (std::vector<int32_t>{0, second, third}));
  EXPECT_EQ(LibraryEndOffset(), static_cast<int>(block_.size()) - 1);

  std::vector<std::vector<Vec3>> link;
  DecodeLibraryKnot(second, link);
  ASSERT_EQ(link.size(), 3u);
  EXPECT_EQ((std::vector<size_t>{link[0].size(), link[1].size(), link[2].size()}),
            (std::vector<size_t>{9, 12, 1}));
  // Each component starts from its own start point.
  EXPECT_EQ(link[1][0], Vec3(5, 0, 0));
  EXPECT_EQ(link[2][0], Vec3(9, 0, 1));
  EXPECT_DOUBLE_EQ(link[1][1].x, 5 + 127 * static_cast<double>(2.0f * 0.007874016f));
}

TEST_F(KnotLibraryTest, DamagedBlocksNeverReadPastTheirEnd) {
  const std::vector<uint8_t> whole = BlockWriter()
                                         .Knot(1).Component(0, 0, 0, 1.0f, 10)
                                         .Knot(2).Component(0, 0, 0, 1.0f, 10).Component(0, 0, 0, 1.0f, 10)
                                         .End();
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    Use(std::vector<uint8_t>(whole.begin(), whole.begin() + cut));
    EXPECT_EQ(LibraryKnotCount(), (cut >= 46) + (cut >= 46 + 1 + 2 * 45)) << cut;
    EXPECT_EQ(LibraryEndOffset(), -1) << cut;  // no end byte inside the cut block
    Knot knot;
    LoadLibraryKnot(knot, 7);  // must neither crash nor read out of bounds
  }
  // A component of 0 points is damage too: the index stops before its record, and decoding that
  // record gives nothing. An empty block holds no knots, and loading leaves an empty knot.
  const int second = 1 + 3 * 10 + 15;
  const std::vector<uint8_t> zero = BlockWriter()
                                        .Knot(1).Component(0, 0, 0, 1.0f, 10)
                                        .Knot(2).Component(0, 0, 0, 1.0f, 0).Component(1, 0, 0, 1.0f, 10)
                                        .Knot(1).Component(0, 0, 0, 1.0f, 10)
                                        .End();
  const struct {
    std::vector<uint8_t> block;
    int count, end;
  } rows[] = {{zero, 1, -1}, {{0}, 0, 0}};
  for (const auto& [block, count, end] : rows) {
    Use(block);
    EXPECT_EQ(LibraryKnotCount(), count);
    EXPECT_EQ(LibraryEndOffset(), end);
    std::vector<std::vector<Vec3>> decoded(3);
    DecodeLibraryKnot(second * count, decoded);
    EXPECT_TRUE(decoded.empty() && LibraryKnotHeaders(second * count).empty());
    Knot knot;
    knot.AddComponent({{1, 2, 3}});
    LoadLibraryKnot(knot, 0);
    EXPECT_EQ(knot.components.size(), static_cast<size_t>(count));
  }
}

TEST_F(KnotLibraryTest, KnotNumbersWrapAndNegativesMeanZero) {
  BlockWriter writer;
  for (int k = 0; k < 239; ++k) writer.Knot(1).Component(static_cast<float>(k), 0, 0, 1.0f, 8);
  Use(writer.End());
  ASSERT_EQ(LibraryEndOffset(), 239 * (1 + 3 * 8 + 15));
  ResetSettings(saverSettings);
  // The knot's first point tells which record came back, scaled so that its box has diagonal 5.
  auto firstPointX = [](int number) {
    Knot knot;
    LoadLibraryKnot(knot, number);
    Vec3 lo(1e9, 1e9, 1e9), hi = -1.0 * lo;
    for (const Vec3& p : knot.components[0].curve) {
      lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
      hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    EXPECT_NEAR(Length(hi - lo), 5.0, 1e-12);
    return knot.components[0].curve[0].x;
  };
  const std::pair<int, int> same[] = {{-5, 0}, {239, 0}, {240, 1}};
  EXPECT_EQ(firstPointX(0), 0.0);
  EXPECT_GT(firstPointX(1), 0.0);
  for (const auto& [number, record] : same) EXPECT_EQ(firstPointX(number), firstPointX(record)) << number;
}

TEST_F(KnotLibraryTest, TubeResolutionFollowsSettingsRanges) {
  Use(BlockWriter()
          .Knot(2).Component(0, 0, 0, 1.0f, 98).Component(0, 0, 5, 1.0f, 40)
          .Knot(1).Component(0, 0, 0, 1.0f, 8)
          .End());
  ResetSettings(saverSettings);
  // uMin, uMax, vMin, vMax, knot -> rings and points per ring of every component. The draws
  // of seed 1 are 41 for v, then 18467 for u; rings follow the first component's point count.
  const struct {
    double uMin, uMax;
    int vMin, vMax, knot, rings, perRing;
  } rows[] = {
      {1.0, 1.0, 3, 3, 0, 98, 3},
      {1.0, 1.0, 3, 4, 0, 98, 4},  // the top of the v range comes up too
      {0.1, 10.0, 3, 50, 0, static_cast<int>((0.1 + (18467 * kRandomScale) * 9.9) * 98), 3 + 41 % 48},
      {0.1, 0.1, 3, 3, 1, 0, 3},    // a knot of 8 points can get no rings: an empty mesh
      {1.0, 1.0, 10, 9, 0, 98, 10},  // an upside-down v range (a hand edit) counts as its minimum
  };
  for (const auto& row : rows) {
    saverSettings.uMin = row.uMin, saverSettings.uMax = row.uMax;
    saverSettings.vMin = row.vMin, saverSettings.vMax = row.vMax;
    SeedRandom(1);
    Knot knot;
    LoadLibraryKnot(knot, row.knot);
    for (const KnotComponent& c : knot.components) {
      EXPECT_EQ(c.uDivisions, row.rings) << row.uMax;
      EXPECT_EQ(c.vertices.size(), static_cast<size_t>(row.rings * row.perRing)) << row.uMax;
      EXPECT_EQ(c.colors.size(), c.vertices.size());
    }
    if (row.rings > 0) {
      EXPECT_EQ(knot.components[0].Color(0, 0), Rgba(1, 0, 0, 1));
    }
  }
}

// Block files: only a regular file up to the limit is read; anything else says why.
TEST(BlockFileTest, ReadsOnlyRegularFilesUpToTheLimit) {
  const std::string dir = ::testing::TempDir(), file = dir + "/block-" + std::to_string(getpid());
  std::ofstream(file, std::ios::binary) << std::string(100, '\1');
  struct Row {
    std::string path;
    size_t limit;
    const char* reason;  // nullptr: read
  };
  std::vector<Row> rows = {{file, 100, nullptr},
                           {file, 99, "larger than 99 bytes"},
                           {dir, 100, "not a regular file"},
                           {file + ".absent", 100, "cannot read"}};
#ifndef _WIN32
  rows.push_back({"/dev/zero", 100, "not a regular file"});  // endless: must not be read at all
#endif
  for (const auto& row : rows) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_EQ(ReadBlockFile(row.path, bytes, error, row.limit), row.reason == nullptr) << row.path;
    EXPECT_EQ(row.reason ? error.find(row.reason) != std::string::npos : bytes.size() == 100, true)
        << error;
  }
  std::filesystem::remove(file);
}

}  // namespace
}  // namespace tv
