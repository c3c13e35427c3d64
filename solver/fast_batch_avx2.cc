// The lane kernels on four systems in AVX2 registers. Only this file's own functions use AVX2
// (not the whole file, and not FMA): the library must run on CPUs without it, where this code
// is never called, and everything this file shares with the rest (Eigen's configuration, the
// inline functions of the headers below) is compiled before AVX2 is switched on.
#include <array>
#include <cmath>
#include <cstdint>

#include "action.h"
#include "equations.h"
#include "template.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#define QUORVANE_AVX2_LANES
#include "lanes.h"
// After lanes.h, so that the kernels below are compiled with AVX2.
#include "fast_kernels.h"
#include "fast_path.h"

namespace quorvane {

void realRootsOfActionAvx2(const double (&reduced)[kBatchLanes][kEquations][kCoefficients],
                           RealRootsOfAction (&roots)[kBatchLanes]) {
  Avx2Lanes lanes[kEquations][kCoefficients];
  for (int e = 0; e < kEquations; ++e)
    for (int j = 0; j < kCoefficients; ++j)
      lanes[e][j] = Avx2Lanes(
          _mm256_setr_pd(reduced[0][e][j], reduced[1][e][j], reduced[2][e][j], reduced[3][e][j]));
  realRootsOfActionLanes(lanes, roots);
}

}  // namespace quorvane

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#else

namespace quorvane {
// Never called where the CPU check cannot be made.
void realRootsOfActionAvx2(const double (&reduced)[kBatchLanes][kEquations][kCoefficients],
                           RealRootsOfAction (&roots)[kBatchLanes]) {
  for (int lane = 0; lane < kBatchLanes; ++lane)
    realRootsOfActionScalar(reduced[lane], roots[lane]);
}
}  // namespace quorvane

#endif
