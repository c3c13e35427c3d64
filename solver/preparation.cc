// SPDX-License-Identifier: BSD-3-Clause
// A call's arguments read, checked and scaled to order one.
#include <cmath>
#include <limits>

#include "tries.h"

namespace quorvane {
namespace {

bool hasTenFiniteCoefficients(const double* equation) {
  for (int i = 0; i < kCoefficientCount; ++i)
    if (!std::isfinite(equation[i])) return false;
  return true;
}

}  // namespace

Prepared prepare(const std::array<const double*, kEquationCount>& arguments) {
  Prepared prepared;
  for (int e = 0; e < kEquationCount; ++e)
    if (!hasTenFiniteCoefficients(arguments[e])) {
      prepared.report.status = SolveStatus::badInput;
      prepared.report.argument = e;
      prepared.report.problem = InputProblem::notFinite;
      return prepared;
    }
  for (int e = 0; e < kEquationCount; ++e)
    for (int i = 0; i < kCoefficientCount; ++i) prepared.original(e, i) = arguments[e][i];
  prepared.system = prepared.original;
  prepared.scaling = scaleToUnitRange(prepared.system);
  prepared.ready = prepared.system.allFinite();
  return prepared;
}

bool optionsInRange(const SolveOptions& options, SolveReport& report) {
  // Negative or NaN, the tolerance would keep no candidate, and infinite, every one: either
  // way the call would say nothing of the mistake.
  const double tolerance = options.imaginaryTolerance;
  if (tolerance >= 0 && tolerance <= std::numeric_limits<double>::max()) return true;
  report = SolveReport{};
  report.status = SolveStatus::badInput;
  report.argument = kOptionsArgument;
  report.problem = InputProblem::badOption;
  return false;
}

// The first ten entries of an Eigen argument, or the report of one that is too short.
bool readArguments(const Eigen::MatrixXd& first, const Eigen::MatrixXd& second,
                   const Eigen::MatrixXd& third, std::array<const double*, 3>& arguments,
                   SolveReport& report) {
  const Eigen::MatrixXd* matrices[kEquationCount] = {&first, &second, &third};
  for (int e = 0; e < kEquationCount; ++e) {
    if (matrices[e]->size() < kCoefficientCount) {
      report.status = SolveStatus::badInput;
      report.argument = e;
      report.problem = InputProblem::tooFewCoefficients;
      return false;
    }
    arguments[e] = matrices[e]->data();
  }
  return true;
}

}  // namespace quorvane
