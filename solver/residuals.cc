// SPDX-License-Identifier: BSD-3-Clause
// Each point's relative residual in each equation, for callers checking points they hold.
#include <complex>

#include "equation_terms.h"
#include "quorvane/solve.h"

namespace quorvane {
namespace {

template <typename Points>
Eigen::Matrix3Xd residualsOf(const double* const (&equations)[3], const Points& points) {
  Eigen::Matrix3Xd out(3, static_cast<Eigen::Index>(points.size()));
  for (std::size_t j = 0; j < points.size(); ++j) {
    using V = decltype(points[j].x);
    V monomials[kTermCount];
    monomialsAt(points[j].x, points[j].y, points[j].z, monomials);
    for (int e = 0; e < 3; ++e) {
      V value;
      const double size = sumOfTerms(equations[e], monomials, value);
      out(e, static_cast<Eigen::Index>(j)) = relativeResidual(value, size);
    }
  }
  return out;
}

}  // namespace

Eigen::Matrix3Xd residuals(const double* first, const double* second, const double* third,
                           const SolutionList& points) {
  return residualsOf({first, second, third}, points);
}

Eigen::Matrix3Xd residuals(const double* first, const double* second, const double* third,
                           const ComplexSolutionList& points) {
  return residualsOf({first, second, third}, points);
}

}  // namespace quorvane
