// SPDX-License-Identifier: BSD-3-Clause
// The non-real eigenvalues and their eigenvectors, over the fast kernels' number types: one
// system in a double, or four in AVX2 lanes, each lane bit for bit the scalar call. The
// characteristic polynomial comes deflated by the listed roots; each remaining root is found by
// Laguerre's method on what is left (the last pair of a quadratic by its formula), polished by
// Newton's steps on the whole polynomial and divided out in turn; x and y come from the null
// vector of P(λ). The candidates serve the proofs alone, which decide whether each is good
// enough.
#pragma once

#include "action.h"
#include "fast/characteristic_polynomial.h"
#include "fast/lanes.h"

namespace quorvane {
namespace {

namespace nonreal {

// Laguerre's method converges from almost any start, cubically once near a simple root; it
// stops well short of the last bits, which Newton's steps on the whole polynomial give.
constexpr int kLaguerreSteps = 40;
constexpr double kLaguerreSettled = 0x1p-12;
constexpr int kNewtonSteps = 30;
// A step this small leaves an error of about its square: the rest is rounding.
constexpr double kNewtonSettled = 0x1p-30;
// A root of the deflated polynomial is pinned down on the whole one once Newton's last step
// there is below this, relative to the root's size (at least 1).
constexpr double kRootSettled = 1e-7;
constexpr double kLargest = 0x1.fffffffffffffp+1023;
constexpr int kPairs = kPolynomialDegree / 2;

template <typename V>
using Complex = LaneComplex<V>;

template <typename V>
LaneMask<V> finite(V v) {
  return magnitude(v) <= V(kLargest);
}

template <typename V>
LaneMask<V> finite(Complex<V> z) {
  const LaneMask<V> re = finite(z.re), im = finite(z.im);
  return re & im;
}

template <typename V>
Complex<V> scaled(V a, Complex<V> z) {
  return {a * z.re, a * z.im};
}

// 1 / z as conj(z) / |z|², one division, which the steps' chains wait on. The systems are
// scaled to unit range: where |z|² leaves the range of double anyway, the step is lost to
// infinities, and the lane fails the finite checks.
template <typename V>
Complex<V> reciprocalOf(Complex<V> z) {
  const V inverseNorm = V(1.0) / squaredMagnitude(z);
  return {z.re * inverseNorm, -(z.im * inverseNorm)};
}

// A square root of w by the half-angle formulas: Laguerre's step tries both signs of it, so
// which root this is does not matter.
template <typename V>
Complex<V> squareRootOf(Complex<V> w) {
  const V t = squareRoot(V(0.5) * (squareRoot(squaredMagnitude(w)) + magnitude(w.re)));
  const V other = V(0.5) * w.im / t;
  const Complex<V> rightHalf{t, other};
  const Complex<V> leftHalf{magnitude(other), select(w.im < V(0.0), V(0.0) - t, t)};
  const Complex<V> root = select(w.re >= V(0.0), rightHalf, leftHalf);
  return select(t == V(0.0), Complex<V>{V(0.0), V(0.0)}, root);
}

// q(z), q'(z) and q''(z) / 2 by Horner's rule; q's coefficients from λ⁰ up, zero above its
// degree (the leading zeros change nothing).
template <typename V>
void valueSlopeAndCurvature(const V (&q)[kPolynomialDegree + 1], Complex<V> z, Complex<V>& value,
                            Complex<V>& slope, Complex<V>& halfCurvature) {
  value = {q[kPolynomialDegree], V(0.0)};
  slope = halfCurvature = {V(0.0), V(0.0)};
  for (int i = kPolynomialDegree - 1; i >= 0; --i) {
    halfCurvature = halfCurvature * z + slope;
    slope = slope * z + value;
    value = value * z + Complex<V>{q[i], V(0.0)};
  }
}

// A root of q, of degree n per lane, where `active`: Laguerre's steps from off the real axis
// (from a real start they may stay real) at about the smallest pair's magnitude, the root the
// division from the top then removes stably. Clears `ok` where the steps leave the finite.
template <typename V>
Complex<V> laguerreRoot(const V (&q)[kPolynomialDegree + 1], V n, LaneMask<V> active,
                        LaneMask<V>& ok) {
  const V start = squareRoot(magnitude(q[0] / q[2]));
  const V scale = select(finite(start), start, V(1.0));
  Complex<V> z{V(0.5) * scale, V(0.5) * scale};
  LaneMask<V> running = active;
  for (int step = 0; step < kLaguerreSteps && anyLane(running); ++step) {
    Complex<V> value, slope, halfCurvature;
    valueSlopeAndCurvature(q, z, value, slope, halfCurvature);
    running = running & !((value.re == V(0.0)) & (value.im == V(0.0)));
    const Complex<V> inverse = reciprocalOf(value);
    const Complex<V> g = slope * inverse;
    const Complex<V> h = g * g - scaled(V(2.0), halfCurvature * inverse);
    const Complex<V> spread = squareRootOf(scaled(n - V(1.0), scaled(n, h) - g * g));
    const Complex<V> plus = g + spread, minus = g - spread;
    const Complex<V> larger =
        select(squaredMagnitude(plus) >= squaredMagnitude(minus), plus, minus);
    const Complex<V> change = scaled(n, reciprocalOf(larger));
    z = select(running, z - change, z);
    const LaneMask<V> stepFinite = finite(z);
    ok = ok & !(running & !stepFinite);
    running =
        running & stepFinite &
        !(squaredMagnitude(change) <= V(kLaguerreSettled * kLaguerreSettled) * squaredMagnitude(z));
  }
  const LaneMask<V> rootFinite = finite(z);
  ok = ok & !(active & !rootFinite);
  return z;
}

// Newton's steps on the whole polynomial from z where `active`; `lastStep` tells how far the
// last one moved.
template <typename V>
Complex<V> polishedOnWhole(const V (&p)[kPolynomialDegree + 1], Complex<V> z, LaneMask<V> active,
                           V& lastStep) {
  lastStep = V(0.0);
  LaneMask<V> running = active;
  for (int step = 0; step < kNewtonSteps && anyLane(running); ++step) {
    Complex<V> value{p[kPolynomialDegree], V(0.0)}, slope{V(0.0), V(0.0)};
    for (int i = kPolynomialDegree - 1; i >= 0; --i) {
      slope = slope * z + value;
      value = value * z + Complex<V>{p[i], V(0.0)};
    }
    running = running & !((value.re == V(0.0)) & (value.im == V(0.0)));
    const Complex<V> change = value * reciprocalOf(slope);
    z = select(running, z - change, z);
    lastStep = select(running, squaredMagnitude(change), lastStep);
    running = running & !(lastStep <= V(kNewtonSettled * kNewtonSettled) * squaredMagnitude(z));
  }
  lastStep = squareRoot(lastStep);
  return z;
}

// q / (λ - z)(λ - z̄) without the remainder, from the top: with q = Σ a_k λ^k, the quotient's
// b_{k-2} is a_k + t b_{k-1} - s b_k for the factor λ² - tλ + s. Zeros above q's degree give
// zeros above the quotient's.
template <typename V>
void divideByPair(V (&q)[kPolynomialDegree + 1], Complex<V> z, LaneMask<V> active) {
  const V t = V(2.0) * z.re, s = squaredMagnitude(z);
  V above(0.0), twoAbove(0.0), quotient[kPolynomialDegree + 1];
  for (int k = kPolynomialDegree; k >= 2; --k) {
    const V b = q[k] + t * above - s * twoAbove;
    quotient[k - 2] = b;
    twoAbove = above, above = b;
  }
  quotient[kPolynomialDegree - 1] = quotient[kPolynomialDegree] = V(0.0);
  for (int k = 0; k <= kPolynomialDegree; ++k) q[k] = select(active, quotient[k], q[k]);
}

template <typename V, int N>
Complex<V> entryAt(const V (&coefficients)[N], Complex<V> lambda) {
  Complex<V> value{coefficients[N - 1], V(0.0)};
  for (int i = N - 2; i >= 0; --i) value = value * lambda + Complex<V>{coefficients[i], V(0.0)};
  return value;
}

// The null vector of P(λ) as (x, y, 1): the cross product of the two rows that span the most.
// Clears `read` where its entry for 1 is zero.
template <typename V>
void nullVector(const PolynomialEntries<V>& p, Complex<V> lambda, Complex<V>& x, Complex<V>& y,
                LaneMask<V>& read) {
  const Complex<V> rows[3][3] = {
      {entryAt(p.p00, lambda), entryAt(p.p01, lambda), entryAt(p.p02, lambda)},
      {entryAt(p.p10, lambda), entryAt(p.p11, lambda), entryAt(p.p12, lambda)},
      {entryAt(p.p20, lambda), entryAt(p.p21, lambda), entryAt(p.p22, lambda)}};
  constexpr int kRowPairs[3][2] = {{0, 1}, {0, 2}, {1, 2}};
  Complex<V> best[3] = {{V(0.0), V(0.0)}, {V(0.0), V(0.0)}, {V(0.0), V(0.0)}};
  V largest(-1.0);
  for (const auto& pair : kRowPairs) {
    const Complex<V>* a = rows[pair[0]];
    const Complex<V>* b = rows[pair[1]];
    const Complex<V> cross[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                                 a[0] * b[1] - a[1] * b[0]};
    const V size =
        squaredMagnitude(cross[0]) + squaredMagnitude(cross[1]) + squaredMagnitude(cross[2]);
    const LaneMask<V> spansMore = size > largest;
    largest = select(spansMore, size, largest);
    for (int i = 0; i < 3; ++i) best[i] = select(spansMore, cross[i], best[i]);
  }
  read = read & !((best[2].re == V(0.0)) & (best[2].im == V(0.0)));
  const Complex<V> inverse = reciprocalOf(best[2]);
  x = best[0] * inverse, y = best[1] * inverse;
}

// What the kernel finds for each lane: `pairs` roots in the upper half-plane, each with its
// eigenvector's x and y where `read`; `ok` false where a root was not found or not pinned
// down, and then none of them counts.
template <typename V>
struct Roots {
  Complex<V> lambda[kPairs], x[kPairs], y[kPairs];
  LaneMask<V> read[kPairs];
  V pairs;
  LaneMask<V> ok;
};

// `q` is each lane's polynomial deflated by its listed roots, of even degree `degree`, where
// `valid`; `polynomial` the whole one and `actionRows` the rows P(λ) is read from.
template <typename V>
Roots<V> remainingRoots(const V (&polynomial)[kPolynomialDegree + 1], V (&q)[kPolynomialDegree + 1],
                        V degree, const V (&actionRows)[3][kBasisSize], LaneMask<V> valid) {
  Roots<V> out;
  out.ok = valid;
  out.pairs = V(0.0);
  const PolynomialEntries<V> entries = polynomialEntries(actionRows, false);
  for (int pair = 0; pair < kPairs; ++pair) {
    const LaneMask<V> active = out.ok & (degree > V(0.0));
    out.read[pair] = active;
    if (!anyLane(active)) continue;
    // The last pair by the quadratic's formula, the others by Laguerre's method.
    const V half = V(-0.5) * q[1], discriminant = q[0] - half * half;
    const LaneMask<V> quadratic = degree == V(2.0);
    out.ok = out.ok & !(active & quadratic & !(discriminant > V(0.0)));
    const Complex<V> byFormula{half, squareRoot(discriminant)};
    const Complex<V> byLaguerre = laguerreRoot(q, degree, active & !quadratic, out.ok);
    Complex<V> root = select(quadratic, byFormula, byLaguerre);
    out.ok = out.ok & !(active & (root.im == V(0.0)));
    root.im = magnitude(root.im);
    V lastStep;
    const Complex<V> polished = polishedOnWhole(polynomial, root, active & out.ok, lastStep);
    const V size = squareRoot(squaredMagnitude(polished));
    const LaneMask<V> polishedFinite = finite(polished), stepFinite = finite(lastStep);
    const V scale = select(size > V(1.0), size, V(1.0));
    out.ok = out.ok & !(active & !(polishedFinite & stepFinite &
                                   (lastStep <= V(kRootSettled) * scale) & (polished.im > V(0.0))));
    const LaneMask<V> found = active & out.ok;
    divideByPair(q, polished, found);
    degree = select(found, degree - V(2.0), degree);
    out.pairs = select(found, out.pairs + V(1.0), out.pairs);
    out.lambda[pair] = polished;
    out.read[pair] = found;
    nullVector(entries, polished, out.x[pair], out.y[pair], out.read[pair]);
  }
  return out;
}

// Lane `lane`'s pairs as candidates after the `first` listed ones: conjugates side by side,
// the upper first, for proofs only. Nearer the axis than kRealEigenvalueTolerance, the real
// read-out would have listed a pair as near-real: such a root is left out.
template <typename V>
void writeCandidates(const Roots<V>& roots, int lane, int first, Candidates& candidates) {
  if (!laneOf(roots.ok, lane)) return;
  const int pairs = static_cast<int>(laneOf(roots.pairs, lane));
  int next = first;
  for (int pair = 0; pair < pairs; ++pair) {
    const std::complex<double> lambda(laneOf(roots.lambda[pair].re, lane),
                                      laneOf(roots.lambda[pair].im, lane));
    if (!laneOf(roots.read[pair], lane) || !(lambda.imag() >= kRealEigenvalueTolerance)) continue;
    const std::complex<double> x(laneOf(roots.x[pair].re, lane), laneOf(roots.x[pair].im, lane));
    const std::complex<double> y(laneOf(roots.y[pair].re, lane), laneOf(roots.y[pair].im, lane));
    candidates[next++] = {x, y, lambda, false, lambda.imag(), false, true};
    candidates[next++] = {std::conj(x), std::conj(y), std::conj(lambda), false, lambda.imag(),
                          false,        true};
  }
}

}  // namespace nonreal

}  // namespace
}  // namespace quorvane
