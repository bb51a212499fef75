// (p, q) torus knots: p turns around the axis of a torus (radii 1 and 0.5) and q through its hole.
#pragma once

#include "knots/Knot.h"

namespace tv {

class TorusKnot : public Knot {
 public:
  // p 3, q 2, tube radius 0.1 and one component of 80 x 10 divisions without a mesh yet.
  TorusKnot();

  void Describe(std::vector<std::string>& lines) const override;
  // Draws p, q, then the first component's v and u divisions from the shared random source.
  virtual void Randomize(int pLimit, int qLimit, int uLimit, int vLimit);
  // Rebuilds the first component's centre line and tube from p, q, the radius and its divisions.
  virtual void Rebuild();

  double p = 3.0;
  double q = 2.0;
  double tubeRadius = 0.1;
};

// Limits with which the scene asks for a torus knot.
constexpr int kTorusPLimit = 21, kTorusQLimit = 21, kTorusULimit = 100, kTorusVLimit = 12;

}  // namespace tv
