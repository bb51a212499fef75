#include "Relax.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>

namespace tv::knotgen {

namespace {

struct Grid {
  double cell;
  std::unordered_map<int64_t, std::vector<int>> cells;
  static int64_t Key(int64_t x, int64_t y, int64_t z) {
    return ((x + (1 << 20)) << 42) ^ ((y + (1 << 20)) << 21) ^ (z + (1 << 20));
  }
  void Cell(const Vec3& p, int64_t& x, int64_t& y, int64_t& z) const {
    x = static_cast<int64_t>(std::floor(p.x / cell));
    y = static_cast<int64_t>(std::floor(p.y / cell));
    z = static_cast<int64_t>(std::floor(p.z / cell));
  }
  void Build(const std::vector<Vec3>& pts, double c) {
    cell = c;
    cells.clear();
    for (size_t i = 0; i < pts.size(); ++i) {
      int64_t x, y, z;
      Cell(pts[i], x, y, z);
      cells[Key(x, y, z)].push_back(static_cast<int>(i));
    }
  }
  // Calls f(j) for every point j > i in the 27 cells around point i.
  template <class F>
  void Near(const std::vector<Vec3>& pts, int i, F&& f) const {
    int64_t x, y, z;
    Cell(pts[static_cast<size_t>(i)], x, y, z);
    for (int dx = -1; dx <= 1; ++dx)
      for (int dy = -1; dy <= 1; ++dy)
        for (int dz = -1; dz <= 1; ++dz) {
          auto it = cells.find(Key(x + dx, y + dy, z + dz));
          if (it == cells.end()) continue;
          for (int j : it->second)
            if (j > i) f(j);
        }
  }
};

// Flattened link: point i belongs to component comp[i] at position pos[i] of a curve of size[i].
struct Flat {
  std::vector<Vec3> p;
  std::vector<int> comp, pos, start, size;
  int Next(int i) const { return start[static_cast<size_t>(i)] + (pos[static_cast<size_t>(i)] + 1) % size[static_cast<size_t>(i)]; }
  int Prev(int i) const { return start[static_cast<size_t>(i)] + (pos[static_cast<size_t>(i)] + size[static_cast<size_t>(i)] - 1) % size[static_cast<size_t>(i)]; }
  int CurveGap(int i, int j) const {  // index distance along a curve, or a large number
    if (comp[static_cast<size_t>(i)] != comp[static_cast<size_t>(j)]) return 1 << 30;
    const int d = std::abs(pos[static_cast<size_t>(i)] - pos[static_cast<size_t>(j)]);
    return std::min(d, size[static_cast<size_t>(i)] - d);
  }
};

Flat Flatten(const Link& link) {
  Flat f;
  for (size_t c = 0; c < link.size(); ++c) {
    const int s = static_cast<int>(f.p.size());
    for (size_t i = 0; i < link[c].size(); ++i) {
      f.p.push_back(link[c][i]);
      f.comp.push_back(static_cast<int>(c));
      f.pos.push_back(static_cast<int>(i));
      f.start.push_back(s);
      f.size.push_back(static_cast<int>(link[c].size()));
    }
  }
  return f;
}

// Segment k runs from point k to Next(k). Two segments are adjacent when they share a point.
double GapFromPairs(const Flat& f, const Grid& g, double reach) {
  double best = 1e300;
  const int n = static_cast<int>(f.p.size());
  for (int i = 0; i < n; ++i) {
    g.Near(f.p, i, [&](int j) {
      if (Length(f.p[static_cast<size_t>(j)] - f.p[static_cast<size_t>(i)]) >= reach) return;
      const int si[2] = {f.Prev(i), i}, sj[2] = {f.Prev(j), j};
      for (int a : si)
        for (int b : sj) {
          const int an = f.Next(a), bn = f.Next(b);
          if (a == b || a == bn || an == b || an == bn) continue;
          best = std::min(best, SegmentDistance(f.p[static_cast<size_t>(a)], f.p[static_cast<size_t>(an)],
                                                f.p[static_cast<size_t>(b)], f.p[static_cast<size_t>(bn)]));
        }
    });
  }
  return best;
}

// Parameters s, t of the closest points of segments p0-p1 and q0-q1.
void ClosestParameters(const Vec3& p0, const Vec3& p1, const Vec3& q0, const Vec3& q1, double& s, double& t) {
  const Vec3 d1 = p1 - p0, d2 = q1 - q0, r = p0 - q0;
  const double a = Dot(d1, d1), e = Dot(d2, d2), f = Dot(d2, r), c = Dot(d1, r), b = Dot(d1, d2);
  const double den = a * e - b * b;
  s = (den > 1e-12 * a * e) ? std::clamp((b * f - c * e) / den, 0.0, 1.0) : 0.0;
  t = (b * s + f) / e;
  if (t < 0.0) {
    t = 0.0;
    s = std::clamp(-c / a, 0.0, 1.0);
  } else if (t > 1.0) {
    t = 1.0;
    s = std::clamp((b - c) / a, 0.0, 1.0);
  }
}

double LongestEdge(const Flat& f) {
  double L = 0.0;
  for (int i = 0; i < static_cast<int>(f.p.size()); ++i) L = std::max(L, Length(f.p[static_cast<size_t>(f.Next(i))] - f.p[static_cast<size_t>(i)]));
  return L;
}

}  // namespace

double MinSegmentGap(const Link& link, double cutoff) {
  const Flat f = Flatten(link);
  const double reach = cutoff + LongestEdge(f);
  Grid g;
  g.Build(f.p, reach);
  return std::min(cutoff, GapFromPairs(f, g, reach));
}

RelaxReport Relax(Link& link, const RelaxOptions& o) {
  Flat f = Flatten(link);
  const int n = static_cast<int>(f.p.size());
  RelaxReport report{1e300, 0.0};
  std::vector<Vec3> force(static_cast<size_t>(n)), lap(static_cast<size_t>(n));
  const double guard = o.maxMove / 0.45;  // gaps above this cannot limit a step
  Grid g;
  for (int it = 0; it < o.iterations; ++it) {
    const double longest = LongestEdge(f);
    const double reach = std::max(o.cutoff, guard + longest);
    g.Build(f.p, reach);
    for (Vec3& v : force) v = Vec3(0, 0, 0);
    for (int i = 0; i < n; ++i) {
      const int j = f.Next(i);
      const Vec3 e = f.p[static_cast<size_t>(j)] - f.p[static_cast<size_t>(i)];
      const double l = Length(e);
      const Vec3 s = (o.spring * (l - o.rest) / std::max(l, 1e-12)) * e;
      force[static_cast<size_t>(i)] += s;
      force[static_cast<size_t>(j)] -= s;
      lap[static_cast<size_t>(i)] = f.p[static_cast<size_t>(f.Prev(i))] + f.p[static_cast<size_t>(j)] - 2.0 * f.p[static_cast<size_t>(i)];
    }
    for (int i = 0; i < n; ++i) {
      const Vec3 b = lap[static_cast<size_t>(f.Prev(i))] + lap[static_cast<size_t>(f.Next(i))] - 2.0 * lap[static_cast<size_t>(i)];
      force[static_cast<size_t>(i)] -= o.bend * b;
    }
    const double c2 = 1.0 / (o.cutoff * o.cutoff);
    for (int i = 0; i < n && o.segments; ++i) {
      g.Near(f.p, i, [&](int j) {
        if (f.CurveGap(i, j) <= o.localSkip) return;
        const size_t i1 = static_cast<size_t>(f.Next(i)), j1 = static_cast<size_t>(f.Next(j));
        const Vec3 &a0 = f.p[static_cast<size_t>(i)], &a1 = f.p[i1], &b0 = f.p[static_cast<size_t>(j)], &b1 = f.p[j1];
        double s = 0.0, t = 0.0;
        ClosestParameters(a0, a1, b0, b1, s, t);
        const Vec3 d = (a0 + s * (a1 - a0)) - (b0 + t * (b1 - b0));
        const double r2 = Dot(d, d);
        if (r2 >= o.cutoff * o.cutoff || r2 == 0.0) return;
        const double r = std::sqrt(r2);
        const Vec3 push = (o.repel * (1.0 / r2 - c2) / r) * d;
        force[static_cast<size_t>(i)] += (1.0 - s) * push;
        force[i1] += s * push;
        force[static_cast<size_t>(j)] -= (1.0 - t) * push;
        force[j1] -= t * push;
      });
    }
    for (int i = 0; i < n && !o.segments; ++i) {
      g.Near(f.p, i, [&](int j) {
        if (f.CurveGap(i, j) <= o.localSkip) return;
        const Vec3 d = f.p[static_cast<size_t>(i)] - f.p[static_cast<size_t>(j)];
        const double r2 = Dot(d, d);
        if (r2 >= o.cutoff * o.cutoff || r2 == 0.0) return;
        const double r = std::sqrt(r2);
        const Vec3 push = (o.repel * (1.0 / r2 - c2) / r) * d;
        force[static_cast<size_t>(i)] += push;
        force[static_cast<size_t>(j)] -= push;
      });
    }
    if (o.charge > 0.0 || o.confine > 0.0) {
      Vec3 mid(0, 0, 0);
      for (const Vec3& p : f.p) mid += p;
      mid *= 1.0 / n;
      for (int i = 0; i < n; ++i) {
        force[static_cast<size_t>(i)] -= o.confine * (f.p[static_cast<size_t>(i)] - mid);
        if (o.charge == 0.0) continue;
        for (int j = i + 1; j < n; ++j) {
          if (f.CurveGap(i, j) <= o.localSkip) continue;
          const Vec3 d = f.p[static_cast<size_t>(i)] - f.p[static_cast<size_t>(j)];
          const double r2 = std::max(Dot(d, d), 1e-6);
          const Vec3 push = (o.charge / (r2 * std::sqrt(r2))) * d;
          force[static_cast<size_t>(i)] += push;
          force[static_cast<size_t>(j)] -= push;
        }
      }
    }
    const double gap = GapFromPairs(f, g, guard + longest);
    report.smallestGap = std::min(report.smallestGap, gap);
    const double cap = std::min(o.maxMove, 0.45 * gap);
    double moved = 0.0;
    for (int i = 0; i < n; ++i) {
      Vec3 m = o.dt * force[static_cast<size_t>(i)];
      const double l = Length(m);
      if (l > cap) m *= cap / l;
      f.p[static_cast<size_t>(i)] += m;
      moved = std::max(moved, std::min(l, cap));
    }
    report.lastMove = moved;
  }
  for (int i = 0; i < n; ++i) link[static_cast<size_t>(f.comp[static_cast<size_t>(i)])][static_cast<size_t>(f.pos[static_cast<size_t>(i)])] = f.p[static_cast<size_t>(i)];
  return report;
}

}  // namespace tv::knotgen
