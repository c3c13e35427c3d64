// SPDX-License-Identifier: BSD-3-Clause
// The action matrix of multiplication by z, and the real solutions read off its
// eigenvectors.
#pragma once

#include <Eigen/Core>
#include <array>
#include <complex>
#include <limits>

#include "quorvane/solver.h"
#include "template.h"

namespace quorvane {

/// z acting on the basis z³, xz, yz, z², x, y, z, 1: M · b(p) = z · b(p) at every solution p.
using ActionMatrix = Eigen::Matrix<double, kBasisSize, kBasisSize>;

/// Candidates whose eigenvalue's imaginary part is below this magnitude are real.
inline constexpr double kRealEigenvalueTolerance = 1e-4;

/// Eliminates the template's first 25 columns by one LU solve and reads off the action
/// matrix. False, with `action` unspecified, when the factorisation meets an exactly zero
/// pivot or the solve gives a non-finite value.
bool actionMatrix(const EliminationTemplate& elimination, ActionMatrix& action);

/// A point read off one eigenvector: its x, y, z ratios to the basis entry 1.
struct Candidate {
  std::complex<double> x, y, z;
  bool real;             ///< the eigenvalue's imaginary part is below kRealEigenvalueTolerance
  double imaginaryPart;  ///< |Im| of the eigenvalue, for other tolerances
  bool zeroDivisor;      ///< the eigenvector's entry for 1 is exactly zero: x, y, z are NaN
  /// A non-real candidate the fast method lists for proofs of completeness only: no try
  /// judges it.
  bool forProofOnly = false;
  /// A real candidate of the fast method, one of two adjacent real eigenvalues that rounding
  /// leaves too close to read apart: its point is only a start near them.
  bool closeRoot = false;
  /// Where the fast method tested its candidates for the proofs (listed real ones at their
  /// polished point, and those listed for proofs only): the radius of the polydisc around the
  /// candidate proved to hold one solution; NaN where not proved or not tested.
  double proofRadius = std::numeric_limits<double>::quiet_NaN();
};
using Candidates = std::array<Candidate, kBasisSize>;

/// One candidate per eigenvalue of `action`, in the eigen-solver's order. False when the
/// eigen-decomposition does not converge.
bool eigenCandidates(const ActionMatrix& action, Candidates& candidates);

/// a / b by Smith's method; NaN in both parts when b is zero or has a NaN part.
std::complex<double> divideComplex(std::complex<double> a, std::complex<double> b);

}  // namespace quorvane
