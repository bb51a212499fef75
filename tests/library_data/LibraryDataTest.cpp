// Checks of the committed knot block (the bytes the build embeds) and its name table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <regex>
#include <set>

#include "Codec.h"
#include "Diagram.h"
#include "Library.h"
#include "foundation/Random.h"
#include "knots/TorusKnot.h"
#include "knots/library/KnotLibrary.h"

namespace tv::knotgen {
namespace {

// Smoothness reached by the generator (control polygons of 24 points or more).
constexpr double kMaxAngleDeg = 34.5;
constexpr double kMaxEdgeRatio = 1.45;
constexpr double kMinEdgeRatio = 0.6;
// Smallest over largest principal extent of the table shapes: worst and median.
constexpr double kMinFlatness = 0.35;
constexpr double kMedianFlatness = 0.84;

struct Stored {
  std::vector<int32_t> offsets;
  std::vector<Link> records;
  std::vector<std::string> names;
  std::vector<Entry> catalogue;
};

const Stored& Block() {
  static const Stored s = [] {
    Stored out;
    UseBuiltInLibrary();
    out.offsets = LibraryKnotOffsets();
    for (int32_t at : out.offsets) {
      std::vector<std::vector<Vec3>> comps;
      DecodeLibraryKnot(at, comps);
      out.records.push_back(comps);
    }
    out.names = LibraryKnotNames();
    out.catalogue = Catalogue(TV_KNOT_TABLES);
    return out;
  }();
  return s;
}

const uint8_t* Bytes() { return kKnotLibraryData; }

TEST(LibraryData, BlockHasTheFiguresOfTheFormatAndNamesFollowTheRecords) {
  const Stored& s = Block();
  EXPECT_EQ(kKnotLibraryDataSize, 113649u);
  EXPECT_EQ(Bytes()[113648], 0);
  EXPECT_EQ(LibraryEndOffset(), 113648);
  ASSERT_EQ(s.offsets.size(), 239u);
  EXPECT_EQ(s.offsets[0], 0);
  EXPECT_TRUE(std::equal(UnknotRecord().begin(), UnknotRecord().end(), Bytes()));
  EXPECT_EQ(Bytes()[64], 2);  // the second record is a link of two components
  std::map<std::string, int> figures;
  auto most = [&](const char* name, int value) { figures[name] = std::max(figures[name], value); };
  auto least = [&](const char* name, int value) { figures[name] = figures.count(name) ? std::min(figures[name], value) : value; };
  for (const Link& r : s.records) {
    figures["knots"] += r.size() == 1;
    figures["components"] += static_cast<int>(r.size());
    figures["small first components"] += r[0].size() < 10;
    most("widest", static_cast<int>(r.size()));
    for (const Curve& c : r) {
      figures["points"] += static_cast<int>(c.size());
      least("fewest points", static_cast<int>(c.size()));
      most("most points", static_cast<int>(c.size()));
    }
  }
  EXPECT_EQ(figures, (std::map<std::string, int>{{"knots", 144}, {"components", 490}, {"small first components", 3},
                                                 {"widest", 24}, {"points", 35353}, {"fewest points", 8},
                                                 {"most points", 1500}}));
  ASSERT_EQ(s.names.size(), 239u);
  EXPECT_EQ(s.names[0], "0_1");
  EXPECT_EQ(s.names[1], "L2a1");
  EXPECT_EQ(std::set<std::string>(s.names.begin(), s.names.end()).size(), 239u);
  ASSERT_EQ(s.catalogue.size(), 239u);
  const std::regex knotName("[0-9]+_[0-9]+");
  for (size_t k = 0; k < s.names.size(); ++k) {
    EXPECT_EQ(s.names[k], s.catalogue[k].name);
    const size_t components = s.records[k].size();
    EXPECT_TRUE(!std::regex_match(s.names[k], knotName) || components == 1) << s.names[k];
    EXPECT_TRUE(s.catalogue[k].kind != Entry::Kind::Table || int(components) == s.catalogue[k].table.components) << s.names[k];
  }
}

TEST(LibraryData, ComponentFieldsStayInTheirRanges) {
  const Stored& s = Block();
  double lo = 1e9, hi = 0.0, start = 0.0;
  for (size_t k = 0; k < s.offsets.size(); ++k) {
    size_t at = static_cast<size_t>(s.offsets[k]);
    const Link mine = DecodeRecord(Bytes(), at);
    EXPECT_EQ(mine, s.records[k]) << "record " << k;  // the loader and the generator read alike
    size_t p = static_cast<size_t>(s.offsets[k]) + 1;
    for (size_t ci = 0; ci < mine.size(); ++ci) {
      const Curve& c = mine[ci];
      const int n = Bytes()[p] | (Bytes()[p + 1] << 8);
      const double scale = ComponentScale(Bytes(), static_cast<size_t>(s.offsets[k]), static_cast<int>(ci));
      lo = std::min(lo, scale);
      hi = std::max(hi, scale);
      start = std::max({start, std::fabs(c[0].x), std::fabs(c[0].y), std::fabs(c[0].z)});
      int largest = 0;
      for (int i = 0; i < 3 * (n - 1); ++i) {
        const int d = static_cast<int8_t>(Bytes()[p + 18 + static_cast<size_t>(i)]);
        ASSERT_NE(d, -128) << s.names[k];
        largest = std::max(largest, std::abs(d));
      }
      EXPECT_TRUE(largest == 126 || largest == 127) << s.names[k] << " " << largest;
      p += 3 * static_cast<size_t>(n) + 15;
    }
  }
  EXPECT_TRUE(lo > 0.54 && lo < 0.56) << lo;
  EXPECT_TRUE(hi > 5.0 && hi < 5.04) << hi;
  EXPECT_LE(start, 22.0);
}

// Same invariants as the source; table links may list their components in another order.
bool MatchesUpToOrder(const Invariants& source, const Invariants& stored) {
  const int m = source.components;
  if (m != stored.components) return false;
  std::vector<int> order(static_cast<size_t>(m));
  std::iota(order.begin(), order.end(), 0);
  auto pair = [m](int i, int j) {
    if (i > j) std::swap(i, j);
    return static_cast<size_t>(i * m - i * (i + 1) / 2 + (j - i - 1));
  };
  do {
    Invariants p = source;
    for (int a = 0; a < m; ++a)
      for (int b = a + 1; b < m; ++b) p.linking[pair(a, b)] = source.linking[pair(order[static_cast<size_t>(a)], order[static_cast<size_t>(b)])];
    if (CompareInvariants(p, stored).empty()) return true;
  } while (m <= 6 && std::next_permutation(order.begin(), order.end()));
  return false;
}

TEST(LibraryData, EveryRecordKeepsTheInvariantsOfItsSource) {
  const Stored& s = Block();
  for (size_t k = 0; k < s.records.size(); ++k) {
    const Entry& e = s.catalogue[k];
    const Invariants stored = RecordInvariants(s.records[k]);
    if (e.kind == Entry::Kind::Table) {
      const Invariants source = ComputeInvariants(DiagramFromPd(ParsePd(e.table.pd), e.table.components));
      EXPECT_TRUE(MatchesUpToOrder(source, stored)) << e.name << ": " << Describe(source) << " vs " << Describe(stored);
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

// Tubes clear themselves and each other; curves have no kinks; the table entries are relaxed
// into balls of strands, not flat rosettes (smallest principal extent against the largest).
TEST(LibraryData, ShapesClearSmoothAndRound) {
  const Stored& s = Block();
  double worstClearance = 1e9, worstAngle = 0.0, worstSmooth = 0.0, longest = 0.0, shortest = 1e9;
  std::vector<double> ratios;
  for (size_t k = 0; k < s.records.size(); ++k) {
    const double clearance = MinClearance(s.records[k], kLocalArc, 4.0).distance;
    EXPECT_GE(clearance, kRequiredClearance) << s.names[k];
    worstClearance = std::min(worstClearance, clearance);
    Link fine;
    for (const Curve& c : s.records[k]) {
      const Smoothness m = MeasureSmoothness(c);
      worstAngle = std::max(worstAngle, m.worstAngleDeg);
      // Components of 24 points or more: the angle a regular polygon needs is 15 degrees or less.
      if (c.size() >= 24) worstSmooth = std::max(worstSmooth, m.worstAngleDeg);
      longest = std::max(longest, m.longestEdgeRatio);
      shortest = std::min(shortest, m.shortestEdgeRatio);
      fine.push_back(SampleBSpline(c, 4));
    }
    if (s.catalogue[k].kind != Entry::Kind::Table) continue;
    const Extents e = PrincipalExtents(fine);
    ratios.push_back(e.minor / e.major);
    EXPECT_GE(ratios.back(), kMinFlatness) << s.names[k];
  }
  EXPECT_LE(worstAngle, 46.0);  // the 8-point rings: 45 degrees
  EXPECT_LE(worstSmooth, kMaxAngleDeg);
  EXPECT_LE(longest, kMaxEdgeRatio);
  EXPECT_GE(shortest, kMinEdgeRatio);
  ASSERT_EQ(ratios.size(), 224u);
  std::sort(ratios.begin(), ratios.end());
  EXPECT_GE(ratios[ratios.size() / 2], kMedianFlatness);
  RecordProperty("worst_clearance", std::to_string(worstClearance));
  RecordProperty("median_minor_over_major", std::to_string(ratios[ratios.size() / 2]));
}

TEST(LibraryData, GeneratorReproducesStoredRecords) {
  const Stored& s = Block();
  for (const char* name : {"3_1", "L4a1", "olympic"}) {
    const auto it = std::find(s.names.begin(), s.names.end(), name);
    ASSERT_NE(it, s.names.end()) << name;
    const size_t k = static_cast<size_t>(it - s.names.begin());
    std::vector<int> counts;
    for (const Curve& c : s.records[k]) counts.push_back(static_cast<int>(c.size()));
    const BuiltRecord r = BuildRecord(s.catalogue[k], MakeShape(s.catalogue[k]), counts);
    EXPECT_EQ(r.error, "") << name;
    const size_t begin = static_cast<size_t>(s.offsets[k]);
    ASSERT_EQ(begin + r.bytes.size(), k + 1 < s.offsets.size() ? static_cast<size_t>(s.offsets[k + 1]) : 113648u) << name;
    EXPECT_TRUE(std::equal(r.bytes.begin(), r.bytes.end(), Bytes() + begin)) << name;
  }
}

// What the saver draws for a few stored knots and a torus knot, pinned bit for bit: a change
// anywhere on the way (decoding, tube frames and closing twist, scaling, hue ramp, random draws)
// shows here. Vertices, outer vertices, normals and colours, FNV-1a over their bytes.
TEST(LibraryData, MeshesAndColoursArePinned) {
  auto hash = [](const Knot& knot) {
    uint64_t h = 1469598103934665603ull;
    auto mix = [&](const auto& v) {
      const auto* b = reinterpret_cast<const uint8_t*>(v.data());
      for (size_t i = 0; i < v.size() * sizeof v[0]; ++i) h = (h ^ b[i]) * 1099511628211ull;
    };
    for (const KnotComponent& c : knot.components) mix(c.vertices), mix(c.outerVertices), mix(c.normals), mix(c.colors);
    return h;
  };
  const struct {
    int knot;  // -1: a torus knot
    uint32_t seed;
    uint64_t hash;
  } cases[] = {{0, 1, 0x306a717d58a1df4bull},   {1, 2, 0x17529165fbfc1783ull},   {7, 3, 0xd0f00aa8c849d8aaull},
               {150, 4, 0xa262fa2a9fe7ce77ull}, {238, 5, 0xe62f4e47cfeda27bull}, {-1, 6, 0xd012e07805674c60ull}};
  UseBuiltInLibrary();
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
