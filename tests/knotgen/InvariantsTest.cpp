#include <gtest/gtest.h>

#include <algorithm>

#include "Diagram.h"
#include "Embed.h"
#include "Library.h"
#include "Relax.h"
#include "Tables.h"

namespace tv::knotgen {
namespace {

const std::string kTables = TV_KNOT_TABLES;

Invariants FromPd(const char* pd, int components) { return ComputeInvariants(DiagramFromPd(ParsePd(pd), components)); }

TEST(Invariants, KnownValuesFromDiagramCodes) {
  const Invariants unknot = FromPd("-", 1);
  EXPECT_EQ(unknot.alexander, std::vector<int64_t>({1}));
  EXPECT_EQ(unknot.determinant, 1);
  const Invariants trefoil = FromPd("1,4,2,5 3,6,4,1 5,2,6,3", 1);
  EXPECT_EQ(trefoil.alexander, std::vector<int64_t>({1, -1, 1}));
  EXPECT_EQ(trefoil.determinant, 3);
  const Invariants eight = FromPd("4,2,5,1 8,6,1,5 6,3,7,4 2,7,3,8", 1);
  EXPECT_EQ(eight.alexander, std::vector<int64_t>({1, -3, 1}));
  EXPECT_EQ(eight.determinant, 5);
  const Invariants hopf = FromPd("4,1,3,2 2,3,1,4", 2);
  EXPECT_EQ(hopf.determinant, 2);
  ASSERT_EQ(hopf.linking.size(), 1u);
  EXPECT_EQ(std::abs(hopf.linking[0]), 1);
  const Invariants borromean = FromPd("6,1,7,2 12,8,9,7 4,12,1,11 10,5,11,6 8,4,5,3 2,9,3,10", 3);
  EXPECT_EQ(borromean.linking, std::vector<int>({0, 0, 0}));
  EXPECT_EQ(borromean.determinant, 16);
}

TEST(Invariants, MirrorKeepsPolynomialAndFlipsLinking) {
  const std::vector<TableEntry> links = ReadLinkTable(kTables + "/links.tsv");
  const TableEntry& whitehead = links[2];  // L5a1
  Link l = LiftPd(ParsePd(whitehead.pd));
  const Invariants a = ComputeInvariants(DiagramFromLink(l));
  for (Curve& c : l)
    for (Vec3& p : c) p.z = -p.z;
  const Invariants b = ComputeInvariants(DiagramFromLink(l));
  EXPECT_EQ(a.alexander, b.alexander);
  EXPECT_EQ(a.determinant, b.determinant);
  Link hopf = LiftPd(ParsePd(links[0].pd));
  const int before = ComputeInvariants(DiagramFromLink(hopf)).linking[0];
  for (Curve& c : hopf)
    for (Vec3& p : c) p.z = -p.z;
  EXPECT_EQ(ComputeInvariants(DiagramFromLink(hopf)).linking[0], -before);
}

TEST(Invariants, SeparateCirclesAreSplit) {
  Curve a = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  Curve b = a;
  for (Vec3& p : b) p += Vec3(0.5, 0.5, 3.0);  // overlapping in view but above
  const Invariants s = ComputeInvariants(DiagramFromLink({a, b}));
  EXPECT_EQ(s.determinant, 0);
  EXPECT_EQ(s.linking, std::vector<int>({0}));
}

// Two independent readings of each table knot, the closed braid and the diagram code, and the
// planar lift of every diagram code must all agree: this checks the tables, the braid builder,
// the lift (with its handedness) and the projection reader against one another.
TEST(Invariants, BraidsLiftsAndCodesAgreeOverTheWholeTables) {
  for (const TableEntry& k : ReadKnotTable(kTables + "/knots.tsv")) {
    const Invariants pd = FromPd(k.pd.c_str(), 1);
    const Invariants braid = ComputeInvariants(DiagramFromLink(ClosedBraid(k.braidStrands, ParseBraidWord(k.braidWord))));
    EXPECT_EQ(CompareInvariants(pd, braid), "") << k.name;
    if (k.crossings == 0) continue;
    const Invariants lift = ComputeInvariants(DiagramFromLink(LiftPd(ParsePd(k.pd))));
    EXPECT_EQ(CompareInvariants(pd, lift), "") << k.name;
  }
  for (const TableEntry& l : ReadLinkTable(kTables + "/links.tsv")) {
    const Invariants pd = FromPd(l.pd.c_str(), l.components);
    const Invariants lift = ComputeInvariants(DiagramFromLink(LiftPd(ParsePd(l.pd))));
    EXPECT_EQ(CompareInvariants(pd, lift), "") << l.name;  // signed linking numbers included
  }
}

// The sphere is reached by an orientation-keeping map, so signed linking numbers survive; a
// mirrored map would flip them.
TEST(Invariants, WrappingOnTheSphereKeepsTypeAndHandedness) {
  const std::vector<TableEntry> links = ReadLinkTable(kTables + "/links.tsv");
  const std::vector<TableEntry> knots = ReadKnotTable(kTables + "/knots.tsv");
  std::vector<TableEntry> all = links;
  for (const TableEntry& k : knots)
    if (k.crossings > 0) all.push_back(k);
  for (const TableEntry& t : all) {
    Link l = LiftPd(ParsePd(t.pd));
    for (Curve& c : l) c = Subdivide(c, 0.25);
    const Link w = WrapOnSphere(l, 2.0);
    EXPECT_EQ(CompareInvariants(FromPd(t.pd.c_str(), t.components), ComputeInvariants(DiagramFromLink(w))), "") << t.name;
  }
}

// Charges in a trap lift even a flat drawing out of its plane; without them it stays flat.
TEST(Invariants, InflationLeavesThePlaneAndKeepsTheType) {
  const std::vector<TableEntry> knots = ReadKnotTable(kTables + "/knots.tsv");
  const auto k = std::find_if(knots.begin(), knots.end(), [](const TableEntry& e) { return e.name == "8_18"; });
  ASSERT_NE(k, knots.end());
  Link flat = LiftPd(ParsePd(k->pd));
  double total = 0.0;
  for (const Curve& c : flat) total += CurveLength(c);
  ScaleLink(flat, 150.0 / total);
  for (Curve& c : flat) c = Subdivide(c, 1.0);
  auto ratio = [](const Link& l) {
    const Extents e = PrincipalExtents(l);
    return e.minor / e.major;
  };
  ASSERT_LT(ratio(flat), 0.15);
  Link plain = flat, inflated = flat;
  RelaxOptions o;
  o.iterations = 800;
  Relax(plain, o);
  o = TableRelaxOptions(static_cast<int>(flat[0].size()));
  o.iterations = 800;
  Relax(inflated, o);
  EXPECT_LT(ratio(plain), 0.3);
  EXPECT_GT(ratio(inflated), 0.6);
  EXPECT_EQ(CompareInvariants(FromPd(k->pd.c_str(), 1), ComputeInvariants(DiagramFromLink(inflated))), "");
}

TEST(Invariants, RelaxationKeepsTheType) {
  const std::vector<TableEntry> links = ReadLinkTable(kTables + "/links.tsv");
  const TableEntry& l = links[6];  // L6a4, the Borromean rings
  Link shape = LiftPd(ParsePd(l.pd));
  for (Curve& c : shape) c = Subdivide(c, 1.0);
  RelaxOptions o;
  o.iterations = 300;
  Relax(shape, o);
  EXPECT_EQ(CompareInvariants(FromPd(l.pd.c_str(), 3), ComputeInvariants(DiagramFromLink(shape))), "");
}

}  // namespace
}  // namespace tv::knotgen
