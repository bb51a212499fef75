#include "foundation/Frames.h"

#include <cmath>

namespace tv {

Vec3 RotateAboutAxis(const Vec3& v, double angle, const Vec3& axis) {
  Vec3 a = axis;
  Normalize(a);
  const double c = std::cos(angle), s = std::sin(angle), h = 1.0 - c;
  return {(c + a.x * a.x * h) * v.x + (a.x * a.y * h - a.z * s) * v.y + (a.x * a.z * h + a.y * s) * v.z,
          (a.x * a.y * h + a.z * s) * v.x + (c + a.y * a.y * h) * v.y + (a.y * a.z * h - a.x * s) * v.z,
          (a.x * a.z * h - a.y * s) * v.x + (a.y * a.z * h + a.x * s) * v.y + (c + a.z * a.z * h) * v.z};
}

void SetColumns(Matrix4& M, const Vec3& a, const Vec3& b, const Vec3& c) {
  double* m = M.m;
  m[0] = a.x, m[4] = a.y, m[8] = a.z;
  m[1] = b.x, m[5] = b.y, m[9] = b.z;
  m[2] = c.x, m[6] = c.y, m[10] = c.z;
  m[11] = m[12] = m[13] = m[14] = 0.0;
  m[15] = 1.0;
}

Basis BasisFromDirection(const Vec3& d) {
  constexpr double kNearAxis = 0.015625;  // 1/64
  Basis b;
  b.forward = d;
  if (std::fabs(d.x) < kNearAxis && std::fabs(d.y) < kNearAxis) {
    b.side = Cross(Vec3(0, 1, 0), d);
  } else {
    b.side = Cross(Vec3(0, 0, 1), d);
  }
  b.up = Cross(b.forward, b.side);
  Normalize(b.side);
  Normalize(b.up);
  Normalize(b.forward);
  return b;
}

Matrix4 FrameFromDirection(const Vec3& d) {
  const Basis b = BasisFromDirection(d);
  Matrix4 M;
  SetColumns(M, b.side, b.up, b.forward);
  return M;
}

Vec3& AlignToDirection(const Vec3& d, Vec3& v) {
  TransformPoint(v, FrameFromDirection(d));
  return v;
}

}  // namespace tv
