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
// themselves by a factor and an allowance far above what their few operations can lose. The
// test itself is fast/krawczyk.h, which the fast method also runs on four points at once.
#include "certification.h"

#include <algorithm>
#include <cmath>
#include <complex>

#include "fast/krawczyk.h"
#include "verification.h"

namespace quorvane {
namespace {}  // namespace

double provedRadius(const Equations& equations, const ComplexPoint& at) {
  if (!at.allFinite()) return kNaN;
  double c[kEquations][kCoefficients];
  for (int e = 0; e < kEquations; ++e)
    for (int i = 0; i < kCoefficients; ++i) c[e][i] = equations(e, i);
  if (at.imag().isZero(0)) {
    const double p[3] = {at(0).real(), at(1).real(), at(2).real()};
    return krawczyk::radiusAt(c, p);
  }
  const krawczyk::Complex<double> p[3] = {
      {at(0).real(), at(0).imag()}, {at(1).real(), at(1).imag()}, {at(2).real(), at(2).imag()}};
  return krawczyk::radiusAt(c, p);
}

bool offTheRealSpace(const ComplexPoint& at, double radius) {
  for (int v = 0; v < 3; ++v)
    if (std::abs(at(v).imag()) > radius) return true;
  return false;
}

}  // namespace quorvane
