// SPDX-License-Identifier: BSD-3-Clause
#include "compensated.h"

#include <Eigen/LU>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "compensated_sum.h"
#include "equation_terms.h"

namespace quorvane {
namespace {

// The variables of each coefficient's monomial (-1: none), in the input order 1, xy, xz, yz,
// x², y², z², x, y, z.
struct MonomialVariables {
  int first, second;
};
constexpr std::array<MonomialVariables, kCoefficientCount> kMonomialVariables = {
    {{-1, -1}, {0, 1}, {0, 2}, {1, 2}, {0, 0}, {1, 1}, {2, 2}, {0, -1}, {1, -1}, {2, -1}}};

// f(point) of one equation, real and imaginary parts each compensated.
std::complex<double> compensatedValue(const Equations& equations, int e, const ComplexPoint& p,
                                      bool real) {
  CompensatedSum re, im;
  for (int i = 0; i < kCoefficientCount; ++i) {
    const double c = equations(e, i);
    const auto [a, b] = kMonomialVariables[i];
    if (a < 0) {
      re.add(c);
    } else if (b < 0) {
      re.addProduct(c, p(a).real());
      if (!real) im.addProduct(c, p(a).imag());
    } else if (real) {
      re.addProduct(c, p(a).real(), p(b).real());
    } else {
      // (ar + i ai)(br + i bi) = ar br - ai bi + i (ar bi + ai br)
      re.addProduct(c, p(a).real(), p(b).real());
      re.addProduct(-c, p(a).imag(), p(b).imag());
      im.addProduct(c, p(a).real(), p(b).imag());
      im.addProduct(c, p(a).imag(), p(b).real());
    }
  }
  return {re.value(), im.value()};
}

// ∂f/∂v at the point, in plain arithmetic: the step needs it only to a few digits. Each entry
// is added to zero last, so that an entry whose terms are all -0 is +0.
template <typename Scalar, typename Point>
Eigen::Matrix<Scalar, 3, 3> jacobian(const Equations& equations, const Point& p) {
  const Scalar zero(0.0), x = p(0), y = p(1), z = p(2);
  Eigen::Matrix<Scalar, 3, 3> j;
  for (int e = 0; e < kEquationCount; ++e) {
    Scalar gradient[3];
    gradientAt(equations.row(e), x, y, z, gradient);
    for (int v = 0; v < 3; ++v) j(e, v) = zero + gradient[v];
  }
  return j;
}

constexpr double kInfinity = std::numeric_limits<double>::infinity();

ComplexPoint infiniteStep() {
  return ComplexPoint::Constant({kInfinity, 0.0});
}

}  // namespace

ComplexPoint newtonStep(const Equations& equations, const ComplexPoint& point) {
  const bool real = point.imag().isZero(0);
  ComplexPoint value;
  for (int e = 0; e < kEquationCount; ++e) value(e) = compensatedValue(equations, e, point, real);
  if (!value.allFinite()) return infiniteStep();
  ComplexPoint step;
  if (real) {
    const Eigen::Vector3d at = point.real();
    const Eigen::PartialPivLU<Eigen::Matrix3d> lu(jacobian<double>(equations, at));
    if ((lu.matrixLU().diagonal().array() == 0.0).any()) return infiniteStep();
    step = lu.solve(Eigen::Vector3d(value.real())).cast<std::complex<double>>();
  } else {
    const Eigen::PartialPivLU<Eigen::Matrix3cd> lu(
        jacobian<std::complex<double>>(equations, point));
    if ((lu.matrixLU().diagonal().array() == std::complex<double>(0.0)).any())
      return infiniteStep();
    step = lu.solve(value);
  }
  if (!step.allFinite()) return infiniteStep();
  return step;
}

double forwardError(const Equations& equations, const ComplexPoint& point) {
  return largestMagnitude(newtonStep(equations, point)) / std::max(1.0, largestMagnitude(point));
}

bool kantorovichHolds(const Equations& equations, double inverseNorm, double step) {
  const double lipschitz = 2 * equations.middleCols<6>(1).cwiseAbs().rowwise().sum().maxCoeff();
  return inverseNorm * lipschitz * step <= 0.5;
}

bool kantorovichHoldsAt(const Equations& equations, const ComplexPoint& point, double step) {
  if (point.imag().isZero(0)) {
    Eigen::Matrix3d inverse;
    bool invertible = false;
    jacobian<double>(equations, point.real()).computeInverseWithCheck(inverse, invertible, 0.0);
    return invertible &&
           kantorovichHolds(equations, inverse.cwiseAbs().rowwise().sum().maxCoeff(), step);
  }
  Eigen::Matrix3cd inverse;
  bool invertible = false;
  jacobian<std::complex<double>>(equations, point)
      .computeInverseWithCheck(inverse, invertible, 0.0);
  return invertible &&
         kantorovichHolds(equations, inverse.cwiseAbs().rowwise().sum().maxCoeff(), step);
}

double forwardErrorWithin(const Equations& equations, const ComplexPoint& point, double tolerance,
                          double* residual) {
  if (point.imag().isZero(0)) {
    // In plain arithmetic each value is off by at most a few roundings of the sum of its
    // terms' magnitudes, so the step is at most |J⁻¹| (|value| + that); twice that bound
    // covers the rounding of J⁻¹ itself.
    constexpr double kRoundingsPerValue = 32 * 0x1p-53;
    const Eigen::Vector3d at = point.real();
    double monomials[kTermCount];
    monomialsAt(at(0), at(1), at(2), monomials);
    Eigen::Vector3d slack;
    double largestResidual = 0;
    for (int e = 0; e < kEquationCount; ++e) {
      double value;
      const double size = sumOfTerms(equations.row(e), monomials, value);
      slack(e) = std::abs(value) + kRoundingsPerValue * size;
      // The same sums give largestRelativeResidual's value.
      largestResidual = largerResidual(largestResidual, relativeResidual(value, size));
    }
    if (residual) *residual = largestResidual;
    Eigen::Matrix3d inverse;
    bool invertible = false;
    jacobian<double>(equations, at).computeInverseWithCheck(inverse, invertible, 0.0);
    if (invertible && inverse.allFinite()) {
      const double bound =
          2 * (inverse.cwiseAbs() * slack).maxCoeff() / std::max(1.0, at.cwiseAbs().maxCoeff());
      if (bound <= tolerance) return bound;
    }
  }
  return forwardError(equations, point);
}

double refineCompensated(const Equations& equations, ComplexPoint& point) {
  constexpr int kMostSteps = 40;
  ComplexPoint step = newtonStep(equations, point);
  double length = largestMagnitude(step);
  for (int i = 0; i < kMostSteps && length > 0 && std::isfinite(length); ++i) {
    const ComplexPoint next = point - step;
    const ComplexPoint nextStep = newtonStep(equations, next);
    const double nextLength = largestMagnitude(nextStep);
    // Past the point where rounding decides, or diverging: keep the better point.
    if (!(nextLength < length)) break;
    point = next, step = nextStep, length = nextLength;
  }
  return length / std::max(1.0, largestMagnitude(point));
}

void equationValuesAndJacobian(const Equations& equations, const Eigen::Vector3d& point,
                               Eigen::Vector3d& value, Eigen::Matrix3d& jacobian) {
  const ComplexPoint at = point.cast<std::complex<double>>();
  for (int e = 0; e < kEquationCount; ++e)
    value(e) = compensatedValue(equations, e, at, true).real();
  jacobian = quorvane::jacobian<double>(equations, point);
}

double compensatedValueAt(const Equations& equations, int e, const Eigen::Vector3d& point) {
  return compensatedEquationValue(equations.row(e), point(0), point(1), point(2));
}

Eigen::Vector3d quadraticPart(const Equations& equations, const Eigen::Vector3d& direction) {
  Eigen::Vector3d value = Eigen::Vector3d::Zero();
  for (int e = 0; e < kEquationCount; ++e)
    for (int i = 1; i < 7; ++i) {
      const auto [a, b] = kMonomialVariables[i];
      value(e) += equations(e, i) * direction(a) * direction(b);
    }
  return value;
}

Equations translatedEquations(const Equations& equations, const Eigen::Vector3d& centre) {
  Equations translated = equations;
  const ComplexPoint at = centre.cast<std::complex<double>>();
  for (int e = 0; e < kEquationCount; ++e) {
    CompensatedSum gradient[3];
    for (int i = 0; i < kCoefficientCount; ++i) {
      const double c = equations(e, i);
      const auto [a, b] = kMonomialVariables[i];
      if (a < 0) continue;
      if (b < 0) {
        gradient[a].add(c);
      } else if (a == b) {
        gradient[a].addProduct(2.0 * c, centre(a));
      } else {
        gradient[a].addProduct(c, centre(b));
        gradient[b].addProduct(c, centre(a));
      }
    }
    translated(e, 0) = compensatedValue(equations, e, at, true).real();
    for (int v = 0; v < 3; ++v) translated(e, 7 + v) = gradient[v].value();
  }
  return translated;
}

}  // namespace quorvane
