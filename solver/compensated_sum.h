// SPDX-License-Identifier: BSD-3-Clause
// A sum as if in twice the working precision, by error-free transformations.
#pragma once

#include <cmath>
#include <type_traits>

namespace quorvane {
// Internal linkage: the translation unit that switches AVX2 on compiles its own copy.
namespace {

// A sum kept as its rounded value and the sum of the rounding errors so far (Ogita, Rump and
// Oishi's Sum2): the result is as accurate as if summed in twice the precision.
struct CompensatedSum {
  double sum = 0, error = 0;

  void add(double v) {
    const double s = sum + v;
    const double back = s - sum;
    error += (sum - (s - back)) + (v - back);
    sum = s;
  }
  // a · b, whose rounding error std::fma gives exactly.
  void addProduct(double a, double b) {
    const double p = a * b;
    add(p);
    add(std::fma(a, b, -p));
  }
  // a · b · c: the product a · b split exactly, then each part times c.
  void addProduct(double a, double b, double c) {
    const double p = a * b;
    const double e = std::fma(a, b, -p);
    addProduct(p, c);
    add(e * c);
  }
  double value() const { return sum + error; }
};

/// One equation's value at a real point, compensated; c in the input order 1, xy, xz, yz, x²,
/// y², z², x, y, z, by operator[] or operator(). 25 parts at most: each triple product gives
/// three, each product two; a zero coefficient's term, exactly zero, is left out.
template <typename Coefficients>
double compensatedEquationValue(const Coefficients& c, double x, double y, double z) {
  const auto at = [&](int i) -> double {
    if constexpr (std::is_array_v<Coefficients>)
      return c[i];
    else
      return c(i);
  };
  CompensatedSum sum;
  sum.add(at(0));
  const double first[6] = {x, x, y, x, y, z}, second[6] = {y, z, z, x, y, z};
  for (int i = 0; i < 6; ++i)
    if (at(1 + i) != 0) sum.addProduct(first[i], second[i], at(1 + i));
  const double linear[3] = {x, y, z};
  for (int i = 0; i < 3; ++i)
    if (at(7 + i) != 0) sum.addProduct(at(7 + i), linear[i]);
  return sum.value();
}

}  // namespace
}  // namespace quorvane
