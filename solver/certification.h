// SPDX-License-Identifier: BSD-3-Clause
// Proofs of solutions: a Krawczyk test on a polydisc around a point, with every rounding of
// the test bounded, proves that the polydisc holds exactly one solution.
#pragma once

#include <algorithm>
#include <complex>

#include "compensated.h"
#include "equations.h"
#include "fast/krawczyk.h"

namespace quorvane {

/// The radius r of the polydisc |v - at(v)| <= r (v = x, y, z, complex modulus) in which
/// the test proves exactly one solution of `equations`, in their variables; NaN where it
/// fails. Around a real point the polydisc is its own conjugate, so the solution is real.
double provedRadius(const Equations& equations, const ComplexPoint& at);

/// Whether two proved polydiscs are disjoint, by a margin that rounding cannot close: in some
/// coordinate a lower bound on |a - b| (its larger part, made smaller by more than its rounding)
/// exceeds an upper bound on the sum of the radii. Inline: a complete set is eight discs, each
/// against the others.
inline bool disjoint(const ComplexPoint& a, double radiusOfA, const ComplexPoint& b,
                     double radiusOfB) {
  const double reach = krawczyk::upper(radiusOfA + radiusOfB);
  for (int v = 0; v < 3; ++v) {
    const std::complex<double> d = a(v) - b(v);
    const double floor = std::max(std::abs(d.real()), std::abs(d.imag()));
    if (floor * (2 - krawczyk::kBoundGrowth) - krawczyk::kUnderflowAllowance > reach) return true;
  }
  return false;
}

/// Whether a proved polydisc holds no real point, so that its solution is not real.
bool offTheRealSpace(const ComplexPoint& at, double radius);

}  // namespace quorvane
