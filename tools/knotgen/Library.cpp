#include "Library.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <numeric>
#include <stdexcept>

#include "Codec.h"
#include "Embed.h"
#include "Relax.h"

namespace tv::knotgen {

namespace {

struct FamilySpec {
  const char* name;
  std::function<FamilyLink()> build;
};

const std::vector<FamilySpec>& Families() {
  static const std::vector<FamilySpec> list = {
      {"necklace24", [] { return Necklace(24, 9, 3.6, 4.6); }},
      {"keyring23", [] { return KeyRing(23, 120, 11.0, 12, 4.6); }},
      {"mail24", [] { return ChainMail(8, 3, 8, 5.0, 12.0, 2.8, 35.0); }},
      {"necklace16", [] { return Necklace(16, 10, 3.6, 4.6); }},
      {"chain10", [] { return OpenChain(11, 12, 3.8, 4.8, 2.8); }},
      {"keyring9", [] { return KeyRing(9, 80, 8.0, 12, 4.2); }},
      {"olympic", [] { return OlympicRings(8, 6.53, 25.0); }},
      {"coil24", [] { return Coil(24, 1500, 120, 16.0, 5.5); }},
      {"T(4,4)", [] { return TorusLink(4, 4, 60, 9.0, 4.0); }},
      {"T(5,5)", [] { return TorusLink(5, 5, 64, 10.0, 4.5); }},
      {"T(8,8)", [] { return TorusLink(8, 8, 72, 12.0, 6.0); }},
      {"T(6,9)", [] { return TorusLink(6, 9, 120, 11.0, 5.0); }},
      {"T(4,6)", [] { return TorusLink(4, 6, 120, 10.0, 4.5); }},
      {"T(3,12)", [] { return TorusLink(3, 12, 90, 11.0, 5.0); }},
  };
  return list;
}

void Permute(Shape& s, const std::vector<int>& order) {
  const int m = static_cast<int>(order.size());
  Link link;
  for (int i : order) link.push_back(s.link[static_cast<size_t>(i)]);
  s.link = link;
  auto pair = [m](int i, int j) {
    if (i > j) std::swap(i, j);
    return static_cast<size_t>(i * m - i * (i + 1) / 2 + (j - i - 1));
  };
  std::vector<int> lk(s.source.linking.size());
  for (int a = 0; a < m; ++a)
    for (int b = a + 1; b < m; ++b) lk[pair(a, b)] = s.source.linking[pair(order[static_cast<size_t>(a)], order[static_cast<size_t>(b)])];
  s.source.linking = lk;
}

double ScaleForClearance(const Link& pts, double target) {
  double S = 1.0;
  for (int it = 0; it < 40; ++it) {
    Link q = pts;
    ScaleLink(q, S);
    const double c = MinClearance(q, kLocalArc, 2.0 * target).distance;
    if (c >= 2.0 * target) {
      S *= 0.6;
      continue;
    }
    const double f = target / c;
    S *= f;
    if (std::fabs(f - 1.0) < 1e-4) break;
  }
  return S;
}

constexpr double kClearanceAim = 1.87;  // leaves room for the rounding of the stored points

// Crossings on the sphere get twice the planar lift, so strands start well apart in depth.
constexpr double kWrapHeightGain = 2.0;

// Charges in a harmonic trap settle into a ball of radius (charge * points / confine)^(1/3);
// the trap is set so that the ball leaves about kStrandSpacing between strands.
constexpr double kStrandSpacing = 6.0;

// The lifted drawing carried onto the sphere and scaled to the given length, each planar edge
// divided so that its image has pieces of about unit length. Every corner of the drawing stays
// a point: resampling across a sharp corner could make two pieces of it meet.
Link SphereStart(const Link& lift, double length) {
  Link fine = lift;
  for (Curve& c : fine) c = Subdivide(c, 0.25);
  double total = 0.0;
  for (const Curve& c : WrapOnSphere(fine, kWrapHeightGain)) total += CurveLength(c);
  const double f = length / total;
  const Link corners = WrapOnSphere(lift, kWrapHeightGain);
  Link out;
  for (size_t c = 0; c < lift.size(); ++c) {
    Curve pieces;
    const size_t n = lift[c].size();
    for (size_t i = 0; i < n; ++i) {
      const Vec3 &a = lift[c][i], &b = lift[c][(i + 1) % n];
      const double image = f * Length(corners[c][(i + 1) % n] - corners[c][i]);
      const int k = std::max(1, static_cast<int>(std::lround(image)));
      for (int j = 0; j < k; ++j) pieces.push_back(a + (static_cast<double>(j) / k) * (b - a));
    }
    out.push_back(pieces);
  }
  out = WrapOnSphere(out, kWrapHeightGain);
  ScaleLink(out, f);
  return out;
}

}  // namespace

RelaxOptions TableRelaxOptions(int points) {
  RelaxOptions o;
  o.charge = 0.5;
  o.repel = 3.0;  // strands held apart more firmly keep the tube evenly thick
  o.cutoff = 4.0;
  o.segments = true;
  o.bend = 0.8;  // the trap presses on the curve; stiffer bending keeps its turns gentle
  const double ball = std::cbrt(3.0 * points * kStrandSpacing * kStrandSpacing / (4.0 * M_PI));
  o.confine = o.charge * points / (ball * ball * ball);
  return o;
}

int FamilyCount() { return static_cast<int>(Families().size()); }

FamilyLink BuildFamily(int index) { return Families()[static_cast<size_t>(index)].build(); }

const std::vector<uint8_t>& UnknotRecord() {
  // The first record is fixed: a 16-point circle of radius about 10 in the plane z = 0.
  static const std::vector<uint8_t> bytes = {
      0x01, 0x10, 0x00, 0x04, 0x29, 0x64, 0xBE, 0x41, 0xFD, 0x1F, 0x41, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x76, 0x40, 0x83, 0xE5, 0x00, 0x97, 0xB6, 0x00, 0xBB, 0x94, 0x00, 0xEA, 0x82, 0x00, 0x1B,
      0x83, 0x00, 0x4A, 0x97, 0x00, 0x6C, 0xBB, 0x00, 0x7E, 0xEA, 0x00, 0x7D, 0x1B, 0x00, 0x69, 0x4A,
      0x00, 0x45, 0x6C, 0x00, 0x16, 0x7E, 0x00, 0xE5, 0x7D, 0x00, 0xB6, 0x69, 0x00, 0x94, 0x45, 0x00};
  return bytes;
}

std::vector<Entry> Catalogue(const std::string& tablesDir) {
  const std::vector<TableEntry> knots = ReadKnotTable(tablesDir + "/knots.tsv");
  const std::vector<TableEntry> links = ReadLinkTable(tablesDir + "/links.tsv");
  // Ten-crossing knots: every third one, and a few famous ones besides.
  auto keepKnot = [](const TableEntry& k) {
    if (k.crossings < 10) return true;
    const int i = std::stoi(k.name.substr(3));
    return i % 3 == 1 || i == 123 || i == 132 || i == 153 || i == 161;
  };
  // Nine-crossing links: all of three or more components, and every fifth of two.
  int twoSeen = 0;
  std::vector<bool> keepLink;
  for (const TableEntry& l : links) {
    bool keep = l.crossings < 9 || l.components > 2;
    if (!keep) keep = (twoSeen++ % 5) == 0 && twoSeen <= 60;
    keepLink.push_back(keep);
  }
  std::vector<Entry> out;
  Entry unknot;
  unknot.name = "0_1";
  unknot.kind = Entry::Kind::Unknot;
  out.push_back(unknot);
  for (int c = 2; c <= 10; ++c) {
    for (const TableEntry& k : knots)
      if (k.crossings == c && keepKnot(k)) out.push_back({k.name, Entry::Kind::Table, k, -1});
    for (size_t i = 0; i < links.size(); ++i)
      if (links[i].crossings == c && keepLink[i]) out.push_back({links[i].name, Entry::Kind::Table, links[i], -1});
  }
  for (int f = 0; f < FamilyCount(); ++f) {
    Entry e;
    e.name = Families()[static_cast<size_t>(f)].name;
    e.kind = Entry::Kind::Family;
    e.family = f;
    out.push_back(e);
  }
  return out;
}

Invariants RecordInvariants(const Link& decoded) {
  Link fine;
  for (const Curve& c : decoded) fine.push_back(SampleBSpline(c, 4));
  return ComputeInvariants(DiagramFromLink(fine));
}

Shape MakeShape(const Entry& e) {
  Shape s;
  if (e.kind == Entry::Kind::Unknot) {
    size_t at = 0;
    s.link = DecodeRecord(UnknotRecord().data(), at);
    s.source = RecordInvariants(s.link);
    return s;
  }
  if (e.kind == Entry::Kind::Family) {
    FamilyLink f = BuildFamily(e.family);
    s.link = f.link;
    s.source = RecordInvariants(f.link);
    for (size_t i = 0; i < f.linking.size(); ++i)
      if (std::abs(s.source.linking[i]) != f.linking[i]) throw std::runtime_error(e.name + ": construction links differently from its design");
    return s;
  }
  const PdCode pd = ParsePd(e.table.pd);
  s.source = ComputeInvariants(DiagramFromPd(pd, e.table.components));
  Link l = SphereStart(LiftPd(pd), 18.0 * e.table.crossings + 18.0);
  {
    const std::string diff = CompareInvariants(s.source, ComputeInvariants(DiagramFromLink(l)));
    if (!diff.empty()) throw std::runtime_error(e.name + ": sphere embedding: " + diff);
  }
  int points = 0;
  for (const Curve& c : l) points += static_cast<int>(c.size());
  // Plain relaxation first rounds the sharp corners of the drawing before the charges press on it.
  RelaxOptions plain;
  plain.iterations = 300;
  plain.segments = true;
  Relax(l, plain);
  RelaxOptions o = TableRelaxOptions(points);
  Relax(l, o);
  // With a seventh of the trap's pressure the tightest turns open up, and the ball stays.
  RelaxOptions ease = o;
  ease.charge *= 0.15;
  ease.confine *= 0.15;
  ease.bend = 1.0;
  ease.iterations = 1000;
  Relax(l, ease);
  s.link = l;
  // Longest component first: the loader gives every component as many rings as the first has points.
  std::vector<int> order(l.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return CurveLength(l[static_cast<size_t>(a)]) > CurveLength(l[static_cast<size_t>(b)]) + 1e-9; });
  Permute(s, order);
  return s;
}

