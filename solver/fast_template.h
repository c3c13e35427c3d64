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

#include "lanes.h"
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

/// The template's row table in plain arrays, with each diagonal block's staircase.
struct TemplateLayout {
  int equation[kTemplateRows];
  int target[kTemplateRows][kEntriesPerTemplateRow];
  int source[kEquations][kEntriesPerTemplateRow];
  /// For column j of each diagonal block: the last row of the block with an entry in it
  /// (block-relative indices) while the block is eliminated.
  int degreeFourLastRow[kDegreeFourRows];
  int degreeThreeLastRow[kDegreeThreeRows];
  bool blockTriangular;  ///< the structure the reduction relies on holds
};

constexpr TemplateLayout templateLayout() {
  TemplateLayout layout{};
  layout.blockTriangular = true;
  for (int r = 0; r < kTemplateRows; ++r) {
    layout.equation[r] = kTemplateRowTable[r].equation;
    for (int k = 0; k < kEntriesPerTemplateRow; ++k)
      layout.target[r][k] = kTemplateRowTable[r].targetColumns[k];
    const int first = r < kDegreeThreeFirst ? kDegreeFourFirst
                      : r < kDegreeTwoFirst ? kDegreeThreeFirst
                                            : r;
    for (int k = 0; k < kEntriesPerTemplateRow; ++k) {
      const int column = layout.target[r][k];
      if (column < first) layout.blockTriangular = false;
      if (r >= kDegreeTwoFirst && column != r && column < kBasisFirst)
        layout.blockTriangular = false;
      if (k > 0 && column <= layout.target[r][k - 1]) layout.blockTriangular = false;
    }
    if (r > 0 && r != kDegreeThreeFirst && r != kDegreeTwoFirst &&
        layout.target[r][0] < layout.target[r - 1][0])
      layout.blockTriangular = false;
  }
  for (int e = 0; e < kEquations; ++e)
    for (int k = 0; k < kEntriesPerTemplateRow; ++k) layout.source[e][k] = kSourceColumns[e][k];
  for (int j = 0; j < kDegreeFourRows; ++j) {
    layout.degreeFourLastRow[j] = j;
    for (int i = 0; i < kDegreeFourRows; ++i)
      if (layout.target[kDegreeFourFirst + i][0] <= kDegreeFourFirst + j && i > j)
        layout.degreeFourLastRow[j] = i;
  }
  for (int j = 0; j < kDegreeThreeRows; ++j) {
    layout.degreeThreeLastRow[j] = j;
    for (int i = 0; i < kDegreeThreeRows; ++i)
      if (layout.target[kDegreeThreeFirst + i][0] <= kDegreeThreeFirst + j && i > j)
        layout.degreeThreeLastRow[j] = i;
  }
  return layout;
}

constexpr TemplateLayout kTemplateLayout = templateLayout();
static_assert(kTemplateLayout.blockTriangular,
              "the template's left block must be block upper triangular by degree, each "
              "diagonal block with ascending leading columns");

// Gaussian elimination below the diagonal of an augmented staircase block (N columns of the
// block, then the eight of the basis), with partial pivoting. A row that holds a larger entry
// than the pivot row trades places with it; the pivot ends up the first largest, as a search
// for the maximum would choose, and the order of the other rows does not matter.
template <typename V, int N>
void eliminateStaircase(V (&rows)[N][N + kBasisSize], const int (&lastRow)[N], LaneMask<V>& ok) {
  constexpr int width = N + kBasisSize;
  for (int j = 0; j < N; ++j) {
    for (int i = j + 1; i <= lastRow[j]; ++i) {
      const LaneMask<V> larger = magnitude(rows[i][j]) > magnitude(rows[j][j]);
      if (!anyLane(larger)) continue;
      for (int c = j; c < width; ++c) {
        const V pivotRow = rows[j][c];
        rows[j][c] = select(larger, rows[i][c], pivotRow);
        rows[i][c] = select(larger, pivotRow, rows[i][c]);
      }
    }
    const V pivot = rows[j][j];
    ok = ok & (pivot != V(0.0));
    for (int i = j + 1; i <= lastRow[j]; ++i) {
      const V factor = rows[i][j] / pivot;
      for (int c = j + 1; c < width; ++c) rows[i][c] = rows[i][c] - factor * rows[j][c];
    }
  }
}

