// SPDX-License-Identifier: BSD-3-Clause
// The types of quorvane's calls: solutions, options and reports.
#pragma once

#include <array>
#include <complex>
#include <limits>
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
  standard,  ///< one LU solve of the template and a full eigen-decomposition (the
             ///< three-argument call's)
  fast,      ///< the structure stage, the template's block structure and the real roots of
             ///< the characteristic polynomial (the default of the calls with options); any
             ///< system it cannot vouch for goes the standard way, and so do the calls for
             ///< complex points and those with a wider imaginary tolerance
};

/// What a call with options may do beyond the three-argument call.
struct SolveOptions {
  /// A candidate counts as real when the imaginary part of its z is below this magnitude
  /// (strictly). A wider tolerance keeps near-real solutions of noisy data, as the real
  /// parts of complex solutions whose every coordinate is within the tolerance of real,
  /// relative to max(1, |point|) (PointKind::approximate); never a point whose x or y is
  /// far from real. Finite and zero or positive: a call given another refuses it
  /// (SolveStatus::badInput, InputProblem::badOption) and returns nothing.
  double imaginaryTolerance = 1e-4;
  /// Newton steps on the original equations, in compensated arithmetic, for every returned
  /// solution until the step stops shrinking.
  bool refine = false;
  /// How the eigen-pairs are computed: the fast method by default (as complete and as accurate
  /// as the standard one on every family measured, and several times faster); the
  /// three-argument call keeps the standard one.
  Method method = Method::fast;
  /// Prove every returned point: an interval Newton (Krawczyk) test, with its rounding
  /// accounted for, on a box around it that then holds exactly one solution
  /// (the report's `radius`), and prove the real solution set complete where the proved boxes
  /// account for all eight solutions (the report's `certified`).
  bool certify = false;
};

/// What a returned point is.
enum class PointKind {
  root,         ///< a solution of the system: verified, or proved where certification was asked
  nearDouble,   ///< a complex pair, or two real roots, that the input's precision cannot tell
                ///< from one real double root: returned once, as its real point. With the
                ///< fast method, three spheres' pair whose real part solves the equations to
                ///< their rounding is one however far off the real space, under a tolerance
                ///< not below the default (mirror positions at map coordinates that the
                ///< rounding of the constants made complex). Also a multiple root (a triple
                ///< root), returned once by the calls with options, which then do not say
                ///< solved
  approximate,  ///< only under an imaginary tolerance wider than the default: the real part
                ///< of a complex solution whose every coordinate is within the tolerance of
                ///< real, relative to max(1, |point|); returned once for a conjugate pair
};

/// Points of one system at most: three quadrics meet in eight points (Bézout).
inline constexpr int kMostSolutions = 8;

/// The radius of a point that was not proved.
inline constexpr double kNotProved = std::numeric_limits<double>::quiet_NaN();

/// What became of a call.
enum class SolveStatus {
  solved,              ///< every candidate verified; the real ones were returned (maybe none)
  partial,             ///< no try verified every candidate; the verified ones were returned
  declined,            ///< the method could not solve the system; nothing was returned
  badInput,            ///< an argument too short or not finite, or an option out of its range;
                       ///< see `argument` and `problem`
  dependentEquations,  ///< the equations depend on each other: a curve of solutions, or none
  noRealSolution,      ///< every candidate verified, and none is a real point
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
  badOption,           ///< an option out of its range, e.g. an imaginaryTolerance that is
                       ///< negative, NaN or infinite (the argument is kOptionsArgument)
};

/// SolveReport::argument when the options are rejected: they come after the three equations,
/// arguments 0, 1 and 2.
inline constexpr int kOptionsArgument = 3;

/// The outcome of one call.
struct SolveReport {
  SolveStatus status = SolveStatus::declined;  ///< what became of the call
  SolvePath path = SolvePath::none;            ///< where the returned solutions were found
  /// badInput: the rejected argument, 0 for the first equation; kOptionsArgument (3) for the
  /// options.
  int argument = -1;
  InputProblem problem = InputProblem::none;  ///< badInput: what was wrong with it
  Method method = Method::standard;           ///< the method that gave the result
  int centringRounds = 0;                     ///< translations tried before the result
  /// The points this call returned, in order: kind[i] and radius[i] describe the i-th.
  int points = 0;
  std::array<PointKind, kMostSolutions> kind{};  ///< what each returned point is
  /// With certification: the half-width of the box around each returned point (the same in
  /// every coordinate, absolute, in the caller's variables) proved to hold exactly one
  /// solution of the equations as given; NaN where not proved or not asked.
  std::array<double, kMostSolutions> radius = {kNotProved, kNotProved, kNotProved, kNotProved,
                                               kNotProved, kNotProved, kNotProved, kNotProved};
  /// With certification: the real solution set is proved complete. The proved boxes are
  /// pairwise disjoint and, counting each non-real solution's box with its conjugate's, hold
  /// eight solutions, all that three quadrics with finitely many common points can have; the
  /// real ones are exactly the points returned.
  bool certified = false;
};

}  // namespace quorvane
