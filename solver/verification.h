// SPDX-License-Identifier: BSD-3-Clause
// Whether a candidate is a root: its forward error, and its residual on the equations.
#pragma once

#include <cmath>
#include <limits>

#include "compensated.h"
#include "equations.h"

namespace quorvane {

// A candidate is verified when one Newton step from it, with the equations' values in
// compensated arithmetic, is at most this fraction of max(1, |point|) in the scaled
// variables: a forward error, which a small residual far from the origin is not.
inline constexpr double kForwardTolerance = 1e-9;
// Besides, each equation's value at the point's real part is at most this fraction of the
// sum of its terms' magnitudes, so that a point at a double root's rounding distance is not
// taken where no equation is near zero.
inline constexpr double kRealResidualTolerance = 1e-8;
/// A relative residual this small (about 4096 units of rounding) is what rounding the
/// coefficients alone can leave at a real point: a pair whose real part has it is one double
/// root to the input's precision.
inline constexpr double kDoubleRootResidual = 0x1p-40;
inline constexpr double kInfinity = std::numeric_limits<double>::infinity();
inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

inline bool isReal(const ComplexPoint& p) {
  return p.imag().isZero(0);
}

/// `error` where the point's residual passes, infinity where it does not.
double checked(const Equations& system, const ComplexPoint& at, double error, bool judgedComplex);

/// A point's forward error, infinity where its residual does not pass: forwardErrorWithin,
/// then checked, where at a real point the check reads the sums of the first. Inline, for the
/// first try asks it of every real candidate.
inline double checkedForwardError(const Equations& system, const ComplexPoint& at,
                                  bool judgedComplex) {
  double residual = kNaN;
  const double error = forwardErrorWithin(system, at, kForwardTolerance, &residual);
  if (std::isnan(residual)) return checked(system, at, error, judgedComplex);
  return residual <= kRealResidualTolerance ? error : kInfinity;
}

/// Newton's method from a candidate; returns its forward error.
double refineTowardsRoot(const Equations& system, ComplexPoint& at);

}  // namespace quorvane
