// SPDX-License-Identifier: BSD-3-Clause
// The three equations as a coefficient matrix, and their multiples laid out as the
// 25 x 33 elimination template.
#pragma once

#include <Eigen/Core>
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

/// Exponents (x, y, z) of the monomial of each template column.
struct Monomial {
  int x, y, z;
};
extern const Monomial kTemplateMonomials[kTemplateColumns];
/// Exponents of the coefficient-matrix columns.
extern const Monomial kCoefficientMonomials[kCoefficients];

/// The equations' coefficients rearranged into the coefficient matrix's column order.
CoefficientMatrix coefficientMatrix(const Equations& equations);

/// For k < count: target(row, targetColumns[k]) = coefficients(equation, sourceColumns[k]).
void fillTemplateRow(EliminationTemplate& target, const CoefficientMatrix& coefficients, int row,
                     int equation, const std::int32_t* targetColumns,
                     const std::int32_t* sourceColumns, int count);

/// The template of a reduced coefficient matrix with three rows; every other entry is zero.
EliminationTemplate eliminationTemplate(const CoefficientMatrix& reducedEquations);

}  // namespace quorvane
