// SPDX-License-Identifier: BSD-3-Clause
// Every real (or complex) solution of one system of three quadratic equations in x, y, z.
#pragma once

#include <Eigen/Core>
#include <array>

#include "quorvane/types.h"

namespace quorvane {

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
/// Deterministic, keeps no state, and safe to call from several threads at once. Cost: on a
/// system the template verifies as it stands, one LU solve of the template's 25 x 25 block and
/// one 8 x 8 eigen-decomposition, with a few small heap allocations for the template and its
/// factorisation; each further try (translated variables, other coordinates) costs as much
/// again, with Newton's method on its candidates.
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

/// solveThreeQuadrics with options and a report, on ten coefficients per equation read
/// straight from memory (no copy is made of them). Appends the real solutions to `solutions`.
///
/// Unlike the three-argument call, no NaN column is ever appended: an eigenvector without
/// its entry for 1 belongs to a solution at infinity, which is not a point of the system.
/// With default options, every other column is bit for bit what the three-argument call
/// returns, in the same order, except that a near-real conjugate pair comes back once
/// (PointKind::nearDouble) where the three-argument call returns it twice. The report tells
/// what each returned point is (the report's `kind`) and, with `certify`, proves it
/// (its `radius`) and whether the real solutions are all there
/// (its `certified`). A system solved with no real point reports
/// SolveStatus::noRealSolution.
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

/// Each point's relative residual in each equation: column j holds, for equations 0, 1 and 2,
/// |f_e(p_j)| / Σ_i |c_ei m_i(p_j)|, the equation's value over the sum of its terms' magnitudes
/// (1, xy, xz, yz, x², y², z², x, y, z at the point), the measure the solver verifies with;
/// |f_e(p_j)| where every term vanishes. Scale-free in the equations and the variables, and
/// computed in double, the terms summed in coefficient order: a root of well-scaled
/// equations gives a few 1e-16, and a point off the solutions gives order one. A NaN
/// coefficient or coordinate gives NaN.
Eigen::Matrix3Xd residuals(const double* first, const double* second, const double* third,
                           const SolutionList& points);
/// The same at complex points (each magnitude the complex one).
Eigen::Matrix3Xd residuals(const double* first, const double* second, const double* third,
                           const ComplexSolutionList& points);

}  // namespace quorvane
