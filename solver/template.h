// SPDX-License-Identifier: BSD-3-Clause
// The three equations as a coefficient matrix, and their multiples laid out as the
// 25 x 33 elimination template.
#pragma once

#include <Eigen/Core>
#include <array>
#include <cstdint>

#include "equations.h"

namespace quorvane {

inline constexpr int kEquations = kEquationCount;
inline constexpr int kCoefficients = kCoefficientCount;
inline constexpr int kTemplateRows = 25;
inline constexpr int kTemplateColumns = 33;
inline constexpr int kBasisSize = 8;
inline constexpr int kEntriesPerTemplateRow = 8;

/// 25 x 33; columns are the monomials of kTemplateMonomials, the last eight the basis.
using EliminationTemplate = Eigen::Matrix<double, kTemplateRows, kTemplateColumns>;

/// Which reduced equation fills a template row, and where its eight entries go.
struct TemplateRow {
  int equation;
  std::array<std::int32_t, kEntriesPerTemplateRow> targetColumns;
};

// Row r is reduced equation e times a monomial (xy, x², y², ..., 1). Its entries come from
// the equation's leading column and the seven columns all three equations share.
inline constexpr std::array<TemplateRow, kTemplateRows> kTemplateRowTable = {{
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

/// The coefficient-matrix columns each equation's rows copy, in target order.
inline constexpr std::array<std::array<std::int32_t, kEntriesPerTemplateRow>, kEquations>
    kSourceColumns = {{
        {0, 3, 4, 5, 6, 7, 8, 9},
        {1, 3, 4, 5, 6, 7, 8, 9},
        {2, 3, 4, 5, 6, 7, 8, 9},
    }};

/// Exponents (x, y, z) of the monomial of each template column.
struct Monomial {
  int x, y, z;
};
extern const Monomial kTemplateMonomials[kTemplateColumns];
/// Exponents of the coefficient-matrix columns.
extern const Monomial kCoefficientMonomials[kCoefficients];

/// The equations' coefficients rearranged into the coefficient matrix's column order.
CoefficientMatrix coefficientMatrix(const Equations& equations);

/// The equations' coefficient matrix reduced by gaussJordanReduce, and whether it has the
/// form the template stands for: the template copies each reduced equation's leading column
/// and the seven shared ones, so the leading ones must have fallen on x², xy and y², with the
/// back substitution clearing above them there and nowhere else. `reduced` is unspecified
/// where it returns false.
bool reduceForTemplate(const Equations& equations, CoefficientMatrix& reduced);

/// For k < count: target(row, targetColumns[k]) = coefficients(equation, sourceColumns[k]).
void fillTemplateRow(EliminationTemplate& target, const CoefficientMatrix& coefficients, int row,
                     int equation, const std::int32_t* targetColumns,
                     const std::int32_t* sourceColumns, int count);

/// The template of a reduced coefficient matrix with three rows; every other entry is zero.
EliminationTemplate eliminationTemplate(const CoefficientMatrix& reducedEquations);

}  // namespace quorvane
