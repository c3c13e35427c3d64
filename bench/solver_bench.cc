// Time and heap allocations per solveThreeQuadrics call.
#include <benchmark/benchmark.h>
#include <quorvane/solver.h>

#include <random>
#include <vector>

#include "allocation_counter.h"
#include "systems.h"

namespace {

using quorvane::testing::System;

System workedExample() {
  using quorvane::testing::equation;
  System s;
  s.equations = {equation({6, 2, 0, 0, 1, 1, 0, -7, -7, 0}),
                 equation({-2, -2, 2, -2, 1, 1, 1, -1, 1, -1}),
                 equation({-6, 4, -2, -4, 1, 4, 1, -1, -2, 1})};
  return s;
}

std::vector<System> randomGenericSystems(int count) {
  std::mt19937_64 rng(1);
  std::normal_distribution<double> normal;
  std::vector<System> systems(count);
  for (System& s : systems)
    for (auto& e : s.equations)
      e = Eigen::MatrixXd::NullaryExpr(10, 1, [&] { return normal(rng); });
  return systems;
}

std::vector<System> randomProductsOfPlanes(int count) {
  std::mt19937_64 rng(2);
  std::vector<System> systems;
  for (int i = 0; i < count; ++i) systems.push_back(quorvane::testing::randomProductOfPlanes(rng));
  return systems;
}

// Solves the systems in turn, reusing one list, and reports allocations per call.
void solveEach(benchmark::State& state, const std::vector<System>& systems) {
  quorvane::SolutionList solutions;
  solutions.reserve(8);
  std::size_t next = 0;
  const quorvane::bench::AllocationScope allocations;
  for (auto _ : state) {
    const System& s = systems[next];
    next = next + 1 == systems.size() ? 0 : next + 1;
    solutions.clear();
    quorvane::solveThreeQuadrics(s.equations[0], s.equations[1], s.equations[2], solutions);
    benchmark::DoNotOptimize(solutions.data());
  }
  const double calls = static_cast<double>(state.iterations());
  state.counters["allocs/call"] = allocations.allocations() / calls;
  state.counters["bytes/call"] = allocations.allocatedBytes() / calls;
}

void BM_WorkedExample(benchmark::State& state) {
  solveEach(state, {workedExample()});
}
BENCHMARK(BM_WorkedExample);

void BM_RandomGeneric(benchmark::State& state) {
  static const std::vector<System> systems = randomGenericSystems(1000);
  solveEach(state, systems);
}
BENCHMARK(BM_RandomGeneric);

void BM_RandomProductOfPlanes(benchmark::State& state) {
  static const std::vector<System> systems = randomProductsOfPlanes(1000);
  solveEach(state, systems);
}
BENCHMARK(BM_RandomProductOfPlanes);

}  // namespace

BENCHMARK_MAIN();
