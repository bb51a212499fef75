// Checks of the committed knot block (the bytes the build embeds) and its name table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "Codec.h"
#include "Diagram.h"
#include "Library.h"
#include "foundation/Random.h"
#include "knots/TorusKnot.h"
#include "knots/library/KnotLibrary.h"

namespace tv::knotgen {
namespace {

constexpr int kEnd = 113648;  // offset of the block's end byte

uint64_t Hash(const void* data, size_t size, uint64_t h = 1469598103934665603ull) {  // FNV-1a
  for (size_t i = 0; i < size; ++i) h = (h ^ static_cast<const uint8_t*>(data)[i]) * 1099511628211ull;
  return h;
}

struct Stored {
  std::vector<int32_t> offsets;
  std::vector<std::string> names;
  std::vector<Entry> catalogue;
  std::vector<Link> records;  // as the saver decodes them
};

const Stored& Block() {
  static const Stored s = [] {
    UseBuiltInLibrary();
    Stored out{LibraryKnotOffsets(), LibraryKnotNames(), Catalogue(TV_KNOT_TABLES), {}};
    for (int32_t at : out.offsets) DecodeLibraryKnot(at, out.records.emplace_back());
    return out;
  }();
  return s;
}

// The block, pinned byte for byte (figures, scales, start points and deltas with it), starts with
// the generator's reference unknot and walks to its end byte; the generator's decoder reads every
// record as the saver does; records are named in catalogue order, one distinct name each.
TEST(LibraryData, BlockIsPinnedAndRecordsReadAlikeInCatalogueOrder) {
  const Stored& s = Block();
  EXPECT_EQ(Hash(kKnotLibraryData, kKnotLibraryDataSize), 0x957b606685bb11e3ull);  // data/knots.bin
  EXPECT_EQ(std::pair(int(kKnotLibraryDataSize), LibraryEndOffset()), std::pair(kEnd + 1, kEnd));
  EXPECT_TRUE(std::equal(UnknotRecord().begin(), UnknotRecord().end(), kKnotLibraryData));
  ASSERT_EQ(std::tuple(s.offsets.size(), s.names.size(), s.catalogue.size()), std::tuple(239u, 239u, 239u));
  EXPECT_EQ(std::set<std::string>(s.names.begin(), s.names.end()).size(), 239u);
  for (size_t k = 0; k < s.records.size(); ++k) {
    size_t at = static_cast<size_t>(s.offsets[k]);
    EXPECT_EQ(DecodeRecord(kKnotLibraryData, at), s.records[k]) << s.names[k];
    EXPECT_EQ(s.names[k], s.catalogue[k].name);
  }
}

// Table links may list their components in another order, which reorders their linking numbers.
Invariants Unordered(Invariants i) {
  std::sort(i.linking.begin(), i.linking.end());
  return i;
}

TEST(LibraryData, EveryRecordKeepsTheInvariantsOfItsSource) {
  const Stored& s = Block();
  for (size_t k = 0; k < s.records.size(); ++k) {
    const Entry& e = s.catalogue[k];
    const Invariants stored = RecordInvariants(s.records[k]);
    if (e.kind == Entry::Kind::Table) {
      const Invariants source = ComputeInvariants(DiagramFromPd(ParsePd(e.table.pd), e.table.components));
      EXPECT_EQ(CompareInvariants(Unordered(source), Unordered(stored)), "") << e.name;
    } else if (e.kind == Entry::Kind::Family) {
      const FamilyLink f = BuildFamily(e.family);
      ASSERT_EQ(stored.linking.size(), f.linking.size()) << e.name;
      for (size_t i = 0; i < f.linking.size(); ++i) EXPECT_EQ(std::abs(stored.linking[i]), f.linking[i]) << e.name << " pair " << i;
      EXPECT_EQ(CompareInvariants(RecordInvariants(f.link), stored), "") << e.name;
    } else {
      EXPECT_EQ(stored.alexander, std::vector<int64_t>({1}));
    }
  }
}

// Tubes clear themselves and each other; no kinks (24 points or more: smoother than the 45 degrees
// of the 8-point rings) and no uneven edges; table entries are relaxed into balls of strands, not
// flat rosettes (smallest principal extent against the largest).
TEST(LibraryData, ShapesClearSmoothAndRound) {
  const Stored& s = Block();
  std::vector<double> ratios;
  for (size_t k = 0; k < s.records.size(); ++k) {
    EXPECT_GE(MinClearance(s.records[k], kLocalArc, 4.0).distance, kRequiredClearance) << s.names[k];
    Link fine;
    for (const Curve& c : s.records[k]) {
      const Smoothness m = MeasureSmoothness(c);
      EXPECT_LE(m.worstAngleDeg, c.size() >= 24 ? 34.5 : 46.0) << s.names[k];
      EXPECT_TRUE(m.longestEdgeRatio <= 1.45 && m.shortestEdgeRatio >= 0.6) << s.names[k];
      fine.push_back(SampleBSpline(c, 4));
    }
    if (s.catalogue[k].kind != Entry::Kind::Table) continue;
    const Extents e = PrincipalExtents(fine);
    ratios.push_back(e.minor / e.major);
    EXPECT_GE(ratios.back(), 0.35) << s.names[k];
  }
  ASSERT_EQ(ratios.size(), 224u);
  std::sort(ratios.begin(), ratios.end());
  EXPECT_GE(ratios[ratios.size() / 2], 0.84);  // the median
}

TEST(LibraryData, GeneratorReproducesStoredRecords) {
  const Stored& s = Block();
  for (const char* name : {"3_1", "L4a1", "olympic"}) {
    const size_t k = static_cast<size_t>(std::find(s.names.begin(), s.names.end(), name) - s.names.begin());
    ASSERT_LT(k, s.names.size()) << name;
    std::vector<int> counts;
    for (const Curve& c : s.records[k]) counts.push_back(static_cast<int>(c.size()));
    const BuiltRecord r = BuildRecord(s.catalogue[k], MakeShape(s.catalogue[k]), counts);
    EXPECT_EQ(r.error, "") << name;
    const int32_t next = k + 1 < s.offsets.size() ? s.offsets[k + 1] : kEnd;
    EXPECT_EQ(r.bytes, std::vector<uint8_t>(kKnotLibraryData + s.offsets[k], kKnotLibraryData + next)) << name;
  }
}

// What the saver draws for a few stored knots and a torus knot, pinned bit for bit: a change
// anywhere on the way (decoding, tube frames and closing twist, scaling, hue ramp, random draws)
// shows here. Vertices, outer vertices, normals and colours, FNV-1a over their bytes.
TEST(LibraryData, MeshesAndColoursArePinned) {
  auto hash = [](const Knot& knot) {
    uint64_t h = Hash(nullptr, 0);
    auto mix = [&](const auto& v) { h = Hash(v.data(), v.size() * sizeof v[0], h); };
    for (const KnotComponent& c : knot.components) mix(c.vertices), mix(c.outerVertices), mix(c.normals), mix(c.colors);
    return h;
  };
  const struct { int knot; uint32_t seed; uint64_t hash; } cases[] = {  // knot -1: a torus knot
              {0, 1, 0x306a717d58a1df4bull},   {1, 2, 0x17529165fbfc1783ull},   {7, 3, 0xd0f00aa8c849d8aaull},
               {150, 4, 0xa262fa2a9fe7ce77ull}, {238, 5, 0xe62f4e47cfeda27bull}, {-1, 6, 0xd012e07805674c60ull}};
  for (const auto& c : cases) {
    SeedRandom(c.seed);
    TorusKnot torus;
    Knot stored;
    if (c.knot >= 0) LoadLibraryKnot(stored, c.knot);
    torus.Randomize(11, 11, 100, 12);
    torus.Rebuild();
    EXPECT_EQ(hash(c.knot < 0 ? torus : stored), c.hash) << "knot " << c.knot;
  }
  // Hand-made edge cases of the tube and the scaling: the first rings sit on three equal points
  // (they borrow the first usable tangent), and a knot too large to measure is left as it is.
  Knot edges, huge;
  edges.AddComponent({{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {4, 0, 0}, {4, 4, 1}, {0, 4, 0}});
  edges.BuildTubes(0.9, 12, 5);
  EXPECT_EQ(hash(edges), 0x5905fe3a1a42aecdull);
  huge.AddComponent({{-1e308, 0, 0}, {1e308, 0, 0}, {0, 1e308, 1}});
  EXPECT_EQ(huge.ScaleToSize(5.0), 1.0);
  EXPECT_EQ(huge.components[0].curve[1], Vec3(1e308, 0, 0));
}

}  // namespace
}  // namespace tv::knotgen
