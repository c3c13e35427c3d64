// SPDX-License-Identifier: BSD-3-Clause
#include "template.h"

#include <array>
#include <cassert>

#include "gauss_jordan.h"

namespace quorvane {
namespace {

// Input index of the coefficient in each coefficient-matrix column.
constexpr std::array<int, kCoefficients> kInputIndexOfColumn = {4, 1, 5, 2, 3, 6, 7, 8, 9, 0};

}  // namespace

namespace {

void fillCoefficientMatrix(const Equations& equations, CoefficientMatrix& matrix) {
  matrix.resize(kEquations, kCoefficients);
  for (int e = 0; e < kEquations; ++e)
    for (int j = 0; j < kCoefficients; ++j) matrix(e, j) = equations(e, kInputIndexOfColumn[j]);
}

}  // namespace

CoefficientMatrix coefficientMatrix(const Equations& equations) {
  CoefficientMatrix matrix;
  fillCoefficientMatrix(equations, matrix);
  return matrix;
}

void fillTemplateRow(EliminationTemplate& target, const CoefficientMatrix& coefficients, int row,
                     int equation, const std::int32_t* targetColumns,
                     const std::int32_t* sourceColumns, int count) {
  for (int k = 0; k < count; ++k)
    target(row, targetColumns[k]) = coefficients(equation, sourceColumns[k]);
}

EliminationTemplate eliminationTemplate(const CoefficientMatrix& reducedEquations) {
  assert(reducedEquations.rows() == kEquations && reducedEquations.cols() == kCoefficients);
  EliminationTemplate elimination = EliminationTemplate::Zero(kTemplateRows, kTemplateColumns);
  for (int r = 0; r < kTemplateRows; ++r) {
    const TemplateRow& layout = kTemplateRowTable[r];
    fillTemplateRow(elimination, reducedEquations, r, layout.equation, layout.targetColumns.data(),
                    kSourceColumns[layout.equation].data(), kEntriesPerTemplateRow);
  }
  return elimination;
}

bool reduceForTemplate(const Equations& equations, CoefficientMatrix& reduced) {
  fillCoefficientMatrix(equations, reduced);
  PivotColumns pivots;
  gaussJordanReduce(reduced, pivots);
  return reduced.rows() == kEquations && pivots.count == kEquations && pivots.forward[0] == 0 &&
         pivots.forward[1] == 1 && pivots.forward[2] == 2 && pivots.backward[1] == 1 &&
         pivots.backward[2] == 2;
}

}  // namespace quorvane
