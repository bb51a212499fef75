// tressvale-knotgen: builds the stored knot block and its name table from the tables.
//   tressvale-knotgen --tables DIR --out knots.bin --names knot-names.txt [--jobs N] [--preview P.png]
//   tressvale-knotgen --measure knots.bin [--only NAME] [--preview P.png] [--view DEGREES]
// --measure reads an existing block instead: figures of its table records, and their pictures.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <exception>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "Codec.h"
#include "Library.h"
#include "Preview.h"

using namespace tv::knotgen;

namespace {

constexpr int kTotalPoints = 35353;
constexpr int kMinTablePoints = 10;

double Median(std::vector<double> v) {
  if (v.empty()) return 0.0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Shape figures of the records that come from the tables, the ones the relaxation makes.
void PrintFigures(const std::vector<Entry>& entries, const std::vector<Link>& records) {
  std::vector<double> flat, size;
  double clear = 1e9, angle = 0.0, longest = 0.0, shortest = 1e9;
  std::string flattest, sharpest;
  double flattestRatio = 1e9;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].kind != Entry::Kind::Table) continue;
    const Link& r = records[i];
    clear = std::min(clear, MinClearance(r, kLocalArc, 4.0).distance);
    for (const Curve& c : r) {
      const Smoothness m = MeasureSmoothness(c);
      if (c.size() >= 24 && m.worstAngleDeg > angle) {
        angle = m.worstAngleDeg;
        sharpest = entries[i].name;
      }
      longest = std::max(longest, m.longestEdgeRatio);
      shortest = std::min(shortest, m.shortestEdgeRatio);
    }
    Link fine;
    for (const Curve& c : r) fine.push_back(SampleBSpline(c, 4));
    const Extents e = PrincipalExtents(fine);
    flat.push_back(e.minor / e.major);
    size.push_back(e.major / kTubeRadius);
    if (flat.back() < flattestRatio) {
      flattestRatio = flat.back();
      flattest = entries[i].name;
    }
  }
  std::printf("table records %zu: clearance >= %.4f, worst angle (24+ points) %.2f deg (%s), edges %.3f..%.3f of mean,\n"
              "  minor/major extent median %.3f, worst %.3f (%s); major extent / tube radius median %.2f\n",
              flat.size(), clear, angle, sharpest.c_str(), shortest, longest, Median(flat), flattestRatio, flattest.c_str(), Median(size));
}

void ForEach(int n, int jobs, const std::function<void(int)>& f) {
  std::atomic<int> next{0};
  std::vector<std::thread> pool;
  for (int j = 0; j < jobs; ++j)
    pool.emplace_back([&] {
      for (int i; (i = next++) < n;) f(i);
    });
  for (auto& t : pool) t.join();
}

}  // namespace

