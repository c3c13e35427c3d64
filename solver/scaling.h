// SPDX-License-Identifier: BSD-3-Clause
// Exact power-of-two scaling of equations and variables, so that the reduction's absolute
// tolerance sees coefficients of order one.
#pragma once

#include "equations.h"

namespace quorvane {

struct Scaling {
  int variableExponent;  ///< k: the scaled equations are those of u = x / 2^k
  bool exact;            ///< false when a coefficient lost bits in the subnormal range
};

/// Equations whose largest |coefficient| lies outside [2^-4, 2^4] are multiplied by the
/// power of two that brings it into [1, 2). When the coefficients put the solutions far from
/// order one (beyond 2^±4), the variables are scaled too (k = 0 when they are left alone).
/// Multiplying by a power of two is exact unless a coefficient goes below the normal range;
/// equations already in range stay untouched bit for bit.
Scaling scaleToUnitRange(Equations& equations);

}  // namespace quorvane
