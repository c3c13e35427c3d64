// SPDX-License-Identifier: BSD-3-Clause
// The run-time choice between the AVX2 lanes and the scalar path for four systems at once,
// by the CPU, the environment and the tests' switch.
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "fast/eigenvectors.h"
#include "fast/fast_method.h"
#include "fast/lane_targets.h"
#include "fast/steps.h"
#include "testing.h"

namespace quorvane {
namespace {

std::atomic<bool> scalarForced{false};

bool cpuHasAvx2() {
#if QUORVANE_AVX2_BUILD
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

bool scalarForcedByEnvironment() {
  static const bool forced = [] {
    const char* value = std::getenv("QUORVANE_FORCE_SCALAR");
    return value != nullptr && std::strcmp(value, "1") == 0;
  }();
  return forced;
}

}  // namespace

bool vectorLanesInUse() {
  static const bool avx2 = cpuHasAvx2();
  return avx2 && !scalarForced.load(std::memory_order_relaxed) && !scalarForcedByEnvironment();
}

void forceScalarLanes(bool force) {
  scalarForced.store(force, std::memory_order_relaxed);
}

void fastTemplateCandidates4(const std::array<Equations, kBatchLanes>& equations,
                             std::array<Candidates, kBatchLanes>& candidates,
                             std::array<bool, kBatchLanes>& accepted, bool complexToo) {
  if (!vectorLanesInUse()) {
    for (int lane = 0; lane < kBatchLanes; ++lane)
      accepted[lane] = fastTemplateCandidates(equations[lane], candidates[lane], complexToo);
    return;
  }
  double reduced[kBatchLanes][kEquations][kCoefficients];
  bool prepared[kBatchLanes];
  for (int lane = 0; lane < kBatchLanes; ++lane) {
    prepared[lane] = reducedForFastPath(equations[lane], reduced[lane]);
    // A declined system's lane still runs; zeros give it a zero pivot and no roots to seek.
    if (!prepared[lane]) std::memset(reduced[lane], 0, sizeof reduced[lane]);
  }
  RealRootsOfAction roots[kBatchLanes];
  realRootsOfActionAvx2(reduced, roots);
  ListedEigenvalues listed[kBatchLanes];
  for (int lane = 0; lane < kBatchLanes; ++lane)
    accepted[lane] = prepared[lane] && realEigenCandidates(roots[lane], candidates[lane],
                                                           complexToo ? &listed[lane] : nullptr);
  polishRealCandidatesAvx2(equations, candidates, accepted);
  if (!complexToo) return;
  complexEigenCandidatesAvx2(roots, listed, candidates, accepted);
  proveCandidatesAvx2(equations, candidates, accepted);
}

}  // namespace quorvane
