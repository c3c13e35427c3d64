// SPDX-License-Identifier: BSD-3-Clause
#include "gauss_jordan.h"

#include <cmath>
#include <cstdint>

#include "equations.h"

namespace quorvane {
namespace {

bool exceedsTolerance(double value) {
  return std::abs(value) > kReductionTolerance;
}

// row(target) -= factor * row(pivot), the product rounded before the difference.
template <typename Matrix>
void subtractMultipleOfRow(Eigen::PlainObjectBase<Matrix>& matrix, std::int32_t target,
                           std::int32_t pivot, double factor) {
  for (Eigen::Index t = 0; t < matrix.cols(); ++t) {
    const double product = factor * matrix(pivot, t);
    matrix(target, t) = matrix(target, t) - product;
  }
}

}  // namespace

void gaussJordanReduce(Eigen::MatrixXd& matrix) {
  PivotColumns ignored;
  gaussJordanReduce(matrix, ignored);
}

template <typename Matrix>
void gaussJordanReduce(Eigen::PlainObjectBase<Matrix>& matrix, PivotColumns& pivots) {
  pivots = PivotColumns{};
  const auto rows = static_cast<std::int32_t>(matrix.rows());
  const auto cols = static_cast<std::int32_t>(matrix.cols());
  const std::int32_t maxPivots = rows < cols ? rows : cols;
  if (maxPivots < 1) return;

  // Forward pass. The strict comparison against a running maximum that starts at -1 lets
  // the lowest row win a tie and never picks a NaN.
  std::int32_t found = 0;
  for (std::int32_t j = 0; j < cols && found < maxPivots; ++j) {
    double largest = -1.0;
    std::int32_t candidate = found;
    for (std::int32_t i = found; i < rows; ++i) {
      if (std::abs(matrix(i, j)) > largest) {
        largest = std::abs(matrix(i, j));
        candidate = i;
      }
    }
    if (!(largest > kReductionTolerance)) continue;

    if (candidate != found) matrix.row(candidate).swap(matrix.row(found));

    // A true division, so that the pivot becomes exactly 1 and the row is rounded once.
    const double pivot = matrix(found, j);
    for (std::int32_t t = 0; t < cols; ++t) matrix(found, t) = matrix(found, t) / pivot;

    for (std::int32_t i = found + 1; i < rows; ++i) {
      const double factor = matrix(i, j);
      if (exceedsTolerance(factor)) subtractMultipleOfRow(matrix, i, found, factor);
    }
    if (found < 3) pivots.forward[found] = j;
    ++found;
  }
  pivots.count = found;
  if (found == 0) return;

  if (found < rows) matrix.conservativeResize(found, Eigen::NoChange);

  // Back substitution. A row's pivot is its first entry not below the tolerance; an entry of
  // exactly 1e-10 counts here, and a NaN ends the scan.
  for (std::int32_t r = found - 1; r >= 1; --r) {
    std::int32_t pivotColumn = -1;
    for (std::int32_t t = 0; t < cols; ++t) {
      if (!(std::abs(matrix(r, t)) < kReductionTolerance)) {
        pivotColumn = t;
        break;
      }
    }
    if (pivotColumn < 0) break;
    if (r < 3) pivots.backward[r] = pivotColumn;
    for (std::int32_t i = r - 1; i >= 0; --i) {
      const double factor = matrix(i, pivotColumn);
      if (exceedsTolerance(factor)) subtractMultipleOfRow(matrix, i, r, factor);
    }
  }
}

template void gaussJordanReduce(Eigen::PlainObjectBase<Eigen::MatrixXd>&, PivotColumns&);
template void gaussJordanReduce(Eigen::PlainObjectBase<CoefficientMatrix>&, PivotColumns&);

}  // namespace quorvane
