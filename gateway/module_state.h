// SPDX-License-Identifier: BSD-3-Clause
// What the module keeps between calls, from load to unload.
#pragma once

#include <quorvane/solver.h>

#include <Eigen/Core>

namespace quorvane {

/// One coefficient array per equation, ten coefficients in each, and at most eight solutions.
inline constexpr int kCoefficientArrays = 3;
inline constexpr int kCoefficientsPerEquation = 10;
inline constexpr int kMaxSolutions = 8;

/// The module's state. Every call overwrites all of it, so nothing of one call reaches the
/// next; calls must not overlap.
struct ModuleState {
  ModuleState();

  // Created in this order at load and released in reverse at unload.
  Eigen::MatrixXd firstCoefficients;
  Eigen::MatrixXd secondCoefficients;
  Eigen::MatrixXd thirdCoefficients;
  SolutionList solutions;

  // The current call's input and output data, as the host handed them over.
  const double* inputData[kCoefficientArrays] = {nullptr, nullptr, nullptr};
  double* outputData = nullptr;
};

extern ModuleState moduleState;

}  // namespace quorvane
