// SPDX-License-Identifier: BSD-3-Clause
// The Krawczyk test for three quadrics. With Y an approximate inverse of the Jacobian J at the
// centre p, g(v) = v - Y f(v) maps the polydisc B of radius r around p into itself and
// contracts there when, for each row i,
//
//     b_i + (z_i + r w_i) r < r,
//
// with b_i >= |(Y f(p))_i|, z_i >= the i-th row sum of |I - Y J(p)| and w_i >= the i-th row
// sum of |Y| times the equations' second derivatives: J is affine in the variables, so
// I - Y J(v) = (I - Y J(p)) - Y H[v - p] exactly, and |Y H[v - p]| is at most r |Y| h. Then g
// has exactly one fixed point in B, Y is invertible, and f has exactly one zero in B. The
// argument holds in complex variables as in real ones (the mean value inequality along
// segments), so a real test also excludes complex solutions from B.
//
// Every quantity is computed in double, with a bound on what rounding can have changed added
// outward: the values and Jacobian entries by the error bounds of sums of products, the bounds
// themselves by a factor and an allowance far above what their few operations can lose.
#include "certification.h"

#include <Eigen/LU>
#include <algorithm>
#include <cmath>
#include <complex>

#include "equation_terms.h"
#include "verification.h"

namespace quorvane {
namespace {

constexpr double kUnit = 0x1p-53;  // the unit roundoff of double
// A sum of ten products of (complex) doubles errs by at most about 17 u times the sum of the
// terms' magnitudes, a sum of four by about 6 u: these allow twice that.
constexpr double kValueError = 32 * kUnit;
constexpr double kLinearError = 16 * kUnit;
// A bound computed in a few dozen rounded operations on non-negative numbers, made a bound
// again: far above the relative error (1 + u)^50 - 1 and the absolute error of underflows.
constexpr double kBoundGrowth = 1 + 0x1p-40;
constexpr double kUnderflowAllowance = 0x1p-1000;
// A product that falls below the normal range errs by up to half the subnormal spacing,
// 2^-1075, whatever its size, and a coefficient then multiplies that error: each value and
// Jacobian entry is allowed 2^-1070 (the parts of a complex product, and more than one
// product per term) times one plus the sum of its coefficients' magnitudes. These errors must
// be allowed where they arise, before the inverse Jacobian multiplies them.
constexpr double kSubnormalSpacing = 0x1p-1070;

double upper(double bound) {
  return bound * kBoundGrowth + kUnderflowAllowance;
}

double lower(double bound) {
  return bound * (1 - 0x1p-40) - kUnderflowAllowance;
}

// An upper bound on |v| without the cost of hypot: the plain square root of the sum of
// squares is within a few roundings of it, which the bounds' growth covers, except where the
// squares underflow; there |re| + |im| bounds it.
double magnitudeBound(double v) {
  return std::abs(v);
}

double magnitudeBound(std::complex<double> v) {
  const double re = v.real(), im = v.imag();
  const double root = std::sqrt(re * re + im * im);
  return root >= 0x1p-500 ? root : std::abs(re) + std::abs(im);
}

// A looser upper bound on |v|, without a square root, |re| + |im| (at most √2 |v|), for the
// terms that only the rounding allowances multiply: there a factor √2 changes nothing but
// bounds some 1e-15 wide.
double roughMagnitudeBound(double v) {
  return std::abs(v);
}

double roughMagnitudeBound(std::complex<double> v) {
  return std::abs(v.real()) + std::abs(v.imag());
}

// A lower bound on |v|: its larger part.
double magnitudeFloor(std::complex<double> v) {
  return std::max(std::abs(v.real()), std::abs(v.imag()));
}

// a b by the schoolbook formula, which the error allowances are for, without the library's
// recovery of infinities from NaN products: any NaN or infinity fails the test either way.
double times(double a, double b) {
  return a * b;
}

std::complex<double> times(std::complex<double> a, std::complex<double> b) {
  return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}

// An approximate inverse of J: the test holds for any Y it is given, so only its success, not
// its rigour, depends on how well Y inverts J.
Eigen::Matrix3d approximateInverse(const Eigen::Matrix3d& j) {
  return j.inverse();
}

// For complex J, the adjugate over the determinant with one reciprocal, conj(d) / |d|², in
// place of the library's division, which guards against overflow at every call; where |d|²
// would leave the safe range, that division.
Eigen::Matrix3cd approximateInverse(const Eigen::Matrix3cd& j) {
  using Complex = std::complex<double>;
  // Column k is the cross product of the rows after k, cyclically.
  Eigen::Matrix3cd adjugate;
  for (int k = 0; k < 3; ++k) {
    const int a = (k + 1) % 3, b = (k + 2) % 3;
    adjugate(0, k) = times(j(a, 1), j(b, 2)) - times(j(a, 2), j(b, 1));
    adjugate(1, k) = times(j(a, 2), j(b, 0)) - times(j(a, 0), j(b, 2));
    adjugate(2, k) = times(j(a, 0), j(b, 1)) - times(j(a, 1), j(b, 0));
  }
  const Complex d = times(j(0, 0), adjugate(0, 0)) + times(j(0, 1), adjugate(1, 0)) +
                    times(j(0, 2), adjugate(2, 0));
  const double norm = d.real() * d.real() + d.imag() * d.imag();
  const Complex reciprocal =
      norm >= 0x1p-900 && norm <= 0x1p900 ? Complex(d.real() / norm, -d.imag() / norm) : 1.0 / d;
  return adjugate * reciprocal;
}

Eigen::Matrix3d productOf(const Eigen::Matrix3d& a, const Eigen::Matrix3d& b) {
  return a * b;
}

Eigen::Matrix3cd productOf(const Eigen::Matrix3cd& a, const Eigen::Matrix3cd& b) {
  Eigen::Matrix3cd product;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      product(i, j) = times(a(i, 0), b(0, j)) + times(a(i, 1), b(1, j)) + times(a(i, 2), b(2, j));
  return product;
}

template <class Scalar>
double radiusAt(const Equations& q, const Eigen::Matrix<Scalar, 3, 1>& p) {
  using Matrix = Eigen::Matrix<Scalar, 3, 3>;
  Scalar monomials[kTermCount];
  {
    const Scalar x = p(0), y = p(1), z = p(2);
    const Scalar values[kTermCount] = {
        Scalar(1.0), times(x, y), times(x, z), times(y, z), times(x, x),
        times(y, y), times(z, z), x,           y,           z};
    std::copy(values, values + kTermCount, monomials);
  }
  // |x y| is |x| |y|: the products of the coordinates' bounds bound the monomials' magnitudes
  // to a rounding or two, which the allowances' factor two and the bounds' growth cover.
  const double ax = magnitudeBound(p(0)), ay = magnitudeBound(p(1)), az = magnitudeBound(p(2));
  const double monomialSize[kTermCount] = {1,       ax * ay, ax * az, ay * az, ax * ax,
                                           ay * ay, az * az, ax,      ay,      az};
  double valueBound[3], jacobianError[3][3], curvature[3];
  Matrix jacobian;
  for (int e = 0; e < kEquationCount; ++e) {
    Scalar value(0.0);
    double size = 0;
    for (int i = 0; i < kTermCount; ++i) {
      value += q(e, i) * monomials[i];
      size += std::abs(q(e, i)) * monomialSize[i];
    }
    double coefficientSum = 0;
    for (int i = 0; i < kTermCount; ++i) coefficientSum += std::abs(q(e, i));
    const double underflow = (coefficientSum + kTermCount) * kSubnormalSpacing;
    valueBound[e] = magnitudeBound(value) + kValueError * size + underflow;
    // The gradient's entries are sums of four products: c_xy y + c_xz z + 2 c_xx x + c_x, ...
    Scalar gradient[3];
    gradientAt(q.row(e), p(0), p(1), p(2), gradient);
    const double c[kCoefficientCount] = {std::abs(q(e, 0)), std::abs(q(e, 1)), std::abs(q(e, 2)),
                                         std::abs(q(e, 3)), std::abs(q(e, 4)), std::abs(q(e, 5)),
                                         std::abs(q(e, 6)), std::abs(q(e, 7)), std::abs(q(e, 8)),
                                         std::abs(q(e, 9))};
    const double gradientSize[3] = {c[1] * ay + c[2] * az + 2 * c[4] * ax + c[7],
                                    c[1] * ax + c[3] * az + 2 * c[5] * ay + c[8],
                                    c[2] * ax + c[3] * ay + 2 * c[6] * az + c[9]};
    for (int j = 0; j < 3; ++j) {
      jacobian(e, j) = gradient[j];
      jacobianError[e][j] = kLinearError * gradientSize[j] + underflow;
    }
    curvature[e] = 2 * (c[1] + c[2] + c[3] + c[4] + c[5] + c[6]);
  }
  const Matrix inverse = approximateInverse(jacobian);
  if (!inverse.allFinite()) return kNaN;
  const Matrix product = productOf(inverse, jacobian);
  double inverseSize[3][3], jacobianSize[3][3];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      inverseSize[i][j] = magnitudeBound(inverse(i, j)),
      jacobianSize[i][j] = roughMagnitudeBound(jacobian(i, j));
  double b = 0, z = 0, w = 0;
  for (int i = 0; i < 3; ++i) {
    double bi = 0, zi = 0, wi = 0;
    for (int l = 0; l < 3; ++l) {
      bi += inverseSize[i][l] * valueBound[l];
      wi += inverseSize[i][l] * curvature[l];
    }
    for (int j = 0; j < 3; ++j) {
      const double identity = i == j ? 1 : 0;
      double rounding = identity, fromJacobian = 0;
      for (int l = 0; l < 3; ++l) {
        rounding += inverseSize[i][l] * jacobianSize[l][j];
        fromJacobian += inverseSize[i][l] * jacobianError[l][j];
      }
      zi +=
          magnitudeBound(Scalar(identity) - product(i, j)) + kLinearError * rounding + fromJacobian;
    }
    b = std::max(b, bi), z = std::max(z, zi), w = std::max(w, wi);
  }
  b = upper(b), z = upper(z), w = upper(w);
  if (!(z < 1)) return kNaN;
  // The radius that leaves the most room when the curvature term is small; the test decides.
  const double r = 2 * b / (1 - z);
  if (!(r > 0) || !std::isfinite(r)) return kNaN;
  return upper(b + (z + r * w) * r) < r ? r : kNaN;
}

}  // namespace

double provedRadius(const Equations& equations, const ComplexPoint& at) {
  if (!at.allFinite()) return kNaN;
  if (at.imag().isZero(0)) return radiusAt<double>(equations, at.real());
  return radiusAt<std::complex<double>>(equations, at);
}

bool disjoint(const ComplexPoint& a, double radiusOfA, const ComplexPoint& b, double radiusOfB) {
  const double reach = upper(radiusOfA + radiusOfB);
  for (int v = 0; v < 3; ++v)
    if (lower(magnitudeFloor(a(v) - b(v))) > reach) return true;
  return false;
}

bool offTheRealSpace(const ComplexPoint& at, double radius) {
  for (int v = 0; v < 3; ++v)
    if (std::abs(at(v).imag()) > radius) return true;
  return false;
}

}  // namespace quorvane
