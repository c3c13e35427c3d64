// SPDX-License-Identifier: BSD-3-Clause
#include "scaling.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace quorvane {
namespace {

constexpr int kLargestUnscaledExponent = 4;  // [2^-4, 2^4] is left alone

// The factor 2^k where it is a normal double, else 0. Multiplying by it rounds the exact
// product once, as std::ldexp does, so both give the same bits; the factor is worked out once
// for many coefficients.
double powerOfTwo(int k) {
  return k >= std::numeric_limits<double>::min_exponent - 1 &&
                 k < std::numeric_limits<double>::max_exponent
             ? std::ldexp(1.0, k)
             : 0.0;
}

double timesPowerOfTwo(double x, double factor, int k) {
  return factor != 0 ? x * factor : std::ldexp(x, k);
}

void scaleEquationsToUnitRange(Equations& equations) {
  for (int e = 0; e < kEquationCount; ++e) {
    const double largest = equations.row(e).cwiseAbs().maxCoeff();
    if (!(largest > 0) || !std::isfinite(largest)) continue;
    if (largest >= std::ldexp(1.0, -kLargestUnscaledExponent) &&
        largest <= std::ldexp(1.0, kLargestUnscaledExponent))
      continue;
    const int exponent = std::ilogb(largest);
    const double factor = powerOfTwo(-exponent);
    for (int i = 0; i < kCoefficientCount; ++i)
      equations(e, i) = timesPowerOfTwo(equations(e, i), factor, -exponent);
  }
}

// log2 of the size of the solutions suggested by the balance of the constant, linear and
// quadratic coefficients (c ≈ l·s ≈ q·s²), averaged over the equations; NaN if no equation
// has two of the three.
double log2SolutionSize(const Equations& equations) {
  double sum = 0;
  int estimates = 0;
  for (int e = 0; e < kEquationCount; ++e) {
    double largest[3] = {0, 0, 0};  // by degree
    for (int i = 0; i < kCoefficientCount; ++i) {
      double& slot = largest[kDegreeOfCoefficient[i]];
      slot = std::max(slot, std::abs(equations(e, i)));
    }
    const double c = largest[0], l = largest[1], q = largest[2];
    // Each logarithm once (they are the costly part), only for a positive size.
    const double logC = c > 0 ? std::log2(c) : 0, logL = l > 0 ? std::log2(l) : 0,
                 logQ = q > 0 ? std::log2(q) : 0;
    if (c > 0 && q > 0) sum += 0.5 * (logC - logQ), ++estimates;
    if (l > 0 && q > 0) sum += logL - logQ, ++estimates;
    if (c > 0 && l > 0) sum += logC - logL, ++estimates;
  }
  return estimates > 0 ? sum / estimates : std::nan("");
}

// The sign and the significand of x, normalised as std::frexp's mantissa is, without the call:
// equal for two finite nonzero numbers exactly when one is the other times a power of two.
std::uint64_t signAndSignificand(double x) {
  if (x != 0 && std::abs(x) < std::numeric_limits<double>::min()) x *= 0x1p64;  // exact
  std::uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return bits & 0x800fffffffffffffu;
}

}  // namespace

Scaling scaleToUnitRange(Equations& equations) {
  const Equations original = equations;
  Scaling scaling{0, true};
  scaleEquationsToUnitRange(equations);
  const double size = log2SolutionSize(equations);
  if (std::abs(size) > kLargestUnscaledExponent) {
    scaling.variableExponent = static_cast<int>(std::lround(size));
    // x = 2^k u turns the coefficient of a degree-d monomial into c · 2^(d k).
    double factors[3];
    for (int degree = 0; degree < 3; ++degree)
      factors[degree] = powerOfTwo(degree * scaling.variableExponent);
    for (int e = 0; e < kEquationCount; ++e)
      for (int i = 0; i < kCoefficientCount; ++i) {
        const int degree = kDegreeOfCoefficient[i];
        equations(e, i) =
            timesPowerOfTwo(equations(e, i), factors[degree], degree * scaling.variableExponent);
      }
    scaleEquationsToUnitRange(equations);
  }
  // Multiplying by powers of two changes only exponents, unless a product fell below the
  // normal range (even on the way, before a later factor brought it back up) and lost bits:
  // then a mantissa differs.
  for (int e = 0; e < kEquationCount; ++e)
    for (int i = 0; i < kCoefficientCount; ++i)
      // (A power of two's significand bits are those of zero: one that underflowed to 0
      // would pass for exact by them alone.)
      if (std::isnan(original(e, i)) || (equations(e, i) == 0) != (original(e, i) == 0) ||
          signAndSignificand(equations(e, i)) != signAndSignificand(original(e, i)))
        scaling.exact = false;
  return scaling;
}

}  // namespace quorvane
