// Three quadratic equations as one fixed-size matrix, and how well a point satisfies them.
#pragma once

#include <Eigen/Core>
#include <complex>

namespace quorvane {

inline constexpr int kEquationCount = 3;
inline constexpr int kCoefficientCount = 10;

/// Row e is equation e; columns are the coefficients of 1, xy, xz, yz, x², y², z², x, y, z.
using Equations = Eigen::Matrix<double, kEquationCount, kCoefficientCount>;

/// Total degree of the monomial of each coefficient column.
inline constexpr int kDegreeOfCoefficient[kCoefficientCount] = {0, 2, 2, 2, 2, 2, 2, 1, 1, 1};

/// The first ten entries, in storage order, of each argument.
Equations stackEquations(const Eigen::MatrixXd& first, const Eigen::MatrixXd& second,
                         const Eigen::MatrixXd& third);

/// The largest over the three equations of |value| / Σ |coefficient · monomial| at the
/// point: scale-free in the equations and the variables. 0 where all terms vanish.
double largestRelativeResidual(const Equations& equations, std::complex<double> x,
                               std::complex<double> y, std::complex<double> z);

/// Newton steps on the three equations from (x, y, z), kept only while they lower the
/// largest relative residual, which is returned.
double refineByNewton(const Equations& equations, std::complex<double>& x, std::complex<double>& y,
                      std::complex<double>& z);

}  // namespace quorvane
