// Tube building costs: the heaviest stored-knot tube the default settings can ask for and a torus
// knot as the scene makes it.
#include <benchmark/benchmark.h>

#include <cmath>

#include "foundation/Random.h"
#include "knots/TorusKnot.h"

namespace tv {
namespace {

std::vector<Vec3> WindingCurve(int n) {
  std::vector<Vec3> points;
  for (int i = 0; i < n; ++i) {
    const double t = 2 * M_PI * i / n;
    points.emplace_back((8 + 3 * std::cos(7 * t)) * std::cos(5 * t),
                        (8 + 3 * std::cos(7 * t)) * std::sin(5 * t), 3 * std::sin(7 * t));
  }
  return points;
}

// 1,500 points at u max 3.0 rings per point and v max 10.
void BM_HeavyTube(benchmark::State& state) {
  KnotComponent c;
  c.curve = WindingCurve(1500);
  for (auto _ : state) {
    c.BuildTube(0.9, 4500, 10);
    benchmark::DoNotOptimize(c.vertices.data());
  }
  state.SetItemsProcessed(state.iterations() * 4500 * 10);
}
BENCHMARK(BM_HeavyTube)->Unit(benchmark::kMillisecond);

void BM_DefaultTorusKnot(benchmark::State& state) {
  TorusKnot knot;
  for (auto _ : state) {
    knot.Rebuild();
    benchmark::DoNotOptimize(knot.components[0].vertices.data());
  }
}
BENCHMARK(BM_DefaultTorusKnot)->Unit(benchmark::kMicrosecond);

void BM_RandomTorusKnot(benchmark::State& state) {
  SeedRandom(1);
  for (auto _ : state) {
    TorusKnot knot;
    knot.Randomize(kTorusPLimit, kTorusQLimit, kTorusULimit, kTorusVLimit);
    knot.Rebuild();
    benchmark::DoNotOptimize(knot.components[0].vertices.data());
  }
}
BENCHMARK(BM_RandomTorusKnot)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tv
