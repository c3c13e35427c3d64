// SPDX-License-Identifier: BSD-3-Clause
// The number types the fast kernels are written over: one system in a double, or four
// systems in the four lanes of an AVX2 register. Every operation a kernel uses is exactly
// rounded and acts on each lane alone (no fused multiply-add, no reassociation), so a lane of
// the vector kernel computes bit for bit what the double kernel computes for that system.
#pragma once

#include <cmath>

namespace quorvane {
// Internal linkage throughout: the translation unit that switches AVX2 on compiles its own copy
// of every function here, and a linker must never hand that copy to the scalar path.
namespace {

template <typename V>
struct LaneTraits;

template <>
struct LaneTraits<double> {
  using Mask = bool;
  static constexpr int kWidth = 1;
};

template <typename V>
using LaneMask = typename LaneTraits<V>::Mask;

inline double select(bool mask, double whereTrue, double whereFalse) {
  return mask ? whereTrue : whereFalse;
}
inline double magnitude(double v) {
  return std::fabs(v);
}
inline double squareRoot(double v) {
  return std::sqrt(v);
}
inline bool anyLane(bool mask) {
  return mask;
}
inline bool differ(bool a, bool b) {
  return a != b;
}
inline double laneOf(double v, int) {
  return v;
}
inline bool laneOf(bool mask, int) {
  return mask;
}

template <typename V>
LaneMask<V> allLanes() {
  return V(0.0) == V(0.0);
}
template <typename V>
LaneMask<V> noLanes() {
  return V(0.0) != V(0.0);
}

// A complex number of lanes, with products by the schoolbook formula (no recovery of
// infinities from NaN products: the kernels discard anything not finite).
template <typename V>
struct LaneComplex {
  V re, im;
};

template <typename V>
LaneComplex<V> operator*(LaneComplex<V> a, LaneComplex<V> b) {
  return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}
template <typename V>
LaneComplex<V> operator-(LaneComplex<V> a, LaneComplex<V> b) {
  return {a.re - b.re, a.im - b.im};
}
template <typename V>
LaneComplex<V> operator+(LaneComplex<V> a, LaneComplex<V> b) {
  return {a.re + b.re, a.im + b.im};
}
template <typename V>
LaneComplex<V> select(LaneMask<V> mask, LaneComplex<V> whereTrue, LaneComplex<V> whereFalse) {
  return {select(mask, whereTrue.re, whereFalse.re), select(mask, whereTrue.im, whereFalse.im)};
}
template <typename V>
V squaredMagnitude(LaneComplex<V> z) {
  return z.re * z.re + z.im * z.im;
}

}  // namespace
}  // namespace quorvane

// The vector type exists only where the including translation unit has enabled AVX2 for its
// own functions (fast/avx2.cc); no other code may see it.
#ifdef QUORVANE_AVX2_LANES
#include <immintrin.h>

namespace quorvane {
namespace {

struct Avx2Mask {
  __m256d bits;
};

struct Avx2Lanes {
  __m256d v;
  Avx2Lanes() = default;
  Avx2Lanes(double broadcast) : v(_mm256_set1_pd(broadcast)) {}  // NOLINT: lanes of a constant
  explicit Avx2Lanes(__m256d lanes) : v(lanes) {}
};

template <>
struct LaneTraits<Avx2Lanes> {
  using Mask = Avx2Mask;
  static constexpr int kWidth = 4;
};

inline Avx2Lanes operator+(Avx2Lanes a, Avx2Lanes b) {
  return Avx2Lanes(_mm256_add_pd(a.v, b.v));
}
inline Avx2Lanes operator-(Avx2Lanes a, Avx2Lanes b) {
  return Avx2Lanes(_mm256_sub_pd(a.v, b.v));
}
inline Avx2Lanes operator*(Avx2Lanes a, Avx2Lanes b) {
  return Avx2Lanes(_mm256_mul_pd(a.v, b.v));
}
inline Avx2Lanes operator/(Avx2Lanes a, Avx2Lanes b) {
  return Avx2Lanes(_mm256_div_pd(a.v, b.v));
}
inline Avx2Lanes operator-(Avx2Lanes a) {
  return Avx2Lanes(_mm256_xor_pd(a.v, _mm256_set1_pd(-0.0)));
}
inline Avx2Lanes& operator+=(Avx2Lanes& a, Avx2Lanes b) {
  return a = a + b;
}
inline Avx2Lanes& operator-=(Avx2Lanes& a, Avx2Lanes b) {
  return a = a - b;
}
inline Avx2Lanes& operator*=(Avx2Lanes& a, Avx2Lanes b) {
  return a = a * b;
}

// Ordered, non-signalling comparisons: a NaN compares false, as in scalar code.
inline Avx2Mask operator<(Avx2Lanes a, Avx2Lanes b) {
  return {_mm256_cmp_pd(a.v, b.v, _CMP_LT_OQ)};
}
inline Avx2Mask operator>(Avx2Lanes a, Avx2Lanes b) {
  return {_mm256_cmp_pd(a.v, b.v, _CMP_GT_OQ)};
}
inline Avx2Mask operator<=(Avx2Lanes a, Avx2Lanes b) {
  return {_mm256_cmp_pd(a.v, b.v, _CMP_LE_OQ)};
}
inline Avx2Mask operator>=(Avx2Lanes a, Avx2Lanes b) {
  return {_mm256_cmp_pd(a.v, b.v, _CMP_GE_OQ)};
}
inline Avx2Mask operator==(Avx2Lanes a, Avx2Lanes b) {
  return {_mm256_cmp_pd(a.v, b.v, _CMP_EQ_OQ)};
}
// Unordered: a NaN compares unequal, as in scalar code.
inline Avx2Mask operator!=(Avx2Lanes a, Avx2Lanes b) {
  return {_mm256_cmp_pd(a.v, b.v, _CMP_NEQ_UQ)};
}
inline Avx2Mask operator&(Avx2Mask a, Avx2Mask b) {
  return {_mm256_and_pd(a.bits, b.bits)};
}
inline Avx2Mask operator|(Avx2Mask a, Avx2Mask b) {
  return {_mm256_or_pd(a.bits, b.bits)};
}
inline Avx2Mask operator!(Avx2Mask a) {
  return {_mm256_xor_pd(a.bits, _mm256_castsi256_pd(_mm256_set1_epi64x(-1)))};
}

inline Avx2Lanes select(Avx2Mask mask, Avx2Lanes whereTrue, Avx2Lanes whereFalse) {
  return Avx2Lanes(_mm256_blendv_pd(whereFalse.v, whereTrue.v, mask.bits));
}
inline Avx2Lanes magnitude(Avx2Lanes a) {
  return Avx2Lanes(_mm256_andnot_pd(_mm256_set1_pd(-0.0), a.v));
}
inline Avx2Lanes squareRoot(Avx2Lanes a) {
  return Avx2Lanes(_mm256_sqrt_pd(a.v));
}
inline bool anyLane(Avx2Mask mask) {
  return _mm256_movemask_pd(mask.bits) != 0;
}
inline Avx2Mask differ(Avx2Mask a, Avx2Mask b) {
  return {_mm256_xor_pd(a.bits, b.bits)};
}
inline double laneOf(Avx2Lanes a, int lane) {
  alignas(32) double values[4];
  _mm256_store_pd(values, a.v);
  return values[lane];
}
inline bool laneOf(Avx2Mask mask, int lane) {
  return (_mm256_movemask_pd(mask.bits) >> lane) & 1;
}

}  // namespace
}  // namespace quorvane
#endif
