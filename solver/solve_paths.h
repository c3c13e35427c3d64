// SPDX-License-Identifier: BSD-3-Clause
// The tries behind solveThreeQuadrics, for the tests and benchmarks.
#pragma once

#include "action.h"
#include "equations.h"
#include "quorvane/solver.h"

namespace quorvane {

/// Which try gave a call's result.
enum class SolvePath {
  declined,      ///< no try verified, and nothing was returned
  asGiven,       ///< the template on the (scaled) system, every real candidate verified
  firstChange,   ///< the first change of coordinates, verified
  secondChange,  ///< the second change of coordinates, verified
  partial,       ///< no try verified every candidate: the verified ones of the best try
};

/// solveThreeQuadrics, also telling which try gave the result.
SolvePath solveReportingPath(const Eigen::MatrixXd& first, const Eigen::MatrixXd& second,
                             const Eigen::MatrixXd& third, SolutionList& solutions);

/// The template method alone on equations of order one: reduction, template, action
/// matrix, eigenvectors. False when it declines.
bool templateCandidates(const Equations& equations, Candidates& candidates);

}  // namespace quorvane
