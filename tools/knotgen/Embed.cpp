#include "Embed.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <sstream>
#include <stdexcept>

namespace tv::knotgen {

std::vector<int> ParseBraidWord(const std::string& text) {
  std::vector<int> w;
  if (text == "-") return w;
  std::istringstream in(text);
  int g;
  while (in >> g) w.push_back(g);
  return w;
}

Link ClosedBraid(int strands, const std::vector<int>& word) {
  const int L = std::max<int>(1, static_cast<int>(word.size()));
  const int perSlot = 8;
  const double R0 = std::max(3.0, 0.6 * L), dr = 1.0, lift = 0.5;
  // position -> which strand (by starting position) is there, slot by slot
  std::vector<std::vector<Vec3>> pieces(static_cast<size_t>(strands));  // path of each start position for one turn
  std::vector<int> at(static_cast<size_t>(strands));                     // strand start index at each position
  std::iota(at.begin(), at.end(), 0);
  for (int slot = 0; slot < L; ++slot) {
    const int g = slot < static_cast<int>(word.size()) ? word[static_cast<size_t>(slot)] : 0;
    const int lo = std::abs(g) - 1;  // positions lo and lo+1 swap
    for (int pos = 0; pos < strands; ++pos) {
      const int s = at[static_cast<size_t>(pos)];
      int to = pos;
      double z = 0.0;
      if (g != 0 && (pos == lo || pos == lo + 1)) {
        to = pos == lo ? lo + 1 : lo;
        const bool over = (g > 0) == (pos == lo);
        z = over ? lift : -lift;
      }
      for (int k = 0; k < perSlot; ++k) {
        const double u = static_cast<double>(k) / perSlot;
        const double theta = 2.0 * M_PI * (slot + u) / L;
        const double blend = 0.5 - 0.5 * std::cos(M_PI * u);
        const double r = R0 + dr * (pos + (to - pos) * blend);
        pieces[static_cast<size_t>(s)].push_back({r * std::cos(theta), r * std::sin(theta), z * std::sin(M_PI * u)});
      }
    }
    if (g != 0) std::swap(at[static_cast<size_t>(lo)], at[static_cast<size_t>(lo + 1)]);
  }
  // After one turn, strand s (started at position s) ends at position p where at[p] == s.
  std::vector<int> endPos(static_cast<size_t>(strands));
  for (int p = 0; p < strands; ++p) endPos[static_cast<size_t>(at[static_cast<size_t>(p)])] = p;
  std::vector<bool> used(static_cast<size_t>(strands), false);
  Link link;
  for (int s0 = 0; s0 < strands; ++s0) {
    if (used[static_cast<size_t>(s0)]) continue;
    Curve c;
    for (int s = s0; !used[static_cast<size_t>(s)]; s = endPos[static_cast<size_t>(s)]) {
      used[static_cast<size_t>(s)] = true;
      const auto& p = pieces[static_cast<size_t>(s)];
      c.insert(c.end(), p.begin(), p.end());
    }
    link.push_back(c);
  }
  return link;
}

Curve Subdivide(const Curve& c, double maxEdge) {
  Curve out;
  for (size_t i = 0; i < c.size(); ++i) {
    const Vec3& a = c[i];
    const Vec3& b = c[(i + 1) % c.size()];
    const int k = std::max(1, static_cast<int>(std::ceil(Length(b - a) / maxEdge)));
    for (int j = 0; j < k; ++j) out.push_back(a + (static_cast<double>(j) / k) * (b - a));
  }
  return out;
}

Link WrapOnSphere(const Link& lifted, double heightGain) {
  const double k = 0.16, R = 10.0;  // the disc edge lands about 25 degrees below the equator
  Link out;
  for (const Curve& c : lifted) {
    Curve w;
    for (const Vec3& p : c) {
      const double qx = k * p.x, qy = k * p.y, q2 = qx * qx + qy * qy, d = 1.0 + q2;
      const double stretch = 2.0 * k * R / d;
      const double r = R + heightGain * stretch * p.z;
      w.push_back({r * 2.0 * qx / d, r * 2.0 * qy / d, r * (1.0 - q2) / d});
    }
    out.push_back(w);
  }
  return out;
}

namespace {

// Solves A x = b in place (dense, partial pivoting); A is n x n row-major.
std::vector<double> Solve(std::vector<double> A, std::vector<double> b, int n) {
  for (int c = 0; c < n; ++c) {
    int p = c;
    for (int r = c + 1; r < n; ++r)
      if (std::fabs(A[static_cast<size_t>(r * n + c)]) > std::fabs(A[static_cast<size_t>(p * n + c)])) p = r;
    if (p != c) {
      for (int k = 0; k < n; ++k) std::swap(A[static_cast<size_t>(c * n + k)], A[static_cast<size_t>(p * n + k)]);
      std::swap(b[static_cast<size_t>(c)], b[static_cast<size_t>(p)]);
    }
    const double piv = A[static_cast<size_t>(c * n + c)];
    if (std::fabs(piv) < 1e-300) throw std::runtime_error("singular layout system");
    for (int r = c + 1; r < n; ++r) {
      const double f = A[static_cast<size_t>(r * n + c)] / piv;
      if (f == 0.0) continue;
      for (int k = c; k < n; ++k) A[static_cast<size_t>(r * n + k)] -= f * A[static_cast<size_t>(c * n + k)];
      b[static_cast<size_t>(r)] -= f * b[static_cast<size_t>(c)];
    }
  }
  std::vector<double> x(static_cast<size_t>(n));
  for (int r = n - 1; r >= 0; --r) {
    double s = b[static_cast<size_t>(r)];
    for (int k = r + 1; k < n; ++k) s -= A[static_cast<size_t>(r * n + k)] * x[static_cast<size_t>(k)];
    x[static_cast<size_t>(r)] = s / A[static_cast<size_t>(r * n + r)];
  }
  return x;
}

}  // namespace

Link LiftPd(const PdCode& pd) {
  const int C = static_cast<int>(pd.size());
  if (C == 0) throw std::runtime_error("a diagram without crossings has nothing to lift");
  std::map<int, int> index;
  for (const auto& q : pd)
    for (int l : q) index.emplace(l, 0);
  int E = 0;
  for (auto& kv : index) kv.second = E++;
  std::vector<std::vector<std::pair<int, int>>> ends(static_cast<size_t>(E));
  for (int k = 0; k < C; ++k)
    for (int s = 0; s < 4; ++s) ends[static_cast<size_t>(index[pd[static_cast<size_t>(k)][static_cast<size_t>(s)]])].push_back({k, s});
  auto edgeAt = [&](int k, int s) { return index[pd[static_cast<size_t>(k)][static_cast<size_t>(s)]]; };
  auto otherEnd = [&](int k, int s) {
    const auto& v = ends[static_cast<size_t>(edgeAt(k, s))];
    return (v[0].first == k && v[0].second == s) ? v[1] : v[0];
  };

  // Faces: orbits of "follow the edge, then turn to the next slot counter-clockwise".
  std::vector<std::array<int, 4>> faceOf(static_cast<size_t>(C), {-1, -1, -1, -1});
  std::vector<std::vector<std::pair<int, int>>> faces;  // darts (crossing, slot leaving it)
  for (int k = 0; k < C; ++k)
    for (int s = 0; s < 4; ++s) {
      if (faceOf[static_cast<size_t>(k)][static_cast<size_t>(s)] >= 0) continue;
      std::vector<std::pair<int, int>> f;
      int ck = k, cs = s;
      while (faceOf[static_cast<size_t>(ck)][static_cast<size_t>(cs)] < 0) {
        faceOf[static_cast<size_t>(ck)][static_cast<size_t>(cs)] = static_cast<int>(faces.size());
        f.push_back({ck, cs});
        const auto o = otherEnd(ck, cs);
        ck = o.first;
        cs = (o.second + 1) % 4;
      }
      faces.push_back(f);
    }
  const int F = static_cast<int>(faces.size());
  if (F != C + 2) throw std::runtime_error("diagram is not a connected planar map");

  // Barycentric (Tutte) layout of the triangulation crossings + edge midpoints + faces.
  const int V = C + E + F;
  std::vector<std::vector<int>> nb(static_cast<size_t>(V));
  auto link2 = [&](int a, int b) {
    nb[static_cast<size_t>(a)].push_back(b);
    nb[static_cast<size_t>(b)].push_back(a);
  };
  for (int k = 0; k < C; ++k)
    for (int s = 0; s < 4; ++s) link2(k, C + edgeAt(k, s));
  for (int f = 0; f < F; ++f)
    for (const auto& dart : faces[static_cast<size_t>(f)]) {
      link2(C + E + f, dart.first);
      link2(C + E + f, C + edgeAt(dart.first, dart.second));
    }
  int outer = 0;
  for (int f = 1; f < F; ++f)
    if (faces[static_cast<size_t>(f)].size() > faces[static_cast<size_t>(outer)].size()) outer = f;
  std::vector<double> px(static_cast<size_t>(V), 0.0), py(static_cast<size_t>(V), 0.0);
  std::vector<int> fixedAt(static_cast<size_t>(V), -1);
  {
    const auto& f = faces[static_cast<size_t>(outer)];
    const int ring = 2 * static_cast<int>(f.size());
    int r = 0;
    for (const auto& dart : f) {
      for (int v : {dart.first, C + edgeAt(dart.first, dart.second)}) {
        const double a = 2.0 * M_PI * r / ring;
        px[static_cast<size_t>(v)] = 10.0 * std::cos(a);
        py[static_cast<size_t>(v)] = 10.0 * std::sin(a);
        fixedAt[static_cast<size_t>(v)] = r++;
      }
    }
  }
  std::vector<int> unknown(static_cast<size_t>(V), -1);
  int U = 0;
  for (int v = 0; v < V; ++v)
    if (fixedAt[static_cast<size_t>(v)] < 0 && v != C + E + outer) unknown[static_cast<size_t>(v)] = U++;
  std::vector<double> A(static_cast<size_t>(U) * U, 0.0), bx(static_cast<size_t>(U), 0.0), by(static_cast<size_t>(U), 0.0);
  for (int v = 0; v < V; ++v) {
    const int r = unknown[static_cast<size_t>(v)];
    if (r < 0) continue;
    for (int w : nb[static_cast<size_t>(v)]) {
      A[static_cast<size_t>(r * U + r)] += 1.0;
      const int c = unknown[static_cast<size_t>(w)];
      if (c >= 0) {
        A[static_cast<size_t>(r * U + c)] -= 1.0;
      } else {
        bx[static_cast<size_t>(r)] += px[static_cast<size_t>(w)];
        by[static_cast<size_t>(r)] += py[static_cast<size_t>(w)];
      }
    }
  }
  const std::vector<double> sx = Solve(A, bx, U), sy = Solve(A, by, U);
  for (int v = 0; v < V; ++v) {
    const int r = unknown[static_cast<size_t>(v)];
    if (r >= 0) {
      px[static_cast<size_t>(v)] = sx[static_cast<size_t>(r)];
      py[static_cast<size_t>(v)] = sy[static_cast<size_t>(r)];
    }
  }
  // The slots must turn counter-clockwise in the drawing, or the lift would be the mirror image:
  // going round a, b, c, d by counter-clockwise steps covers one full turn, not three.
  {
    double turn = 0.0;
    for (int s = 0; s < 4; ++s) {
      const int e0 = C + edgeAt(0, s), e1 = C + edgeAt(0, (s + 1) % 4);
      const double a0 = std::atan2(py[static_cast<size_t>(e0)] - py[0], px[static_cast<size_t>(e0)] - px[0]);
      const double a1 = std::atan2(py[static_cast<size_t>(e1)] - py[0], px[static_cast<size_t>(e1)] - px[0]);
      double d = a1 - a0;
      while (d < 0.0) d += 2.0 * M_PI;
      turn += d;
    }
    if (turn > 3.0 * M_PI)
      for (double& x : px) x = -x;
  }

  // Walk each component along its orientation, as DiagramFromPd numbers and orients them.
  std::vector<std::array<int, 4>> role(static_cast<size_t>(C), {1, 0, -1, 0});
  OrientStrandEnds(ends, role);
  const double lift = 0.8;
  std::vector<bool> done(static_cast<size_t>(E), false);
  Link link;
  for (int e0 = 0; e0 < E; ++e0) {  // label order: the smallest label starts each component
    if (done[static_cast<size_t>(e0)]) continue;
    Curve c;
    int e = e0;
    while (!done[static_cast<size_t>(e)]) {
      done[static_cast<size_t>(e)] = true;
      const auto& v = ends[static_cast<size_t>(e)];
      const auto tail = role[static_cast<size_t>(v[0].first)][static_cast<size_t>(v[0].second)] < 0 ? v[0] : v[1];
      const auto head = role[static_cast<size_t>(v[0].first)][static_cast<size_t>(v[0].second)] < 0 ? v[1] : v[0];
      const double zt = (tail.second % 2 == 1) ? lift : -lift;
      const double zh = (head.second % 2 == 1) ? lift : -lift;
      const int m = C + e;
      c.push_back({px[static_cast<size_t>(tail.first)], py[static_cast<size_t>(tail.first)], zt});
      c.push_back({px[static_cast<size_t>(m)], py[static_cast<size_t>(m)], 0.5 * (zt + zh)});
      e = edgeAt(head.first, (head.second + 2) % 4);
    }
    link.push_back(c);
  }
  return link;
}

}  // namespace tv::knotgen
