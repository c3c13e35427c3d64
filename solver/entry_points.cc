// SPDX-License-Identifier: BSD-3-Clause
// The public single-system calls.
#include "quorvane/solver.h"
#include "tries.h"

namespace quorvane {

SolveReport solveThreeQuadrics(const double* first, const double* second, const double* third,
                               SolutionList& solutions, const SolveOptions& options) {
  Output output;
  output.real = &solutions;
  return solveSystem({first, second, third}, options, output);
}

SolveReport solveThreeQuadrics(const std::array<double, 10>& first,
                               const std::array<double, 10>& second,
                               const std::array<double, 10>& third, SolutionList& solutions,
                               const SolveOptions& options) {
  return solveThreeQuadrics(first.data(), second.data(), third.data(), solutions, options);
}

SolveReport solveThreeQuadrics(const Eigen::MatrixXd& first, const Eigen::MatrixXd& second,
                               const Eigen::MatrixXd& third, SolutionList& solutions,
                               const SolveOptions& options) {
  std::array<const double*, 3> arguments;
  SolveReport report;
  // The options first, as the calls on raw pointers check them before the coefficients.
  if (!optionsInRange(options, report)) return report;
  if (!readArguments(first, second, third, arguments, report)) return report;
  Output output;
  output.real = &solutions;
  return solveSystem(arguments, options, output);
}

SolveReport solveThreeQuadricsComplex(const double* first, const double* second,
                                      const double* third, ComplexSolutionList& solutions,
                                      const SolveOptions& options) {
  Output output;
  output.complex = &solutions;
  return solveSystem({first, second, third}, options, output);
}

SolveReport solveReportingPath(const Eigen::MatrixXd& first, const Eigen::MatrixXd& second,
                               const Eigen::MatrixXd& third, SolutionList& solutions) {
  std::array<const double*, 3> arguments;
  SolveReport report;
  if (!readArguments(first, second, third, arguments, report)) return report;
  Output output;
  output.real = &solutions;
  output.nanColumns = true;
  // The three-argument call keeps the standard method, and with it its results.
  SolveOptions standard;
  standard.method = Method::standard;
  return solveSystem(arguments, standard, output);
}

void solveThreeQuadrics(const Eigen::MatrixXd& first, const Eigen::MatrixXd& second,
                        const Eigen::MatrixXd& third, SolutionList& solutions) {
  solveReportingPath(first, second, third, solutions);
}

}  // namespace quorvane
