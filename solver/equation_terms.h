// SPDX-License-Identifier: BSD-3-Clause
// An equation's terms, its relative residual and its gradient at a point, written once over
// the number type: double, std::complex<double>, or the fast path's lanes. Each caller keeps
// its own arithmetic (plain, complex, one system per lane); the formula, its order of
// operations and its NaN rule are the same for all of them.
//
// Coefficients are indexed in the input order 1, xy, xz, yz, x², y², z², x, y, z, by
// `operator[]`: an array of ten numbers or one row of `Equations`.
#pragma once

#include <complex>

#include "fast/lanes.h"

namespace quorvane {
// Internal linkage, as for the lane types: the translation unit that switches AVX2 on compiles
// its own copy of these, which must never stand in for another's.
namespace {

inline constexpr int kTermCount = 10;

inline double magnitude(std::complex<double> v) {
  return std::abs(v);
}

/// The value of each coefficient's monomial at (x, y, z).
template <typename V>
void monomialsAt(const V& x, const V& y, const V& z, V (&monomials)[kTermCount]) {
  const V values[kTermCount] = {V(1.0), x * y, x * z, y * z, x * x, y * y, z * z, x, y, z};
  for (int i = 0; i < kTermCount; ++i) monomials[i] = values[i];
}

/// The equation's value, Σ c_i m_i summed from zero in coefficient order, and returned beside
/// it the sum of the terms' magnitudes Σ |c_i m_i|, which bounds what rounding can do to it.
/// With `Sized` false only the value, the same bits, for steps that need no bound (at a complex
/// point each magnitude is a square root).
template <bool Sized = true, typename Coefficients, typename V>
auto sumOfTerms(const Coefficients& c, const V (&monomials)[kTermCount], V& value) {
  V sum = V(0.0);
  decltype(magnitude(sum)) size(0.0);
  for (int i = 0; i < kTermCount; ++i) {
    const V term = c[i] * monomials[i];
    sum = sum + term;
    if (Sized) size = size + magnitude(term);
  }
  value = sum;
  return size;
}

/// |value| / Σ |term|: scale-free in the equation and the variables; |value| where every term
/// vanishes.
template <typename V, typename Size>
Size relativeResidual(const V& value, const Size& size) {
  return select(size > Size(0.0), magnitude(value) / size, magnitude(value));
}

/// The larger of two residuals: `residual` unless it is at most `largest`. A NaN residual is
/// never at most anything, so it is taken, and a NaN point never passes for an improvement
/// or for a root.
template <typename Size>
Size largerResidual(const Size& largest, const Size& residual) {
  return select(residual <= largest, largest, residual);
}

/// ∂f/∂(x, y, z) of one equation at (x, y, z). 2c is written c + c, which is the same
/// number, so that no type needs a product with a constant.
template <typename Coefficients, typename V>
void gradientAt(const Coefficients& c, const V& x, const V& y, const V& z, V (&gradient)[3]) {
  gradient[0] = c[1] * y + c[2] * z + (c[4] + c[4]) * x + c[7];
  gradient[1] = c[1] * x + c[3] * z + (c[5] + c[5]) * y + c[8];
  gradient[2] = c[2] * x + c[3] * y + (c[6] + c[6]) * z + c[9];
}

}  // namespace
}  // namespace quorvane
