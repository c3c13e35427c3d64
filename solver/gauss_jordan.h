// SPDX-License-Identifier: BSD-3-Clause
// Reduced row-echelon form with partial pivoting and an absolute tolerance.
#pragma once

#include <Eigen/Core>
#include <array>

namespace quorvane {

/// Below this magnitude an entry counts as zero in the reduction.
inline constexpr double kReductionTolerance = 1e-10;

/// Where the reduction put its leading ones, for the first three pivot rows (-1: none).
struct PivotColumns {
  int count = 0;                            ///< pivots found in the forward pass
  std::array<int, 3> forward{-1, -1, -1};   ///< column of the forward pass's pivot in row r
  std::array<int, 3> backward{-1, -1, -1};  ///< column the back substitution used for row r
};

/// Brings `matrix` to reduced row-echelon form in place and drops the rows that got no
/// pivot. A matrix in which no entry exceeds the tolerance comes back unchanged.
void gaussJordanReduce(Eigen::MatrixXd& matrix);

/// The same reduction, also reporting where its pivots fell. Defined for Eigen::MatrixXd and
/// for the solver's CoefficientMatrix, whose storage is fixed.
template <typename Matrix>
void gaussJordanReduce(Eigen::PlainObjectBase<Matrix>& matrix, PivotColumns& pivots);

}  // namespace quorvane
