// SPDX-License-Identifier: BSD-3-Clause
#include "gauss_jordan.h"

#include <gtest/gtest.h>

#include <Eigen/LU>
#include <cstring>
#include <limits>
#include <random>

namespace quorvane {
namespace {

Eigen::MatrixXd reduced(Eigen::MatrixXd matrix, PivotColumns* pivots = nullptr) {
  PivotColumns found;
  gaussJordanReduce(matrix, found);
  if (pivots) *pivots = found;
  return matrix;
}

Eigen::MatrixXd randomMatrix(int rows, int cols, unsigned seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> uniform(-1, 1);
  return Eigen::MatrixXd::NullaryExpr(rows, cols, [&] { return uniform(rng); });
}

TEST(GaussJordan, LeavesEmptyAndNegligibleMatricesUnchanged) {
  const Eigen::MatrixXd cases[] = {
      Eigen::MatrixXd(0, 10),
      Eigen::MatrixXd(3, 0),
      Eigen::MatrixXd::Zero(3, 10),
      Eigen::MatrixXd::Constant(3, 10, 1e-10),
      Eigen::MatrixXd::Constant(2, 4, -1e-10),
      Eigen::MatrixXd::Constant(2, 3, std::numeric_limits<double>::quiet_NaN())};
  for (const Eigen::MatrixXd& input : cases) {
    PivotColumns pivots;
    const Eigen::MatrixXd output = reduced(input, &pivots);
    EXPECT_EQ(output.rows(), input.rows());
    EXPECT_EQ(output.cols(), input.cols());
    EXPECT_EQ(pivots.count, 0);
    // Bitwise, so that NaN entries compare too.
    if (input.size() > 0) {
      EXPECT_EQ(0, std::memcmp(output.data(), input.data(), sizeof(double) * input.size()));
    }
  }
}

TEST(GaussJordan, GenericMatrixGetsIdentityInLeadingBlockAndKeepsItsRowSpace) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    const Eigen::MatrixXd input = randomMatrix(3, 10, seed);
    PivotColumns pivots;
    const Eigen::MatrixXd output = reduced(input, &pivots);
    ASSERT_EQ(output.rows(), 3);
    EXPECT_EQ(pivots.count, 3);
    EXPECT_EQ(pivots.forward, (std::array<int, 3>{0, 1, 2}));
    EXPECT_EQ(pivots.backward[1], 1);
    EXPECT_EQ(pivots.backward[2], 2);
    EXPECT_TRUE(output.leftCols(3).isApprox(Eigen::Matrix3d::Identity(), 1e-12))
        << output.leftCols(3);
    // Each output row is a combination of the input rows: output = C · input with
    // C = output(:, 0:3) · input(:, 0:3)^-1.
    const Eigen::MatrixXd combination = input.leftCols(3).inverse();
    EXPECT_TRUE((combination * input).isApprox(output, 1e-10));
    // The diagonal is exactly 1: the pivot row was divided by its own entry.
    for (int r = 0; r < 3; ++r) EXPECT_EQ(output(r, r), 1.0);
  }
}

TEST(GaussJordan, ZeroFirstColumnMovesPivotsRight) {
  Eigen::MatrixXd input = randomMatrix(3, 10, 7);
  input.col(0).setZero();
  PivotColumns pivots;
  const Eigen::MatrixXd output = reduced(input, &pivots);
  ASSERT_EQ(output.rows(), 3);
  EXPECT_EQ(pivots.forward, (std::array<int, 3>{1, 2, 3}));
  EXPECT_TRUE(output.col(0).isZero(0));
  EXPECT_TRUE(output.middleCols(1, 3).isApprox(Eigen::Matrix3d::Identity(), 1e-12));
}

