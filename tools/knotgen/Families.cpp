#include "Families.h"

#include <cmath>
#include <numeric>

namespace tv::knotgen {

namespace {

int PairIndex(int i, int j, int m) {
  if (i > j) std::swap(i, j);
  return i * m - i * (i + 1) / 2 + (j - i - 1);
}

// Circle of n points about centre, in the plane of unit vectors u and v, first point at phase.
Curve Ring(const Vec3& centre, const Vec3& u, const Vec3& v, double r, int n, double phase = 0.0) {
  Curve c;
  for (int i = 0; i < n; ++i) {
    const double a = phase + 2.0 * M_PI * i / n;
    c.push_back(centre + (r * std::cos(a)) * u + (r * std::sin(a)) * v);
  }
  return c;
}

FamilyLink ChainAlong(int k, int n, double r, double pitch, double sweep, bool closed) {
  FamilyLink f;
  const double R = closed ? pitch / (2.0 * std::sin(M_PI / k)) : pitch * (k - 1) / sweep;
  const double step = closed ? 2.0 * M_PI / k : sweep / (k - 1);
  const double start = closed ? 0.0 : -0.5 * sweep - 0.5 * M_PI;
  for (int i = 0; i < k; ++i) {
    const double a = start + step * i;
    const Vec3 centre(R * std::cos(a), R * std::sin(a), 0.0);
    const Vec3 tangent(-std::sin(a), std::cos(a), 0.0), radial(std::cos(a), std::sin(a), 0.0), up(0, 0, 1);
    // Half a step of phase keeps no control point on the other ring's plane.
    f.link.push_back(Ring(centre, tangent, i % 2 == 0 ? radial : up, r, n, M_PI / n));
  }
  f.linking.assign(static_cast<size_t>(k * (k - 1) / 2), 0);
  for (int i = 0; i + 1 < k; ++i) f.linking[static_cast<size_t>(PairIndex(i, i + 1, k))] = 1;
  if (closed) f.linking[static_cast<size_t>(PairIndex(0, k - 1, k))] = 1;
  return f;
}

}  // namespace

FamilyLink Necklace(int k, int n, double ringRadius, double pitch) {
  return ChainAlong(k, n, ringRadius, pitch, 2.0 * M_PI, true);
}

FamilyLink OpenChain(int k, int n, double ringRadius, double pitch, double sweep) {
  return ChainAlong(k, n, ringRadius, pitch, sweep, false);
}

FamilyLink KeyRing(int k, int bigN, double bigR, int n, double r) {
  FamilyLink f;
  f.link.push_back(Ring({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, bigR, bigN));
  const double offset = r - 2.3;  // the big ring's wire passes well inside each small ring
  for (int i = 0; i < k; ++i) {
    const double a = 2.0 * M_PI * (i + 0.5) / k;
    const Vec3 radial(std::cos(a), std::sin(a), 0.0);
    // Alternate keys lean up and down so neighbours keep apart.
    const double lean = (i % 2 == 0 ? 1.0 : -1.0) * 0.45;
    const Vec3 out = std::cos(lean) * radial + Vec3(0, 0, std::sin(lean));
    const Vec3 across = std::cos(lean) * Vec3(0, 0, 1) - std::sin(lean) * radial;
    f.link.push_back(Ring((bigR + offset * std::cos(lean)) * radial + Vec3(0, 0, offset * std::sin(lean)), out, across, r, n, M_PI / n));
  }
  const int m = k + 1;
  f.linking.assign(static_cast<size_t>(m * (m - 1) / 2), 0);
  for (int i = 1; i < m; ++i) f.linking[static_cast<size_t>(PairIndex(0, i, m))] = 1;
  return f;
}

FamilyLink ChainMail(int rows, int perRow, int n, double r, double dx, double dy, double tiltDeg) {
  FamilyLink f;
  const double t = tiltDeg * M_PI / 180.0;
  std::vector<std::pair<double, double>> at;
  for (int j = 0; j < rows; ++j)
    for (int i = 0; i < perRow; ++i) {
      const double x = (i - 0.5 * (perRow - 1)) * dx + (j % 2 ? 0.25 * dx : -0.25 * dx);
      const double y = (j - 0.5 * (rows - 1)) * dy;
      const double s = j % 2 ? -1.0 : 1.0;
      // Ring plane holds the x axis and leans about it, alternately by row.
      f.link.push_back(Ring({x, y, 0.0}, {1, 0, 0}, {0, std::cos(t), s * std::sin(t)}, r, n, M_PI / n));
      at.push_back({x, y});
    }
  const int m = rows * perRow;
  f.linking.assign(static_cast<size_t>(m * (m - 1) / 2), 0);
  for (int a = 0; a < m; ++a)
    for (int b = a + 1; b < m; ++b) {
      const int ra = a / perRow, rb = b / perRow;
      if (rb != ra + 1) continue;
      if (std::fabs(at[static_cast<size_t>(a)].first - at[static_cast<size_t>(b)].first) < 0.6 * dx) f.linking[static_cast<size_t>(PairIndex(a, b, m))] = 1;
    }
  return f;
}

FamilyLink TorusLink(int p, int q, int n, double R, double a) {
  FamilyLink f;
  const int d = std::gcd(p, q), pp = p / d, qq = q / d;
  for (int k = 0; k < d; ++k) {
    Curve c;
    for (int i = 0; i < n; ++i) {
      const double t = static_cast<double>(i) / n;
      const double theta = 2.0 * M_PI * pp * t;
      const double phi = 2.0 * M_PI * qq * t + 2.0 * M_PI * k / (static_cast<double>(pp) * d) + 0.1;
      const double rho = R + a * std::cos(phi);
      c.push_back({rho * std::cos(theta), rho * std::sin(theta), a * std::sin(phi)});
    }
    f.link.push_back(c);
  }
  // Two parallel (p', q') curves on a torus link p' q' times.
  f.linking.assign(static_cast<size_t>(d * (d - 1) / 2), pp * qq);
  return f;
}

FamilyLink Coil(int turns, int coilN, int coreN, double R, double a) {
  FamilyLink f;
  Curve coil;
  for (int i = 0; i < coilN; ++i) {
    const double t = static_cast<double>(i) / coilN;
    const double theta = 2.0 * M_PI * t, phi = 2.0 * M_PI * turns * t;
    const double rho = R + a * std::cos(phi);
    coil.push_back({rho * std::cos(theta), rho * std::sin(theta), a * std::sin(phi)});
  }
  f.link.push_back(coil);
  f.link.push_back(Ring({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, R, coreN));
  f.linking = {turns};
  return f;
}

FamilyLink OlympicRings(int n, double r, double tiltDeg) {
  FamilyLink f;
  const double t = tiltDeg * M_PI / 180.0;
  const double gap = 2.2 * r;
  const double h = 0.3 * r;  // rows close enough that linked rings cross well inside each other
  const Vec3 centres[5] = {{-gap, h, 0}, {0, h, 0}, {gap, h, 0}, {-0.5 * gap, -h, 0}, {0.5 * gap, -h, 0}};
  for (int i = 0; i < 5; ++i) {
    const double s = i < 3 ? 1.0 : -1.0;
    f.link.push_back(Ring(centres[i], {1, 0, 0}, {0, std::cos(t), s * std::sin(t)}, r, n, M_PI / n));
  }
  f.linking.assign(10, 0);
  f.linking[static_cast<size_t>(PairIndex(0, 3, 5))] = 1;
  f.linking[static_cast<size_t>(PairIndex(1, 3, 5))] = 1;
  f.linking[static_cast<size_t>(PairIndex(1, 4, 5))] = 1;
  f.linking[static_cast<size_t>(PairIndex(2, 4, 5))] = 1;
  return f;
}

}  // namespace tv::knotgen
