// SPDX-License-Identifier: BSD-3-Clause
// What a call returns: the verified points of its best try, in the caller's variables, and
// the status that says what became of it.
#include <cmath>

#include "tries.h"

namespace quorvane {
namespace {

// Below these, a term of an equation of order one at a point may fall under the normal
// range (2^-400 · 2^-600 < 2^-1022) and be lost from the checks in double.
constexpr double kTinyCoordinate = 0x1p-200;
constexpr double kTinyCoefficient = 0x1p-600;

bool hasTinyCoefficient(const Equations& system) {
  for (int e = 0; e < kEquationCount; ++e)
    for (int i = 0; i < kCoefficientCount; ++i) {
      const double magnitude = std::abs(system(e, i));
      if (magnitude != 0 && magnitude < kTinyCoefficient) return true;
    }
  return false;
}

}  // namespace

// Whether a term of the scaled system (each equation's largest coefficient of order one) may
// have underflowed at a real point. Where every coordinate is at least kTinyCoordinate, the
// largest coefficient's term is at least 2^-404, beside which any term that underflowed is
// nothing; with a zero coordinate that term may vanish, and tiny coefficients then matter.
bool underflowMayHide(const Equations& system, const ComplexPoint& at) {
  if (!isReal(at)) return false;
  bool zero = false;
  for (int v = 0; v < 3; ++v) {
    const double magnitude = std::abs(at(v).real());
    if (magnitude != 0 && magnitude < kTinyCoordinate) return true;
    zero = zero || magnitude == 0;
  }
  return zero && hasTinyCoefficient(system);
}

SolveReport solvePrepared(const Prepared& prepared, const SolveOptions& options,
                          const Output& output, const FastStart* fastStart) {
  const Equations& original = prepared.original;
  const Equations& system = prepared.system;
  const Scaling& scaling = prepared.scaling;
  SolveReport report = prepared.report;
  // The fast path finds real eigenvalues only: complex points come the standard way.
  SolveOptions tries = options;
  if (output.complex) tries.method = Method::standard;
  Try best = solveScaled(system, scaling.variableExponent, tries, output.complex != nullptr, report,
                         fastStart);
  if (best.path == SolvePath::asGiven) separateCloseRoots(system, best);

  const int exponent = scaling.variableExponent;
  int returned = 0;
  for (int i = 0; i < best.count; ++i) {
    Point& p = best.points[i];
    if (p.nanColumn) {
      if (output.nanColumns && output.real) output.real->push_back({kNaN, kNaN, kNaN});
      continue;
    }
    const bool wanted = output.complex ? p.error <= kForwardTolerance || !p.real
                                       : p.real && p.error <= kForwardTolerance;
    if (!wanted) continue;
    if (output.complex && !p.real) {
      // Complex candidates were not refined on the way: polish and check them now.
      if (!(refineCompensated(system, p.at) <= kForwardTolerance)) continue;
    } else if (options.refine && best.path == SolvePath::asGiven) {
      // Kept only where Newton's method confirms it: a point it cannot improve stays.
      Point refined = p;
      refined.error = checked(system, refined.at, refineTowardsRoot(system, refined.at),
                              options.imaginaryTolerance > kRealEigenvalueTolerance);
      if (refined.error <= kForwardTolerance) p = refined;
    }
    const ComplexPoint s = p.at * std::ldexp(1.0, exponent);
    // Coefficients that lost bits below the normal range changed the equations solved (a
    // constant of 1e-300 beside a coefficient of 1e300 becomes 0), and at a real point a term
    // may have underflowed in the checks (a tiny coordinate, or a tiny coefficient): check
    // the originals, in full range. (Points judged as complex do not solve them in their
    // real parts.)
    if ((!scaling.exact || underflowMayHide(system, p.at)) && !output.complex &&
        !(largestRelativeResidualInFullRange(original, s(0).real(), s(1).real(), s(2).real(),
                                             kRealResidualTolerance) <= kRealResidualTolerance))
      continue;
    if (output.complex)
      output.complex->push_back({s(0), s(1), s(2)});
    else
      output.real->push_back({s(0).real(), s(1).real(), s(2).real()});
    ++returned;
  }
  if (report.status == SolveStatus::dependentEquations) return report;
  report.path = best.path;
  report.centringRounds = best.centringRounds;
  if (!best.ran && returned == 0)
    report.status = SolveStatus::declined, report.path = SolvePath::none;
  else
    report.status = best.complete() ? SolveStatus::solved : SolveStatus::partial;
  if (report.status == SolveStatus::partial && returned == 0)
    report.status = SolveStatus::declined, report.path = SolvePath::none;
  return report;
}

SolveReport solveSystem(const std::array<const double*, kEquationCount>& arguments,
                        const SolveOptions& options, const Output& output) {
  const Prepared prepared = prepare(arguments);
  return prepared.ready ? solvePrepared(prepared, options, output) : prepared.report;
}

}  // namespace quorvane
