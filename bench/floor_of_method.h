// SPDX-License-Identifier: BSD-3-Clause
// What the linear-algebra floor of the method works on: a system's template and action
// matrix, and the floor itself.
#pragma once

#include <Eigen/Eigenvalues>
#include <Eigen/LU>

#include "action.h"
#include "gauss_jordan.h"
#include "scaling.h"
#include "systems.h"
#include "template.h"

namespace quorvane::bench {

struct TemplateAndAction {
  EliminationTemplate elimination;
  ActionMatrix action;
};

/// The template and action matrix the solver builds for `system`; false when it declines.
inline bool templateAndAction(const testing::System& system, TemplateAndAction& out) {
  Equations equations =
      stackEquations(system.equations[0], system.equations[1], system.equations[2]);
  scaleToUnitRange(equations);
  CoefficientMatrix reduced = coefficientMatrix(equations);
  PivotColumns pivots;
  gaussJordanReduce(reduced, pivots);
  if (reduced.rows() != kEquations) return false;
  out.elimination = eliminationTemplate(reduced);
  return actionMatrix(out.elimination, out.action);
}

/// The 25 x 25 LU with its 8-column solve and the 8 x 8 eigen-decomposition with
/// eigenvectors; returns a value that depends on both, so that neither is optimised away.
inline double floorOfMethod(const TemplateAndAction& prepared) {
  const Eigen::PartialPivLU<Eigen::MatrixXd> lu(prepared.elimination.leftCols<kTemplateRows>());
  const Eigen::MatrixXd reduced = lu.solve(prepared.elimination.rightCols<kBasisSize>());
  const Eigen::EigenSolver<ActionMatrix> eigen(prepared.action, true);
  return reduced(0, 0) + eigen.eigenvectors()(0, 0).real();
}

}  // namespace quorvane::bench
