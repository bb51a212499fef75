#include <gtest/gtest.h>

#include "Diagram.h"
#include "Embed.h"
#include "Tables.h"

namespace tv::knotgen {
namespace {

const std::string kTables = TV_KNOT_TABLES;

Invariants FromPd(const std::string& pd, int components) { return ComputeInvariants(DiagramFromPd(ParsePd(pd), components)); }
Invariants Of(const Link& l) { return ComputeInvariants(DiagramFromLink(l)); }

TEST(Invariants, KnownValuesFromDiagramCodesAndSplitCircles) {
  // Alexander polynomial (empty: not checked), determinant and linking numbers.
  const struct { const char* pd; int components; std::vector<int64_t> alexander; int64_t determinant;
                 std::vector<int> linking; } cases[] = {{"-", 1, {1}, 1, {}},
               {"1,4,2,5 3,6,4,1 5,2,6,3", 1, {1, -1, 1}, 3, {}},
               {"4,2,5,1 8,6,1,5 6,3,7,4 2,7,3,8", 1, {1, -3, 1}, 5, {}},
               {"4,1,3,2 2,3,1,4", 2, {}, 2, {-1}},  // both crossings negative
               {"6,1,7,2 12,8,9,7 4,12,1,11 10,5,11,6 8,4,5,3 2,9,3,10", 3, {}, 16, {0, 0, 0}}};
  for (const auto& c : cases) {
    const Invariants i = FromPd(c.pd, c.components);
    EXPECT_TRUE(c.alexander.empty() || i.alexander == c.alexander) << c.pd;
    EXPECT_EQ(std::pair(i.determinant, i.linking), std::pair(c.determinant, c.linking)) << c.pd;
  }
  // Two squares overlapping in view but one above the other: a split link.
  Curve a = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, b = a;
  for (Vec3& p : b) p += Vec3(0.5, 0.5, 3.0);
  const Invariants s = Of({a, b});
  EXPECT_EQ(std::pair(s.determinant, s.linking), std::pair(int64_t{0}, std::vector<int>{0}));
}

// Independent readings of each table entry must agree: the closed braid, the diagram code, its
// planar lift (signed linking numbers included), the lift wrapped on the sphere by an orientation-
// keeping map, and that wrap's mirror image (same polynomial, every linking number flipped). This
// checks the tables, braid builder, lift, sphere map and projection reader against one another.
TEST(Invariants, BraidsLiftsMirrorsCodesAndSphereWrapsAgreeOverTheWholeTables) {
  std::vector<TableEntry> all = ReadLinkTable(kTables + "/links.tsv");
  for (const TableEntry& k : ReadKnotTable(kTables + "/knots.tsv")) {
    const Invariants pd = FromPd(k.pd, 1);
    EXPECT_EQ(CompareInvariants(pd, Of(ClosedBraid(k.braidStrands, ParseBraidWord(k.braidWord)))), "") << k.name;
    if (k.crossings > 0) all.push_back(k);
  }
  for (const TableEntry& t : all) {
    Invariants pd = FromPd(t.pd, t.components);
    Link l = LiftPd(ParsePd(t.pd));
    EXPECT_EQ(CompareInvariants(pd, Of(l)), "") << t.name;
    for (Curve& c : l) c = Subdivide(c, 0.25);
    Link wrapped = WrapOnSphere(l, 2.0);
    EXPECT_EQ(CompareInvariants(pd, Of(wrapped)), "") << t.name;
    for (Curve& c : wrapped)
      for (Vec3& p : c) p.z = -p.z;
    for (int& n : pd.linking) n = -n;
    EXPECT_EQ(CompareInvariants(pd, Of(wrapped)), "") << t.name << " mirrored";
  }
}

}  // namespace
}  // namespace tv::knotgen
