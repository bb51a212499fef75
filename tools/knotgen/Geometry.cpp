#include "Geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>

namespace tv::knotgen {

double SegmentDistance(const Vec3& p0, const Vec3& p1, const Vec3& q0, const Vec3& q1) {
  // Closest points of two segments (clamped parameters, then each re-projected once).
  const Vec3 d1 = p1 - p0, d2 = q1 - q0, r = p0 - q0;
  const double a = Dot(d1, d1), e = Dot(d2, d2), f = Dot(d2, r);
  double s = 0.0, t = 0.0;
  if (a <= 1e-300 && e <= 1e-300) return Length(r);
  if (a <= 1e-300) {
    t = std::clamp(f / e, 0.0, 1.0);
  } else {
    const double c = Dot(d1, r);
    if (e <= 1e-300) {
      s = std::clamp(-c / a, 0.0, 1.0);
    } else {
      const double b = Dot(d1, d2), denom = a * e - b * b;
      s = denom > 1e-14 * a * e ? std::clamp((b * f - c * e) / denom, 0.0, 1.0) : 0.0;
      t = (b * s + f) / e;
      if (t < 0.0) {
        t = 0.0;
        s = std::clamp(-c / a, 0.0, 1.0);
      } else if (t > 1.0) {
        t = 1.0;
        s = std::clamp((b - c) / a, 0.0, 1.0);
      }
    }
  }
  return Length((p0 + s * d1) - (q0 + t * d2));
}

double CurveLength(const Curve& c) {
  double L = 0.0;
  for (size_t i = 0; i < c.size(); ++i) L += Length(c[(i + 1) % c.size()] - c[i]);
  return L;
}

Curve SampleBSpline(const Curve& control, int perSpan) {
  const size_t m = control.size();
  Curve out;
  out.reserve(m * static_cast<size_t>(perSpan));
  for (size_t j = 0; j < m; ++j) {
    const Vec3& p0 = control[j];
    const Vec3& p1 = control[(j + 1) % m];
    const Vec3& p2 = control[(j + 2) % m];
    for (int k = 0; k < perSpan; ++k) {
      const double a = static_cast<double>(k) / perSpan, b = 1.0 - a;
      out.push_back((0.5 * b * b) * p0 + (0.5 + a - a * a) * p1 + (0.5 * a * a) * p2);
    }
  }
  return out;
}

Curve ResampleByArcLength(const Curve& c, int n, double offset) {
  const size_t m = c.size();
  std::vector<double> at(m + 1, 0.0);
  for (size_t i = 0; i < m; ++i) at[i + 1] = at[i] + Length(c[(i + 1) % m] - c[i]);
  const double L = at[m];
  Curve out;
  out.reserve(static_cast<size_t>(n));
  size_t seg = 0;
  for (int k = 0; k < n; ++k) {
    double s = (offset + static_cast<double>(k) / n) * L;
    s -= std::floor(s / L) * L;
    if (k == 0) seg = 0;
    while (seg + 1 < m && at[seg + 1] <= s) ++seg;
    const double len = at[seg + 1] - at[seg];
    const double f = len > 0.0 ? (s - at[seg]) / len : 0.0;
    out.push_back(c[seg] + f * (c[(seg + 1) % m] - c[seg]));
  }
  return out;
}

namespace {

struct Piece {
  Vec3 a, b;
  int component;
  double arcMid;  // arc length of the midpoint along its component
};

int64_t CellKey(int64_t x, int64_t y, int64_t z) {
  return ((x + (1 << 20)) << 42) ^ ((y + (1 << 20)) << 21) ^ (z + (1 << 20));
}

}  // namespace

ClearanceResult MinClearance(const Link& controls, double localArc, double cutoff) {
  std::vector<Piece> pieces;
  std::vector<double> lengths;
  double longest = 0.0;
  for (size_t c = 0; c < controls.size(); ++c) {
    // Enough samples that a chord strays from the curve by far less than the clearance.
    double maxEdge = 0.0;
    for (size_t i = 0; i < controls[c].size(); ++i) {
      maxEdge = std::max(maxEdge, Length(controls[c][(i + 1) % controls[c].size()] - controls[c][i]));
    }
    const int perSpan = std::clamp(static_cast<int>(std::ceil(maxEdge / 0.2)), 2, 32);
    const Curve s = SampleBSpline(controls[c], perSpan);
    double arc = 0.0;
    for (size_t i = 0; i < s.size(); ++i) {
      const Vec3& a = s[i];
      const Vec3& b = s[(i + 1) % s.size()];
      const double len = Length(b - a);
      pieces.push_back({a, b, static_cast<int>(c), arc + 0.5 * len});
      arc += len;
      longest = std::max(longest, len);
    }
    lengths.push_back(arc);
  }
  const double cell = cutoff + longest;
  std::unordered_map<int64_t, std::vector<int>> grid;
  auto cellOf = [&](const Vec3& p, int64_t& x, int64_t& y, int64_t& z) {
    x = static_cast<int64_t>(std::floor(p.x / cell));
    y = static_cast<int64_t>(std::floor(p.y / cell));
    z = static_cast<int64_t>(std::floor(p.z / cell));
  };
  for (size_t i = 0; i < pieces.size(); ++i) {
    int64_t x, y, z;
    cellOf(0.5 * (pieces[i].a + pieces[i].b), x, y, z);
    grid[CellKey(x, y, z)].push_back(static_cast<int>(i));
  }
  ClearanceResult best{cutoff, -1, -1};
  for (size_t i = 0; i < pieces.size(); ++i) {
    const Piece& p = pieces[i];
    int64_t x, y, z;
    cellOf(0.5 * (p.a + p.b), x, y, z);
    for (int dx = -1; dx <= 1; ++dx)
      for (int dy = -1; dy <= 1; ++dy)
        for (int dz = -1; dz <= 1; ++dz) {
          auto it = grid.find(CellKey(x + dx, y + dy, z + dz));
          if (it == grid.end()) continue;
          for (int j : it->second) {
            if (j <= static_cast<int>(i)) continue;
            const Piece& q = pieces[static_cast<size_t>(j)];
            if (q.component == p.component) {
              const double L = lengths[static_cast<size_t>(p.component)];
              double sep = std::fabs(q.arcMid - p.arcMid);
              sep = std::min(sep, L - sep);
              if (sep < localArc) continue;
            }
            const double d = SegmentDistance(p.a, p.b, q.a, q.b);
            if (d < best.distance) best = {d, p.component, q.component};
          }
        }
  }
  return best;
}

Smoothness MeasureSmoothness(const Curve& c) {
  Smoothness s;
  const size_t n = c.size();
  if (n < 3) return s;
  double sum = 0.0, lo = 1e300, hi = 0.0;
  for (size_t i = 0; i < n; ++i) {
    const Vec3 e0 = c[i] - c[(i + n - 1) % n];
    const Vec3 e1 = c[(i + 1) % n] - c[i];
    const double l0 = Length(e0), l1 = Length(e1);
    sum += l1;
    lo = std::min(lo, l1);
    hi = std::max(hi, l1);
    if (l0 > 0 && l1 > 0) {
      const double cosA = std::clamp(Dot(e0, e1) / (l0 * l1), -1.0, 1.0);
      s.worstAngleDeg = std::max(s.worstAngleDeg, std::acos(cosA) * 57.29577951308232);
    } else {
      s.worstAngleDeg = 180.0;
    }
  }
  const double mean = sum / static_cast<double>(n);
  s.longestEdgeRatio = hi / mean;
  s.shortestEdgeRatio = lo / mean;
  return s;
}

Extents PrincipalExtents(const Link& link) {
  Vec3 mean(0, 0, 0);
  double n = 0.0;
  for (const Curve& c : link)
    for (const Vec3& p : c) {
      mean += p;
      n += 1.0;
    }
  if (n == 0.0) return {};
  mean *= 1.0 / n;
  double a[3][3] = {};
  for (const Curve& c : link)
    for (const Vec3& p0 : c) {
      const Vec3 p = p0 - mean;
      const double v[3] = {p.x, p.y, p.z};
      for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) a[i][j] += v[i] * v[j] / n;
    }
  // Cyclic Jacobi rotations: a 3 x 3 symmetric matrix is diagonal after a few sweeps.
  for (int sweep = 0; sweep < 50; ++sweep) {
    const double off = a[0][1] * a[0][1] + a[0][2] * a[0][2] + a[1][2] * a[1][2];
    if (off < 1e-30) break;
    for (int p = 0; p < 2; ++p)
      for (int q = p + 1; q < 3; ++q) {
        if (a[p][q] == 0.0) continue;
        const double theta = 0.5 * std::atan2(2.0 * a[p][q], a[q][q] - a[p][p]);
        const double c = std::cos(theta), s = std::sin(theta);
        for (int k = 0; k < 3; ++k) {  // rows, then columns
          const double x = a[p][k], y = a[q][k];
          a[p][k] = c * x - s * y;
          a[q][k] = s * x + c * y;
        }
        for (int k = 0; k < 3; ++k) {
          const double x = a[k][p], y = a[k][q];
          a[k][p] = c * x - s * y;
          a[k][q] = s * x + c * y;
        }
      }
  }
  double e[3] = {std::max(0.0, a[0][0]), std::max(0.0, a[1][1]), std::max(0.0, a[2][2])};
  std::sort(e, e + 3);
  return {std::sqrt(e[2]), std::sqrt(e[1]), std::sqrt(e[0])};
}

Box Bounds(const Link& link) {
  Box b{{1e300, 1e300, 1e300}, {-1e300, -1e300, -1e300}};
  for (const Curve& c : link)
    for (const Vec3& p : c) {
      b.lo = {std::min(b.lo.x, p.x), std::min(b.lo.y, p.y), std::min(b.lo.z, p.z)};
      b.hi = {std::max(b.hi.x, p.x), std::max(b.hi.y, p.y), std::max(b.hi.z, p.z)};
    }
  return b;
}

void Translate(Link& link, const Vec3& by) {
  for (Curve& c : link)
    for (Vec3& p : c) p += by;
}

void ScaleLink(Link& link, double factor) {
  for (Curve& c : link)
    for (Vec3& p : c) p *= factor;
}

}  // namespace tv::knotgen
