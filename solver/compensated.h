// SPDX-License-Identifier: BSD-3-Clause
// The equations' values, steps of Newton's method and translations of the variables, computed
// as if in twice the working precision, by error-free transformations.
//
// Far from the origin the terms of an equation cancel by many orders of magnitude (at map
// coordinates, terms of 1e13 leave a value of 1e-3), so a value computed in plain double is
// noise. Every product here is split exactly with std::fma and every sum carries its rounding
// error along, which gives the value as accurately as the coefficients allow. long double is
// no help: it is plain double under the compiler MATLAB uses on Windows.
#pragma once

#include <Eigen/Core>
#include <cmath>
#include <complex>

#include "equations.h"

namespace quorvane {

/// A point with complex coordinates; real points have zero imaginary parts.
using ComplexPoint = Eigen::Vector3cd;

/// The largest |coordinate|; NaN when a coordinate is NaN. Inline: the checks ask it of every
/// candidate, several times.
inline double largestMagnitude(const ComplexPoint& v) {
  // |x + 0i| is |x|: a real point skips the complex magnitude, with the same result.
  const bool real = v.imag().isZero(0);
  double largest = 0;
  for (int i = 0; i < 3; ++i) {
    const double m = real ? std::abs(v(i).real()) : std::abs(v(i));
    if (!(m <= largest)) largest = m;  // NaN wins
  }
  return largest;
}

/// The Newton step from `point` on the three equations: J(point)⁻¹ f(point), with f computed
/// in compensated arithmetic. Infinite when the Jacobian is singular or a value not finite.
/// Its length is how far the point is from the root that Newton's method would reach.
ComplexPoint newtonStep(const Equations& equations, const ComplexPoint& point);

/// The largest |coordinate| of a Newton step, over max(1, |point|): the point's relative
/// distance from a root. Infinite when no step can be taken.
double forwardError(const Equations& equations, const ComplexPoint& point);

/// Whether a Newton step of at most `step` (absolute, largest coordinate) from a point where
/// ‖J⁻¹‖∞ ≤ `inverseNorm` meets Kantorovich's condition, ‖J⁻¹‖ L step ≤ 1/2, with L the
/// Lipschitz constant of the Jacobian (for quadrics, twice the largest sum of an equation's
/// quadratic coefficients' magnitudes): then a root lies within twice the step, and the step
/// is a forward error. Beside a singular Jacobian it fails, where the step is no measure of the
/// distance to a root (copies of a triple root 1e-8 off, whose steps are 1e-11).
bool kantorovichHolds(const Equations& equations, double inverseNorm, double step);

/// kantorovichHolds at `point`, whose Newton step is at most `step`; false where the Jacobian
/// there is singular.
bool kantorovichHoldsAt(const Equations& equations, const ComplexPoint& point, double step);

/// forwardError, or a bound on it below `tolerance` from plain arithmetic where that
/// suffices: the compensated value is computed only where rounding could decide.
/// At a real point, `residual` (when given) also receives largestRelativeResidual's value there,
/// from the same sums; elsewhere it is left as it was.
double forwardErrorWithin(const Equations& equations, const ComplexPoint& point, double tolerance,
                          double* residual = nullptr);

/// Newton steps from `point` while they keep shrinking (at most a few dozen), each from a
/// compensated value; a real point stays real. Returns the forward error of the point it
/// leaves behind.
double refineCompensated(const Equations& equations, ComplexPoint& point);

/// f(point) in compensated arithmetic and the Jacobian there, at a real point.
void equationValuesAndJacobian(const Equations& equations, const Eigen::Vector3d& point,
                               Eigen::Vector3d& value, Eigen::Matrix3d& jacobian);

/// Equation e's value at a real point, compensated.
double compensatedValueAt(const Equations& equations, int e, const Eigen::Vector3d& point);

/// The quadratic terms of each equation alone, at `direction`.
Eigen::Vector3d quadraticPart(const Equations& equations, const Eigen::Vector3d& direction);

/// The equations in the variables v = (x, y, z) - centre: their quadratic terms as they
/// stand, their linear terms the gradients at the centre and their constants the values
/// there, each rounded once from its compensated value.
Equations translatedEquations(const Equations& equations, const Eigen::Vector3d& centre);

}  // namespace quorvane
