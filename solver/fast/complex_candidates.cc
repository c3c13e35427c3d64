// SPDX-License-Identifier: BSD-3-Clause
// The candidates of the non-real eigenvalues and the proofs at the fast method's candidates,
// one system at a time (fast/avx2.cc has both for four systems at once). The candidates serve
// the proofs of completeness alone, and the proofs decide whether each is good enough: no
// Newton's steps here (a candidate the test cannot prove is refined, and tried again, by the
// caller, which a few in a thousand need).
#include <algorithm>
#include <cmath>
#include <complex>

#include "fast/eigenvectors.h"
#include "fast/krawczyk.h"
#include "fast/nonreal_roots.h"
#include "fast/steps.h"

namespace quorvane {

void complexEigenCandidates(const RealRootsOfAction& roots, const ListedEigenvalues& listed,
                            Candidates& candidates) {
  double deflated[kPolynomialDegree + 1];
  int degree;
  if (!deflatedByListed(roots, listed, deflated, degree)) return;
  const nonreal::Roots<double> found =
      nonreal::remainingRoots(roots.polynomial, deflated, double(degree), roots.actionRows, true);
  nonreal::writeCandidates(found, 0, listed.count, candidates);
}

double orderingImaginaryPart(const Candidate& c) {
  return c.z.imag() != 0 ? c.z.imag() : c.y.imag() != 0 ? c.y.imag() : c.x.imag();
}

bool provesPair(const Candidate& c) {
  return c.forProofOnly && !c.zeroDivisor && orderingImaginaryPart(c) > 0;
}

void proveCandidates(const Equations& equations, Candidates& candidates, bool compensated) {
  double c[kEquations][kCoefficients];
  for (int e = 0; e < kEquations; ++e)
    for (int i = 0; i < kCoefficients; ++i) c[e][i] = equations(e, i);
  for (int i = 0; i < kBasisSize; ++i) {
    Candidate& candidate = candidates[i];
    if (polishable(candidate)) {
      const double p[3] = {candidate.x.real(), candidate.y.real(), candidate.z.real()};
      candidate.proofRadius =
          compensated ? krawczyk::radiusAt<double, double, true>(c, p) : krawczyk::radiusAt(c, p);
    } else if (i + 1 < kBasisSize && provesPair(candidate)) {
      const krawczyk::Complex<double> p[3] = {{candidate.x.real(), candidate.x.imag()},
                                              {candidate.y.real(), candidate.y.imag()},
                                              {candidate.z.real(), candidate.z.imag()}};
      candidate.proofRadius = candidates[i + 1].proofRadius = krawczyk::radiusAt(c, p);
    }
  }
}

}  // namespace quorvane
