// SPDX-License-Identifier: BSD-3-Clause
// A sum as if in twice the working precision, by error-free transformations.
#pragma once

#include <cmath>

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

}  // namespace
}  // namespace quorvane
