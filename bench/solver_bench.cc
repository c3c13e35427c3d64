// SPDX-License-Identifier: BSD-3-Clause
// Time and heap allocations per solveThreeQuadrics call.
#include <benchmark/benchmark.h>
#include <quorvane/solver.h>

#include <Eigen/Eigenvalues>
#include <Eigen/LU>
#include <array>
#include <random>
#include <vector>

#include "allocation_counter.h"
#include "fast/fast_method.h"
#include "floor_of_method.h"
#include "systems.h"
#include "testing.h"
#include "tries.h"

namespace {

using quorvane::testing::System;
using quorvane::testing::workedExample;

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

// Systems of a family that take the given path, for timing that path alone.
template <typename Draw>
std::vector<System> takingPath(quorvane::SolvePath path, int count, Draw drawOne) {
  std::mt19937_64 rng(3);
  std::vector<System> systems;
  for (int tries = 0; tries < 100000 && static_cast<int>(systems.size()) < count; ++tries) {
    System s = drawOne(rng);
    quorvane::SolutionList solutions;
    if (quorvane::solveReportingPath(s.equations[0], s.equations[1], s.equations[2], solutions)
            .path == path)
      systems.push_back(std::move(s));
  }
  return systems;
}

// The template method and the read-out alone, without verification or other tries.
void solveBare(const System& s, quorvane::SolutionList& solutions) {
  quorvane::Equations equations =
      quorvane::stackEquations(s.equations[0], s.equations[1], s.equations[2]);
  quorvane::Candidates candidates;
  if (!quorvane::templateCandidates(equations, candidates)) return;
  for (const quorvane::Candidate& c : candidates)
    if (c.real) solutions.push_back({c.x.real(), c.y.real(), c.z.real()});
}

// The fast path alone (the bare template path where it declines), one system at a time.
void solveFast(const System& s, quorvane::SolutionList& solutions) {
  const quorvane::Equations equations =
      quorvane::stackEquations(s.equations[0], s.equations[1], s.equations[2]);
  quorvane::Candidates candidates;
  if (!quorvane::fastTemplateCandidates(equations, candidates)) return solveBare(s, solutions);
  for (const quorvane::Candidate& c : candidates)
    if (c.real) solutions.push_back({c.x.real(), c.y.real(), c.z.real()});
}

void solveVerified(const System& s, quorvane::SolutionList& solutions) {
  quorvane::solveThreeQuadrics(s.equations[0], s.equations[1], s.equations[2], solutions);
}

// The whole fast method, verified, with the standard way for what it leaves.
void solveFastMethod(const System& s, quorvane::SolutionList& solutions) {
  quorvane::SolveOptions options;
  options.method = quorvane::Method::fast;
  quorvane::solveThreeQuadrics(s.equations[0].data(), s.equations[1].data(), s.equations[2].data(),
                               solutions, options);
}

// Solves the systems in turn, reusing one list, and reports allocations per call.
void solveEach(benchmark::State& state, const std::vector<System>& systems,
               void (*solve)(const System&, quorvane::SolutionList&) = solveVerified) {
  if (systems.empty()) {
    state.SkipWithError("no system of this kind was found");
    return;
  }
  quorvane::SolutionList solutions;
  solutions.reserve(8);
  std::size_t next = 0;
  const quorvane::bench::AllocationScope allocations;
  for (auto _ : state) {
    const System& s = systems[next];
    next = next + 1 == systems.size() ? 0 : next + 1;
    solutions.clear();
    solve(s, solutions);
    benchmark::DoNotOptimize(solutions.data());
  }
  const double calls = static_cast<double>(state.iterations());
  state.counters["allocs/call"] = allocations.allocations() / calls;
  state.counters["bytes/call"] = allocations.allocatedBytes() / calls;
}

const std::vector<System>& genericSystems() {
  static const std::vector<System> systems = randomGenericSystems(1000);
  return systems;
}
const std::vector<System>& planesSystems() {
  static const std::vector<System> systems = randomProductsOfPlanes(1000);
  return systems;
}

// The linear algebra the method cannot do without, on the templates of the same systems:
// the 25 x 25 LU with its 8-column solve, and the 8 x 8 eigen-decomposition with
// eigenvectors. The solver's time over this floor is what everything else costs.
void floorOfMethod(benchmark::State& state, const std::vector<System>& systems) {
  std::vector<quorvane::bench::TemplateAndAction> prepared;
  for (const System& s : systems)
    if (quorvane::bench::TemplateAndAction p; quorvane::bench::templateAndAction(s, p))
      prepared.push_back(p);
  std::size_t next = 0;
  const quorvane::bench::AllocationScope allocations;
  for (auto _ : state) {
    benchmark::DoNotOptimize(quorvane::bench::floorOfMethod(prepared[next]));
    next = next + 1 == prepared.size() ? 0 : next + 1;
  }
  state.counters["allocs/call"] = allocations.allocations() / double(state.iterations());
}

void BM_WorkedExampleFloor(benchmark::State& state) {
  floorOfMethod(state, {workedExample()});
}
void BM_RandomGenericFloor(benchmark::State& state) {
  floorOfMethod(state, genericSystems());
}
void BM_RandomProductOfPlanesFloor(benchmark::State& state) {
  floorOfMethod(state, planesSystems());
}
BENCHMARK(BM_WorkedExampleFloor);
BENCHMARK(BM_RandomGenericFloor);
BENCHMARK(BM_RandomProductOfPlanesFloor);

void BM_WorkedExample(benchmark::State& state) {
  solveEach(state, {workedExample()});
}
void BM_WorkedExampleBare(benchmark::State& state) {
  solveEach(state, {workedExample()}, solveBare);
}
void BM_RandomGeneric(benchmark::State& state) {
  solveEach(state, genericSystems());
}
void BM_RandomGenericBare(benchmark::State& state) {
  solveEach(state, genericSystems(), solveBare);
}
void BM_RandomProductOfPlanes(benchmark::State& state) {
  solveEach(state, planesSystems());
}
void BM_RandomProductOfPlanesBare(benchmark::State& state) {
  solveEach(state, planesSystems(), solveBare);
}
BENCHMARK(BM_WorkedExample);
BENCHMARK(BM_WorkedExampleBare);
BENCHMARK(BM_RandomGeneric);
BENCHMARK(BM_RandomGenericBare);
BENCHMARK(BM_RandomProductOfPlanes);
BENCHMARK(BM_RandomProductOfPlanesBare);

void BM_RandomGenericFast(benchmark::State& state) {
  solveEach(state, genericSystems(), solveFast);
}
void BM_RandomProductOfPlanesFast(benchmark::State& state) {
  solveEach(state, planesSystems(), solveFast);
}
void BM_RandomGenericFastMethod(benchmark::State& state) {
  solveEach(state, genericSystems(), solveFastMethod);
}
void BM_RandomProductOfPlanesFastMethod(benchmark::State& state) {
  solveEach(state, planesSystems(), solveFastMethod);
}
BENCHMARK(BM_RandomGenericFast);
BENCHMARK(BM_RandomProductOfPlanesFast);
BENCHMARK(BM_RandomGenericFastMethod);
BENCHMARK(BM_RandomProductOfPlanesFastMethod);

// Four systems per call of the fast batch; the time is per system. Argument: 1 forces the
// scalar lanes.
void fastBatches(benchmark::State& state, const std::vector<System>& systems,
                 bool complexToo = false) {
  std::vector<std::array<quorvane::Equations, quorvane::kBatchLanes>> groups(systems.size() /
                                                                             quorvane::kBatchLanes);
  for (std::size_t i = 0; i < groups.size() * quorvane::kBatchLanes; ++i) {
    const auto& e = systems[i].equations;
    groups[i / quorvane::kBatchLanes][i % quorvane::kBatchLanes] =
        quorvane::stackEquations(e[0], e[1], e[2]);
  }
  quorvane::forceScalarLanes(state.range(0) == 1);
  std::array<quorvane::Candidates, quorvane::kBatchLanes> candidates;
  std::array<bool, quorvane::kBatchLanes> accepted;
  std::size_t next = 0;
  for (auto _ : state) {
    quorvane::fastTemplateCandidates4(groups[next], candidates, accepted, complexToo);
    benchmark::DoNotOptimize(candidates.data());
    next = next + 1 == groups.size() ? 0 : next + 1;
  }
  quorvane::forceScalarLanes(false);
  state.SetItemsProcessed(state.iterations() * quorvane::kBatchLanes);
  state.counters["vector lanes"] = state.range(0) == 1 ? 0 : quorvane::vectorLanesInUse();
}
void BM_RandomGenericFastBatch(benchmark::State& state) {
  fastBatches(state, genericSystems());
}
void BM_RandomProductOfPlanesFastBatch(benchmark::State& state) {
  fastBatches(state, planesSystems());
}
BENCHMARK(BM_RandomGenericFastBatch)->Arg(0)->Arg(1);
BENCHMARK(BM_RandomProductOfPlanesFastBatch)->Arg(0)->Arg(1);

// The fast method's candidates alone, without the standard way for what it declines, on the
// systems it accepts: argument 0 the real ones only, 1 with the non-real ones too
// (complexToo), so that the two compare on the same work.
void fastCandidates(benchmark::State& state, const std::vector<System>& systems) {
  std::vector<quorvane::Equations> accepted;
  quorvane::Candidates candidates;
  for (const System& s : systems) {
    const auto& e = s.equations;
    const quorvane::Equations equations = quorvane::stackEquations(e[0], e[1], e[2]);
    if (quorvane::fastTemplateCandidates(equations, candidates)) accepted.push_back(equations);
  }
  const bool complexToo = state.range(0) == 1;
  std::size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        quorvane::fastTemplateCandidates(accepted[next], candidates, complexToo));
    benchmark::DoNotOptimize(candidates.data());
    next = next + 1 == accepted.size() ? 0 : next + 1;
  }
}
void BM_RandomGenericFastCandidates(benchmark::State& state) {
  fastCandidates(state, genericSystems());
}
BENCHMARK(BM_RandomGenericFastCandidates)->Arg(0)->Arg(1);

