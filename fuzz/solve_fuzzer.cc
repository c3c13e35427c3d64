// SPDX-License-Identifier: BSD-3-Clause
// libFuzzer target: arbitrary bytes as 30 doubles (three equations of ten coefficients).
// Every returned solution must be a NaN column or satisfy the three equations.
#include <quorvane/solver.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "systems.h"

namespace {

constexpr int kCoefficients = 10;
constexpr long double kResidualTolerance = 1e-6L;

// Every returned solution is a NaN column or satisfies the three equations.
template <typename Solve>
void checkSolutions(const Eigen::MatrixXd (&equations)[3], Solve solve) {
  quorvane::SolutionList solutions;
  solve(solutions);
  if (solutions.size() > 8) std::abort();
  for (const quorvane::Solution& s : solutions) {
    if (std::isnan(s.x) && std::isnan(s.y) && std::isnan(s.z)) continue;
    if (!std::isfinite(s.x) || !std::isfinite(s.y) || !std::isfinite(s.z)) {
      std::fprintf(stderr, "non-finite solution (%g, %g, %g)\n", s.x, s.y, s.z);
      std::abort();
    }
    for (const Eigen::MatrixXd& e : equations) {
      const long double residual =
          quorvane::testing::residualInLongDouble(e, s, kResidualTolerance);
      if (!(residual <= kResidualTolerance)) {
        std::fprintf(stderr, "solution (%.17g, %.17g, %.17g) has relative residual %Lg\n", s.x, s.y,
                     s.z, residual);
        std::abort();
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Eigen::MatrixXd equations[3];
  for (int e = 0; e < 3; ++e) {
    equations[e] = Eigen::MatrixXd::Zero(kCoefficients, 1);
    for (int i = 0; i < kCoefficients; ++i) {
      const std::size_t offset = (e * kCoefficients + i) * sizeof(double);
      if (offset + sizeof(double) <= size)
        std::memcpy(&equations[e](i), data + offset, sizeof(double));
    }
  }
  checkSolutions(equations, [&](quorvane::SolutionList& solutions) {
    quorvane::solveThreeQuadrics(equations[0], equations[1], equations[2], solutions);
  });
  // The fast method, with the standard path behind it, under the same checks.
  checkSolutions(equations, [&](quorvane::SolutionList& solutions) {
    quorvane::SolveOptions options;
    options.method = quorvane::Method::fast;
    quorvane::solveThreeQuadrics(equations[0], equations[1], equations[2], solutions, options);
  });
  return 0;
}
