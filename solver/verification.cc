// SPDX-License-Identifier: BSD-3-Clause
// Whether a candidate is a root: its forward error, and its residual on the equations.
#include "verification.h"

#include <algorithm>
#include <cmath>

namespace quorvane {
namespace {

// Imaginary parts this many times a point's error are noise of a real root.
constexpr double kImaginaryRounding = 16;

}  // namespace

// The forward error of a point, or infinity when it leaves a residual. Under the default
// tolerance the real part must nearly solve the equations, since a point that counts as real
// is returned as its real part; a wider one lets the real part miss them by the square of
// the imaginary parts, so the point is then judged as the complex point it is.
double checked(const Equations& system, const ComplexPoint& at, double error, bool judgedComplex) {
  const double residual =
      judgedComplex && !isReal(at)
          ? largestRelativeResidual(system, at(0), at(1), at(2))
          : largestRelativeResidual(system, at(0).real(), at(1).real(), at(2).real());
  if (!(residual <= kRealResidualTolerance)) return kInfinity;
  return error;
}

// Newton's method from a candidate; returns its forward error. A complex start may close in
// on a real root (or on two close real roots, where Newton's method crawls) with imaginary
// parts no larger than its own error: then the real part is refined in real arithmetic, and
// kept if it verifies.
double refineTowardsRoot(const Equations& system, ComplexPoint& at) {
  double error = refineCompensated(system, at);
  const double size = std::max(1.0, largestMagnitude(at));
  if (!isReal(at) && at.imag().cwiseAbs().maxCoeff() <=
                         kImaginaryRounding * std::max(error, kForwardTolerance) * size) {
    ComplexPoint real = at.real().cast<std::complex<double>>();
    const double realError = refineCompensated(system, real);
    if (realError <= kForwardTolerance) at = real, error = realError;
  }
  return error;
}

}  // namespace quorvane
