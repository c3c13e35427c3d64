// SPDX-License-Identifier: BSD-3-Clause
// From the real roots of the characteristic polynomial to the candidates: the checks that
// rounding in the polynomial cannot have created, lost or moved a real root, the search for
// near-real pairs beside its critical points, and each root's eigenvector as the null vector
// of P(λ) (see fast/characteristic_polynomial.h). One system at a time, in doubles.
#pragma once

#include <complex>

#include "action.h"
#include "equations.h"
#include "fast/characteristic_polynomial.h"

namespace quorvane {

/// What the lane kernels (fast/kernels.h) hand to the read-out, for one system.
struct RealRootsOfAction {
  double actionRows[3][kBasisSize];  ///< rows 0-2 of the action matrix
  /// det(λI - M): coefficients of λ⁰ .. λ⁸, the last exactly 1.
  double polynomial[kPolynomialDegree + 1];
  /// The same expansion on the entries' magnitudes with every sign +: what rounding in the
  /// expansion can change in each coefficient is a small multiple of u times this.
  double absolutePolynomial[kPolynomialDegree + 1];
  double roots[kPolynomialDegree];  ///< ascending; where rootFound
  bool rootFound[kPolynomialDegree];
  double critical[kPolynomialDegree - 1];  ///< the polynomial's critical points, ascending
  bool criticalFound[kPolynomialDegree - 1];
  bool ok;  ///< the template and the polynomial are finite and within range
};

/// The eigenvalues behind the candidates realEigenCandidates lists, in the candidates' order.
struct ListedEigenvalues {
  std::complex<double> values[kPolynomialDegree];
  int count = 0;
};

/// The candidates of the real and near-real eigenvalues, after checking that the rounding
/// of the polynomial cannot have created, lost or moved a real root by more than a tolerance.
/// The first candidates are the real ones in ascending z, then near-real pairs; the unused
/// entries have `real` false. False when that check fails (`candidates` is then unspecified).
/// `listed`, when given, receives their eigenvalues.
bool realEigenCandidates(const RealRootsOfAction& roots, Candidates& candidates,
                         ListedEigenvalues* listed = nullptr);

/// The characteristic polynomial divided by the listed roots, coefficients from λ⁰ up and
/// zero above `degree`; false where what is left has odd degree (a real root not listed).
bool deflatedByListed(const RealRootsOfAction& roots, const ListedEigenvalues& listed,
                      double (&deflated)[kPolynomialDegree + 1], int& degree);

/// With `listed` from realEigenCandidates (and the real candidates polished), the entries after
/// the listed ones receive the other eigenvalues' candidates: conjugate pairs in adjacent
/// entries, positive imaginary part first, not real, as the eigenvectors give them (the proofs
/// decide whether they are solutions; see fast/nonreal_roots.h). A pair that cannot be
/// computed stays NaN, after the others.
void complexEigenCandidates(const RealRootsOfAction& roots, const ListedEigenvalues& listed,
                            Candidates& candidates);

/// The Krawczyk test at each polished real candidate and at each such pair's first candidate,
/// a pair's radius set on both (the equations are real: the conjugate polydisc holds the
/// conjugate solution). `compensated`: the real candidates' test bounds the equations' values
/// as computed in twice the precision (krawczyk::radiusAt), which proves more far from the
/// origin and costs more.
void proveCandidates(const Equations& equations, Candidates& candidates, bool compensated = false);

}  // namespace quorvane
