// SPDX-License-Identifier: BSD-3-Clause
// Links the installed library (static or shared) and solves a system with eight known real
// solutions through each kind of entry point: Eigen matrices, fixed arrays, a batch.
#include <quorvane/solver.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

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

  // The coefficient helpers link too: spheres about three anchors through (1, 2, 3).
  quorvane::SolutionList positions;
  const Eigen::Vector3d anchors[3] = {{0, 0, 0}, {5, 0, 0}, {0, 5, 0}};
  const Eigen::Vector3d point(1, 2, 3);
  quorvane::solveThreeQuadrics(
      quorvane::sphereCoefficients(anchors[0], (point - anchors[0]).norm()),
      quorvane::sphereCoefficients(anchors[1], (point - anchors[1]).norm()),
      quorvane::sphereCoefficients(anchors[2], (point - anchors[2]).norm()), positions);
  int atPoint = 0;
  for (const quorvane::Solution& s : positions)
    if ((Eigen::Vector3d(s.x, s.y, std::abs(s.z)) - point).norm() < 1e-9) ++atPoint;
  std::printf("consumer: %zu positions from three spheres, %d at (1, 2, +-3)\n", positions.size(),
              atPoint);
  using Equation = std::array<double, 10>;
  const std::array<Equation, 3> system = {Equation{6, 2, 0, 0, 1, 1, 0, -7, -7, 0},
                                          Equation{-2, -2, 2, -2, 1, 1, 1, -1, 1, -1},
                                          Equation{-6, 4, -2, -4, 1, 4, 1, -1, -2, 1}};
  quorvane::SolutionList fromArrays;
  const quorvane::SolveReport report =
      quorvane::solveThreeQuadrics(system[0], system[1], system[2], fromArrays);
  std::vector<double> twoSystems;
  for (int copy = 0; copy < 2; ++copy)
    for (const Equation& e : system) twoSystems.insert(twoSystems.end(), e.begin(), e.end());
  quorvane::BatchOptions options;
  options.threads = 2;
  quorvane::BatchSolutions batch;
  const quorvane::BatchStatus batchStatus =
      quorvane::solveBatch(twoSystems.data(), 2, batch, options);
  std::printf("consumer: %zu from arrays, %zu from a batch of two\n", fromArrays.size(),
              batch.solutions.size());
  return solutions.size() == 8 && satisfied == 8 && fromArrays.size() == 8 &&
                 report.status == quorvane::SolveStatus::solved &&
                 batchStatus == quorvane::BatchStatus::complete &&
                 batch.solutions.size() == 16 && positions.size() == 2 && atPoint == 2
             ? 0
             : 1;
}
