// SPDX-License-Identifier: BSD-3-Clause
// A calibrated camera's pose from the bearings along which it sees three known world points.
#pragma once

#include <Eigen/Core>
#include <array>
#include <limits>

#include "quorvane/types.h"

namespace quorvane {

/// Where a camera is: a world point X is at rotation · X + translation in the camera's frame.
struct Pose {
  /// A proper rotation (orthonormal, determinant +1), world to camera.
  Eigen::Matrix3d rotation = Eigen::Matrix3d::Constant(std::numeric_limits<double>::quiet_NaN());
  /// The world origin in the camera's frame; the camera centre in the world is
  /// -rotationᵀ · translation.
  Eigen::Vector3d translation = Eigen::Vector3d::Constant(std::numeric_limits<double>::quiet_NaN());
};

/// Poses of three points at most: the depths' system has eight solutions in ± pairs, and of
/// each pair only one can have every depth positive.
inline constexpr int kMostPoses = 4;

/// The camera's poses from three bearings, as threePointPoses finds them.
struct ThreePointPoses {
  SolveStatus status = SolveStatus::declined;  ///< see threePointPoses
  int argument =
      -1;  ///< badInput: 0 the bearings, 1 the world points, kOptionsArgument the options
  InputProblem problem = InputProblem::none;  ///< badInput: what was wrong with it
  int count = 0;                              ///< how many of `pose` hold one (0 to 4)
  std::array<Pose, kMostPoses> pose{};        ///< NaN past `count`
  /// The distances from the camera centre to the three world points that give pose[i], in the
  /// world points' units, all positive; NaN past `count`.
  std::array<Eigen::Vector3d, kMostPoses> depths = {
      Eigen::Vector3d::Constant(std::numeric_limits<double>::quiet_NaN()),
      Eigen::Vector3d::Constant(std::numeric_limits<double>::quiet_NaN()),
      Eigen::Vector3d::Constant(std::numeric_limits<double>::quiet_NaN()),
      Eigen::Vector3d::Constant(std::numeric_limits<double>::quiet_NaN())};
};

/// The three equations of the depths x = d_0, y = d_1, z = d_2 of the world points along the
/// bearings, one for each pair (i, j) = (0, 1), (0, 2), (1, 2), the law of cosines of the
/// triangle camera centre, X_i, X_j:
///
///     d_i² + d_j² - 2 (b_i · b_j) d_i d_j - |X_i - X_j|² = 0,
///
/// in quorvane's coefficient order (1, xy, xz, yz, x², y², z², x, y, z), ready for
/// solveThreeQuadrics. Column k of `bearings` is the direction in the camera's frame along
/// which the camera sees column k of `worldPoints`; bearings need not have unit length (they
/// are normalised here, so pixel coordinates (u, v, 1) through the inverse calibration will
/// do). Only the points' differences enter, so map coordinates lose nothing here. A zero or
/// non-finite bearing gives NaN coefficients in its two equations.
///
/// The system's solutions come in ± pairs: each real solution's negative solves it too.
std::array<std::array<double, 10>, 3> poseEquations(const Eigen::Matrix3d& bearings,
                                                    const Eigen::Matrix3d& worldPoints);

/// The pose that puts world point k at depths(k) along bearing k (normalised), for every k:
/// the rotation between the world triangle and the camera's (Kabsch's least-squares fit by
/// SVD of the centred triangles, its reflection turned into the proper rotation), and the
/// translation that maps the world points' mean onto the camera points' mean. The world points
/// are centred on their mean first, so that coordinates far from the origin (map coordinates)
/// lose nothing to the size of the numbers. Depths that are not those of the three points (noisy
/// ones) give the rotation and translation that fit the two triangles best in least squares.
/// A bearing or point that is not finite, or a zero bearing, gives a NaN pose.
Pose poseFromDepths(const Eigen::Matrix3d& bearings, const Eigen::Matrix3d& worldPoints,
                    const Eigen::Vector3d& depths);

/// Every pose of a calibrated camera that sees the world points (columns of `worldPoints`)
/// along the bearings (columns of `bearings`, in the camera's frame, any nonzero length) in
/// front of it: the depths' system of poseEquations solved by solveThreeQuadrics with
/// `options`, each solution taken with the sign that makes all three depths positive (the
/// system is even, and the solve may return one of a ± pair without the other; a solution
/// with depths of both signs is no pose), a solution the solve returned with both signs taken
/// once (at most four), and poseFromDepths of each. Poses come in the solver's order. Cost:
/// one solve of three quadrics and one 3 x 3 SVD per pose.
///
/// Status: solved with at least one pose; noRealSolution where the solve verified every
/// candidate and none has three positive depths (bearings that no pose of the points can
/// give); partial where the solve was, with the poses of its verified solutions; badInput for a
/// bearing or point that is not finite or a zero bearing (notFinite, `argument` 0 for the
/// bearings, 1 for the points) or a bad option (kOptionsArgument, badOption);
/// dependentEquations for world points on one line (the camera may then turn about that line:
/// a circle of poses, none singled out); declined where the solve was. Three bearings along
/// one line with points off one line can come from no pose, and give noRealSolution.
ThreePointPoses threePointPoses(const Eigen::Matrix3d& bearings, const Eigen::Matrix3d& worldPoints,
                                const SolveOptions& options = {});

}  // namespace quorvane
