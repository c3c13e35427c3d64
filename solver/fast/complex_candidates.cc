// SPDX-License-Identifier: BSD-3-Clause
// The candidates of the non-real eigenvalues, one system at a time after the lanes: each
// remaining root of the characteristic polynomial read off the null vector of P(λ). They serve
// the proofs of completeness alone, and the proofs decide whether each is good enough: no
// Newton's steps here (a candidate the test cannot prove is refined, and tried again, by the
// caller, which a few in a thousand need).
#include <algorithm>
#include <cmath>
#include <complex>

#include "fast/eigenvectors.h"
#include "fast/krawczyk.h"
#include "fast/steps.h"

namespace quorvane {
namespace {

using Complex = std::complex<double>;

}  // namespace

void complexEigenCandidates(const RealRootsOfAction& roots, const ListedEigenvalues& listed,
                            Candidates& candidates) {
  Complex upper[kPolynomialDegree / 2];
  int pairs;
  if (!remainingEigenvalues(roots, listed, upper, pairs)) return;
  int next = listed.count;
  for (int pair = 0; pair < pairs; ++pair) {
    const Complex lambda = upper[pair];
    // Nearer the axis than this, the real read-out would have listed the pair as near-real.
    if (!(lambda.imag() >= kRealEigenvalueTolerance)) continue;
    Complex x, y;
    if (!eigenvectorPoint(roots, lambda, x, y)) continue;
    Candidate& first = candidates[next++];
    Candidate& second = candidates[next++];
    first = {x, y, lambda, false, lambda.imag(), false, true};
    second = {std::conj(x), std::conj(y), std::conj(lambda), false, lambda.imag(), false, true};
  }
}

bool provesPair(const Candidate& c) {
  return c.forProofOnly && !c.zeroDivisor && c.z.imag() > 0;
}

void proveCandidates(const Equations& equations, Candidates& candidates) {
  double c[kEquations][kCoefficients];
  for (int e = 0; e < kEquations; ++e)
    for (int i = 0; i < kCoefficients; ++i) c[e][i] = equations(e, i);
  for (int i = 0; i < kBasisSize; ++i) {
    Candidate& candidate = candidates[i];
    if (polishable(candidate)) {
      const double p[3] = {candidate.x.real(), candidate.y.real(), candidate.z.real()};
      candidate.proofRadius = krawczyk::radiusAt(c, p);
    } else if (i + 1 < kBasisSize && provesPair(candidate)) {
      const krawczyk::Complex<double> p[3] = {{candidate.x.real(), candidate.x.imag()},
                                              {candidate.y.real(), candidate.y.imag()},
                                              {candidate.z.real(), candidate.z.imag()}};
      candidate.proofRadius = candidates[i + 1].proofRadius = krawczyk::radiusAt(c, p);
    }
  }
}

}  // namespace quorvane
