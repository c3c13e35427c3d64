// SPDX-License-Identifier: BSD-3-Clause
// Solves (x + y - 1)(x + y - 6) = 0, (x - y + z + 1)(x - y + z - 2) = 0,
// (x + 2y - z - 3)(x + 2y - z + 2) = 0 and prints its eight real solutions.
#include <quorvane/solver.h>

#include <cstdio>

int main() {
  Eigen::MatrixXd first(10, 1), second(10, 1), third(10, 1);
  // Coefficients of 1, xy, xz, yz, x², y², z², x, y, z.
  first << 6, 2, 0, 0, 1, 1, 0, -7, -7, 0;
  second << -2, -2, 2, -2, 1, 1, 1, -1, 1, -1;
  third << -6, 4, -2, -4, 1, 4, 1, -1, -2, 1;

  quorvane::SolutionList solutions;
  quorvane::solveThreeQuadrics(first, second, third, solutions);

  std::printf("%zu real solutions (x, y, z):\n", solutions.size());
  for (const quorvane::Solution& s : solutions)
    std::printf("%12.6f %12.6f %12.6f\n", s.x, s.y, s.z);
  return solutions.empty() ? 1 : 0;
}
