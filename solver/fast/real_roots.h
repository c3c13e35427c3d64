// SPDX-License-Identifier: BSD-3-Clause
// The real roots of the characteristic polynomial, and its critical points, as a lane kernel:
// by the roots of its derivatives, from the highest down.
#pragma once

#include "fast/characteristic_polynomial.h"
#include "fast/lanes.h"

namespace quorvane {
// Internal linkage, as for every lane kernel (see fast/block_reduction.h).
namespace {

// Value and derivative by Horner's rule, coefficients from λ⁰ up; the degree is a constant so
// that the loops unroll.
template <int Degree, typename V>
void valueAndSlopeOf(const V (&coefficients)[kPolynomialDegree + 1], V x, V& value, V& slope) {
  value = coefficients[Degree];
  slope = V(0.0);
  for (int i = Degree - 1; i >= 0; --i) {
    slope = slope * x + value;
    value = value * x + coefficients[i];
  }
}

// Also half the second derivative.
template <int Degree, typename V>
void valueAndCurvatureOf(const V (&coefficients)[kPolynomialDegree + 1], V x, V& value,
                         V& halfCurvature) {
  value = coefficients[Degree];
  V slope = V(0.0);
  halfCurvature = V(0.0);
  for (int i = Degree - 1; i >= 0; --i) {
    halfCurvature = halfCurvature * x + slope;
    slope = slope * x + value;
    value = value * x + coefficients[i];
  }
}

inline constexpr double kBinomial[kPolynomialDegree + 1][kPolynomialDegree + 1] = {
    {1},
    {1, 1},
    {1, 2, 1},
    {1, 3, 3, 1},
    {1, 4, 6, 4, 1},
    {1, 5, 10, 10, 5, 1},
    {1, 6, 15, 20, 15, 6, 1},
    {1, 7, 21, 35, 35, 21, 7, 1},
    {1, 8, 28, 56, 70, 56, 28, 8, 1}};

// Newton's steps stop once a step is this small against the root: the root of the polynomial
// itself and its critical points are wanted to the last bits (the error after a step is about
// the square of the step), the higher derivatives' roots only to split the line.
inline constexpr double kNewtonSettledFine = 0x1p-44;
inline constexpr double kNewtonSettledCoarse = 0x1p-30;
// A step this small against the bound R on the roots settles a root as well: one at or near
// zero has no size of its own to be small against. Far below what the relative test asks of
// any root not tiny against R, it decides for those alone.
inline constexpr double kNewtonSettledAgainstBound = 0x1p-60;
inline constexpr int kNewtonIterations = 100;
// Above this the polynomial's powers would leave the range of doubles.
inline constexpr double kLargestRootBound = 0x1p60;
// Doubling R from 1 this many times passes kLargestRootBound, beyond which the lane is
// declined anyway: more could only find a bound that is not used.
inline constexpr int kRootBoundDoublings = 64;

// One level of the descent: the roots of the Level-th derivative (over Level!) between the
// points that split the line where it is monotone, `points[0]` = -R, `points[degree]` = R. An
// interval without a sign change keeps its left end as a placeholder, so that the points stay
// in order and the next level needs no compaction.
template <int Level, typename V>
void rootsAtLevel(const V (&polynomial)[kPolynomialDegree + 1], V radius, LaneMask<V> ok,
                  V (&points)[kPolynomialDegree + 1], LaneMask<V> (&found)[kPolynomialDegree]) {
  constexpr int degree = kPolynomialDegree - Level;
  const V settledBelow = V(Level <= 1 ? kNewtonSettledFine : kNewtonSettledCoarse);
  V derivative[kPolynomialDegree + 1];
  for (int i = 0; i <= degree; ++i)
    derivative[i] = polynomial[i + Level] * V(kBinomial[i + Level][Level]);
  points[0] = V(0.0) - radius;
  points[degree] = radius;
  V values[degree + 1], curvatures[degree + 1];
  LaneMask<V> negative[degree + 1];
  for (int i = 0; i <= degree; ++i) {
    valueAndCurvatureOf<degree>(derivative, points[i], values[i], curvatures[i]);
    negative[i] = values[i] < V(0.0);
  }
  V roots[degree];
  for (int i = 0; i < degree; ++i) {
    V low = points[i], high = points[i + 1];
    const LaneMask<V> lowNegative = negative[i];
    LaneMask<V> active = ok & differ(lowNegative, negative[i + 1]);
    found[i] = active;
    // The ends are critical points (or the bound): from the one nearer zero, the quadratic
    // model f(e) + f''(e)/2 · d² puts the root at d = √(|f(e)| / |f''(e)/2|).
    const LaneMask<V> fromLow = magnitude(values[i]) < magnitude(values[i + 1]);
    const V end = select(fromLow, low, high);
    const V distance = squareRoot(magnitude(select(fromLow, values[i], values[i + 1])) /
                                  magnitude(select(fromLow, curvatures[i], curvatures[i + 1])));
    V x = select(fromLow, end + distance, end - distance);
    x = select((x > low) & (x < high), x, (low + high) * V(0.5));
    for (int step = 0; step < kNewtonIterations && anyLane(active); ++step) {
      V value, slope;
      valueAndSlopeOf<degree>(derivative, x, value, slope);
      const LaneMask<V> onLowSide = !differ(value < V(0.0), lowNegative);
      low = select(active & onLowSide, x, low);
      high = select(active & !onLowSide, x, high);
      // The bracket's ends include x itself now: a converged step lands on it.
      const V newtonStep = value / slope;
      const LaneMask<V> inside = (x - newtonStep >= low) & (x - newtonStep <= high);
      const V next =
          select(value == V(0.0), x, select(inside, x - newtonStep, (low + high) * V(0.5)));
      const V tolerance = settledBelow * magnitude(next) + V(kNewtonSettledAgainstBound) * radius;
      const LaneMask<V> settled = (value == V(0.0)) |
                                  (inside & (magnitude(newtonStep) <= tolerance)) |
                                  (high - low <= tolerance);
      x = select(active, next, x);
      active = active & !settled;
    }
    roots[i] = select(found[i], x, points[i]);
  }
  for (int i = 0; i < degree; ++i) points[i + 1] = roots[i];
}

/// Real roots of a monic polynomial of degree eight by its derivatives: the roots of the k-th
/// derivative split the line into intervals where the (k-1)-th is monotone, with at most one
/// root each, found by Newton's steps kept inside the interval's bracket (bisection where a
/// step leaves it). Also the polynomial's critical points, for the guard.
template <typename V>
void realRootsByDerivatives(const V (&polynomial)[kPolynomialDegree + 1], LaneMask<V>& ok,
                            V (&roots)[kPolynomialDegree],
                            LaneMask<V> (&rootFound)[kPolynomialDegree],
                            V (&critical)[kPolynomialDegree - 1],
                            LaneMask<V> (&criticalFound)[kPolynomialDegree - 1]) {
  // A power of two R with R⁸ > Σ |c_i| R^i bounds every root (Cauchy), and by Gauss and Lucas
  // every root of every derivative.
  V radius = V(1.0);
  for (int doubling = 0; doubling < kRootBoundDoublings; ++doubling) {
    V lower = magnitude(polynomial[kPolynomialDegree - 1]);
    for (int i = kPolynomialDegree - 2; i >= 0; --i)
      lower = lower * radius + magnitude(polynomial[i]);
    V top = radius;
    for (int i = 1; i < kPolynomialDegree - 1; ++i) top = top * radius;
    const LaneMask<V> tooSmall = ok & !(top * radius > lower);
    if (!anyLane(tooSmall)) break;
    radius = select(tooSmall, radius + radius, radius);
  }
  ok = ok & (radius < V(kLargestRootBound));

  V points[kPolynomialDegree + 1];
  LaneMask<V> found[kPolynomialDegree];
  rootsAtLevel<7>(polynomial, radius, ok, points, found);
  rootsAtLevel<6>(polynomial, radius, ok, points, found);
  rootsAtLevel<5>(polynomial, radius, ok, points, found);
  rootsAtLevel<4>(polynomial, radius, ok, points, found);
  rootsAtLevel<3>(polynomial, radius, ok, points, found);
  rootsAtLevel<2>(polynomial, radius, ok, points, found);
  rootsAtLevel<1>(polynomial, radius, ok, points, found);
  for (int i = 0; i < kPolynomialDegree - 1; ++i)
    critical[i] = points[i + 1], criticalFound[i] = found[i];
  rootsAtLevel<0>(polynomial, radius, ok, points, found);
  for (int i = 0; i < kPolynomialDegree; ++i) roots[i] = points[i + 1], rootFound[i] = found[i];
}

}  // namespace
}  // namespace quorvane
