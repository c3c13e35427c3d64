#include <algorithm>
#include <cmath>

#include "fast_kernels.h"
#include "fast_path.h"
#include "gauss_jordan.h"
#include "template.h"

namespace quorvane {
namespace {

// The fast path sees fewer numbers than the full LU and the eigen-solver; outside this range
// their products could overflow or fall below the normal range, where the rounding bounds
// that guard it no longer hold.
constexpr double kSmallestCoefficient = 0x1p-200;
constexpr double kSmallestLargest = 0x1p-8, kLargestLargest = 0x1p8;

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

// The largest over the equations of |value| / Σ |term| at a real point.
double relativeResidual(const Equations& equations, const double (&p)[3]) {
  const double x = p[0], y = p[1], z = p[2];
  const double monomials[kCoefficients] = {1, x * y, x * z, y * z, x * x, y * y, z * z, x, y, z};
  double largest = 0;
  for (int e = 0; e < kEquations; ++e) {
    double value = 0, size = 0;
    for (int i = 0; i < kCoefficients; ++i) {
      const double term = equations(e, i) * monomials[i];
      value += term;
      size += std::abs(term);
    }
    const double residual = size > 0 ? std::abs(value) / size : std::abs(value);
    if (!(residual <= largest)) largest = residual;
  }
  return largest;
}

void cross(const double (&a)[3], const double (&b)[3], double (&result)[3]) {
  result[0] = a[1] * b[2] - a[2] * b[1];
  result[1] = a[2] * b[0] - a[0] * b[2];
  result[2] = a[0] * b[1] - a[1] * b[0];
}

// Newton's steps on the equations from a real candidate, each kept only if it lowers the
// relative residual: the characteristic polynomial's roots are less accurate than the
// eigen-solver's, and two steps more than make up for it. A step that changed nothing beyond
// the first half of the digits leaves nothing for a second.
void polishRealPoint(const Equations& equations, double (&p)[3]) {
  constexpr int kSteps = 2;
  constexpr double kConverged = 0x1p-24;
  double residual = relativeResidual(equations, p);
  for (int step = 0; step < kSteps && residual > 0; ++step) {
    const double x = p[0], y = p[1], z = p[2];
    double value[3], jacobian[3][3];
    for (int e = 0; e < kEquations; ++e) {
      const auto c = equations.row(e);
      value[e] = c(0) + c(1) * x * y + c(2) * x * z + c(3) * y * z + c(4) * x * x + c(5) * y * y +
                 c(6) * z * z + c(7) * x + c(8) * y + c(9) * z;
      jacobian[e][0] = c(1) * y + c(2) * z + 2 * c(4) * x + c(7);
      jacobian[e][1] = c(1) * x + c(3) * z + 2 * c(5) * y + c(8);
      jacobian[e][2] = c(2) * x + c(3) * y + 2 * c(6) * z + c(9);
    }
    // J⁻¹ has the cross products of J's rows as its columns, over det J.
    double columns[3][3];
    cross(jacobian[1], jacobian[2], columns[0]);
    cross(jacobian[2], jacobian[0], columns[1]);
    cross(jacobian[0], jacobian[1], columns[2]);
    const double determinant = jacobian[0][0] * columns[0][0] + jacobian[0][1] * columns[0][1] +
                               jacobian[0][2] * columns[0][2];
    double next[3], change = 0, size = 0;
    for (int i = 0; i < 3; ++i) {
      const double delta =
          (columns[0][i] * value[0] + columns[1][i] * value[1] + columns[2][i] * value[2]) /
          determinant;
      next[i] = p[i] - delta;
      change = std::max(change, std::abs(delta));
      size = std::max(size, std::abs(p[i]));
    }
    const double refined = relativeResidual(equations, next);
    if (!(refined < residual)) break;
    for (int i = 0; i < 3; ++i) p[i] = next[i];
    residual = refined;
    if (change <= kConverged * size) break;
  }
}

}  // namespace

void polishRealCandidates(const Equations& equations, Candidates& candidates) {
  for (Candidate& c : candidates) {
    if (!c.real || c.zeroDivisor || c.z.imag() != 0) continue;
    double p[3] = {c.x.real(), c.y.real(), c.z.real()};
    polishRealPoint(equations, p);
    c.x = p[0], c.y = p[1], c.z = p[2];
  }
}

bool reducedForFastPath(const Equations& equations, double (&reduced)[kEquations][kCoefficients]) {
  if (!withinSafeRange(equations)) return false;
  CoefficientMatrix matrix = coefficientMatrix(equations);
  PivotColumns pivots;
  gaussJordanReduce(matrix, pivots);
  // The template copies each reduced equation's leading column and the seven shared ones.
  const bool onLeadingBlock = matrix.rows() == kEquations && pivots.count == kEquations &&
                              pivots.forward[0] == 0 && pivots.forward[1] == 1 &&
                              pivots.forward[2] == 2 && pivots.backward[1] == 1 &&
                              pivots.backward[2] == 2;
  if (!onLeadingBlock) return false;
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

bool fastTemplateCandidates(const Equations& equations, Candidates& candidates) {
  double reduced[kEquations][kCoefficients];
  if (!reducedForFastPath(equations, reduced)) return false;
  RealRootsOfAction roots;
  realRootsOfActionScalar(reduced, roots);
  if (!realEigenCandidates(roots, candidates)) return false;
  polishRealCandidates(equations, candidates);
  return true;
}

}  // namespace quorvane
