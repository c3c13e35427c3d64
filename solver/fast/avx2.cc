// SPDX-License-Identifier: BSD-3-Clause
// The lane kernels on four systems in AVX2 registers. Only this file's own functions use AVX2
// (not the whole file, and not FMA): the library must run on CPUs without it, where this code
// is never called, and everything this file shares with the rest (Eigen's configuration, the
// inline functions of the headers below) is compiled before AVX2 is switched on.
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "action.h"
#include "equations.h"
#include "fast/lane_targets.h"
#include "template.h"

#if QUORVANE_AVX2_BUILD

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#define QUORVANE_AVX2_LANES
#include "fast/lanes.h"
// After lanes.h, so that the kernels below are compiled with AVX2.
#include "fast/kernels.h"
#include "fast/krawczyk.h"
#include "fast/nonreal_roots.h"
#include "fast/polish.h"
#include "fast/steps.h"

namespace quorvane {
namespace {

// A lane's entry in a mask loaded from doubles. blendv and movemask read a mask's sign bit
// alone, and the masks' other operations act on each bit alike, so -1.0 (sign set) stands for
// a set lane and 0.0 for a clear one.
constexpr double kLaneSet = -1.0, kLaneClear = 0.0;

}  // namespace

void realRootsOfActionAvx2(const double (&reduced)[kBatchLanes][kEquations][kCoefficients],
                           RealRootsOfAction (&roots)[kBatchLanes]) {
  Avx2Lanes lanes[kEquations][kCoefficients];
  for (int e = 0; e < kEquations; ++e)
    for (int j = 0; j < kCoefficients; ++j)
      lanes[e][j] = Avx2Lanes(
          _mm256_setr_pd(reduced[0][e][j], reduced[1][e][j], reduced[2][e][j], reduced[3][e][j]));
  realRootsOfActionLanes(lanes, roots);
}

void polishRealCandidatesAvx2(const std::array<Equations, kBatchLanes>& equations,
                              std::array<Candidates, kBatchLanes>& candidates,
                              const std::array<bool, kBatchLanes>& polish) {
  Avx2Lanes coefficients[kEquations][kCoefficients];
  for (int e = 0; e < kEquations; ++e)
    for (int i = 0; i < kCoefficients; ++i)
      coefficients[e][i] = Avx2Lanes(_mm256_setr_pd(equations[0](e, i), equations[1](e, i),
                                                    equations[2](e, i), equations[3](e, i)));
  // Candidate slot by slot; a lane without a polishable candidate there only rides along.
  for (int slot = 0; slot < kBasisSize; ++slot) {
    bool any = false;
    alignas(32) double lanes[3][kBatchLanes], active[kBatchLanes];
    for (int lane = 0; lane < kBatchLanes; ++lane) {
      const Candidate& c = candidates[lane][slot];
      const bool use = polish[lane] && polishable(c);
      any = any || use;
      lanes[0][lane] = use ? c.x.real() : 0.0;
      lanes[1][lane] = use ? c.y.real() : 0.0;
      lanes[2][lane] = use ? c.z.real() : 0.0;
      active[lane] = use ? kLaneSet : kLaneClear;
    }
    if (!any) continue;
    Avx2Lanes p[3] = {Avx2Lanes(_mm256_load_pd(lanes[0])), Avx2Lanes(_mm256_load_pd(lanes[1])),
                      Avx2Lanes(_mm256_load_pd(lanes[2]))};
    polishPoints(coefficients, p, Avx2Mask{_mm256_load_pd(active)});
    for (int i = 0; i < 3; ++i) _mm256_store_pd(lanes[i], p[i].v);
    for (int lane = 0; lane < kBatchLanes; ++lane) {
      if (active[lane] == kLaneClear) continue;
      Candidate& c = candidates[lane][slot];
      c.x = lanes[0][lane], c.y = lanes[1][lane], c.z = lanes[2][lane];
    }
  }
}

void complexEigenCandidatesAvx2(const RealRootsOfAction (&roots)[kBatchLanes],
                                const ListedEigenvalues (&listed)[kBatchLanes],
                                std::array<Candidates, kBatchLanes>& candidates,
                                const std::array<bool, kBatchLanes>& read) {
  alignas(32) double deflated[kPolynomialDegree + 1][kBatchLanes], degree[kBatchLanes],
      valid[kBatchLanes];
  bool any = false;
  for (int lane = 0; lane < kBatchLanes; ++lane) {
    double q[kPolynomialDegree + 1];
    int d = 0;
    const bool use = read[lane] && deflatedByListed(roots[lane], listed[lane], q, d);
    any = any || use;
    for (int i = 0; i <= kPolynomialDegree; ++i) deflated[i][lane] = use ? q[i] : 0.0;
    degree[lane] = use ? d : 0.0;
    valid[lane] = use ? kLaneSet : kLaneClear;
  }
  if (!any) return;
  const auto across = [&](auto entry) {
    return Avx2Lanes(
        _mm256_setr_pd(entry(roots[0]), entry(roots[1]), entry(roots[2]), entry(roots[3])));
  };
  Avx2Lanes polynomial[kPolynomialDegree + 1], q[kPolynomialDegree + 1];
  for (int i = 0; i <= kPolynomialDegree; ++i) {
    polynomial[i] = across([i](const RealRootsOfAction& r) { return r.polynomial[i]; });
    q[i] = Avx2Lanes(_mm256_load_pd(deflated[i]));
  }
  Avx2Lanes actionRows[3][kBasisSize];
  for (int row = 0; row < 3; ++row)
    for (int j = 0; j < kBasisSize; ++j)
      actionRows[row][j] =
          across([row, j](const RealRootsOfAction& r) { return r.actionRows[row][j]; });
  const nonreal::Roots<Avx2Lanes> found =
      nonreal::remainingRoots(polynomial, q, Avx2Lanes(_mm256_load_pd(degree)), actionRows,
                              Avx2Mask{_mm256_load_pd(valid)});
  for (int lane = 0; lane < kBatchLanes; ++lane)
    if (valid[lane] == kLaneSet)
      nonreal::writeCandidates(found, lane, listed[lane].count, candidates[lane]);
}

namespace {

// Where a candidate to test is: its system's lane and its slot there.
struct Slot {
  int lane, slot;
};

// The test at the candidates `at` names, four to a register whatever their systems (`Point`
// Avx2Lanes for real candidates, krawczyk::Complex<Avx2Lanes> for pairs); a short last group
// repeats its first candidate in the lanes left over. A pair's radius goes on both its
// candidates.
template <typename Point>
void proveInLanes(const std::array<Equations, kBatchLanes>& equations,
                  std::array<Candidates, kBatchLanes>& candidates, const Slot* at, int count) {
  constexpr bool kPairs = !std::is_same_v<Point, Avx2Lanes>;
  for (int group = 0; group < count; group += kBatchLanes) {
    const Slot* entry[kBatchLanes];
    for (int k = 0; k < kBatchLanes; ++k) entry[k] = &at[group + k < count ? group + k : group];
    Avx2Lanes c[kEquations][kCoefficients];
    for (int e = 0; e < kEquations; ++e)
      for (int i = 0; i < kCoefficients; ++i)
        c[e][i] = Avx2Lanes(
            _mm256_setr_pd(equations[entry[0]->lane](e, i), equations[entry[1]->lane](e, i),
                           equations[entry[2]->lane](e, i), equations[entry[3]->lane](e, i)));
    Point p[3];
    for (int v = 0; v < 3; ++v) {
      alignas(32) double re[kBatchLanes], im[kBatchLanes];
      for (int k = 0; k < kBatchLanes; ++k) {
        const Candidate& candidate = candidates[entry[k]->lane][entry[k]->slot];
        const std::complex<double> value = v == 0   ? candidate.x
                                           : v == 1 ? candidate.y
                                                    : candidate.z;
        re[k] = value.real(), im[k] = value.imag();
      }
      if constexpr (kPairs)
        p[v] = {Avx2Lanes(_mm256_load_pd(re)), Avx2Lanes(_mm256_load_pd(im))};
      else
        p[v] = Avx2Lanes(_mm256_load_pd(re));
    }
    alignas(32) double radius[kBatchLanes];
    _mm256_store_pd(radius, krawczyk::radiusAt(c, p).v);
    for (int k = 0; k < kBatchLanes && group + k < count; ++k) {
      Candidates& of = candidates[entry[k]->lane];
      of[entry[k]->slot].proofRadius = radius[k];
      if (kPairs) of[entry[k]->slot + 1].proofRadius = radius[k];
    }
  }
}

}  // namespace

void proveCandidatesAvx2(const std::array<Equations, kBatchLanes>& equations,
                         std::array<Candidates, kBatchLanes>& candidates,
                         const std::array<bool, kBatchLanes>& prove) {
  Slot real[kBatchLanes * kBasisSize], pairs[kBatchLanes * kBasisSize];
  int realCount = 0, pairCount = 0;
  for (int lane = 0; lane < kBatchLanes; ++lane)
    for (int slot = 0; prove[lane] && slot < kBasisSize; ++slot) {
      const Candidate& c = candidates[lane][slot];
      if (polishable(c))
        real[realCount++] = {lane, slot};
      else if (slot + 1 < kBasisSize && provesPair(c))
        pairs[pairCount++] = {lane, slot};
    }
  proveInLanes<Avx2Lanes>(equations, candidates, real, realCount);
  proveInLanes<krawczyk::Complex<Avx2Lanes>>(equations, candidates, pairs, pairCount);
}

}  // namespace quorvane

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#else