TEST(GaussJordan, RankLossDropsRowsWithoutPivot) {
  Eigen::MatrixXd input = randomMatrix(3, 10, 3);
  input.row(2) = -2.5 * input.row(0);
  PivotColumns pivots;
  const Eigen::MatrixXd output = reduced(input, &pivots);
  EXPECT_EQ(output.rows(), 2);
  EXPECT_EQ(output.cols(), 10);
  EXPECT_EQ(pivots.count, 2);
  EXPECT_TRUE(output.leftCols(2).isApprox(Eigen::Matrix2d::Identity(), 1e-12));

  // More rows than columns: at most as many pivots as columns.
  const Eigen::MatrixXd tall = reduced(randomMatrix(5, 2, 11));
  EXPECT_EQ(tall.rows(), 2);
  EXPECT_TRUE(tall.isApprox(Eigen::Matrix2d::Identity(), 1e-12));
}

TEST(GaussJordan, TieGoesToLowerRowAndPivotRowIsDividedWithItsSign) {
  Eigen::MatrixXd input(2, 3);
  input << -2, 4, 6, 2, 1, 0;
  PivotColumns pivots;
  const Eigen::MatrixXd output = reduced(input, &pivots);
  // Row 0 stays the pivot row and is divided by -2: (1, -2, -3). Row 1 minus 2·row 0:
  // (0, 5, 6), divided by 5; then row 0 plus 2·row 1.
  Eigen::MatrixXd expected(2, 3);
  expected << 1, 0, -3 + 2 * (6.0 / 5), 0, 1, 6.0 / 5;
  EXPECT_TRUE(output.isApprox(expected, 1e-15)) << output;
}

TEST(GaussJordan, SingleRowIsDividedByItsFirstSignificantEntry) {
  Eigen::MatrixXd input(1, 4);
  input << 1e-11, 0, 4, 2;
  const Eigen::MatrixXd output = reduced(input);
  Eigen::MatrixXd expected(1, 4);
  expected << 1e-11 / 4, 0, 1, 0.5;
  EXPECT_EQ(output, expected);
}

TEST(GaussJordan, ToleranceBoundaryIsStrictForwardAndInclusiveBackward) {
  // Forward: 1e-10 is not a pivot, nor eliminated under one.
  Eigen::MatrixXd input(2, 3);
  input << 1e-10, 1, 0, 1e-10, 0, 1;
  PivotColumns pivots;
  Eigen::MatrixXd output = reduced(input, &pivots);
  EXPECT_EQ(pivots.forward[0], 1);
  EXPECT_EQ(pivots.forward[1], 2);
  // Backward: row 1's first entry not below 1e-10 is column 0, so row 1 clears row 0 in
  // column 0 (where row 0 holds 1e-10: not above the tolerance, so nothing happens).
  EXPECT_EQ(pivots.backward[1], 0);
  EXPECT_EQ(output, input);

  // An entry of exactly 1e-10 that the forward pass passed over becomes its row's pivot
  // column in the back substitution, taken to be 1.
  input << 1, 0.5, 0, 0, 1e-10, 1;
  output = reduced(input, &pivots);
  EXPECT_EQ(pivots.forward[0], 0);
  EXPECT_EQ(pivots.forward[1], 2);
  EXPECT_EQ(pivots.backward[1], 1);
  EXPECT_EQ(output(0, 1), 0.5 - 0.5 * 1e-10);
  EXPECT_EQ(output(0, 2), -0.5);
}

TEST(GaussJordan, SmallPivotCanLeaveLeftoverLeftOfIt) {
  // The x²-coefficient 1e-10 under the first pivot is not eliminated; dividing its row by the
  // small pivot 1e-3 makes it 1e-7, so the back substitution takes column 0 for that row.
  Eigen::MatrixXd input(3, 4);
  input << 1, 0, 0, 1, 1e-10, 1e-3, 0, 1, 0, 0, 1, 1;
  PivotColumns pivots;
  const Eigen::MatrixXd output = reduced(input, &pivots);
  EXPECT_EQ(pivots.forward, (std::array<int, 3>{0, 1, 2}));
  EXPECT_EQ(pivots.backward[2], 2);
  EXPECT_EQ(pivots.backward[1], 0);
  EXPECT_DOUBLE_EQ(output(1, 0), 1e-7);
}

}  // namespace
}  // namespace quorvane
