// SPDX-License-Identifier: BSD-3-Clause
// The equation's coefficients and its symmetric 4 x 4 matrix, one table for both ways.
#include <array>

#include "quorvane/solver.h"

namespace quorvane {
namespace {

// Entry of Q (rows and columns x, y, z, 1) that holds each coefficient; off the diagonal
// it holds half of it, and its mirror the other half.
struct QuadricEntry {
  int row, column;
};
constexpr std::array<QuadricEntry, 10> kQuadricEntryOfCoefficient = {
    {{3, 3}, {0, 1}, {0, 2}, {1, 2}, {0, 0}, {1, 1}, {2, 2}, {0, 3}, {1, 3}, {2, 3}}};

}  // namespace

QuadricCoefficients quadricCoefficients(const Eigen::Matrix4d& quadric) {
  QuadricCoefficients c;
  for (int i = 0; i < c.size(); ++i) {
    const QuadricEntry& at = kQuadricEntryOfCoefficient[i];
    c(i) = at.row == at.column ? quadric(at.row, at.column)
                               : quadric(at.row, at.column) + quadric(at.column, at.row);
  }
  return c;
}

QuadricCoefficients sphereCoefficients(const Eigen::Vector3d& centre, double radius) {
  QuadricCoefficients c;
  c << centre.squaredNorm() - radius * radius, 0, 0, 0, 1, 1, 1, -2 * centre;
  return c;
}

Eigen::Matrix4d quadricMatrix(const QuadricCoefficients& coefficients) {
  Eigen::Matrix4d q;
  for (int i = 0; i < coefficients.size(); ++i) {
    const QuadricEntry& at = kQuadricEntryOfCoefficient[i];
    const double value = at.row == at.column ? coefficients(i) : 0.5 * coefficients(i);
    q(at.row, at.column) = q(at.column, at.row) = value;
  }
  return q;
}

}  // namespace quorvane
