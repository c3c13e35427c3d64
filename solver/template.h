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

/// Exponents (x, y, z) of a monomial.
struct Monomial {
  int x, y, z;
};

/// The monomial of each template column: degree four, then three, then two, then the basis
/// z³, xz, yz, z², x, y, z, 1.
inline constexpr std::array<Monomial, kTemplateColumns> kTemplateMonomials = {{
    {3, 1, 0}, {2, 2, 0}, {1, 3, 0}, {3, 0, 1}, {2, 1, 1}, {1, 2, 1}, {0, 3, 1},
    {2, 0, 2}, {1, 1, 2}, {0, 2, 2}, {1, 0, 3}, {0, 1, 3}, {0, 0, 4}, {3, 0, 0},
    {2, 1, 0}, {1, 2, 0}, {0, 3, 0}, {2, 0, 1}, {1, 1, 1}, {0, 2, 1}, {1, 0, 2},
    {0, 1, 2}, {2, 0, 0}, {1, 1, 0}, {0, 2, 0}, {0, 0, 3}, {1, 0, 1}, {0, 1, 1},
    {0, 0, 2}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0},
}};

/// The monomial of each coefficient-matrix column: x², xy, y², xz, yz, z², x, y, z, 1.
// clang-format off
inline constexpr std::array<Monomial, kCoefficients> kCoefficientMonomials = {{
    {2, 0, 0}, {1, 1, 0}, {0, 2, 0}, {1, 0, 1}, {0, 1, 1},
    {0, 0, 2}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0},
}};
// clang-format on

/// The coefficient-matrix columns each equation's rows copy, in target order: the equation's
/// own leading column, then the seven all three equations share (xz, yz, z², x, y, z, 1).
inline constexpr std::array<std::array<std::int32_t, kEntriesPerTemplateRow>, kEquations>
    kSourceColumns = {{
        {0, 3, 4, 5, 6, 7, 8, 9},
        {1, 3, 4, 5, 6, 7, 8, 9},
        {2, 3, 4, 5, 6, 7, 8, 9},
    }};

/// Template row r is reduced equation `equation` times the monomial `multiplier`.
struct TemplateMultiple {
  int equation;
  Monomial multiplier;
};

/// The template's rows by degree: the multiples of degree four (rows 0-12), of degree three
/// (rows 13-21), and the equations themselves (rows 22-24).
inline constexpr std::array<TemplateMultiple, kTemplateRows> kTemplateMultiples = [] {
  constexpr Monomial xx{2, 0, 0}, xy{1, 1, 0}, yy{0, 2, 0}, xz{1, 0, 1}, yz{0, 1, 1}, zz{0, 0, 2},
      x{1, 0, 0}, y{0, 1, 0}, z{0, 0, 1}, one{0, 0, 0};
  return std::array<TemplateMultiple, kTemplateRows>{{
      {0, xy},  {1, xx},  {0, yy},  {1, xy}, {2, xx}, {1, yy}, {2, xy},  // degree four
      {0, xz},  {1, xz},  {1, yz},  {2, xz}, {2, yz}, {2, zz},           //
      {0, x},   {0, y},   {1, x},   {1, y},  {2, x},  {2, y},            // degree three
      {0, z},   {1, z},   {2, z},                                        //
      {0, one}, {1, one}, {2, one},                                      // the equations
  }};
}();

/// The template column of a monomial; -1 for one the template does not hold.
constexpr int templateColumnOf(const Monomial& m) {
  for (int k = 0; k < kTemplateColumns; ++k) {
    const Monomial& t = kTemplateMonomials[k];
    if (t.x == m.x && t.y == m.y && t.z == m.z) return k;
  }
  return -1;
}

/// Which reduced equation fills a template row, and where its eight entries go.
struct TemplateRow {
  int equation;
  std::array<std::int32_t, kEntriesPerTemplateRow> targetColumns;
};

/// Each row's entries go to the columns of the multiplier times the copied columns' monomials.
constexpr std::array<TemplateRow, kTemplateRows> templateRowTable() {
  std::array<TemplateRow, kTemplateRows> table{};
  for (int r = 0; r < kTemplateRows; ++r) {
    const TemplateMultiple& row = kTemplateMultiples[r];
    table[r].equation = row.equation;
    for (int k = 0; k < kEntriesPerTemplateRow; ++k) {
      const Monomial& m = row.multiplier;
      const Monomial& c = kCoefficientMonomials[kSourceColumns[row.equation][k]];
      table[r].targetColumns[k] = templateColumnOf({m.x + c.x, m.y + c.y, m.z + c.z});
    }
  }
  return table;
}
inline constexpr std::array<TemplateRow, kTemplateRows> kTemplateRowTable = templateRowTable();

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
