#include "Diagram.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <sstream>
#include <stdexcept>

namespace tv::knotgen {

namespace {

struct UnionFind {
  std::vector<int> parent;
  explicit UnionFind(int n) : parent(static_cast<size_t>(n)) { std::iota(parent.begin(), parent.end(), 0); }
  int Find(int a) {
    while (parent[static_cast<size_t>(a)] != a) a = parent[static_cast<size_t>(a)] = parent[static_cast<size_t>(parent[static_cast<size_t>(a)])];
    return a;
  }
  void Join(int a, int b) {
    a = Find(a);
    b = Find(b);
    if (a != b) parent[static_cast<size_t>(std::max(a, b))] = std::min(a, b);
  }
};

// Arithmetic modulo the Mersenne prime 2^61 - 1.
constexpr uint64_t kP = (uint64_t(1) << 61) - 1;
uint64_t MulMod(uint64_t a, uint64_t b) {
  const __uint128_t r = static_cast<__uint128_t>(a) * b;
  uint64_t lo = static_cast<uint64_t>(r & kP), hi = static_cast<uint64_t>(r >> 61);
  uint64_t s = lo + hi;
  if (s >= kP) s -= kP;
  return s;
}
uint64_t AddMod(uint64_t a, uint64_t b) { uint64_t s = a + b; return s >= kP ? s - kP : s; }
uint64_t SubMod(uint64_t a, uint64_t b) { return a >= b ? a - b : a + kP - b; }
uint64_t PowMod(uint64_t a, uint64_t e) {
  uint64_t r = 1;
  while (e) {
    if (e & 1) r = MulMod(r, a);
    a = MulMod(a, a);
    e >>= 1;
  }
  return r;
}
uint64_t InvMod(uint64_t a) { return PowMod(a, kP - 2); }
int64_t ToInt(uint64_t v) { return v > kP / 2 ? -static_cast<int64_t>(kP - v) : static_cast<int64_t>(v); }

// Determinant of the first minor (last row and column removed) of the Alexander matrix at t.
uint64_t AlexanderMinor(const Diagram& d, uint64_t t) {
  const int n = static_cast<int>(d.crossings.size()) - 1;
  if (n <= 0) return 1;
  std::vector<uint64_t> a(static_cast<size_t>(n) * n, 0);
  auto at = [&](int r, int c) -> uint64_t& { return a[static_cast<size_t>(r) * n + c]; };
  const uint64_t one = 1, mt = SubMod(0, t);
  for (int r = 0; r < n; ++r) {
    const DiagramCrossing& x = d.crossings[static_cast<size_t>(r)];
    // Fox derivatives of the Wirtinger relation, abelianised.
    const uint64_t vOver = x.sign > 0 ? SubMod(one, t) : SubMod(t, one);
    const uint64_t vIn = x.sign > 0 ? t : one;
    const uint64_t vOut = x.sign > 0 ? SubMod(0, one) : mt;
    if (x.over < n) at(r, x.over) = AddMod(at(r, x.over), vOver);
    if (x.in < n) at(r, x.in) = AddMod(at(r, x.in), vIn);
    if (x.out < n) at(r, x.out) = AddMod(at(r, x.out), vOut);
  }
  uint64_t det = 1;
  for (int c = 0; c < n; ++c) {
    int pivot = -1;
    for (int r = c; r < n; ++r)
      if (at(r, c) != 0) { pivot = r; break; }
    if (pivot < 0) return 0;
    if (pivot != c) {
      for (int k = 0; k < n; ++k) std::swap(at(c, k), at(pivot, k));
      det = SubMod(0, det);
    }
    det = MulMod(det, at(c, c));
    const uint64_t inv = InvMod(at(c, c));
    for (int r = c + 1; r < n; ++r) {
      if (at(r, c) == 0) continue;
      const uint64_t f = MulMod(at(r, c), inv);
      for (int k = c; k < n; ++k) at(r, k) = SubMod(at(r, k), MulMod(f, at(c, k)));
    }
  }
  return det;
}

std::vector<int64_t> Normalise(std::vector<int64_t> v) {
  while (!v.empty() && v.back() == 0) v.pop_back();
  size_t first = 0;
  while (first < v.size() && v[first] == 0) ++first;
  v.erase(v.begin(), v.begin() + static_cast<long>(first));
  if (v.empty()) return v;
  if (v.front() < 0)
    for (int64_t& c : v) c = -c;
  // Mirror images and reversed orientations turn t into 1/t: keep the smaller of the two readings.
  std::vector<int64_t> r(v.rbegin(), v.rend());
  if (r.front() < 0)
    for (int64_t& c : r) c = -c;
  return std::min(v, r);
}

}  // namespace

PdCode ParsePd(const std::string& text) {
  PdCode pd;
  if (text == "-" || text.empty()) return pd;
  std::istringstream in(text);
  std::string quad;
  while (in >> quad) {
    std::array<int, 4> q{};
    char comma;
    std::istringstream qs(quad);
    if (!(qs >> q[0] >> comma >> q[1] >> comma >> q[2] >> comma >> q[3])) throw std::runtime_error("bad PD quadruple " + quad);
    pd.push_back(q);
  }
  return pd;
}

void OrientStrandEnds(const std::vector<std::vector<std::pair<int, int>>>& ends,
                      std::vector<std::array<int, 4>>& role) {
  for (bool changed = true; changed;) {
    changed = false;
    for (const auto& v : ends) {
      int& r0 = role[static_cast<size_t>(v[0].first)][static_cast<size_t>(v[0].second)];
      int& r1 = role[static_cast<size_t>(v[1].first)][static_cast<size_t>(v[1].second)];
      if (r0 != 0 && r1 == 0) { r1 = -r0; changed = true; }
      if (r1 != 0 && r0 == 0) { r0 = -r1; changed = true; }
    }
    for (auto& r : role) {
      if (r[1] != 0 && r[3] == 0) { r[3] = -r[1]; changed = true; }
      if (r[3] != 0 && r[1] == 0) { r[1] = -r[3]; changed = true; }
    }
  }
}

Diagram DiagramFromPd(const PdCode& pd, int components) {
  Diagram d;
  if (pd.empty()) {
    d.components = components;
    d.arcs = components;
    return d;
  }
  std::map<int, int> index;  // edge label -> dense index, in label order
  for (const auto& q : pd)
    for (int l : q) index.emplace(l, 0);
  int e = 0;
  for (auto& kv : index) kv.second = e++;
  const int crossings = static_cast<int>(pd.size());
  // Which way each end of each edge points: +1 into the crossing, -1 out, 0 not yet known.
  std::vector<std::array<int, 4>> role(static_cast<size_t>(crossings), {1, 0, -1, 0});
  std::vector<std::vector<std::pair<int, int>>> ends(static_cast<size_t>(e));
  for (int k = 0; k < crossings; ++k)
    for (int s = 0; s < 4; ++s) ends[static_cast<size_t>(index[pd[static_cast<size_t>(k)][static_cast<size_t>(s)]])].push_back({k, s});
  for (const auto& v : ends)
    if (v.size() != 2) throw std::runtime_error("PD edge label does not occur exactly twice");
  OrientStrandEnds(ends, role);
  UnionFind comp(e), arc(e);
  for (const auto& q : pd) {
    comp.Join(index[q[0]], index[q[2]]);
    comp.Join(index[q[1]], index[q[3]]);
    arc.Join(index[q[1]], index[q[3]]);
  }
  std::map<int, int> compId, arcId;
  for (int i = 0; i < e; ++i) {
    compId.emplace(comp.Find(i), static_cast<int>(compId.size()));
    arcId.emplace(arc.Find(i), static_cast<int>(arcId.size()));
  }
  d.components = static_cast<int>(compId.size());
  if (d.components != components) throw std::runtime_error("PD component count differs from the table");
  d.arcs = static_cast<int>(arcId.size());
  for (int k = 0; k < crossings; ++k) {
    const auto& q = pd[static_cast<size_t>(k)];
    const auto& r = role[static_cast<size_t>(k)];
    if (r[1] == 0) throw std::runtime_error("PD over-strand direction undetermined");
    DiagramCrossing x;
    x.in = arcId[arc.Find(index[q[0]])];
    x.out = arcId[arc.Find(index[q[2]])];
    x.over = arcId[arc.Find(index[q[1]])];
    // Under-strand runs a -> c; an over-strand entering at b runs b -> d, which makes the
    // crossing negative (slots are counter-clockwise).
    x.sign = r[1] > 0 ? -1 : +1;
    x.underComponent = compId[comp.Find(index[q[0]])];
    x.overComponent = compId[comp.Find(index[q[1]])];
    d.crossings.push_back(x);
  }
  return d;
}

Diagram DiagramFromLink(const Link& link) {
  // A fixed tilt keeps coordinate-plane drawings away from degenerate views.
  const double a = 0.3141, b = 0.2718;
  const double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
  struct P2 { double x, y, z; };
  std::vector<std::vector<P2>> pts(link.size());
  for (size_t c = 0; c < link.size(); ++c)
    for (const Vec3& p : link[c]) {
      const double y1 = ca * p.y - sa * p.z, z1 = sa * p.y + ca * p.z;
      const double x2 = cb * p.x + sb * z1, z2 = -sb * p.x + cb * z1;
      pts[c].push_back({x2, y1, z2});
    }
  struct Seg { int comp, index; double x0, y0, x1, y1; };
  std::vector<Seg> segs;
  double longest = 0.0;
  for (size_t c = 0; c < pts.size(); ++c) {
    const auto& v = pts[c];
    for (size_t i = 0; i < v.size(); ++i) {
      const P2& p = v[i];
      const P2& q = v[(i + 1) % v.size()];
      segs.push_back({static_cast<int>(c), static_cast<int>(i), p.x, p.y, q.x, q.y});
      longest = std::max(longest, std::hypot(q.x - p.x, q.y - p.y));
    }
  }
  struct Event { double pos; int crossing; bool over; };
  std::vector<std::vector<Event>> events(link.size());
  struct Raw { int overComp, underComp; double ox, oy, ux, uy; };
  std::vector<Raw> raw;
  // Bin segments by the cell of their first point; the first points of two crossing segments lie
  // within two segment lengths of each other.
  const double cell = std::max(2.0 * longest, 1e-9);
  std::map<std::pair<int64_t, int64_t>, std::vector<int>> grid;
  for (size_t i = 0; i < segs.size(); ++i)
    grid[{static_cast<int64_t>(std::floor(segs[i].x0 / cell)), static_cast<int64_t>(std::floor(segs[i].y0 / cell))}].push_back(static_cast<int>(i));
  for (size_t i = 0; i < segs.size(); ++i) {
    const Seg& s = segs[i];
    const int64_t gx = static_cast<int64_t>(std::floor(s.x0 / cell)), gy = static_cast<int64_t>(std::floor(s.y0 / cell));
    for (int64_t dx = -1; dx <= 1; ++dx)
      for (int64_t dy = -1; dy <= 1; ++dy) {
        auto it = grid.find({gx + dx, gy + dy});
        if (it == grid.end()) continue;
        for (int j : it->second) {
          if (j <= static_cast<int>(i)) continue;
          const Seg& t = segs[static_cast<size_t>(j)];
          if (s.comp == t.comp) {
            const int n = static_cast<int>(pts[static_cast<size_t>(s.comp)].size());
            const int gap = std::abs(s.index - t.index);
            if (gap <= 1 || gap == n - 1) continue;  // neighbours meet at their shared point
          }
          const double rx = s.x1 - s.x0, ry = s.y1 - s.y0, qx = t.x1 - t.x0, qy = t.y1 - t.y0;
          const double den = rx * qy - ry * qx;
          if (den == 0.0) continue;
          const double wx = t.x0 - s.x0, wy = t.y0 - s.y0;
          const double u = (wx * qy - wy * qx) / den;  // along s
          const double v = (wx * ry - wy * rx) / den;  // along t
          if (u < 0.0 || u >= 1.0 || v < 0.0 || v >= 1.0) continue;
          const auto& ps = pts[static_cast<size_t>(s.comp)];
          const auto& pt = pts[static_cast<size_t>(t.comp)];
          const double zs = ps[static_cast<size_t>(s.index)].z + u * (ps[(static_cast<size_t>(s.index) + 1) % ps.size()].z - ps[static_cast<size_t>(s.index)].z);
          const double zt = pt[static_cast<size_t>(t.index)].z + v * (pt[(static_cast<size_t>(t.index) + 1) % pt.size()].z - pt[static_cast<size_t>(t.index)].z);
          const bool sOver = zs > zt;
          const int id = static_cast<int>(raw.size());
          const Seg& o = sOver ? s : t;
          const Seg& un = sOver ? t : s;
          raw.push_back({o.comp, un.comp, o.x1 - o.x0, o.y1 - o.y0, un.x1 - un.x0, un.y1 - un.y0});
          events[static_cast<size_t>(s.comp)].push_back({s.index + u, id, sOver});
          events[static_cast<size_t>(t.comp)].push_back({t.index + v, id, !sOver});
        }
      }
  }
  Diagram d;
  d.components = static_cast<int>(link.size());
  d.crossings.resize(raw.size());
  int arcs = 0;
  for (size_t c = 0; c < events.size(); ++c) {
    auto& ev = events[c];
    std::sort(ev.begin(), ev.end(), [](const Event& x, const Event& y) {
      return x.pos != y.pos ? x.pos < y.pos : x.crossing < y.crossing;
    });
    int unders = 0;
    for (const Event& x : ev) unders += x.over ? 0 : 1;
    const int base = arcs;
    if (unders == 0) {
      for (const Event& x : ev) d.crossings[static_cast<size_t>(x.crossing)].over = base;
      arcs += 1;
      continue;
    }
    // Arc base + m runs from the m-th under-pass to the next one.
    int m = -1;
    for (const Event& x : ev) {
      DiagramCrossing& dc = d.crossings[static_cast<size_t>(x.crossing)];
      if (x.over) {
        dc.over = base + (m < 0 ? unders - 1 : m);
      } else {
        dc.in = base + (m < 0 ? unders - 1 : m);
        ++m;
        dc.out = base + m;
      }
    }
    arcs += unders;
  }
  d.arcs = arcs;
  for (size_t i = 0; i < raw.size(); ++i) {
    const Raw& r = raw[i];
    d.crossings[i].sign = (r.ox * r.uy - r.oy * r.ux) > 0 ? +1 : -1;
    d.crossings[i].overComponent = r.overComp;
    d.crossings[i].underComponent = r.underComp;
  }
  return d;
}

Invariants ComputeInvariants(const Diagram& d, int maxPolynomialCrossings) {
  Invariants inv;
  inv.components = d.components;
  inv.crossings = static_cast<int>(d.crossings.size());
  const int n = inv.crossings;
  inv.linking.assign(static_cast<size_t>(d.components * (d.components - 1) / 2), 0);
  std::vector<int> twice(inv.linking.size(), 0);
  for (const DiagramCrossing& x : d.crossings) {
    int i = x.overComponent, j = x.underComponent;
    if (i == j) continue;
    if (i > j) std::swap(i, j);
    twice[static_cast<size_t>(i * d.components - i * (i + 1) / 2 + (j - i - 1))] += x.sign;
  }
  for (size_t k = 0; k < twice.size(); ++k) inv.linking[k] = twice[k] / 2;
  // A diagram with fewer crossings than arcs has a component lying wholly above the rest: split.
  inv.hasPolynomial = true;
  if (n == 0 && d.components == 1) {
    inv.alexander = {1};
    inv.determinant = 1;
    return inv;
  }
  if (n == 0 || d.arcs != n) return inv;  // split: polynomial and determinant 0
  inv.hasPolynomial = false;
  inv.determinant = std::llabs(ToInt(AlexanderMinor(d, kP - 1)));
  if (n > maxPolynomialCrossings) return inv;
  // The minor has degree below n: interpolate it from n values (Newton form, then monomials).
  std::vector<uint64_t> xs(static_cast<size_t>(n)), coef(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    xs[static_cast<size_t>(i)] = static_cast<uint64_t>(i + 2);
    coef[static_cast<size_t>(i)] = AlexanderMinor(d, xs[static_cast<size_t>(i)]);
  }
  for (int j = 1; j < n; ++j)
    for (int i = n - 1; i >= j; --i)
      coef[static_cast<size_t>(i)] = MulMod(SubMod(coef[static_cast<size_t>(i)], coef[static_cast<size_t>(i - 1)]),
                                            InvMod(SubMod(xs[static_cast<size_t>(i)], xs[static_cast<size_t>(i - j)])));
  std::vector<uint64_t> poly(static_cast<size_t>(n), 0);
  for (int i = n - 1; i >= 0; --i) {
    // poly = poly * (t - x_i) + coef_i
    std::vector<uint64_t> next(static_cast<size_t>(n), 0);
    for (int k = 0; k < n; ++k) {
      if (k + 1 < n) next[static_cast<size_t>(k + 1)] = AddMod(next[static_cast<size_t>(k + 1)], poly[static_cast<size_t>(k)]);
      next[static_cast<size_t>(k)] = SubMod(next[static_cast<size_t>(k)], MulMod(poly[static_cast<size_t>(k)], xs[static_cast<size_t>(i)]));
    }
    next[0] = AddMod(next[0], coef[static_cast<size_t>(i)]);
    poly = next;
  }
  std::vector<int64_t> ints;
  for (uint64_t c : poly) ints.push_back(ToInt(c));
  inv.alexander = Normalise(ints);
  inv.hasPolynomial = true;
  return inv;
}

std::string Describe(const Invariants& inv) {
  std::ostringstream o;
  o << "components " << inv.components << ", det " << inv.determinant;
  if (inv.hasPolynomial) {
    o << ", alexander [";
    for (size_t i = 0; i < inv.alexander.size(); ++i) o << (i ? " " : "") << inv.alexander[i];
    o << "]";
  }
  if (!inv.linking.empty()) {
    o << ", linking [";
    for (size_t i = 0; i < inv.linking.size(); ++i) o << (i ? " " : "") << inv.linking[i];
    o << "]";
  }
  return o.str();
}

std::string CompareInvariants(const Invariants& source, const Invariants& result) {
  std::string why;
  if (source.components != result.components) why += "component count; ";
  if (source.determinant != result.determinant) why += "determinant; ";
  if (source.hasPolynomial && result.hasPolynomial && source.alexander != result.alexander) why += "Alexander polynomial; ";
  if (source.linking != result.linking) why += "linking numbers; ";
  if (!why.empty()) why += "source {" + Describe(source) + "} result {" + Describe(result) + "}";
  return why;
}

}  // namespace tv::knotgen
