// SPDX-License-Identifier: BSD-3-Clause
// Takes the solver's place in a test module, to drive the gateway's failure paths. The
// constant coefficient of the first equation picks the failure; each call first appends one
// solution (the xy coefficients), as a solver that fails half-way would have.
#include <quorvane/solver.h>

#include <new>
#include <stdexcept>

namespace quorvane {

void solveThreeQuadrics(const Eigen::MatrixXd& first, const Eigen::MatrixXd& second,
                        const Eigen::MatrixXd& third, SolutionList& solutions);

// The call with options fails the same way, and reports its one solution.
SolveReport solveThreeQuadrics(const Eigen::MatrixXd& first, const Eigen::MatrixXd& second,
                               const Eigen::MatrixXd& third, SolutionList& solutions,
                               const SolveOptions&) {
  solveThreeQuadrics(first, second, third, solutions);
  SolveReport report;
  report.status = SolveStatus::solved;
  report.points = 1;
  return report;
}

void solveThreeQuadrics(const Eigen::MatrixXd& first, const Eigen::MatrixXd& second,
                        const Eigen::MatrixXd& third, SolutionList& solutions) {
  solutions.push_back({first(1), second(1), third(1)});
  switch (static_cast<int>(first(0))) {
    case 1:
      throw std::bad_alloc();
    case 2:
      solutions.reserve(solutions.max_size() + 1);  // the library's own length error
      break;
    case 3:
      throw std::runtime_error("not a solver failure");
    case 4:
      throw 4;
    default:
      break;
  }
}

}  // namespace quorvane
