// Starting embeddings that are right by construction: closed braids, and planar drawings of
// diagram codes lifted at their crossings.
#pragma once

#include <string>
#include <vector>

#include "Diagram.h"
#include "Geometry.h"

namespace tv::knotgen {

// The closure of a braid on `strands` strands; generator i (1-based) crosses strands i and i+1,
// its negative the other way. Components come out in the order of their lowest starting strand.
Link ClosedBraid(int strands, const std::vector<int>& word);
std::vector<int> ParseBraidWord(const std::string& text);  // "-1 2 -1 2" or "-"

// A drawing of the diagram in the plane (barycentric layout of its crossings, edge midpoints and
// faces, with the largest face outside) lifted at each crossing: the over-strand passes above
// the under-strand. Components follow DiagramFromPd's numbering and orientation.
Link LiftPd(const PdCode& pd);

// Carries a lifted drawing (disc of radius 10 in the plane, heights in z) onto a sphere by inverse
// stereographic projection, the outer face becoming a cap; each height becomes a radial offset
// grown by heightGain and by the local stretch of the map, so crossings keep room in proportion.
// The map is an embedding of the slab, so a finely divided drawing keeps its type.
Link WrapOnSphere(const Link& lifted, double heightGain);

// Inserts points so that no edge is longer than maxEdge; the polygon itself is unchanged.
Curve Subdivide(const Curve& c, double maxEdge);

}  // namespace tv::knotgen
