// SPDX-License-Identifier: BSD-3-Clause
// The real eigenvalues of the action matrix as the real roots of its characteristic
// polynomial, and their eigenvectors as null vectors of a 3 x 3 polynomial matrix.
//
// With b = (z³, xz, yz, z², x, y, z, 1), the shift rows of M - λI tie z³, z², z to powers of
// λ times the entry for 1, and xz, yz to λ times x, y. What is left of (M - λI) b = 0 is
// P(λ) (x, y, 1)ᵀ = 0 with P a 3 x 3 matrix of polynomials in λ, read off rows 0-2 of M;
// det P(λ) is det(M - λI) up to sign, and -det P(λ) is monic of degree eight.
#pragma once

#include "action.h"
#include "fast/lanes.h"

namespace quorvane {

inline constexpr int kPolynomialDegree = kBasisSize;

/// What the lane kernels hand to the per-system finish, for one system.
struct RealRootsOfAction {
  double actionRows[3][kBasisSize];  ///< rows 0-2 of the action matrix
  /// det(λI - M): coefficients of λ⁰ .. λ⁸, the last exactly 1.
  double polynomial[kPolynomialDegree + 1];
  /// The same expansion on the entries' magnitudes with every sign +: what rounding in the
  /// expansion can change in each coefficient is a small multiple of u times this.
  double absolutePolynomial[kPolynomialDegree + 1];
  double roots[kPolynomialDegree];  ///< ascending; where rootFound
  bool rootFound[kPolynomialDegree];
  double critical[kPolynomialDegree - 1];  ///< the polynomial's critical points, ascending
  bool criticalFound[kPolynomialDegree - 1];
  bool ok;  ///< the template and the polynomial are finite and within range
};

/// The candidates of the real and near-real eigenvalues, after checking that the rounding
/// of the polynomial cannot have created, lost or moved a real root by more than a tolerance.
/// The first candidates are the real ones in ascending z, then near-real pairs; the unused
/// entries have `real` false. False when that check fails (`candidates` is then unspecified).
bool realEigenCandidates(const RealRootsOfAction& roots, Candidates& candidates);

namespace {

// sum ± a·b, coefficients from λ⁰ up.
template <bool Subtract, typename V, int A, int B, int C>
void accumulateProduct(V (&sum)[C], const V (&a)[A], const V (&b)[B]) {
  static_assert(A + B - 1 <= C, "product does not fit");
  for (int i = 0; i < A; ++i)
    for (int j = 0; j < B; ++j)
      sum[i + j] = Subtract ? sum[i + j] - a[i] * b[j] : sum[i + j] + a[i] * b[j];
}

template <typename V, int N>
void setZero(V (&values)[N]) {
  for (V& v : values) v = V(0.0);
}

// The entries of P(λ), from the action rows a (each P row i: the coefficients of x, y and 1).
template <typename V>
struct PolynomialEntries {
  V p00[2], p01[2], p02[5], p10[3], p11[2], p12[4], p20[2], p21[3], p22[4];
};

template <typename V>
V entryOf(const V (&a)[3][kBasisSize], int i, int j, bool magnitudes) {
  return magnitudes ? magnitude(a[i][j]) : a[i][j];
}

template <typename V>
PolynomialEntries<V> polynomialEntries(const V (&a)[3][kBasisSize], bool magnitudes) {
  const V minusOne = V(magnitudes ? 1.0 : -1.0);
  return {{entryOf(a, 0, 4, magnitudes), entryOf(a, 0, 1, magnitudes)},
          {entryOf(a, 0, 5, magnitudes), entryOf(a, 0, 2, magnitudes)},
          {entryOf(a, 0, 7, magnitudes), entryOf(a, 0, 6, magnitudes), entryOf(a, 0, 3, magnitudes),
           entryOf(a, 0, 0, magnitudes), minusOne},
          {entryOf(a, 1, 4, magnitudes), entryOf(a, 1, 1, magnitudes), minusOne},
          {entryOf(a, 1, 5, magnitudes), entryOf(a, 1, 2, magnitudes)},
          {entryOf(a, 1, 7, magnitudes), entryOf(a, 1, 6, magnitudes), entryOf(a, 1, 3, magnitudes),
           entryOf(a, 1, 0, magnitudes)},
          {entryOf(a, 2, 4, magnitudes), entryOf(a, 2, 1, magnitudes)},
          {entryOf(a, 2, 5, magnitudes), entryOf(a, 2, 2, magnitudes), minusOne},
          {entryOf(a, 2, 7, magnitudes), entryOf(a, 2, 6, magnitudes), entryOf(a, 2, 3, magnitudes),
           entryOf(a, 2, 0, magnitudes)}};
}

// -det P by the first row's cofactors; on magnitudes, every term added.
template <bool Magnitudes, typename V>
void negatedDeterminant(const PolynomialEntries<V>& p, V (&result)[kPolynomialDegree + 1]) {
  constexpr bool minus = !Magnitudes;
  V first[6], second[6], third[5];
  setZero(first), setZero(second), setZero(third), setZero(result);
  accumulateProduct<false>(first, p.p11, p.p22);
  accumulateProduct<minus>(first, p.p12, p.p21);
  accumulateProduct<false>(second, p.p10, p.p22);
  accumulateProduct<minus>(second, p.p12, p.p20);
  accumulateProduct<false>(third, p.p10, p.p21);
  accumulateProduct<minus>(third, p.p11, p.p20);
  accumulateProduct<minus>(result, p.p00, first);
  accumulateProduct<false>(result, p.p01, second);
  accumulateProduct<minus>(result, p.p02, third);
}

/// The characteristic polynomial det(λI - M) of the action matrix, and its expansion on
/// magnitudes.
template <typename V>
void characteristicPolynomial(const V (&actionRows)[3][kBasisSize],
                              V (&polynomial)[kPolynomialDegree + 1],
                              V (&absolutePolynomial)[kPolynomialDegree + 1]) {
  negatedDeterminant<false>(polynomialEntries(actionRows, false), polynomial);
  negatedDeterminant<true>(polynomialEntries(actionRows, true), absolutePolynomial);
}

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
inline constexpr int kNewtonIterations = 100;
// Above this the polynomial's powers would leave the range of doubles.
inline constexpr double kLargestRootBound = 0x1p60;

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
      const V tolerance = settledBelow * magnitude(next) + V(0x1p-60) * radius;
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
  for (int doubling = 0; doubling < 64; ++doubling) {
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
