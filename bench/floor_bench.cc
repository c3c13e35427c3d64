// SPDX-License-Identifier: BSD-3-Clause
// The fast method against its linear-algebra floor (25 x 25 LU with its 8-column solve and one
// 8 x 8 eigen-decomposition, on random generic systems' templates), by family: each iteration
// solves the family's 1000 systems, one call each or in one batch on one thread. The argument
// is the family's index in floorFamilies(). bench/floor_ratios.sh turns the medians of
// repeated runs into ratios to the floor.
#include <benchmark/benchmark.h>
#include <quorvane/solver.h>

#include "floor_families.h"
#include "floor_of_method.h"

namespace {

using quorvane::bench::floorFamilies;

constexpr int kSystems = 1000;

const std::vector<double>& systemsOf(int family) {
  static std::vector<std::vector<double>> laid;
  if (laid.empty())
    for (const auto& f : floorFamilies())
      laid.push_back(quorvane::bench::laidOutFamily(f, kSystems));
  return laid[family];
}

void BM_Floor(benchmark::State& state) {
  std::mt19937_64 rng(1);
  std::vector<quorvane::bench::TemplateAndAction> prepared;
  while (prepared.size() < kSystems) {
    quorvane::bench::TemplateAndAction t;
    if (quorvane::bench::templateAndAction(quorvane::testing::randomGenericSystem(rng), t))
      prepared.push_back(t);
  }
  for (auto _ : state) {
    double sum = 0;
    for (const auto& t : prepared) sum += quorvane::bench::floorOfMethod(t);
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_Floor)->Unit(benchmark::kMicrosecond);

quorvane::SolveOptions fastOptions() {
  quorvane::SolveOptions options;
  options.method = quorvane::Method::fast;
  return options;
}

void BM_FastOneCall(benchmark::State& state) {
  const std::vector<double>& systems = systemsOf(static_cast<int>(state.range(0)));
  const quorvane::SolveOptions options = fastOptions();
  quorvane::SolutionList solutions;
  for (auto _ : state) {
    std::size_t found = 0;
    for (int k = 0; k < kSystems; ++k) {
      const double* c = systems.data() + 30 * k;
      solutions.clear();
      quorvane::solveThreeQuadrics(c, c + 10, c + 20, solutions, options);
      found += solutions.size();
    }
    benchmark::DoNotOptimize(found);
  }
  state.SetLabel(floorFamilies()[state.range(0)].name);
}
BENCHMARK(BM_FastOneCall)->DenseRange(0, 7)->Unit(benchmark::kMicrosecond);

void BM_FastBatch(benchmark::State& state) {
  const std::vector<double>& systems = systemsOf(static_cast<int>(state.range(0)));
  quorvane::BatchOptions options;
  options.solve = fastOptions();
  options.threads = 1;
  quorvane::BatchSolutions out;
  for (auto _ : state) {
    quorvane::solveBatch(systems.data(), kSystems, out, options);
    benchmark::DoNotOptimize(out.solutions.data());
  }
  state.SetLabel(floorFamilies()[state.range(0)].name);
}
BENCHMARK(BM_FastBatch)->DenseRange(0, 7)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
