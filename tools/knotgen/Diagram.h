// Knot and link diagrams reduced to what the invariants need, read from a planar diagram code or
// from a projection of closed polygons, and the invariants compared after generation: the
// Alexander polynomial, the determinant and the pairwise linking numbers.
#pragma once

#include <array>
#include <utility>
#include <cstdint>
#include <string>
#include <vector>

#include "Geometry.h"

namespace tv::knotgen {

// Crossing quadruples a,b,c,d listed counter-clockwise from the incoming under-strand.
using PdCode = std::vector<std::array<int, 4>>;

PdCode ParsePd(const std::string& text);  // "1,4,2,5 3,6,4,1 ..." or "-" for no crossings

struct DiagramCrossing {
  int over = 0, in = 0, out = 0;  // arcs: the over-arc, the under-arc ending here, the one starting
  int sign = 0;                   // +1 or -1
  int overComponent = 0, underComponent = 0;
};

struct Diagram {
  int components = 1;
  int arcs = 1;
  std::vector<DiagramCrossing> crossings;
};

// Components are numbered by their smallest edge label and oriented along the under-strands.
Diagram DiagramFromPd(const PdCode& pd, int components);

// Spreads the known directions of strand ends (+1 into a crossing, -1 out, 0 unknown) along the
// edges (ends[e] lists the two (crossing, position) ends of edge e) and through the over-strands,
// until nothing changes. Positions 0 and 2 of a crossing start known (in and out).
void OrientStrandEnds(const std::vector<std::vector<std::pair<int, int>>>& ends,
                      std::vector<std::array<int, 4>>& role);

// Projects the polygons along a fixed generic direction.
Diagram DiagramFromLink(const Link& link);

struct Invariants {
  int components = 1;
  int crossings = 0;
  bool hasPolynomial = false;
  std::vector<int64_t> alexander;  // normalised coefficients, lowest degree first
  int64_t determinant = 0;
  std::vector<int> linking;        // pairs (i < j) in row order
};

// The polynomial is left out above maxPolynomialCrossings (the determinant is always there).
Invariants ComputeInvariants(const Diagram& d, int maxPolynomialCrossings = 120);

// Empty when they agree; otherwise what differs. The polynomial is compared when both have it.
std::string CompareInvariants(const Invariants& source, const Invariants& result);

std::string Describe(const Invariants& inv);

}  // namespace tv::knotgen
