// SPDX-License-Identifier: BSD-3-Clause
// From the real roots of the characteristic polynomial to the candidates: the checks that
// rounding in the polynomial cannot have created, lost or moved a real root, the search for
// near-real pairs beside its critical points, and each root's eigenvector as the null vector
// of P(λ) (see fast/characteristic_polynomial.h). One system at a time, in doubles.
#pragma once

#include "action.h"
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

/// The candidates of the real and near-real eigenvalues, after checking that the rounding
/// of the polynomial cannot have created, lost or moved a real root by more than a tolerance.
/// The first candidates are the real ones in ascending z, then near-real pairs; the unused
/// entries have `real` false. False when that check fails (`candidates` is then unspecified).
bool realEigenCandidates(const RealRootsOfAction& roots, Candidates& candidates);

}  // namespace quorvane
