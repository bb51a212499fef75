// Larger links built from formulas rather than tables: chains, key rings, chain mail, torus links.
// Each comes with the linking numbers it is meant to have, which the generator checks.
#pragma once

#include <string>
#include <vector>

#include "Geometry.h"

namespace tv::knotgen {

struct FamilyLink {
  Link link;
  std::vector<int> linking;  // |linking number| of each pair (i < j) in row order
};

// k rings of n points around a circle, each linked with its two neighbours, alternately lying in
// and across the circle's plane. ringRadius and pitch (centre to centre) in stored units.
FamilyLink Necklace(int k, int n, double ringRadius, double pitch);
// k rings along an open arc of the given sweep (radians).
FamilyLink OpenChain(int k, int n, double ringRadius, double pitch, double sweep);
// A ring of bigN points and radius bigR carrying k rings of n points and radius r.
FamilyLink KeyRing(int k, int bigN, double bigR, int n, double r);
// European four-in-one chain mail: rows of rings alternately tilted, each linked with up to
// four rings of the neighbouring rows.
FamilyLink ChainMail(int rows, int perRow, int n, double r, double dx, double dy, double tiltDeg);
// The (p, q) torus link on a torus of radii R and a: gcd(p, q) components of n points each.
FamilyLink TorusLink(int p, int q, int n, double R, double a);
// A coil of `turns` turns (coilN points) wound on a torus of radii R and a around its core
// circle (coreN points).
FamilyLink Coil(int turns, int coilN, int coreN, double R, double a);
// Five rings in the interlaced pattern of the Olympic emblem.
FamilyLink OlympicRings(int n, double r, double tiltDeg);

}  // namespace tv::knotgen