// The batch of four with the non-real candidates too; the time is per system. Argument: 1
// forces the scalar lanes. BM_RandomGenericFastBatch is the same without them.
void BM_RandomGenericFastBatchComplexToo(benchmark::State& state) {
  fastBatches(state, genericSystems(), true);
}
BENCHMARK(BM_RandomGenericFastBatchComplexToo)->Arg(0)->Arg(1);

// solveBatch with the fast method on one thread: preparation, the lane kernels, verification
// and the standard way for what they leave; the time is per system. Argument as above.
void fastMethodBatches(benchmark::State& state, const std::vector<System>& systems) {
  std::vector<double> coefficients;
  for (const System& s : systems)
    for (const auto& e : s.equations)
      coefficients.insert(coefficients.end(), e.data(), e.data() + 10);
  quorvane::BatchOptions options;
  options.threads = 1;
  options.solve.method = quorvane::Method::fast;
  quorvane::BatchSolutions out;
  quorvane::forceScalarLanes(state.range(0) == 1);
  for (auto _ : state) {
    quorvane::solveBatch(coefficients.data(), systems.size(), out, options);
    benchmark::DoNotOptimize(out.solutions.data());
  }
  quorvane::forceScalarLanes(false);
  state.SetItemsProcessed(state.iterations() * systems.size());
}
void BM_RandomGenericFastMethodBatch(benchmark::State& state) {
  fastMethodBatches(state, genericSystems());
}
void BM_RandomProductOfPlanesFastMethodBatch(benchmark::State& state) {
  fastMethodBatches(state, planesSystems());
}
BENCHMARK(BM_RandomGenericFastMethodBatch)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RandomProductOfPlanesFastMethodBatch)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Both methods, single calls, on families of the stability study (argument 0: standard, 1:
// fast), where the fast method goes the standard way for some or all systems.
template <typename Draw>
std::vector<System> drawn(int count, Draw drawOne) {
  std::mt19937_64 rng(5);
  std::vector<System> systems;
  for (int i = 0; i < count; ++i) systems.push_back(drawOne(rng));
  return systems;
}
void solveEachByMethod(benchmark::State& state, const std::vector<System>& systems) {
  solveEach(state, systems, state.range(0) == 1 ? solveFastMethod : solveVerified);
}
void BM_ClusterAt1e3(benchmark::State& state) {
  static const auto systems = drawn(200, [](auto& rng) {
    return quorvane::testing::randomClusterAround(Eigen::Vector3d(1e3, 1e3, 1e3), rng);
  });
  solveEachByMethod(state, systems);
}
void BM_TrilaterationAtTheOrigin(benchmark::State& state) {
  static const auto systems = drawn(200, [](auto& rng) {
    return quorvane::testing::randomTrilateration(Eigen::Vector3d::Zero(), rng);
  });
  solveEachByMethod(state, systems);
}
void BM_PairApart1e5(benchmark::State& state) {
  static const auto systems =
      drawn(200, [](auto& rng) { return quorvane::testing::randomCloseRootPair(1e-5, rng); });
  solveEachByMethod(state, systems);
}
void BM_ThroughAPoint(benchmark::State& state) {
  static const auto systems = drawn(200, [](auto& rng) {
    std::uniform_real_distribution<double> uniform(-3, 3);
    return quorvane::testing::randomSystemThrough({uniform(rng), uniform(rng), uniform(rng)}, rng);
  });
  solveEachByMethod(state, systems);
}
BENCHMARK(BM_ClusterAt1e3)->Arg(0)->Arg(1);
BENCHMARK(BM_TrilaterationAtTheOrigin)->Arg(0)->Arg(1);
BENCHMARK(BM_PairApart1e5)->Arg(0)->Arg(1);
BENCHMARK(BM_ThroughAPoint)->Arg(0)->Arg(1);

// The fallback paths, each on systems that take it.
void BM_FirstChangeEvenSystems(benchmark::State& state) {
  static const auto systems =
      takingPath(quorvane::SolvePath::firstChange, 200, quorvane::testing::randomEvenSystem);
  solveEach(state, systems);
}
void BM_FirstChangeThreeSpheres(benchmark::State& state) {
  static const auto systems =
      takingPath(quorvane::SolvePath::firstChange, 200, quorvane::testing::randomSpheresThrough);
  solveEach(state, systems);
}
void BM_FirstChangeScaledPlanes(benchmark::State& state) {
  static const auto systems = takingPath(quorvane::SolvePath::firstChange, 50, [](auto& rng) {
    return quorvane::testing::scaledEquations(quorvane::testing::randomProductOfPlanes(rng), 12,
                                              rng);
  });
  solveEach(state, systems);
}
void BM_SecondChangeMixedAxisAligned(benchmark::State& state) {
  static const auto systems = takingPath(quorvane::SolvePath::secondChange, 20,
                                         quorvane::testing::randomMixedAxisAlignedPlanes);
  solveEach(state, systems);
}
// The centred path: clusters far out, and trilateration at map coordinates (spheres, so
// centred and changed coordinates together).
void BM_CentredClusterAt1e3(benchmark::State& state) {
  static const auto systems = takingPath(quorvane::SolvePath::centred, 200, [](auto& rng) {
    return quorvane::testing::randomClusterAround({1e3, 1e3, 1e3}, rng);
  });
  solveEach(state, systems);
}
void BM_CentredTrilaterationAtMapCoordinates(benchmark::State& state) {
  static const auto systems = takingPath(quorvane::SolvePath::centred, 200, [](auto& rng) {
    return quorvane::testing::randomTrilateration({5e5, 4.5e6, 200}, rng);
  });
  solveEach(state, systems);
}
BENCHMARK(BM_CentredClusterAt1e3);
BENCHMARK(BM_CentredTrilaterationAtMapCoordinates);
BENCHMARK(BM_FirstChangeEvenSystems);
BENCHMARK(BM_FirstChangeThreeSpheres);
BENCHMARK(BM_FirstChangeScaledPlanes);
BENCHMARK(BM_SecondChangeMixedAxisAligned);

}  // namespace

BENCHMARK_MAIN();
