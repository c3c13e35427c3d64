#include "quorvane/solver.h"

#include <cmath>

#include "action.h"
#include "gauss_jordan.h"
#include "template.h"

namespace quorvane {
namespace {

bool hasTenFiniteCoefficients(const Eigen::MatrixXd& equation) {
  if (equation.size() < kCoefficients) return false;
  for (int i = 0; i < kCoefficients; ++i)
    if (!std::isfinite(equation.data()[i])) return false;
  return true;
}

// The template copies each reduced equation's leading column and the seven shared ones, so
// it only stands for the system when the leading ones fell on x², xy and y², and the back
// substitution cleared above them there and nowhere else.
bool reducedOnLeadingBlock(const CoefficientMatrix& equations, const PivotColumns& pivots) {
  return equations.rows() == kEquations && pivots.count == kEquations && pivots.forward[0] == 0 &&
         pivots.forward[1] == 1 && pivots.forward[2] == 2 && pivots.backward[1] == 1 &&
         pivots.backward[2] == 2;
}

}  // namespace

void solveThreeQuadrics(const Eigen::MatrixXd& first, const Eigen::MatrixXd& second,
                        const Eigen::MatrixXd& third, SolutionList& solutions) {
  if (!hasTenFiniteCoefficients(first) || !hasTenFiniteCoefficients(second) ||
      !hasTenFiniteCoefficients(third))
    return;

  CoefficientMatrix equations = coefficientMatrix(first, second, third);
  PivotColumns pivots;
  gaussJordanReduce(equations, pivots);
  if (!reducedOnLeadingBlock(equations, pivots)) return;

  ActionMatrix action;
  if (!actionMatrix(eliminationTemplate(equations), action)) return;
  appendRealSolutions(action, solutions);
}

}  // namespace quorvane
