// SPDX-License-Identifier: BSD-3-Clause
// Three quadratic equations as one fixed-size matrix, and how well a point satisfies them.
#pragma once

#include <Eigen/Core>
#include <complex>

namespace quorvane {

inline constexpr int kEquationCount = 3;
inline constexpr int kCoefficientCount = 10;

/// Row e is equation e; columns are the coefficients of 1, xy, xz, yz, x², y², z², x, y, z.
using Equations = Eigen::Matrix<double, kEquationCount, kCoefficientCount>;

/// The equations reordered for the reduction: row e is equation e, columns x², xy, y², xz,
/// yz, z², x, y, z, 1. Its rows may be dropped, so its size is dynamic, within fixed storage.
using CoefficientMatrix = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::ColMajor,
                                        kEquationCount, kCoefficientCount>;

/// Total degree of the monomial of each coefficient column.
inline constexpr int kDegreeOfCoefficient[kCoefficientCount] = {0, 2, 2, 2, 2, 2, 2, 1, 1, 1};

/// The first ten entries, in storage order, of each argument.
Equations stackEquations(const Eigen::MatrixXd& first, const Eigen::MatrixXd& second,
                         const Eigen::MatrixXd& third);

/// The largest over the three equations of |value| / Σ |coefficient · monomial| at the
/// point: scale-free in the equations and the variables. 0 where all terms vanish.
double largestRelativeResidual(const Equations& equations, std::complex<double> x,
                               std::complex<double> y, std::complex<double> z);
/// The same at a real point, in real arithmetic: the same value as at (x + 0i, y + 0i, z + 0i).
double largestRelativeResidual(const Equations& equations, double x, double y, double z);

/// The same at a complex point, or infinity where an equation's terms sum to below the normal
/// range while one of them is not zero in exact arithmetic: there products may have
/// underflowed to nothing (coordinates of 2e-234 square to zero) and the value cannot judge.
double largestRelativeResidualClearOfUnderflow(const Equations& equations, std::complex<double> x,
                                               std::complex<double> y, std::complex<double> z);

/// The same measure at a real point, but with every term kept as mantissa and exponent, so
/// that nothing over- or underflows whatever the sizes of the coefficients and the point.
/// What rounding the point to doubles can change counts in full, not scaled by `tolerance`:
/// a point within rounding of a root passes (a true coordinate of 1e-400 is 0 in double).
double largestRelativeResidualInFullRange(const Equations& equations, double x, double y, double z,
                                          double tolerance);

}  // namespace quorvane