std::vector<double> StoredLengths(const Shape& s) {
  const double S = ScaleForClearance(s.link, kClearanceAim);
  std::vector<double> out;
  for (const Curve& c : s.link) out.push_back(CurveLength(c) * S);
  return out;
}

BuiltRecord BuildRecord(const Entry& e, const Shape& s, const std::vector<int>& counts) {
  BuiltRecord r;
  Link pts;
  if (e.kind == Entry::Kind::Unknot) {
    r.bytes = UnknotRecord();
  } else {
    if (e.kind == Entry::Kind::Family) {
      pts = s.link;  // designed in stored units with their own point counts
      const double S = std::max(1.0, ScaleForClearance(pts, kClearanceAim));
      if (S > 1.0) ScaleLink(pts, S);
    } else {
      for (size_t c = 0; c < s.link.size(); ++c) pts.push_back(ResampleByArcLength(s.link[c], counts[c]));
      ScaleLink(pts, ScaleForClearance(pts, kClearanceAim));
    }
    const Box b = Bounds(pts);
    Translate(pts, -0.5 * (b.lo + b.hi));
    EncodeRecord(pts, r.bytes);
  }
  size_t at = 0;
  const Link decoded = DecodeRecord(r.bytes.data(), at);
  r.result = RecordInvariants(decoded);
  r.clearance = MinClearance(decoded, kLocalArc, 10.0).distance;
  const std::string diff = CompareInvariants(s.source, r.result);
  if (!diff.empty()) r.error = e.name + ": invariants differ: " + diff;
  if (r.clearance < kRequiredClearance) r.error += e.name + ": clearance " + std::to_string(r.clearance);
  return r;
}

}  // namespace tv::knotgen
