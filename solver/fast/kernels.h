// SPDX-License-Identifier: BSD-3-Clause
// The fast path's lane kernels in sequence, for any lane type: from the reduced equations to
// rows 0-2 of the action matrix (fast/block_reduction.h), its characteristic polynomial
// (fast/characteristic_polynomial.h) and the polynomial's real roots (fast/real_roots.h),
// handed out per lane for the read-out (fast/eigenvectors.h).
#pragma once

#include "fast/block_reduction.h"
#include "fast/characteristic_polynomial.h"
#include "fast/eigenvectors.h"
#include "fast/lanes.h"
#include "fast/real_roots.h"

namespace quorvane {
namespace {

// Beyond this the polynomial's products of action entries could leave the range of doubles.
constexpr double kLargestActionEntry = 0x1p60;
constexpr double kLargestCoefficient = 0x1p600;

template <typename V>
void realRootsOfActionRows(const V (&action)[3][kBasisSize], LaneMask<V> ok,
                           RealRootsOfAction* perLane) {
  for (const auto& row : action)
    for (const V& entry : row) ok = ok & (magnitude(entry) < V(kLargestActionEntry));
  V polynomial[kPolynomialDegree + 1], absolute[kPolynomialDegree + 1];
  characteristicPolynomial(action, polynomial, absolute);
  for (const V& bound : absolute) ok = ok & (bound < V(kLargestCoefficient));

  V roots[kPolynomialDegree], critical[kPolynomialDegree - 1];
  LaneMask<V> rootFound[kPolynomialDegree], criticalFound[kPolynomialDegree - 1];
  realRootsByDerivatives(polynomial, ok, roots, rootFound, critical, criticalFound);

  for (int lane = 0; lane < LaneTraits<V>::kWidth; ++lane) {
    RealRootsOfAction& out = perLane[lane];
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < kBasisSize; ++j) out.actionRows[i][j] = laneOf(action[i][j], lane);
    for (int i = 0; i <= kPolynomialDegree; ++i) {
      out.polynomial[i] = laneOf(polynomial[i], lane);
      out.absolutePolynomial[i] = laneOf(absolute[i], lane);
    }
    for (int i = 0; i < kPolynomialDegree; ++i) {
      out.roots[i] = laneOf(roots[i], lane);
      out.rootFound[i] = laneOf(rootFound[i], lane);
    }
    for (int i = 0; i < kPolynomialDegree - 1; ++i) {
      out.critical[i] = laneOf(critical[i], lane);
      out.criticalFound[i] = laneOf(criticalFound[i], lane);
    }
    out.ok = laneOf(ok, lane);
  }
}

template <typename V>
void realRootsOfActionLanes(const V (&reduced)[kEquations][kCoefficients],
                            RealRootsOfAction* perLane) {
  V action[3][kBasisSize];
  const LaneMask<V> ok = actionRowsByBlocks(reduced, action);
  realRootsOfActionRows(action, ok, perLane);
}

}  // namespace
}  // namespace quorvane
