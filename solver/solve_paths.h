// SPDX-License-Identifier: BSD-3-Clause
// The tries behind solveThreeQuadrics, for the tests and benchmarks.
#pragma once

#include <cstddef>

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

/// `count` systems of 30 coefficients each, 30 apart from `first`, each solved as the
/// raw-pointer solveThreeQuadrics (or solveThreeQuadricsComplex) with `options` solves it,
/// bit for bit; the solutions are appended in order, `reports[k]` is system k's report and
/// `ends[k]` the list's size after it. With the fast method, four systems at a time share the
/// lane kernels.
void solveConsecutive(const double* first, std::size_t count, const SolveOptions& options,
                      SolutionList& solutions, SolveReport* reports, std::size_t* ends);
void solveConsecutive(const double* first, std::size_t count, const SolveOptions& options,
                      ComplexSolutionList& solutions, SolveReport* reports, std::size_t* ends);

}  // namespace quorvane
