// SPDX-License-Identifier: BSD-3-Clause
// Whether a candidate is a root: its forward error, and its residual on the equations.
#include <algorithm>
#include <cmath>

#include "tries.h"

namespace quorvane {
namespace {

// Imaginary parts this many times a point's error are noise of a real root.
constexpr double kImaginaryRounding = 16;

// Below these, a term of an equation of order one at a point may fall under the normal
// range (2^-400 · 2^-600 < 2^-1022) and be lost from the checks in double.
constexpr double kTinyCoordinate = 0x1p-200;
constexpr double kTinyCoefficient = 0x1p-600;

bool hasTinyCoefficient(const Equations& system) {
  for (int e = 0; e < kEquationCount; ++e)
    for (int i = 0; i < kCoefficientCount; ++i) {
      const double magnitude = std::abs(system(e, i));
      if (magnitude != 0 && magnitude < kTinyCoefficient) return true;
    }
  return false;
}

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

// forwardErrorWithin, then checked: at a real point the check reads the sums of the first.
double checkedForwardError(const Equations& system, const ComplexPoint& at, bool judgedComplex) {
  double residual = kNaN;
  const double error = forwardErrorWithin(system, at, kForwardTolerance, &residual);
  if (std::isnan(residual)) return checked(system, at, error, judgedComplex);
  return residual <= kRealResidualTolerance ? error : kInfinity;
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

// Whether a term of the scaled system (each equation's largest coefficient of order one) may
// have underflowed at a real point. Where every coordinate is at least kTinyCoordinate, the
// largest coefficient's term is at least 2^-404, beside which any term that underflowed is
// nothing; with a zero coordinate that term may vanish, and tiny coefficients then matter.
bool underflowMayHide(const Equations& system, const ComplexPoint& at) {
  if (!isReal(at)) return false;
  bool zero = false;
  for (int v = 0; v < 3; ++v) {
    const double magnitude = std::abs(at(v).real());
    if (magnitude != 0 && magnitude < kTinyCoordinate) return true;
    zero = zero || magnitude == 0;
  }
  return zero && hasTinyCoefficient(system);
}

}  // namespace quorvane
