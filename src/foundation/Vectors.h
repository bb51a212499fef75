// Double-precision value types for points, directions and affine transforms.
#pragma once

#include <cmath>

namespace tv {

// A default Vec3 is the unit z vector, not zero: arrays built without values start as (0, 0, 1).
struct Vec3 {
  double x = 0.0, y = 0.0, z = 1.0;

  constexpr Vec3() = default;
  constexpr Vec3(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}

  constexpr double Dot(const Vec3& o) const { return x * o.x + y * o.y + z * o.z; }
  double Length() const { return std::sqrt(Dot(*this)); }

  constexpr Vec3& operator+=(const Vec3& o) { x += o.x; y += o.y; z += o.z; return *this; }
  constexpr Vec3& operator-=(const Vec3& o) { x -= o.x; y -= o.y; z -= o.z; return *this; }
  constexpr Vec3& operator*=(double s) { x *= s; y *= s; z *= s; return *this; }
  constexpr bool operator==(const Vec3&) const = default;
};

constexpr Vec3 operator+(Vec3 a, const Vec3& b) { return a += b; }
constexpr Vec3 operator-(Vec3 a, const Vec3& b) { return a -= b; }
constexpr Vec3 operator-(const Vec3& a) { return {-a.x, -a.y, -a.z}; }
constexpr Vec3 operator*(Vec3 a, double s) { return a *= s; }
constexpr Vec3 operator*(double s, Vec3 a) { return a *= s; }

constexpr double Dot(const Vec3& a, const Vec3& b) { return a.Dot(b); }
inline double Length(const Vec3& a) { return a.Length(); }
constexpr Vec3 Cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// Scales v to unit length in place; a zero vector stays zero.
inline void Normalize(Vec3& v) {
  const double d = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (d == 0.0) return;
  const double k = 1.0 / d;
  v.x *= k;
  v.y *= k;
  v.z *= k;
}

inline Vec3 Normalized(Vec3 v) {
  Normalize(v);
  return v;
}

// Homogeneous point; curve evaluation writes w = 1. A default Vec4 is (0, 0, 1, 1).
struct Vec4 {
  double x = 0.0, y = 0.0, z = 1.0, w = 1.0;

  constexpr Vec4() = default;
  constexpr Vec4(double x_, double y_, double z_, double w_) : x(x_), y(y_), z(z_), w(w_) {}
  constexpr bool operator==(const Vec4&) const = default;
};

// Cartesian point of p; weights of exactly 0 or 1 are returned without division.
inline Vec3 ToVec3(const Vec4& p) {
  if (p.w == 0.0 || p.w == 1.0) return {p.x, p.y, p.z};
  const double k = 1.0 / p.w;
  return {p.x * k, p.y * k, p.z * k};
}

// Row-major 4x4: element (row i, column j) is m[4 * i + j]. Default is the identity.
struct Matrix4 {
  double m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  constexpr bool operator==(const Matrix4&) const = default;
};

// v becomes M applied to (v, 1), first three rows only.
inline void TransformPoint(Vec3& v, const Matrix4& M) {
  const double* m = M.m;
  const double x = v.x, y = v.y, z = v.z;
  v.x = m[0] * x + m[1] * y + m[2] * z + m[3];
  v.y = m[4] * x + m[5] * y + m[6] * z + m[7];
  v.z = m[8] * x + m[9] * y + m[10] * z + m[11];
}

}  // namespace tv
