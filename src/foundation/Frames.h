// Rotations about an axis and orthonormal frames around a direction.
#pragma once

#include "foundation/Vectors.h"

namespace tv {

// v turned right-handedly by angle (radians) about axis; the axis length does not matter.
// A zero axis gives cos(angle) * v.
Vec3 RotateAboutAxis(const Vec3& v, double angle, const Vec3& axis);

// Writes a, b, c into columns 0, 1, 2 of M's upper 3x3 block, clears elements 11 to 14 and sets
// element 15 to 1 (so row 3 reads (0, 0, 0, 1) and m[11] is 0). m[3] and m[7] keep their values.
void SetColumns(Matrix4& M, const Vec3& a, const Vec3& b, const Vec3& c);

struct Basis {
  Vec3 side, up, forward;
};

// Right-handed unit basis with forward along d; the zero vector gives three zero vectors.
Basis BasisFromDirection(const Vec3& d);

// Matrix whose columns 0, 1, 2 are side, up, forward of BasisFromDirection(d), without translation.
Matrix4 FrameFromDirection(const Vec3& d);

// Expresses v, given in the frame of FrameFromDirection(d), in world coordinates (in place).
Vec3& AlignToDirection(const Vec3& d, Vec3& v);

}  // namespace tv
