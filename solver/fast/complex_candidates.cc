// SPDX-License-Identifier: BSD-3-Clause
// The candidates of the non-real eigenvalues, one system at a time after the lanes: each
// remaining root of the characteristic polynomial read off the null vector of P(λ), then
// Newton's steps on the equations in complex arithmetic.
#include <algorithm>
#include <cmath>
#include <complex>

#include "equation_terms.h"
#include "fast/eigenvectors.h"
#include "fast/polish.h"

namespace quorvane {
namespace {

using Complex = std::complex<double>;

// Two steps from a read-out good to eight digits or so; the third for the roots the polynomial
// gives to only four or five.
constexpr int kEquationSteps = 3;
// A step below this, relative to the point's size (at least 1), leaves an error of about its
// square times the equations' curvature: far below what the candidates need.
constexpr double kEquationStepSettled = 0x1p-30;
// The steps together may move z by at most this fraction of its distance to the nearest other
// eigenvalue (its conjugate among them): beyond that the point may have gone over to another
// solution, whose candidate would then stand twice.
constexpr double kLargestMoveOfSeparation = 0.1;

// J(p)⁻¹ f(p) as newtonStepAt has it, with one reciprocal of the determinant for the three
// divisions.
void complexNewtonStep(const double (&c)[kEquations][kCoefficients], const Complex (&p)[3],
                       const Complex (&value)[kEquations], Complex (&delta)[3]) {
  Complex jacobian[kEquations][3];
  for (int e = 0; e < kEquations; ++e) gradientAt(c[e], p[0], p[1], p[2], jacobian[e]);
  Complex columns[3][3];
  crossProduct(jacobian[1], jacobian[2], columns[0]);
  crossProduct(jacobian[2], jacobian[0], columns[1]);
  crossProduct(jacobian[0], jacobian[1], columns[2]);
  const Complex inverseDeterminant =
      reciprocal(jacobian[0][0] * columns[0][0] + jacobian[0][1] * columns[0][1] +
                 jacobian[0][2] * columns[0][2]);
  for (int i = 0; i < 3; ++i)
    delta[i] = (columns[0][i] * value[0] + columns[1][i] * value[1] + columns[2][i] * value[2]) *
               inverseDeterminant;
}

// Newton's steps from p on the equations; true once a step was settled within kEquationSteps.
bool refinedOnEquations(const double (&c)[kEquations][kCoefficients], Complex (&p)[3]) {
  for (int step = 0; step < kEquationSteps; ++step) {
    Complex monomials[kTermCount], value[kEquations], delta[3];
    monomialsAt(p[0], p[1], p[2], monomials);
    for (int e = 0; e < kEquations; ++e) sumOfTerms<false>(c[e], monomials, value[e]);
    complexNewtonStep(c, p, value, delta);
    double change = 0, size = 1;
    for (int i = 0; i < 3; ++i) {
      p[i] -= delta[i];
      change = std::max(change, std::norm(delta[i]));
      size = std::max(size, std::norm(p[i]));
    }
    if (!(change < kEquationStepSettled * kEquationStepSettled * size)) continue;
    return std::isfinite(std::norm(p[0]) + std::norm(p[1]) + std::norm(p[2]));
  }
  return false;
}

// The squared distance from `values[i]` to the nearest other of `values` and of their
// conjugates.
double squaredSeparation(const Complex* values, int count, int i) {
  const double imaginary = 2 * values[i].imag();
  double nearest = imaginary * imaginary;
  for (int j = 0; j < count; ++j) {
    if (j == i) continue;
    nearest = std::min(
        {nearest, std::norm(values[i] - values[j]), std::norm(values[i] - std::conj(values[j]))});
  }
  return nearest;
}

}  // namespace

void complexEigenCandidates(const Equations& equations, const RealRootsOfAction& roots,
                            const ListedEigenvalues& listed, Candidates& candidates) {
  Complex upper[kPolynomialDegree / 2];
  int pairs;
  if (!remainingEigenvalues(roots, listed, upper, pairs)) return;
  Complex all[kPolynomialDegree];
  std::copy(listed.values, listed.values + listed.count, all);
  std::copy(upper, upper + pairs, all + listed.count);
  double c[kEquations][kCoefficients];
  for (int e = 0; e < kEquations; ++e)
    for (int i = 0; i < kCoefficients; ++i) c[e][i] = equations(e, i);

  int next = listed.count;
  for (int pair = 0; pair < pairs; ++pair) {
    const Complex lambda = upper[pair];
    // Nearer the axis than this, the real read-out would have listed the pair as near-real.
    if (!(lambda.imag() >= kRealEigenvalueTolerance)) continue;
    Complex p[3];
    if (!eigenvectorPoint(roots, lambda, p[0], p[1])) continue;
    p[2] = lambda;
    if (!refinedOnEquations(c, p)) continue;
    const double squaredLimit = kLargestMoveOfSeparation * kLargestMoveOfSeparation *
                                squaredSeparation(all, listed.count + pairs, listed.count + pair);
    if (!(std::norm(p[2] - lambda) <= squaredLimit)) continue;
    Candidate& first = candidates[next++];
    Candidate& second = candidates[next++];
    first = {p[0], p[1], p[2], false, std::abs(p[2].imag()), false, true};
    second = {
        std::conj(p[0]), std::conj(p[1]), std::conj(p[2]), false, first.imaginaryPart, false, true};
  }
}

}  // namespace quorvane
