// SPDX-License-Identifier: BSD-3-Clause
// What a call returns: the verified points of its best try, in the caller's variables, and
// the status that says what became of it.
#include <cmath>

#include "tries.h"

namespace quorvane {

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
