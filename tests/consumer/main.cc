// SPDX-License-Identifier: BSD-3-Clause
// Links the installed library and solves a system with eight known real solutions.
#include <quorvane/solver.h>

#include <cmath>
#include <cstdio>

int main() {
  Eigen::MatrixXd first(10, 1), second(10, 1), third(10, 1);
  first << 6, 2, 0, 0, 1, 1, 0, -7, -7, 0;      // (x + y - 1)(x + y - 6)
  second << -2, -2, 2, -2, 1, 1, 1, -1, 1, -1;  // (x - y + z + 1)(x - y + z - 2)
  third << -6, 4, -2, -4, 1, 4, 1, -1, -2, 1;   // (x + 2y - z - 3)(x + 2y - z + 2)
  quorvane::SolutionList solutions;
  quorvane::solveThreeQuadrics(first, second, third, solutions);
  int satisfied = 0;
  for (const quorvane::Solution& s : solutions) {
    const double a = (s.x + s.y - 1) * (s.x + s.y - 6);
    const double b = (s.x - s.y + s.z + 1) * (s.x - s.y + s.z - 2);
    const double c = (s.x + 2 * s.y - s.z - 3) * (s.x + 2 * s.y - s.z + 2);
    if (std::abs(a) + std::abs(b) + std::abs(c) < 1e-8) ++satisfied;
  }
  std::printf("consumer: %zu solutions, %d satisfy the equations\n", solutions.size(), satisfied);
  return solutions.size() == 8 && satisfied == 8 ? 0 : 1;
}
