// SPDX-License-Identifier: BSD-3-Clause
#include "template.h"

#include <array>
#include <cassert>

namespace quorvane {
namespace {

// Input index of the coefficient in each coefficient-matrix column.
constexpr std::array<int, kCoefficients> kInputIndexOfColumn = {4, 1, 5, 2, 3, 6, 7, 8, 9, 0};

struct TemplateRow {
  int equation;
  std::array<std::int32_t, kEntriesPerTemplateRow> targetColumns;
};

// Row r is reduced equation e times a monomial (xy, x², y², ..., 1). Its entries come from
// the equation's leading column and the seven columns all three equations share.
constexpr std::array<TemplateRow, kTemplateRows> kTemplateRowTable = {{
    {0, {0, 4, 5, 8, 14, 15, 18, 23}},      // xy · e0
    {1, {0, 3, 4, 7, 13, 14, 17, 22}},      // x² · e1
    {0, {1, 5, 6, 9, 15, 16, 19, 24}},      // y² · e0
    {1, {1, 4, 5, 8, 14, 15, 18, 23}},      // xy · e1
    {2, {1, 3, 4, 7, 13, 14, 17, 22}},      // x² · e2
    {1, {2, 5, 6, 9, 15, 16, 19, 24}},      // y² · e1
    {2, {2, 4, 5, 8, 14, 15, 18, 23}},      // xy · e2
    {0, {3, 7, 8, 10, 17, 18, 20, 26}},     // xz · e0
    {1, {4, 7, 8, 10, 17, 18, 20, 26}},     // xz · e1
    {1, {5, 8, 9, 11, 18, 19, 21, 27}},     // yz · e1
    {2, {5, 7, 8, 10, 17, 18, 20, 26}},     // xz · e2
    {2, {6, 8, 9, 11, 18, 19, 21, 27}},     // yz · e2
    {2, {9, 10, 11, 12, 20, 21, 25, 28}},   // z² · e2
    {0, {13, 17, 18, 20, 22, 23, 26, 29}},  // x · e0
    {0, {14, 18, 19, 21, 23, 24, 27, 30}},  // y · e0
    {1, {14, 17, 18, 20, 22, 23, 26, 29}},  // x · e1
    {1, {15, 18, 19, 21, 23, 24, 27, 30}},  // y · e1
    {2, {15, 17, 18, 20, 22, 23, 26, 29}},  // x · e2
    {2, {16, 18, 19, 21, 23, 24, 27, 30}},  // y · e2
    {0, {17, 20, 21, 25, 26, 27, 28, 31}},  // z · e0
    {1, {18, 20, 21, 25, 26, 27, 28, 31}},  // z · e1
    {2, {19, 20, 21, 25, 26, 27, 28, 31}},  // z · e2
    {0, {22, 26, 27, 28, 29, 30, 31, 32}},  // 1 · e0
    {1, {23, 26, 27, 28, 29, 30, 31, 32}},  // 1 · e1
    {2, {24, 26, 27, 28, 29, 30, 31, 32}},  // 1 · e2
}};

constexpr std::array<std::array<std::int32_t, kEntriesPerTemplateRow>, kEquations> kSourceColumns =
    {{
        {0, 3, 4, 5, 6, 7, 8, 9},
        {1, 3, 4, 5, 6, 7, 8, 9},
        {2, 3, 4, 5, 6, 7, 8, 9},
    }};

}  // namespace

const Monomial kTemplateMonomials[kTemplateColumns] = {
    {3, 1, 0}, {2, 2, 0}, {1, 3, 0}, {3, 0, 1}, {2, 1, 1}, {1, 2, 1}, {0, 3, 1},
    {2, 0, 2}, {1, 1, 2}, {0, 2, 2}, {1, 0, 3}, {0, 1, 3}, {0, 0, 4}, {3, 0, 0},
    {2, 1, 0}, {1, 2, 0}, {0, 3, 0}, {2, 0, 1}, {1, 1, 1}, {0, 2, 1}, {1, 0, 2},
    {0, 1, 2}, {2, 0, 0}, {1, 1, 0}, {0, 2, 0}, {0, 0, 3}, {1, 0, 1}, {0, 1, 1},
    {0, 0, 2}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0},
};

const Monomial kCoefficientMonomials[kCoefficients] = {
    {2, 0, 0}, {1, 1, 0}, {0, 2, 0}, {1, 0, 1}, {0, 1, 1},
    {0, 0, 2}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0},
};

CoefficientMatrix coefficientMatrix(const Equations& equations) {
  CoefficientMatrix matrix(kEquations, kCoefficients);
  for (int e = 0; e < kEquations; ++e)
    for (int j = 0; j < kCoefficients; ++j) matrix(e, j) = equations(e, kInputIndexOfColumn[j]);
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

}  // namespace quorvane
