// SPDX-License-Identifier: BSD-3-Clause
// Newton's steps on the equations for real candidates, as a lane kernel: one candidate of one
// system in a double, or the same candidate slot of four systems in AVX2 lanes.
#pragma once

#include "equation_terms.h"
#include "fast/lanes.h"
#include "template.h"

namespace quorvane {
// Internal linkage, as for every lane kernel (see fast/block_reduction.h).
namespace {

// A step that changed nothing beyond this fraction of the point leaves nothing for a second.
constexpr double kPolishConverged = 0x1p-24;
constexpr int kPolishSteps = 2;

template <typename V>
V largerOf(V a, V b) {
  return select(a < b, b, a);
}

// The equations' values at p and the largest over the equations of their relative residuals.
template <typename V>
V valuesAt(const V (&c)[kEquations][kCoefficients], const V (&p)[3], V (&value)[kEquations]) {
  V monomials[kTermCount];
  monomialsAt(p[0], p[1], p[2], monomials);
  V largest = V(0.0);
  for (int e = 0; e < kEquations; ++e) {
    const V size = sumOfTerms(c[e], monomials, value[e]);
    largest = largerResidual(largest, relativeResidual(value[e], size));
  }
  return largest;
}

template <typename V>
void crossProduct(const V (&a)[3], const V (&b)[3], V (&result)[3]) {
  result[0] = a[1] * b[2] - a[2] * b[1];
  result[1] = a[2] * b[0] - a[0] * b[2];
  result[2] = a[0] * b[1] - a[1] * b[0];
}

/// J(p)⁻¹ f(p) from the equations' values f(p) at p, for real points in lanes or one complex
/// point alike: J⁻¹ has the cross products of J's rows as its columns, over det J.
template <typename Coefficients, typename V>
void newtonStepAt(const Coefficients (&c)[kEquations], const V (&p)[3],
                  const V (&value)[kEquations], V (&delta)[3]) {
  V jacobian[kEquations][3];
  for (int e = 0; e < kEquations; ++e) gradientAt(c[e], p[0], p[1], p[2], jacobian[e]);
  V columns[3][3];
  crossProduct(jacobian[1], jacobian[2], columns[0]);
  crossProduct(jacobian[2], jacobian[0], columns[1]);
  crossProduct(jacobian[0], jacobian[1], columns[2]);
  const V determinant = jacobian[0][0] * columns[0][0] + jacobian[0][1] * columns[0][1] +
                        jacobian[0][2] * columns[0][2];
  for (int i = 0; i < 3; ++i)
    delta[i] = (columns[0][i] * value[0] + columns[1][i] * value[1] + columns[2][i] * value[2]) /
               determinant;
}

/// Newton's steps from the real points p of the lanes in `active`, each kept only where it
/// lowers the relative residual: the characteristic polynomial's roots are less accurate
/// than the eigen-solver's, and one or two steps more than make up for it.
template <typename V>
void polishPoints(const V (&c)[kEquations][kCoefficients], V (&p)[3], LaneMask<V> active) {
  V value[kEquations];
  V residual = valuesAt(c, p, value);
  active = active & (residual > V(0.0));
  for (int step = 0; step < kPolishSteps && anyLane(active); ++step) {
    V delta[3];
    newtonStepAt(c, p, value, delta);
    V next[3], change = V(0.0), size = V(0.0);
    for (int i = 0; i < 3; ++i) {
      next[i] = p[i] - delta[i];
      change = largerOf(change, magnitude(delta[i]));
      size = largerOf(size, magnitude(p[i]));
    }
    V nextValue[kEquations];
    const V refined = valuesAt(c, next, nextValue);
    const LaneMask<V> better = active & (refined < residual);
    for (int i = 0; i < 3; ++i) p[i] = select(better, next[i], p[i]);
    for (int e = 0; e < kEquations; ++e) value[e] = select(better, nextValue[e], value[e]);
    residual = select(better, refined, residual);
    active = better & !(change <= V(kPolishConverged) * size);
  }
}

}  // namespace
}  // namespace quorvane
