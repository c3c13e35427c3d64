// SPDX-License-Identifier: BSD-3-Clause
// The fast method on one system: the range of coefficients it accepts and the reduction of
// the equations, then the lane kernels on doubles, the read-out (fast/eigenvectors.cc) and the
// polish on doubles.
#include <cmath>

#include "fast/eigenvectors.h"
#include "fast/fast_method.h"
#include "fast/kernels.h"
#include "fast/polish.h"
#include "fast/steps.h"
#include "template.h"
#include "testing.h"

namespace quorvane {
namespace {

// The fast path sees fewer numbers than the full LU and the eigen-solver; outside this range
// their products could overflow or fall below the normal range, where the rounding bounds
// that guard it no longer hold.
constexpr double kSmallestCoefficient = 0x1p-200;
constexpr double kSmallestLargest = 0x1p-8, kLargestLargest = 0x1p8;

}  // namespace

bool withinSafeRange(const Equations& equations) {
  for (int e = 0; e < kEquations; ++e) {
    double largest = 0;
    for (int i = 0; i < kCoefficients; ++i) {
      const double size = std::abs(equations(e, i));
      if (!std::isfinite(size) || (size != 0 && size < kSmallestCoefficient)) return false;
      if (size > largest) largest = size;
    }
    if (!(largest >= kSmallestLargest && largest <= kLargestLargest)) return false;
  }
  return true;
}

void polishRealCandidates(const Equations& equations, Candidates& candidates) {
  double coefficients[kEquations][kCoefficients];
  for (int e = 0; e < kEquations; ++e)
    for (int i = 0; i < kCoefficients; ++i) coefficients[e][i] = equations(e, i);
  for (Candidate& c : candidates) {
    if (!polishable(c)) continue;
    double p[3] = {c.x.real(), c.y.real(), c.z.real()};
    polishPoints(coefficients, p, true);
    c.x = p[0], c.y = p[1], c.z = p[2];
  }
}

bool reducedForFastPath(const Equations& equations, double (&reduced)[kEquations][kCoefficients]) {
  if (!withinSafeRange(equations)) return false;
  CoefficientMatrix matrix;
  if (!reduceForTemplate(equations, matrix)) return false;
  for (int e = 0; e < kEquations; ++e)
    for (int j = 0; j < kCoefficients; ++j) reduced[e][j] = matrix(e, j);
  return true;
}

void realRootsOfActionScalar(const double (&reduced)[kEquations][kCoefficients],
                             RealRootsOfAction& roots) {
  realRootsOfActionLanes(reduced, &roots);
}

void realRootsOfActionMatrix(const double (&actionRows)[3][kBasisSize], RealRootsOfAction& roots) {
  realRootsOfActionRows(actionRows, true, &roots);
}

bool fastTemplateCandidates(const Equations& equations, Candidates& candidates, bool complexToo,
                            bool prove) {
  double reduced[kEquations][kCoefficients];
  if (!reducedForFastPath(equations, reduced)) return false;
  RealRootsOfAction roots;
  realRootsOfActionScalar(reduced, roots);
  ListedEigenvalues listed;
  if (!realEigenCandidates(roots, candidates, complexToo ? &listed : nullptr)) return false;
  polishRealCandidates(equations, candidates);
  if (!complexToo) return true;
  complexEigenCandidates(roots, listed, candidates);
  if (prove) proveCandidates(equations, candidates);
  return true;
}

}  // namespace quorvane
