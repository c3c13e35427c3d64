#include "equations.h"

#include <Eigen/LU>
#include <algorithm>
#include <cmath>

namespace quorvane {

Equations stackEquations(const Eigen::MatrixXd& first, const Eigen::MatrixXd& second,
                         const Eigen::MatrixXd& third) {
  Equations equations;
  equations.row(0) = first.reshaped().head<kCoefficientCount>().transpose();
  equations.row(1) = second.reshaped().head<kCoefficientCount>().transpose();
  equations.row(2) = third.reshaped().head<kCoefficientCount>().transpose();
  return equations;
}

double largestRelativeResidual(const Equations& equations, std::complex<double> x,
                               std::complex<double> y, std::complex<double> z) {
  const std::complex<double> monomials[kCoefficientCount] = {1.0,   x * y, x * z, y * z, x * x,
                                                             y * y, z * z, x,     y,     z};
  double largest = 0;
  for (int e = 0; e < kEquationCount; ++e) {
    std::complex<double> value = 0;
    double size = 0;
    for (int i = 0; i < kCoefficientCount; ++i) {
      const std::complex<double> term = equations(e, i) * monomials[i];
      value += term;
      size += std::abs(term);
    }
    const double residual = size > 0 ? std::abs(value) / size : std::abs(value);
    // A NaN residual must fail every comparison that accepts.
    if (!(residual <= largest)) largest = residual;
  }
  return largest;
}

double refineByNewton(const Equations& equations, std::complex<double>& x, std::complex<double>& y,
                      std::complex<double>& z) {
  constexpr int kSteps = 3;
  double residual = largestRelativeResidual(equations, x, y, z);
  for (int step = 0; step < kSteps && residual > 0; ++step) {
    Eigen::Vector3cd value;
    Eigen::Matrix3cd jacobian;
    for (int e = 0; e < kEquationCount; ++e) {
      const auto c = equations.row(e);
      value(e) = c(0) + c(1) * x * y + c(2) * x * z + c(3) * y * z + c(4) * x * x + c(5) * y * y +
                 c(6) * z * z + c(7) * x + c(8) * y + c(9) * z;
      jacobian(e, 0) = c(1) * y + c(2) * z + 2.0 * c(4) * x + c(7);
      jacobian(e, 1) = c(1) * x + c(3) * z + 2.0 * c(5) * y + c(8);
      jacobian(e, 2) = c(2) * x + c(3) * y + 2.0 * c(6) * z + c(9);
    }
    const Eigen::Vector3cd step3 = jacobian.partialPivLu().solve(value);
    const std::complex<double> nx = x - step3(0), ny = y - step3(1), nz = z - step3(2);
    const double refined = largestRelativeResidual(equations, nx, ny, nz);
    if (!(refined < residual)) break;
    x = nx, y = ny, z = nz, residual = refined;
  }
  return residual;
}

}  // namespace quorvane