#include "fast/steps.h"

// Never called where no AVX2 kernels are built; here only so that the library links.
namespace quorvane {

void realRootsOfActionAvx2(const double (&reduced)[kBatchLanes][kEquations][kCoefficients],
                           RealRootsOfAction (&roots)[kBatchLanes]) {
  for (int lane = 0; lane < kBatchLanes; ++lane)
    realRootsOfActionScalar(reduced[lane], roots[lane]);
}

void polishRealCandidatesAvx2(const std::array<Equations, kBatchLanes>& equations,
                              std::array<Candidates, kBatchLanes>& candidates,
                              const std::array<bool, kBatchLanes>& polish) {
  for (int lane = 0; lane < kBatchLanes; ++lane)
    if (polish[lane]) polishRealCandidates(equations[lane], candidates[lane]);
}

void complexEigenCandidatesAvx2(const RealRootsOfAction (&roots)[kBatchLanes],
                                const ListedEigenvalues (&listed)[kBatchLanes],
                                std::array<Candidates, kBatchLanes>& candidates,
                                const std::array<bool, kBatchLanes>& read) {
  for (int lane = 0; lane < kBatchLanes; ++lane)
    if (read[lane]) complexEigenCandidates(roots[lane], listed[lane], candidates[lane]);
}

void proveCandidatesAvx2(const std::array<Equations, kBatchLanes>& equations,
                         std::array<Candidates, kBatchLanes>& candidates,
                         const std::array<bool, kBatchLanes>& prove) {
  for (int lane = 0; lane < kBatchLanes; ++lane)
    if (prove[lane]) proveCandidates(equations[lane], candidates[lane]);
}

}  // namespace quorvane

#endif
