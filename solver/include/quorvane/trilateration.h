// SPDX-License-Identifier: BSD-3-Clause
// Where a receiver lies, from its ranges to three or more anchors at known positions.
#pragma once

#include <Eigen/Core>
#include <array>
#include <limits>

#include "quorvane/types.h"

namespace quorvane {

/// How trilaterate treats the ranges.
struct TrilaterationOptions {
  /// The largest error expected in a range, in the ranges' units (for noisy ranges, a few
  /// times their standard deviation). Two mirror positions whose midpoint is within this of
  /// every range cannot be told apart by the ranges, and come back once, as the
  /// least-squares position between them (PointKind::nearDouble). Zero merges only what the
  /// ranges' rounding cannot tell apart.
  double rangeTolerance = 0;
  /// Options of the solve of the three anchors' spheres.
  SolveOptions solve;
};

/// Where the receiver can be: at most two positions, best first.
struct Trilateration {
  SolveStatus status = SolveStatus::declined;  ///< as for solveThreeQuadrics; see below
  int argument = -1;  ///< badInput: 0 the anchors, 1 the ranges, kOptionsArgument the options
  InputProblem problem = InputProblem::none;  ///< badInput: what was wrong with it
  int positions = 0;                          ///< how many of `position` hold one (0 to 2)
  /// In the caller's coordinates; NaN past `positions`.
  std::array<Eigen::Vector3d, 2> position = {
      Eigen::Vector3d::Constant(std::numeric_limits<double>::quiet_NaN()),
      Eigen::Vector3d::Constant(std::numeric_limits<double>::quiet_NaN())};
  /// root where the ranges meet there (three anchors) or where the position is a
  /// least-squares fit whose mirror fits as well or worse (four or more); nearDouble where
  /// two mirror positions merged within the range tolerance or the ranges' spheres do not
  /// meet (the nearest position to meeting them all).
  std::array<PointKind, 2> kind{};
  /// The root mean square of the range errors |position - anchor| - range, over the anchors.
  std::array<double, 2> residual = {std::numeric_limits<double>::quiet_NaN(),
                                    std::numeric_limits<double>::quiet_NaN()};
};

/// The receiver's positions from `count` anchors and its ranges to them: anchors[3 k],
/// anchors[3 k + 1], anchors[3 k + 2] are anchor k's x, y, z, and ranges[k] its range, in
/// the caller's units and coordinates. The work is done in a frame centred on the anchors, so
/// that map coordinates (offsets of 1e6 and more) lose nothing to the sizes of the numbers.
///
/// Three anchors: the two positions mirrored in the anchors' plane where the ranges meet, or
/// one where they merge (see TrilaterationOptions::rangeTolerance) or the ranges' spheres
/// miss each other. Which mirror position is the receiver the ranges cannot tell: that is
/// for the caller (the side of the room below a ceiling).
///
/// Four or more: the least-squares position (Gauss-Newton on the range errors, from the
/// positions of the three anchors that span the largest triangle), with its residual; its
/// mirror too where it fits as well (anchors in one plane, such as a ceiling), unless the
/// two merge.
///
/// Status: solved with at least one position; badInput for fewer than three anchors
/// (tooFewCoefficients), a coordinate or range that is not finite (notFinite) or a negative
/// range (notFinite as well: no distance); dependentEquations for anchors on one line (a
/// circle of positions); declined where the solve of the spheres was.
Trilateration trilaterate(const double* anchors, const double* ranges, int count,
                          const TrilaterationOptions& options = {});

/// The same with the anchors as the rows of a count x 3 matrix.
Trilateration trilaterate(const Eigen::MatrixX3d& anchors, const Eigen::VectorXd& ranges,
                          const TrilaterationOptions& options = {});

}  // namespace quorvane
