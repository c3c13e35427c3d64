// SPDX-License-Identifier: BSD-3-Clause
// The types of quorvane's calls: solutions, options and reports.
#pragma once

#include <complex>
#include <vector>

namespace quorvane {

/// One real solution of the system.
struct Solution {
  double x;  ///< the point's x
  double y;  ///< the point's y
  double z;  ///< the point's z
};

/// Solutions in the order the solver found them.
using SolutionList = std::vector<Solution>;

/// A solution with complex coordinates.
struct ComplexSolution {
  std::complex<double> x;  ///< the point's x
  std::complex<double> y;  ///< the point's y
  std::complex<double> z;  ///< the point's z
};
using ComplexSolutionList = std::vector<ComplexSolution>;

/// How a call computes the action matrix's eigen-pairs.
enum class Method {
  standard,  ///< one LU solve of the template and a full eigen-decomposition (the default)
  fast,      ///< the template's block structure and the real roots of the characteristic
             ///< polynomial; any system it cannot vouch for goes the standard way, and so
             ///< do the calls for complex points
};

/// What a call with options may do beyond the three-argument call.
struct SolveOptions {
  /// A candidate counts as real when the imaginary part of its z is below this magnitude
  /// (strictly). Wider tolerances keep near-real solutions of noisy data, as real parts.
  double imaginaryTolerance = 1e-4;
  /// Newton steps on the original equations, in compensated arithmetic, for every returned
  /// solution until the step stops shrinking.
  bool refine = false;
  Method method = Method::standard;  ///< how the eigen-pairs are computed
};

/// What became of a call.
enum class SolveStatus {
  solved,              ///< every candidate verified; the real ones were returned (maybe none)
  partial,             ///< no try verified every candidate; the verified ones were returned
  declined,            ///< the method could not solve the system; nothing was returned
  badInput,            ///< an argument too short or not finite; see `argument` and `problem`
  dependentEquations,  ///< the equations depend on each other: a curve of solutions, or none
};

/// Which coordinates the returned solutions were found in.
enum class SolvePath {
  none,          ///< nothing was solved
  asGiven,       ///< the template on the equations as given (scaled by powers of two)
  centred,       ///< the variables translated to where the solutions lie
  firstChange,   ///< the first fixed projective change of coordinates
  secondChange,  ///< the second fixed projective change of coordinates
};

/// Why an argument was rejected.
enum class InputProblem {
  none,
  tooFewCoefficients,  ///< fewer than ten entries
  notFinite,           ///< a NaN or infinite coefficient
};

/// The outcome of one call.
struct SolveReport {
  SolveStatus status = SolveStatus::declined;  ///< what became of the call
  SolvePath path = SolvePath::none;            ///< where the returned solutions were found
  int argument = -1;                           ///< badInput: the rejected argument, 0 for the first
  InputProblem problem = InputProblem::none;   ///< badInput: what was wrong with it
  Method method = Method::standard;            ///< the method that gave the result
  int centringRounds = 0;                      ///< translations tried before the result
};

}  // namespace quorvane
