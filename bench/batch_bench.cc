// SPDX-License-Identifier: BSD-3-Clause
// Batch throughput: systems solved per second of wall time by solveBatch.
#include <benchmark/benchmark.h>
#include <quorvane/solver.h>

#include <random>
#include <vector>

#include "systems.h"

namespace {

// 1000 products of planes (eight real solutions each), 30 coefficients per system.
const std::vector<double>& productsOfPlanes() {
  static const std::vector<double> coefficients = [] {
    std::mt19937_64 rng(2);
    std::vector<double> laid;
    for (int i = 0; i < 1000; ++i) {
      const quorvane::testing::System s = quorvane::testing::randomProductOfPlanes(rng);
      for (const auto& e : s.equations) laid.insert(laid.end(), e.data(), e.data() + 10);
    }
    return laid;
  }();
  return coefficients;
}

// Argument: the thread count. Real time, since the workers' CPU time is not the caller's.
void BM_BatchProductsOfPlanes(benchmark::State& state) {
  const std::vector<double>& coefficients = productsOfPlanes();
  const std::size_t count = coefficients.size() / 30;
  const auto threads = static_cast<unsigned>(state.range(0));
  quorvane::BatchSolutions out;
  for (auto _ : state) {
    quorvane::solveBatch(coefficients.data(), count, out, threads);
    benchmark::DoNotOptimize(out.solutions.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(count));
  state.counters["solutions"] = static_cast<double>(out.solutions.size());
}
BENCHMARK(BM_BatchProductsOfPlanes)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

// The fixed cost of a call: one system, so every thread count but 1 is clamped to one worker,
// against two systems on two workers, which starts one thread.
void BM_BatchStartOneThread(benchmark::State& state) {
  const std::vector<double>& coefficients = productsOfPlanes();
  const auto threads = static_cast<unsigned>(state.range(0));
  quorvane::BatchSolutions out;
  for (auto _ : state) {
    quorvane::solveBatch(coefficients.data(), 2, out, threads);
    benchmark::DoNotOptimize(out.solutions.data());
  }
}
BENCHMARK(BM_BatchStartOneThread)->Arg(1)->Arg(2)->UseRealTime();

// 1000 systems of each family that the certification is judged on, 30 coefficients each.
template <class Draw>
std::vector<double> laidOut(std::uint64_t seed, Draw draw) {
  std::mt19937_64 rng(seed);
  std::vector<double> laid;
  for (int i = 0; i < 1000; ++i) {
    const quorvane::testing::System s = draw(rng);
    for (const auto& e : s.equations) laid.insert(laid.end(), e.data(), e.data() + 10);
  }
  return laid;
}

const std::vector<double>& familyOf(int family) {
  static const std::vector<double> families[] = {
      laidOut(3, [](std::mt19937_64& rng) { return quorvane::testing::randomGenericSystem(rng); }),
      productsOfPlanes(), laidOut(4, [](std::mt19937_64& rng) {
        return quorvane::testing::randomPerspectiveThreePoint(rng);
      })};
  return families[family];
}

// A fast batch on one thread, with and without proofs: arguments family (0 random generic,
// 1 products of planes, 2 P3P in depths) and certify (0 or 1).
void BM_FastBatchCertified(benchmark::State& state) {
  const std::vector<double>& coefficients = familyOf(static_cast<int>(state.range(0)));
  const std::size_t count = coefficients.size() / 30;
  quorvane::BatchOptions options;
  options.solve.method = quorvane::Method::fast;
  options.solve.certify = state.range(1) != 0;
  options.reportEach = true;
  quorvane::BatchSolutions out;
  for (auto _ : state) {
    quorvane::solveBatch(coefficients.data(), count, out, options);
    benchmark::DoNotOptimize(out.solutions.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(count));
  int certified = 0;
  for (const quorvane::SolveReport& r : out.reports) certified += r.certified;
  state.counters["certified"] = certified;
}
BENCHMARK(BM_FastBatchCertified)
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
