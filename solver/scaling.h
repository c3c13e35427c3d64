// Exact power-of-two scaling of equations and variables, so that the reduction's absolute
// tolerance sees coefficients of order one.
#pragma once

#include "equations.h"

namespace quorvane {

/// Equations whose largest |coefficient| lies outside [2^-4, 2^4] are multiplied by the
/// power of two that brings it into [1, 2). When the coefficients put the solutions far from
/// order one (beyond 2^±4), the variables are scaled too: the equations become those of
/// u = x / 2^k. Returns k (0 when the variables are left alone). Multiplying by a power of
/// two is exact, and equations already in range stay untouched bit for bit.
int scaleToUnitRange(Equations& equations);

}  // namespace quorvane
