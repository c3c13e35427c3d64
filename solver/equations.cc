// SPDX-License-Identifier: BSD-3-Clause
#include "equations.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "equation_terms.h"

namespace quorvane {

Equations stackEquations(const Eigen::MatrixXd& first, const Eigen::MatrixXd& second,
                         const Eigen::MatrixXd& third) {
  Equations equations;
  equations.row(0) = first.reshaped().head<kCoefficientCount>().transpose();
  equations.row(1) = second.reshaped().head<kCoefficientCount>().transpose();
  equations.row(2) = third.reshaped().head<kCoefficientCount>().transpose();
  return equations;
}

namespace {

// One source for real and complex points. At a finite real point both give the same bits:
// products with zero imaginary parts add nothing to the real ones, and |t + 0i| is |t|.
template <class Scalar>
double largestRelativeResidualOf(const Equations& equations, Scalar x, Scalar y, Scalar z) {
  Scalar monomials[kTermCount];
  monomialsAt(x, y, z, monomials);
  double largest = 0;
  for (int e = 0; e < kEquationCount; ++e) {
    Scalar value;
    const double size = sumOfTerms(equations.row(e), monomials, value);
    largest = largerResidual(largest, relativeResidual(value, size));
  }
  return largest;
}

}  // namespace

double largestRelativeResidual(const Equations& equations, std::complex<double> x,
                               std::complex<double> y, std::complex<double> z) {
  return largestRelativeResidualOf(equations, x, y, z);
}

double largestRelativeResidual(const Equations& equations, double x, double y, double z) {
  return largestRelativeResidualOf(equations, x, y, z);
}

double largestRelativeResidualClearOfUnderflow(const Equations& equations, std::complex<double> x,
                                               std::complex<double> y, std::complex<double> z) {
  using Complex = std::complex<double>;
  Complex monomials[kTermCount];
  monomialsAt(x, y, z, monomials);
  // Which monomials are nonzero in exact arithmetic, whatever their products gave in double.
  const Complex zero(0.0);
  const bool nonzero[kTermCount] = {true,
                                    x != zero && y != zero,
                                    x != zero && z != zero,
                                    y != zero && z != zero,
                                    x != zero,
                                    y != zero,
                                    z != zero,
                                    x != zero,
                                    y != zero,
                                    z != zero};
  double largest = 0;
  for (int e = 0; e < kEquationCount; ++e) {
    Complex value;
    const double size = sumOfTerms(equations.row(e), monomials, value);
    // Below the normal range a product's rounding is absolute (half the smallest subnormal)
    // and may be the whole term: a value of zero there says nothing.
    if (!(size >= std::numeric_limits<double>::min()))
      for (int i = 0; i < kTermCount; ++i)
        if (equations(e, i) != 0 && nonzero[i]) return std::numeric_limits<double>::infinity();
    largest = largerResidual(largest, relativeResidual(value, size));
  }
  return largest;
}

namespace {

// m · 2^e with m in [0.5, 1) (or 0): products of doubles that cannot leave the range.
struct WideNumber {
  double mantissa;
  long exponent;
};

WideNumber wide(double v) {
  int e = 0;
  const double m = std::frexp(v, &e);
  return {m, e};
}

WideNumber times(WideNumber a, WideNumber b) {
  return {a.mantissa * b.mantissa, a.exponent + b.exponent};
}

// 2 |v| without leaving the range (2 |v| in double overflows beyond 9e307).
WideNumber twiceMagnitude(double v) {
  const WideNumber w = wide(std::abs(v));
  return {w.mantissa, w.exponent + 1};
}

// The smallest change of a double coordinate: a true solution may lie that far away. A zero
// coordinate gets none: it may stand for any value below the subnormal range, which the
// equations cannot all be asked to allow at once (a coefficient of 1e289 would take a true
// 1e-594 while another equation needs 1e-322), so there the residual itself must pass.
double roundingOf(double v) {
  if (v == 0) return 0;
  return std::max(std::abs(v) * 0x1p-52, std::numeric_limits<double>::denorm_min());
}

}  // namespace

double largestRelativeResidualInFullRange(const Equations& equations, double x, double y, double z,
                                          double tolerance) {
  const WideNumber one = wide(1), wx = wide(x), wy = wide(y), wz = wide(z);
  const WideNumber monomials[kCoefficientCount] = {one,
                                                   times(wx, wy),
                                                   times(wx, wz),
                                                   times(wy, wz),
                                                   times(wx, wx),
                                                   times(wy, wy),
                                                   times(wz, wz),
                                                   wx,
                                                   wy,
                                                   wz};
  // What rounding each coordinate may change in each monomial: |∂m/∂v| · rounding(v).
  const WideNumber rx = wide(roundingOf(x)), ry = wide(roundingOf(y)), rz = wide(roundingOf(z));
  const WideNumber slack[kCoefficientCount] = {{0, 0},
                                               times(wide(std::abs(y)), rx),
                                               times(wide(std::abs(z)), rx),
                                               times(wide(std::abs(z)), ry),
                                               times(twiceMagnitude(x), rx),
                                               times(twiceMagnitude(y), ry),
                                               times(twiceMagnitude(z), rz),
                                               rx,
                                               ry,
                                               rz};
  // slack of xy, xz, yz: the other coordinate's rounding as well.
  const WideNumber slackSecond[kCoefficientCount] = {{0, 0},
                                                     times(wide(std::abs(x)), ry),
                                                     times(wide(std::abs(x)), rz),
                                                     times(wide(std::abs(y)), rz),
                                                     {0, 0},
                                                     {0, 0},
                                                     {0, 0},
                                                     {0, 0},
                                                     {0, 0},
                                                     {0, 0}};

  double largest = 0;
  for (int e = 0; e < kEquationCount; ++e) {
    WideNumber terms[3 * kCoefficientCount];
    long top = std::numeric_limits<long>::min();
    for (int i = 0; i < kCoefficientCount; ++i) {
      const WideNumber c = wide(equations(e, i));
      terms[i] = times(c, monomials[i]);
      terms[kCoefficientCount + i] = times(c, slack[i]);
      terms[2 * kCoefficientCount + i] = times(c, slackSecond[i]);
    }
    for (const WideNumber& t : terms)
      if (t.mantissa != 0) top = std::max(top, t.exponent);
    if (top == std::numeric_limits<long>::min()) continue;  // every term is zero
    double value = 0, size = 0;
    for (int i = 0; i < 3 * kCoefficientCount; ++i) {
      const double scaled =
          std::ldexp(terms[i].mantissa, static_cast<int>(terms[i].exponent - top));
      if (i < kCoefficientCount) {
        value += scaled;
        size += std::abs(scaled);
      } else {
        size += std::abs(scaled) / tolerance;
      }
    }
    const double residual = std::abs(value) / size;
    if (!(residual <= largest)) largest = residual;
  }
  return largest;
}

}  // namespace quorvane
