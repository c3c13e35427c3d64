// SPDX-License-Identifier: BSD-3-Clause
// quorvane: every real solution of three quadratic equations in x, y, z.
#pragma once

#include <Eigen/Core>
#include <array>
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

/// Appends to `solutions` every real solution of the three equations
///
///     c[0] + c[1] xy + c[2] xz + c[3] yz + c[4] x² + c[5] y² + c[6] z²
///          + c[7] x + c[8] y + c[9] z = 0,
///
/// one equation per argument. Each argument holds at least ten coefficients in that order
/// (1, xy, xz, yz, x², y², z², x, y, z), read in storage order; further entries are ignored.
///
/// Method: the equations are reduced by Gauss-Jordan elimination, expanded into a fixed
/// 25 x 33 elimination template, and the eigenvectors of the 8 x 8 matrix of multiplication
/// by z in the basis z³, xz, yz, z², x, y, z, 1 give the solutions. A system has at most
/// eight; a candidate counts as real when the imaginary part of its z is below 1e-4 in
/// magnitude, and the real parts of its x, y and z are returned. Solutions come in the
/// eigen-solver's order (not sorted); a near-real complex pair comes out as two equal
/// solutions. A solution whose eigenvector has a zero last entry comes out as NaN.
///
/// Every returned finite solution is verified by its forward error: one Newton step from it,
/// with the equations' values computed in compensated arithmetic (as if in twice the
/// precision), is at most 1e-9 of max(1, |point|) in variables scaled to the solutions' size,
/// and each equation's value there is at most 1e-8 of the sum of its terms' magnitudes.
/// Equations and variables far from order one are first scaled by exact powers of two.
/// Systems whose candidates do not all verify are solved again with the variables
/// translated to where the candidates lie (clusters far from the origin, map coordinates),
/// and in fixed other coordinates (no xy term anywhere, two solutions sharing z, equations
/// whose quadratic parts cancel such as three spheres, solutions at infinity), translated
/// too where needed; what these tries return is refined by Newton's method on the original
/// coefficients, in compensated arithmetic, until the step stops shrinking. A near-real
/// pair or a root reached twice is checked for two close real roots behind it, which then
/// come back as two points. Solutions at infinity are not returned.
///
/// Systems the template verifies as they stand come back exactly as the template gives them,
/// unrefined and in the eigen-solver's order.
///
/// Bad input appends nothing: an argument with fewer than ten entries, a coefficient that
/// is NaN or infinite, equations that depend on each other (a curve of solutions, not
/// points). Nothing is thrown for numerical reasons.
///
/// Deterministic, keeps no state, and safe to call from several threads at once. Cost: about
/// 12-15 µs on generic systems, two to eight times that when the variables are translated or
/// other coordinates are needed; a few small heap allocations for the template and its
/// factorisation.
///
/// Example, the worked system (x + y - 1)(x + y - 6) = 0, (x - y + z + 1)(x - y + z - 2) = 0,
/// (x + 2y - z - 3)(x + 2y - z + 2) = 0 with eight real solutions:
///
///     Eigen::MatrixXd a(10, 1), b(10, 1), c(10, 1);
///     a << 6, 2, 0, 0, 1, 1, 0, -7, -7, 0;
///     b << -2, -2, 2, -2, 1, 1, 1, -1, 1, -1;
///     c << -6, 4, -2, -4, 1, 4, 1, -1, -2, 1;
///     quorvane::SolutionList solutions;
///     quorvane::solveThreeQuadrics(a, b, c, solutions);  // eight solutions
void solveThreeQuadrics(const Eigen::MatrixXd& first, const Eigen::MatrixXd& second,
                        const Eigen::MatrixXd& third, SolutionList& solutions);

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

/// A solution with complex coordinates.
struct ComplexSolution {
  std::complex<double> x;  ///< the point's x
  std::complex<double> y;  ///< the point's y
  std::complex<double> z;  ///< the point's z
};
using ComplexSolutionList = std::vector<ComplexSolution>;

/// solveThreeQuadrics with options and a report, on ten coefficients per equation read
/// straight from memory (no copy is made of them). Appends the real solutions to `solutions`.
///
/// Unlike the three-argument call, no NaN column is ever appended: an eigenvector without
/// its entry for 1 belongs to a solution at infinity, which is not a point of the system.
/// With default options, every other column is bit for bit what the three-argument call
/// returns, in the same order.
SolveReport solveThreeQuadrics(const double* first, const double* second, const double* third,
                               SolutionList& solutions, const SolveOptions& options = {});

/// The same on fixed arrays.
SolveReport solveThreeQuadrics(const std::array<double, 10>& first,
                               const std::array<double, 10>& second,
                               const std::array<double, 10>& third, SolutionList& solutions,
                               const SolveOptions& options = {});

/// The same on Eigen matrices of at least ten entries (read in storage order).
SolveReport solveThreeQuadrics(const Eigen::MatrixXd& first, const Eigen::MatrixXd& second,
                               const Eigen::MatrixXd& third, SolutionList& solutions,
                               const SolveOptions& options);

/// Every finite solution of the system, real or not, as complex points (at most eight), each
/// verified on the original equations; `imaginaryTolerance` plays no part. Solutions at
/// infinity are not points and are not returned.
SolveReport solveThreeQuadricsComplex(const double* first, const double* second,
                                      const double* third, ComplexSolutionList& solutions,
                                      const SolveOptions& options = {});

}  // namespace quorvane

