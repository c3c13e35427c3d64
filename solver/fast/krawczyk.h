// SPDX-License-Identifier: BSD-3-Clause
// The Krawczyk test of certification.cc, over the fast kernels' number types: one point in a
// double, or four points (of up to four systems) in the lanes of an AVX2 register. Every
// operation acts on each lane alone and none is fused, so a lane computes bit for bit what the
// scalar call computes for its point, and a proof does not depend on the path that made it.
//
// A kernel returns the radius of the polydisc proved to hold exactly one solution, or NaN.
// Any NaN or infinity on the way fails a comparison below, and with it the test.
#pragma once

#include <limits>
#include <type_traits>

#include "compensated_sum.h"
#include "fast/lanes.h"
#include "template.h"

namespace quorvane {
namespace {

namespace krawczyk {

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
// be allowed where they arise, before the inverse Jacobian multiplies them. The allowance
// taken is 2^-1021 times that sum plus ten: far more, and a normal double, where a subnormal
// product would cost the processor a hundred cycles on every proof.
constexpr double kUnderflowPerCoefficient = 0x1p-1021;
constexpr double kLargest = 0x1.fffffffffffffp+1023;
// A value compensated as by CompensatedSum, from 25 parts (a triple product gives three: its
// two exact parts and the rounded product of the first split's error), errs by at most u of
// the value plus γ²(24) ≈ 576 u² of the parts' magnitudes, and the rounded parts by u² of
// their terms: these allow twice and about twice that.
constexpr double kCompensatedRelativeError = 2 * kUnit;
constexpr double kCompensatedValueError = 0x1p-95;

template <typename V>
V upper(V bound) {
  return bound * V(kBoundGrowth) + V(kUnderflowAllowance);
}

template <typename V>
V larger(V a, V b) {
  return select(a > b, a, b);
}

template <typename V>
using Complex = LaneComplex<V>;

// |re| + |im|, at most √2 |v|, as an upper bound on |v|: exact but for one rounding, even
// below the normal range, and without a square root. The factor loosens the bounds of a
// well-separated point's test by little.
template <typename V>
V magnitudeBound(Complex<V> v) {
  return magnitude(v.re) + magnitude(v.im);
}
template <typename V>
V magnitudeBound(V v) {
  return magnitude(v);
}

// a v for a real a.
template <typename V>
Complex<V> scaled(V a, Complex<V> v) {
  return {a * v.re, a * v.im};
}
template <typename V>
V scaled(V a, V v) {
  return a * v;
}

// The parts of the test for one number type S (real or complex lanes) over lanes V.
template <typename V, typename S>
struct Algebra;

template <typename V>
struct Algebra<V, V> {
  static V fromReal(V v) { return v; }
  static V inverse(V d) { return V(1.0) / d; }
};

template <typename V>
struct Algebra<V, Complex<V>> {
  static Complex<V> fromReal(V v) { return {v, V(0.0)}; }
  // conj(d) / |d|², with d first divided by |re| + |im| so that |d|² stays in range: an
  // approximate inverse needs no care beyond that.
  static Complex<V> inverse(Complex<V> d) {
    const V scale = V(1.0) / magnitudeBound(d);
    const V re = d.re * scale, im = d.im * scale;
    const V norm = re * re + im * im;
    return {re / norm * scale, -(im / norm) * scale};
  }
};

// The test at p, in real (S = V) or complex (S = Complex<V>) variables; c holds each lane's
// coefficients. `Compensated` (one real point in doubles only) bounds the equations' values
// as computed in twice the precision: far from the origin, where the terms cancel by many
// orders of magnitude, the plain bound of 32 u times their size is what keeps a box from
// closing around a root whose Jacobian is small beside them.
template <typename V, typename S, bool Compensated = false>
V radiusAt(const V (&c)[kEquations][kCoefficients], const S (&p)[3]) {
  static_assert(!Compensated || (std::is_same_v<V, double> && std::is_same_v<S, double>),
                "a compensated value for one real point");
  using A = Algebra<V, S>;
  static_assert(kCoefficients == 10, "the monomials below");
  const S x = p[0], y = p[1], z = p[2];
  const S monomials[kCoefficients] = {
      A::fromReal(V(1.0)), x * y, x * z, y * z, x * x, y * y, z * z, x, y, z};
  // |x y| is |x| |y|: the products of the coordinates' bounds bound the monomials' magnitudes
  // to a rounding or two, which the allowances' factor two and the bounds' growth cover.
  const V ax = magnitudeBound(x), ay = magnitudeBound(y), az = magnitudeBound(z);
  const V monomialSize[kCoefficients] = {V(1.0),  ax * ay, ax * az, ay * az, ax * ax,
                                         ay * ay, az * az, ax,      ay,      az};
  V valueBound[kEquations], jacobianError[kEquations][3], curvature[kEquations];
  S jacobian[kEquations][3];
  for (int e = 0; e < kEquations; ++e) {
    V a[kCoefficients];
    for (int i = 0; i < kCoefficients; ++i) a[i] = magnitude(c[e][i]);
    S value = A::fromReal(c[e][0]);
    V size = a[0], coefficientSum = a[0];
    for (int i = 1; i < kCoefficients; ++i) {
      value = value + scaled(c[e][i], monomials[i]);
      size += a[i] * monomialSize[i];
      coefficientSum += a[i];
    }
    const V underflow = (coefficientSum + V(kCoefficients)) * V(kUnderflowPerCoefficient);
    if constexpr (Compensated) {
      const double accurate = compensatedEquationValue(c[e], x, y, z);
      valueBound[e] = std::abs(accurate) * (1 + kCompensatedRelativeError) +
                      kCompensatedValueError * size + underflow;
    } else {
      valueBound[e] = magnitudeBound(value) + V(kValueError) * size + underflow;
    }
    // The gradient's entries are sums of four products: c_xy y + c_xz z + 2 c_xx x + c_x, ...
    const V twice[3] = {c[e][4] + c[e][4], c[e][5] + c[e][5], c[e][6] + c[e][6]};
    jacobian[e][0] =
        scaled(c[e][1], y) + scaled(c[e][2], z) + scaled(twice[0], x) + A::fromReal(c[e][7]);
    jacobian[e][1] =
        scaled(c[e][1], x) + scaled(c[e][3], z) + scaled(twice[1], y) + A::fromReal(c[e][8]);
    jacobian[e][2] =
        scaled(c[e][2], x) + scaled(c[e][3], y) + scaled(twice[2], z) + A::fromReal(c[e][9]);
    const V gradientSize[3] = {a[1] * ay + a[2] * az + (a[4] + a[4]) * ax + a[7],
                               a[1] * ax + a[3] * az + (a[5] + a[5]) * ay + a[8],
                               a[2] * ax + a[3] * ay + (a[6] + a[6]) * az + a[9]};
    for (int j = 0; j < 3; ++j) jacobianError[e][j] = V(kLinearError) * gradientSize[j] + underflow;
    curvature[e] = V(2.0) * (a[1] + a[2] + a[3] + a[4] + a[5] + a[6]);
  }
  // An approximate inverse Y of the Jacobian, the adjugate over the determinant: the test
  // holds for any Y, so only its success, not its rigour, depends on how well Y inverts J.
  // Column k of the adjugate is the cross product of the rows after k, cyclically.
  S inverse[3][3];
  for (int k = 0; k < 3; ++k) {
    const S* a = jacobian[(k + 1) % 3];
    const S* b = jacobian[(k + 2) % 3];
    inverse[0][k] = a[1] * b[2] - a[2] * b[1];
    inverse[1][k] = a[2] * b[0] - a[0] * b[2];
    inverse[2][k] = a[0] * b[1] - a[1] * b[0];
  }
  const S reciprocal = A::inverse(jacobian[0][0] * inverse[0][0] + jacobian[0][1] * inverse[1][0] +
                                  jacobian[0][2] * inverse[2][0]);
  V inverseSize[3][3], jacobianSize[3][3];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      inverse[i][j] = inverse[i][j] * reciprocal;
      inverseSize[i][j] = magnitudeBound(inverse[i][j]);
      jacobianSize[i][j] = magnitudeBound(jacobian[i][j]);
    }
  V b(0.0), zSum(0.0), w(0.0);
  LaneMask<V> bounded = allLanes<V>();
  for (int i = 0; i < 3; ++i) {
    V bi(0.0), zi(0.0), wi(0.0);
    for (int l = 0; l < 3; ++l) {
      bi += inverseSize[i][l] * valueBound[l];
      wi += inverseSize[i][l] * curvature[l];
    }
    for (int j = 0; j < 3; ++j) {
      S product = inverse[i][0] * jacobian[0][j];
      product = product + inverse[i][1] * jacobian[1][j];
      product = product + inverse[i][2] * jacobian[2][j];
      V rounding(i == j ? 1.0 : 0.0), fromJacobian(0.0);
      for (int l = 0; l < 3; ++l) {
        rounding += inverseSize[i][l] * jacobianSize[l][j];
        fromJacobian += inverseSize[i][l] * jacobianError[l][j];
      }
      zi += magnitudeBound(A::fromReal(V(i == j ? 1.0 : 0.0)) - product) +
            V(kLinearError) * rounding + fromJacobian;
    }
    // Each row's bounds finite (a NaN fails here, where the largest below would drop it).
    bounded = bounded & (bi <= V(kLargest)) & (zi < V(1.0)) & (wi <= V(kLargest));
    b = larger(b, bi), zSum = larger(zSum, zi), w = larger(w, wi);
  }
  b = upper(b), zSum = upper(zSum), w = upper(w);
  // The radius that leaves the most room when the curvature term is small; the test decides.
  const V r = V(2.0) * b / (V(1.0) - zSum);
  const LaneMask<V> proved = bounded & (zSum < V(1.0)) & (r > V(0.0)) & (r <= V(kLargest)) &
                             (upper(b + (zSum + r * w) * r) < r);
  return select(proved, r, V(std::numeric_limits<double>::quiet_NaN()));
}

}  // namespace krawczyk

}  // namespace
}  // namespace quorvane
