// The tries behind solveThreeQuadrics, for the tests and benchmarks.
#pragma once

#include "action.h"
#include "equations.h"
#include "quorvane/solver.h"

namespace quorvane {

/// The three-argument solveThreeQuadrics, also telling what became of the call.
SolveReport solveReportingPath(const Eigen::MatrixXd& first, const Eigen::MatrixXd& second,
                               const Eigen::MatrixXd& third, SolutionList& solutions);

/// The template method alone on equations of order one: reduction, template, action
/// matrix, eigenvectors. False when it declines.
bool templateCandidates(const Equations& equations, Candidates& candidates);

}  // namespace quorvane
