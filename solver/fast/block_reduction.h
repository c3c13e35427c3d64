// SPDX-License-Identifier: BSD-3-Clause
// The template's reduction by its block structure: the three rows of the reduced template
// that the action matrix reads, without the full 25 x 25 LU.
//
// Ordered by degree, the left 25 x 25 block is block upper triangular: the multiples of degree
// four (rows 0-12) reach columns 0-24, those of degree three (rows 13-21) only columns 13-24,
// and the equations themselves (rows 22-24) only their own leading column there. Each diagonal
// block is a staircase: its rows' leading columns ascend, so partial pivoting in a column only
// ever looks at the rows whose leading column it has reached. The rows that partial pivoting
// of the whole block would consider in a column are exactly these, with the same entries.
#pragma once

#include "fast/lanes.h"
#include "template.h"

namespace quorvane {

inline constexpr int kDegreeFourFirst = 0, kDegreeFourRows = 13;
inline constexpr int kDegreeThreeFirst = 13, kDegreeThreeRows = 9;
inline constexpr int kDegreeTwoFirst = 22, kDegreeTwoRows = 3;
inline constexpr int kBasisFirst = kTemplateRows;

// Internal linkage for everything here, constant data included: each instruction set's
// translation unit keeps its own copy, and the linker can never hand the vector build of a
// kernel to the scalar path.
namespace {

// Each diagonal block's rows hold the block's columns, then the eight of the basis.
constexpr int kWorkWidth = kDegreeFourRows + kBasisSize;

/// Where one entry of the reduced coefficient matrix goes in the template.
struct TemplateEntry {
  int row, column;       ///< template row; block-relative column (or template column)
  int equation, source;  ///< taken from reduced(equation, source)
};

/// The template's row table sorted for the reduction by blocks, with each diagonal block's
/// staircase.
struct TemplateLayout {
  /// Entries in the row's own diagonal block or in the basis: column relative to the row's
  /// block, the basis after the block's columns.
  TemplateEntry placed[kTemplateRows * kEntriesPerTemplateRow];
  int placedCount;
  /// Entries of a lower degree's columns, in template columns: they move to the right-hand
  /// side once that degree is solved.
  TemplateEntry coupling[kTemplateRows * kEntriesPerTemplateRow];
  int couplingCount;
  /// For each cell of the rows the reduction works on: the index of its entry of the reduced
  /// coefficient matrix (equation · 10 + column), or kZeroCell.
  int cellSource[kTemplateRows][kWorkWidth];
  /// For column j of each diagonal block: the last row of the block with an entry in it
  /// (block-relative indices) while the block is eliminated.
  int degreeFourLastRow[kDegreeFourRows];
  int degreeThreeLastRow[kDegreeThreeRows];
  bool blockTriangular;  ///< the structure the reduction relies on holds
};

constexpr int kZeroCell = kEquations * kCoefficients;

constexpr int blockFirstOf(int row) {
  return row < kDegreeThreeFirst ? kDegreeFourFirst
         : row < kDegreeTwoFirst ? kDegreeThreeFirst
                                 : kDegreeTwoFirst;
}
constexpr int blockSizeOf(int row) {
  return row < kDegreeThreeFirst ? kDegreeFourRows
         : row < kDegreeTwoFirst ? kDegreeThreeRows
                                 : kDegreeTwoRows;
}

constexpr TemplateLayout templateLayout() {
  TemplateLayout layout{};
  layout.blockTriangular = true;
  for (int r = 0; r < kTemplateRows; ++r) {
    const TemplateRow& row = kTemplateRowTable[r];
    const int first = blockFirstOf(r), size = blockSizeOf(r);
    for (int k = 0; k < kEntriesPerTemplateRow; ++k) {
      const int column = row.targetColumns[k];
      const int source = kSourceColumns[row.equation][k];
      if (column < first) layout.blockTriangular = false;
      if (k > 0 && column <= row.targetColumns[k - 1]) layout.blockTriangular = false;
      if (column >= kBasisFirst)
        layout.placed[layout.placedCount++] = {r, size + column - kBasisFirst, row.equation,
                                               source};
      else if (column < first + size)
        layout.placed[layout.placedCount++] = {r, column - first, row.equation, source};
      else
        layout.coupling[layout.couplingCount++] = {r, column, row.equation, source};
    }
    // The equations themselves have only their own leading column on the left.
    if (r >= kDegreeTwoFirst && row.targetColumns[0] != r) layout.blockTriangular = false;
    if (r > first && row.targetColumns[0] < kTemplateRowTable[r - 1].targetColumns[0])
      layout.blockTriangular = false;
  }
  for (auto& row : layout.cellSource)
    for (int& cell : row) cell = kZeroCell;
  for (int n = 0; n < layout.placedCount; ++n) {
    const TemplateEntry& entry = layout.placed[n];
    layout.cellSource[entry.row][entry.column] = entry.equation * kCoefficients + entry.source;
  }
  for (int j = 0; j < kDegreeFourRows; ++j) {
    layout.degreeFourLastRow[j] = j;
    for (int i = j + 1; i < kDegreeFourRows; ++i)
      if (kTemplateRowTable[kDegreeFourFirst + i].targetColumns[0] <= kDegreeFourFirst + j)
        layout.degreeFourLastRow[j] = i;
  }
  for (int j = 0; j < kDegreeThreeRows; ++j) {
    layout.degreeThreeLastRow[j] = j;
    for (int i = j + 1; i < kDegreeThreeRows; ++i)
      if (kTemplateRowTable[kDegreeThreeFirst + i].targetColumns[0] <= kDegreeThreeFirst + j)
        layout.degreeThreeLastRow[j] = i;
  }
  return layout;
}

constexpr TemplateLayout kTemplateLayout = templateLayout();
static_assert(kTemplateLayout.blockTriangular,
              "the template's left block must be block upper triangular by degree, each "
              "diagonal block with ascending leading columns");

// Row j trades places with row i where `larger` holds. Lanes trade their entries from column
// `from` on, and only when some lane asks; one system's rows trade their places in `order`
// instead, which moves no data and takes no branch the predictor could miss (the pivots'
// comparisons are as good as random).
template <int N, typename V>
void tradeRows(V* (&order)[N], int j, int i, LaneMask<V> larger, int from, int width) {
  if (!anyLane(larger)) return;
  for (int c = from; c < width; ++c) {
    const V pivotRow = order[j][c];
    order[j][c] = select(larger, order[i][c], pivotRow);
    order[i][c] = select(larger, pivotRow, order[i][c]);
  }
}
template <int N>
void tradeRows(double* (&order)[N], int j, int i, bool larger, int, int) {
  double* const pivotRow = order[j];
  double* const other = order[i];
  order[j] = larger ? other : pivotRow;
  order[i] = larger ? pivotRow : other;
}

// Gaussian elimination below the diagonal of an augmented staircase block (N columns of the
// block, then the eight of the basis), with partial pivoting; `order` lists the block's rows,
// and row k of the reduction is order[k] when it returns. A row that holds a larger entry than
// the pivot row trades places with it; the pivot ends up the first largest, as a search for the
// maximum would choose, and the order of the other rows does not matter.
template <int N, typename V>
void eliminateStaircase(V* (&order)[N], const int (&lastRow)[N], LaneMask<V>& ok) {
  constexpr int width = N + kBasisSize;
  for (int j = 0; j < N; ++j) {
    for (int i = j + 1; i <= lastRow[j]; ++i)
      tradeRows(order, j, i, magnitude(order[i][j]) > magnitude(order[j][j]), j, width);
    const V* const pivotRow = order[j];
    const V pivot = pivotRow[j];
    ok = ok & (pivot != V(0.0));
    for (int i = j + 1; i <= lastRow[j]; ++i) {
      V* const row = order[i];
      const V factor = row[j] / pivot;
      for (int c = j + 1; c < width; ++c) row[c] = row[c] - factor * pivotRow[c];
    }
  }
}

// The right-hand side of the rows from `begin` to `end` less their entries in the columns
// already solved.
template <typename V>
void moveSolvedColumns(const V (&reduced)[kEquations][kCoefficients], int begin, int end,
                       const V (&solved)[kTemplateRows][kBasisSize],
                       V (&rows)[kTemplateRows][kWorkWidth]) {
  const TemplateLayout& layout = kTemplateLayout;
  for (int n = 0; n < layout.couplingCount; ++n) {
    const TemplateEntry& entry = layout.coupling[n];
    if (entry.row < begin || entry.row >= end) continue;
    const V value = reduced[entry.equation][entry.source];
    V* rightHandSide = rows[entry.row] + blockSizeOf(entry.row);
    for (int j = 0; j < kBasisSize; ++j)
      rightHandSide[j] = rightHandSide[j] - value * solved[entry.column][j];
  }
}

/// Rows 0-2 of the action matrix (those that are not shifts within the basis) from the
/// reduced coefficient matrix (columns x², xy, y², xz, yz, z², x, y, z, 1): z times z³, xz and
/// yz, that is the reduced template's rows for z⁴, xz² and yz², negated. The lanes where a
/// pivot is exactly zero come back false; what they hold is then unspecified.
template <typename V>
LaneMask<V> actionRowsByBlocks(const V (&reduced)[kEquations][kCoefficients],
                               V (&actionRows)[3][kBasisSize]) {
  const TemplateLayout& layout = kTemplateLayout;
  LaneMask<V> ok = allLanes<V>();
  // Every cell written once from a table, zeros included: no separate clearing pass.
  V entries[kZeroCell + 1];
  for (int e = 0; e < kEquations; ++e)
    for (int j = 0; j < kCoefficients; ++j) entries[e * kCoefficients + j] = reduced[e][j];
  entries[kZeroCell] = V(0.0);
  V rows[kTemplateRows][kWorkWidth];
  for (int r = 0; r < kTemplateRows; ++r)
    for (int c = 0; c < kWorkWidth; ++c) rows[r][c] = entries[layout.cellSource[r][c]];

  // The basis coordinates of each eliminated column's monomial (with the sign of the
  // template's rows), by template column; those of degree four stay in `rows`.
  V solved[kTemplateRows][kBasisSize];
  for (int k = 0; k < kDegreeTwoRows; ++k) {
    const V* row = rows[kDegreeTwoFirst + k];
    ok = ok & (row[k] != V(0.0));
    for (int j = 0; j < kBasisSize; ++j)
      solved[kDegreeTwoFirst + k][j] = row[kDegreeTwoRows + j] / row[k];
  }

  moveSolvedColumns(reduced, kDegreeThreeFirst, kDegreeTwoFirst, solved, rows);
  V* three[kDegreeThreeRows];
  for (int i = 0; i < kDegreeThreeRows; ++i) three[i] = rows[kDegreeThreeFirst + i];
  eliminateStaircase(three, layout.degreeThreeLastRow, ok);
  for (int i = kDegreeThreeRows - 1; i >= 0; --i) {
    for (int j = 0; j < kBasisSize; ++j) {
      V value = three[i][kDegreeThreeRows + j];
      for (int t = i + 1; t < kDegreeThreeRows; ++t)
        value = value - three[i][t] * solved[kDegreeThreeFirst + t][j];
      solved[kDegreeThreeFirst + i][j] = value / three[i][i];
    }
  }

  // Of degree four only the last row (z⁴) is wanted, which forward elimination alone gives.
  moveSolvedColumns(reduced, kDegreeFourFirst, kDegreeThreeFirst, solved, rows);
  V* four[kDegreeFourRows];
  for (int i = 0; i < kDegreeFourRows; ++i) four[i] = rows[kDegreeFourFirst + i];
  eliminateStaircase(four, layout.degreeFourLastRow, ok);

  constexpr int last = kDegreeFourRows - 1;
  constexpr int kXZSquared = 20, kYZSquared = 21;
  for (int j = 0; j < kBasisSize; ++j) {
    actionRows[0][j] = V(0.0) - four[last][kDegreeFourRows + j] / four[last][last];
    actionRows[1][j] = V(0.0) - solved[kXZSquared][j];
    actionRows[2][j] = V(0.0) - solved[kYZSquared][j];
  }
  return ok;
}

}  // namespace
}  // namespace quorvane