/// Rows 0-2 of the action matrix (those that are not shifts within the basis) from the
/// reduced coefficient matrix (columns x², xy, y², xz, yz, z², x, y, z, 1). The lanes where
/// a pivot is exactly zero come back false; what they hold is then unspecified.
template <typename V>
LaneMask<V> actionRowsByBlocks(const V (&reduced)[kEquations][kCoefficients],
                               V (&actionRows)[3][kBasisSize]) {
  const TemplateLayout& layout = kTemplateLayout;
  LaneMask<V> ok = allLanes<V>();
  V rows[kTemplateRows][kTemplateColumns];
  for (auto& row : rows)
    for (V& entry : row) entry = V(0.0);
  for (int r = 0; r < kTemplateRows; ++r) {
    const int e = layout.equation[r];
    for (int k = 0; k < kEntriesPerTemplateRow; ++k)
      rows[r][layout.target[r][k]] = reduced[e][layout.source[e][k]];
  }

  // The equations themselves: one entry each on the left.
  V degreeTwo[kDegreeTwoRows][kBasisSize];
  for (int k = 0; k < kDegreeTwoRows; ++k) {
    const int r = kDegreeTwoFirst + k;
    ok = ok & (rows[r][r] != V(0.0));
    for (int j = 0; j < kBasisSize; ++j) degreeTwo[k][j] = rows[r][kBasisFirst + j] / rows[r][r];
  }

  // Degree three: the right-hand side less the columns of degree two, then the staircase.
  V three[kDegreeThreeRows][kDegreeThreeRows + kBasisSize];
  for (int i = 0; i < kDegreeThreeRows; ++i) {
    const V* row = rows[kDegreeThreeFirst + i];
    for (int c = 0; c < kDegreeThreeRows; ++c) three[i][c] = row[kDegreeThreeFirst + c];
    for (int j = 0; j < kBasisSize; ++j) {
      V value = row[kBasisFirst + j];
      for (int k = 0; k < kDegreeTwoRows; ++k)
        value = value - row[kDegreeTwoFirst + k] * degreeTwo[k][j];
      three[i][kDegreeThreeRows + j] = value;
    }
  }
  eliminateStaircase(three, layout.degreeThreeLastRow, ok);
  V degreeThree[kDegreeThreeRows][kBasisSize];
  for (int i = kDegreeThreeRows - 1; i >= 0; --i) {
    for (int j = 0; j < kBasisSize; ++j) {
      V value = three[i][kDegreeThreeRows + j];
      for (int t = i + 1; t < kDegreeThreeRows; ++t)
        value = value - three[i][t] * degreeThree[t][j];
      degreeThree[i][j] = value / three[i][i];
    }
  }

  // Degree four: the right-hand side less the columns of lower degree, then the staircase;
  // only its last row (z⁴) is wanted, which forward elimination alone gives.
  V four[kDegreeFourRows][kDegreeFourRows + kBasisSize];
  for (int i = 0; i < kDegreeFourRows; ++i) {
    const V* row = rows[kDegreeFourFirst + i];
    for (int c = 0; c < kDegreeFourRows; ++c) four[i][c] = row[kDegreeFourFirst + c];
    for (int j = 0; j < kBasisSize; ++j) {
      V value = row[kBasisFirst + j];
      // Only the row's own entries: the others are exact zeros of the template.
      for (int k = 0; k < kEntriesPerTemplateRow; ++k) {
        const int column = layout.target[i][k];
        if (column >= kDegreeTwoFirst && column < kBasisFirst)
          value = value - row[column] * degreeTwo[column - kDegreeTwoFirst][j];
        else if (column >= kDegreeThreeFirst && column < kDegreeTwoFirst)
          value = value - row[column] * degreeThree[column - kDegreeThreeFirst][j];
      }
      four[i][kDegreeFourRows + j] = value;
    }
  }
  eliminateStaircase(four, layout.degreeFourLastRow, ok);

  constexpr int last = kDegreeFourRows - 1;
  for (int j = 0; j < kBasisSize; ++j) {
    actionRows[0][j] = V(0.0) - four[last][kDegreeFourRows + j] / four[last][last];
    actionRows[1][j] = V(0.0) - degreeThree[20 - kDegreeThreeFirst][j];
    actionRows[2][j] = V(0.0) - degreeThree[21 - kDegreeThreeFirst][j];
  }
  return ok;
}

}  // namespace
}  // namespace quorvane