int main(int argc, char** argv) {
  std::string tables = "tools/knotgen/tables", out, names, preview, only, measure;
  double view = 0.0, spacing = 0.0;
  int jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  static const char* const kUsage =
      "usage: tressvale-knotgen [--tables DIR] [--out BLOCK] [--names FILE] [--jobs N]\n"
      "                         [--preview FILE.png [--view DEG]] [--only NAMEPART [--spacing H]]\n"
      "                         [--measure BLOCK]\n"
      "  Builds, checks and writes the stored knot block (a few minutes); --measure prints the\n"
      "  figures of an existing block instead.\n";
  for (int a = 1; a < argc; a += 2) {
    const std::string k = argv[a];
    if (k == "--help" || k == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (a + 1 >= argc) {
      std::fprintf(stderr, "option %s needs a value\n%s", k.c_str(), kUsage);
      return 2;
    }
    const std::string v = argv[a + 1];
    try {
      if (k == "--tables") tables = v;
      else if (k == "--out") out = v;
      else if (k == "--names") names = v;
      else if (k == "--jobs") jobs = std::max(1, std::stoi(v));
      else if (k == "--preview") preview = v;
      else if (k == "--only") only = v;  // a trial run over entries whose names contain this
      else if (k == "--measure") measure = v;
      else if (k == "--spacing") spacing = std::stod(v);  // trial runs: the point spacing of a whole run
      else if (k == "--view") view = std::stod(v) * M_PI / 180.0;
      else {
        std::fprintf(stderr, "unknown option %s\n%s", k.c_str(), kUsage);
        return 2;
      }
    } catch (const std::exception&) {
      std::fprintf(stderr, "option %s needs a number, not '%s'\n", k.c_str(), v.c_str());
      return 2;
    }
  }
  const auto t0 = std::chrono::steady_clock::now();
  auto seconds = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(); };
  std::vector<Entry> entries = Catalogue(tables);
  if (!measure.empty()) {
    std::ifstream f(measure, std::ios::binary);
    const std::vector<uint8_t> block((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    std::vector<Link> records;
    for (size_t at = 0; at < block.size() && block[at] != 0;) records.push_back(DecodeRecord(block.data(), at));
    if (records.size() != entries.size()) {
      std::fprintf(stderr, "%zu records, %zu entries\n", records.size(), entries.size());
      return 1;
    }
    PrintFigures(entries, records);
    std::vector<Link> shown;
    for (size_t i = 0; i < entries.size(); ++i)
      if (entries[i].name.find(only) != std::string::npos) shown.push_back(records[i]);
    const int n = static_cast<int>(shown.size());
    if (!preview.empty()) WritePreview(shown, kTubeRadius, n < 8 ? 400 : 160, std::min(n, 16), preview, view);
    return 0;
  }
  if (!only.empty()) {
    std::vector<Entry> some;
    for (const Entry& e : entries)
      if (e.name.find(only) != std::string::npos) some.push_back(e);
    entries = some;
  }
  const int N = static_cast<int>(entries.size());
  std::vector<Shape> shapes(static_cast<size_t>(N));
  std::vector<std::string> failures(static_cast<size_t>(N));
  ForEach(N, jobs, [&](int i) {
    try {
      shapes[static_cast<size_t>(i)] = MakeShape(entries[static_cast<size_t>(i)]);
    } catch (const std::exception& ex) {
      failures[static_cast<size_t>(i)] = ex.what();
    }
  });
  for (const auto& f : failures)
    if (!f.empty()) {
      std::fprintf(stderr, "%s\n", f.c_str());
      return 1;
    }
  std::printf("shapes: %d entries in %.1f s\n", N, seconds());

  // Point counts: fixed for the unknot and the families, by length for the table entries, with
  // one spacing chosen so that the whole block has its total.
  std::vector<std::vector<double>> lengths(static_cast<size_t>(N));
  std::vector<std::vector<int>> counts(static_cast<size_t>(N));
  int fixed = 0;
  for (int i = 0; i < N; ++i) {
    const Entry& e = entries[static_cast<size_t>(i)];
    if (e.kind == Entry::Kind::Table) continue;
    for (const Curve& c : shapes[static_cast<size_t>(i)].link) {
      counts[static_cast<size_t>(i)].push_back(static_cast<int>(c.size()));
      fixed += static_cast<int>(c.size());
    }
  }
  ForEach(N, jobs, [&](int i) {
    if (entries[static_cast<size_t>(i)].kind == Entry::Kind::Table) lengths[static_cast<size_t>(i)] = StoredLengths(shapes[static_cast<size_t>(i)]);
  });
  auto countsFor = [&](double h, bool apply) {
    long total = 0;
    for (int i = 0; i < N; ++i) {
      if (entries[static_cast<size_t>(i)].kind != Entry::Kind::Table) continue;
      std::vector<int> v;
      for (double L : lengths[static_cast<size_t>(i)]) v.push_back(std::max(kMinTablePoints, static_cast<int>(std::lround(L / h))));
      for (int n : v) total += n;
      if (apply) counts[static_cast<size_t>(i)] = v;
    }
    return total;
  };
  const long budget = kTotalPoints - fixed;
  double lo = 0.05, hi = 50.0;  // spacing: lo gives too many points, hi too few
  for (int it = 0; it < 100; ++it) {
    const double mid = std::sqrt(lo * hi);
    (countsFor(mid, false) > budget ? lo : hi) = mid;
  }
  if (spacing > 0.0) hi = spacing;
  long total = countsFor(hi, true);
  // Hand out the last few points one by one to the longest table components, in order.
  std::vector<std::pair<double, std::pair<int, int>>> byLength;
  for (int i = 0; i < N; ++i)
    for (size_t c = 0; c < lengths[static_cast<size_t>(i)].size(); ++c) byLength.push_back({-lengths[static_cast<size_t>(i)][c], {i, static_cast<int>(c)}});
  std::sort(byLength.begin(), byLength.end());
  for (size_t k = 0; only.empty() && total != budget; k = (k + 1) % byLength.size()) {
    const auto [i, c] = byLength[k].second;
    counts[static_cast<size_t>(i)][static_cast<size_t>(c)] += total < budget ? 1 : -1;
    total += total < budget ? 1 : -1;
  }
  std::printf("spacing %.4f, table points %ld, fixed %d\n", hi, total, fixed);

  std::vector<BuiltRecord> records(static_cast<size_t>(N));
  ForEach(N, jobs, [&](int i) {
    try {
      records[static_cast<size_t>(i)] = BuildRecord(entries[static_cast<size_t>(i)], shapes[static_cast<size_t>(i)], counts[static_cast<size_t>(i)]);
    } catch (const std::exception& ex) {
      records[static_cast<size_t>(i)].error = entries[static_cast<size_t>(i)].name + ": " + ex.what();
    }
  });
  int bad = 0;
  for (const BuiltRecord& r : records)
    if (!r.error.empty()) {
      std::fprintf(stderr, "%s\n", r.error.c_str());
      ++bad;
    }
  std::printf("records built and checked in %.1f s\n", seconds());
  for (const BuiltRecord& r : records)
    if (r.bytes.empty()) return 1;

  std::vector<uint8_t> block;
  int knots = 0, components = 0, points = 0;
  double worstClear = 1e9, scaleLo = 1e9, scaleHi = 0, startMax = 0;
  for (int i = 0; i < N; ++i) {
    const BuiltRecord& r = records[static_cast<size_t>(i)];
    size_t at = 0;
    const Link d = DecodeRecord(r.bytes.data(), at);
    knots += d.size() == 1 ? 1 : 0;
    components += static_cast<int>(d.size());
    for (size_t c = 0; c < d.size(); ++c) {
      points += static_cast<int>(d[c].size());
      const float s = ComponentScale(r.bytes.data(), 0, static_cast<int>(c));
      scaleLo = std::min<double>(scaleLo, s);
      scaleHi = std::max<double>(scaleHi, s);
      startMax = std::max({startMax, std::fabs(d[c][0].x), std::fabs(d[c][0].y), std::fabs(d[c][0].z)});
    }
    worstClear = std::min(worstClear, r.clearance);
    block.insert(block.end(), r.bytes.begin(), r.bytes.end());
  }
  block.push_back(0);
  {
    std::vector<Link> decoded;
    for (const BuiltRecord& r : records) {
      size_t at = 0;
      decoded.push_back(DecodeRecord(r.bytes.data(), at));
    }
    PrintFigures(entries, decoded);
  }
  std::printf("%d records: %d knots, %d components, %d points, %zu bytes; scales %.3f..%.3f; starts within %.2f; clearance >= %.4f\n",
              N, knots, components, points, block.size(), scaleLo, scaleHi, startMax, worstClear);
  if (!preview.empty()) {
    std::vector<Link> shown;
    for (const BuiltRecord& r : records) {
      size_t at = 0;
      shown.push_back(DecodeRecord(r.bytes.data(), at));
    }
    WritePreview(shown, kTubeRadius, N < 8 ? 400 : 160, std::min(N, 16), preview, view);
  }
  if (bad || !only.empty()) {
    std::fprintf(stderr, "%d records failed; nothing written\n", bad);
    return 1;
  }
  if (!out.empty()) {
    std::ofstream f(out, std::ios::binary);
    f.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size()));
  }
  if (!names.empty()) {
    std::ofstream f(names);
    for (const Entry& e : entries) f << e.name << "\n";
  }
  std::printf("done in %.1f s\n", seconds());
  return 0;
}
