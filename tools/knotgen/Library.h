// The catalogue of the built-in library and the pipeline that turns each entry into a verified
// record: shape (relaxed or constructed), resampling, scaling for clearance, encoding, and the
// check of the decoded record against its source.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Diagram.h"
#include "Families.h"
#include "Geometry.h"
#include "Relax.h"
#include "Tables.h"

namespace tv::knotgen {

// Tube radius of the loader and the clearance every record keeps between non-adjacent parts.
constexpr double kTubeRadius = 0.9;
constexpr double kRequiredClearance = 2.0 * kTubeRadius * 1.01;
// Pieces of one curve closer than this along it are neighbours, not separate strands: half the
// circumference of a circle whose tube would just close up.
constexpr double kLocalArc = M_PI * kTubeRadius * 1.01;

struct Entry {
  enum class Kind { Unknot, Table, Family };
  std::string name;
  Kind kind = Kind::Table;
  TableEntry table;
  int family = -1;  // index into the family list
};

// Record order: by crossing number, knots before links, then the families.
std::vector<Entry> Catalogue(const std::string& tablesDir);

// Number of families and, for one of them, its construction in stored units.
int FamilyCount();
FamilyLink BuildFamily(int index);

// The reference unknot record, 64 bytes.
const std::vector<uint8_t>& UnknotRecord();

// The shape an entry is sampled from, in arbitrary units (relaxed for table entries, components
// ordered as in the record), and the invariants it must keep.
struct Shape {
  Link link;
  Invariants source;
};
Shape MakeShape(const Entry& e);

// How the shapes of table entries are relaxed, for a curve of this many points in all.
RelaxOptions TableRelaxOptions(int points);

// Stored length of each component once the shape is scaled for clearance.
std::vector<double> StoredLengths(const Shape& s);

struct BuiltRecord {
  std::vector<uint8_t> bytes;
  Invariants result;
  double clearance = 0.0;
  std::string error;  // empty when the record is good
};

// Resamples to the given point counts, scales, centres, encodes and checks the decoded record.
BuiltRecord BuildRecord(const Entry& e, const Shape& s, const std::vector<int>& counts);

// Invariants of a decoded record, read from its B-splines.
Invariants RecordInvariants(const Link& decoded);

}  // namespace tv::knotgen
