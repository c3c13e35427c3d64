// SPDX-License-Identifier: BSD-3-Clause
// The characteristic polynomial of the action matrix from its rows 0-2, as a lane kernel.
//
// With b = (z³, xz, yz, z², x, y, z, 1), the shift rows of M - λI tie z³, z², z to powers of
// λ times the entry for 1, and xz, yz to λ times x, y. What is left of (M - λI) b = 0 is
// P(λ) (x, y, 1)ᵀ = 0 with P a 3 x 3 matrix of polynomials in λ, read off rows 0-2 of M;
// det P(λ) is det(M - λI) up to sign, and -det P(λ) is monic of degree eight.
#pragma once

#include "fast/lanes.h"
#include "template.h"

namespace quorvane {

inline constexpr int kPolynomialDegree = kBasisSize;

// Internal linkage, as for every lane kernel (see fast/block_reduction.h).
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

}  // namespace
}  // namespace quorvane