// Many systems per call.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace quorvane {

/// The solutions of a batch of systems, each beside the index of the system it solves.
template <class Point>
struct BasicBatchSolutions {
  std::vector<Point> solutions;  ///< in system order, as solveBatch describes
  std::vector<std::int64_t> system;  ///< system[i]: index of the system that solutions[i] solves
  /// With BatchOptions::reportEach, reports[k] tells what became of system k; else empty.
  std::vector<SolveReport> reports;
};
using BatchSolutions = BasicBatchSolutions<Solution>;
using ComplexBatchSolutions = BasicBatchSolutions<ComplexSolution>;

/// How a batch ended.
enum class BatchStatus {
  complete,   ///< every system was solved
  cancelled,  ///< stopped by `cancel` or `interrupted`; the result is empty
};

/// How a batch is run.
struct BatchOptions {
  /// Worker threads at most, the calling thread among them; 0 counts as 1.
  unsigned threads = 1;
  /// Another thread is started only for every `systemsPerThread` systems, so that a small
  /// batch does not pay for threads it cannot keep busy; 0 counts as 1.
  std::size_t systemsPerThread = 64;
  /// Options of every single solve.
  SolveOptions solve;
  /// Read by every worker between chunks of systems; true stops the batch.
  const std::atomic<bool>* cancel = nullptr;
  /// Called on the calling thread only, between its chunks (every few hundred microseconds
  /// while there is work); returning true stops the batch. Lets a host poll its own
  /// interrupt state on the thread that is allowed to.
  std::function<bool()> interrupted;
  /// Fill BasicBatchSolutions::reports, one report per system.
  bool reportEach = false;
};

/// Solves `count` systems and replaces the contents of `out` with their real solutions.
///
/// Layout: `coefficients` holds 30 doubles per system, system after system; each system is
/// its first, second and third equation, ten coefficients each in the order of
/// solveThreeQuadrics (1, xy, xz, yz, x², y², z², x, y, z). System k starts at
/// coefficients[30 k]. `coefficients` may be null when `count` is zero. It is read while
/// the call runs and must not change meanwhile.
///
/// Order: solutions of system 0 first, then of system 1, and so on; within a system, the
/// order of a single call. `out.system` is non-decreasing, and a system without real
/// solutions (or declined, or bad) has no entry. Every solution is bit for bit what
/// solveThreeQuadrics with `options.solve` returns for that system alone, whatever the
/// number of threads and however the work fell to them.
///
/// Threads: workers take chunks of a few systems from a shared counter, so a worker on a
/// busy core simply takes fewer; each keeps its own solutions, joined in system order at
/// the end. Cancelling (through `cancel` or `interrupted`) stops every worker after its
/// current chunk and returns BatchStatus::cancelled with `out` empty. An exception in a
/// worker (out of memory) stops the others and is rethrown on the calling thread after all
/// workers have stopped, with `out` unspecified.
///
/// Cost: that of `count` single calls spread over the workers, plus starting the threads
/// (tens of microseconds each) and one copy of every solution into `out`.
BatchStatus solveBatch(const double* coefficients, std::size_t count, BatchSolutions& out,
                       const BatchOptions& options);

/// The same with every finite solution as a complex point (see solveThreeQuadricsComplex).
BatchStatus solveBatchComplex(const double* coefficients, std::size_t count,
                              ComplexBatchSolutions& out, const BatchOptions& options);

/// solveBatch with default options on `threads` workers.
void solveBatch(const double* coefficients, std::size_t count, BatchSolutions& out,
                unsigned threads = 1);

}  // namespace quorvane

// ---- The coefficient order from quadric matrices and spheres ----------------------------

namespace quorvane {

/// The ten coefficients of one equation, in the order solveThreeQuadrics reads them:
/// 1, xy, xz, yz, x², y², z², x, y, z. Converts to the Eigen::MatrixXd it takes.
using QuadricCoefficients = Eigen::Matrix<double, 10, 1>;

/// The coefficients of the quadric [x y z 1] Q [x y z 1]ᵀ = 0 given by its 4 x 4 matrix Q
/// (rows and columns in the order x, y, z, 1). Only the symmetric part (Q + Qᵀ) / 2 enters
/// the equation, so the off-diagonal pairs are summed: c[1] (xy) = Q(0,1) + Q(1,0), and so on;
/// the diagonal gives c[4..6] (x², y², z²) and c[0] = Q(3,3).
QuadricCoefficients quadricCoefficients(const Eigen::Matrix4d& quadric);

/// The coefficients of the sphere |(x, y, z) - centre|² - radius² = 0:
/// |centre|² - radius², 0, 0, 0, 1, 1, 1, -2 centre.x, -2 centre.y, -2 centre.z.
/// Three spheres (trilateration from three anchors and ranges) are a system
/// solveThreeQuadrics takes: it returns the two mirror positions, or one when they meet.
QuadricCoefficients sphereCoefficients(const Eigen::Vector3d& centre, double radius);

/// The symmetric 4 x 4 matrix Q of the equation with these coefficients, so that
/// quadricCoefficients(quadricMatrix(c)) == c exactly (halving and doubling are exact).
Eigen::Matrix4d quadricMatrix(const QuadricCoefficients& coefficients);

}  // namespace quorvane
