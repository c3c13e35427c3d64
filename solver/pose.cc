// SPDX-License-Identifier: BSD-3-Clause
// Three-point pose: the depths of three world points along their bearings solved as a system of
// three quadrics, and for each solution in front of the camera the rotation and translation
// between the world triangle and the camera's, fitted in centred coordinates.
#include "quorvane/pose.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <limits>

#include "quorvane/solve.h"

namespace quorvane {
namespace {

// Each pair of points (first, second) has one equation, whose product of their depths is the
// coefficient `product` (xy, xz, yz); the depth of point k squared is coefficient
// kFirstSquare + k (x², y², z²).
struct PointPair {
  int first;
  int second;
  int product;
};
constexpr std::array<PointPair, 3> kPointPairs = {{{0, 1, 1}, {0, 2, 2}, {1, 2, 3}}};
constexpr int kFirstSquare = 4;

// World points spanning a triangle this small, relative to the square of their extent about
// their mean, lie on one line as far as doubles can tell.
constexpr double kOnOneLine = 1e-12;
// Unit bearings whose cross products with the first are all this small lie along one line; the
// equations then hold only the depths' differences, and the solve of such a system is not
// needed to know that no pose gives three bearings on a line to points off one.
constexpr double kParallel = 1e-15;
// Two depth triples this close, relative to their size, are one solution returned with both
// signs: the solve verifies its points to 1e-9 of their size, so closer than that they are one
// (double) root as far as it can tell.
constexpr double kSameDepths = 1e-9;

// Each bearing divided by its largest entry before its norm, so that neither squares that
// overflow (a bearing of 1e200 would have become zero) nor squares that underflow (one of
// 1e-200 would have become NaN) decide its direction. A zero or non-finite bearing has none,
// and comes back NaN.
Eigen::Matrix3d unitColumns(const Eigen::Matrix3d& bearings) {
  Eigen::Matrix3d unit = Eigen::Matrix3d::Constant(std::numeric_limits<double>::quiet_NaN());
  for (int k = 0; k < 3; ++k) {
    const double largest = bearings.col(k).cwiseAbs().maxCoeff();
    if (!(largest > 0 && std::isfinite(largest))) continue;
    const Eigen::Vector3d scaled = bearings.col(k) / largest;
    unit.col(k) = scaled / scaled.norm();
  }
  return unit;
}

}  // namespace

std::array<std::array<double, 10>, 3> poseEquations(const Eigen::Matrix3d& bearings,
                                                    const Eigen::Matrix3d& worldPoints) {
  const Eigen::Matrix3d unit = unitColumns(bearings);
  std::array<std::array<double, 10>, 3> equations{};
  for (int e = 0; e < 3; ++e) {
    const PointPair& pair = kPointPairs[e];
    std::array<double, 10>& c = equations[e];
    c[0] = -(worldPoints.col(pair.first) - worldPoints.col(pair.second)).squaredNorm();
    c[pair.product] = -2 * unit.col(pair.first).dot(unit.col(pair.second));
    c[kFirstSquare + pair.first] = 1;
    c[kFirstSquare + pair.second] = 1;
  }
  return equations;
}

Pose poseFromDepths(const Eigen::Matrix3d& bearings, const Eigen::Matrix3d& worldPoints,
                    const Eigen::Vector3d& depths) {
  Pose pose;
  const Eigen::Matrix3d unit = unitColumns(bearings);
  if (!(unit.allFinite() && worldPoints.allFinite() && depths.allFinite())) return pose;
  const Eigen::Matrix3d camera = unit * depths.asDiagonal();
  // About each triangle's mean: the world mean's rounding only moves the frame, and the
  // points' coordinates about it are their exact differences where they lie close together.
  const Eigen::Vector3d worldMean = worldPoints.rowwise().mean();
  const Eigen::Vector3d cameraMean = camera.rowwise().mean();
  const Eigen::Matrix3d world = worldPoints.colwise() - worldMean;
  const Eigen::Matrix3d seen = camera.colwise() - cameraMean;
  // The rotation that best maps the world triangle onto the camera's is U Vᵀ of the SVD of
  // their covariance. Three points span a plane, so the smallest singular value is zero and
  // its vectors are the two normals, whose signs the SVD leaves free: the one that makes a
  // reflection of U Vᵀ is flipped.
  const Eigen::JacobiSVD<Eigen::Matrix3d> svd(seen * world.transpose(),
                                              Eigen::ComputeFullU | Eigen::ComputeFullV);
  Eigen::Matrix3d u = svd.matrixU();
  const Eigen::Matrix3d& v = svd.matrixV();
  if (u.determinant() * v.determinant() < 0) u.col(2) = -u.col(2);
  pose.rotation = u * v.transpose();
  pose.translation = cameraMean - pose.rotation * worldMean;
  return pose;
}

ThreePointPoses threePointPoses(const Eigen::Matrix3d& bearings, const Eigen::Matrix3d& worldPoints,
                                const SolveOptions& options) {
  ThreePointPoses result;
  const auto bad = [&](int argument, InputProblem problem) {
    result.status = SolveStatus::badInput, result.argument = argument, result.problem = problem;
    return result;
  };
  // A zero bearing has no direction: notFinite as well, as its unit form is.
  const Eigen::Matrix3d unit = unitColumns(bearings);
  if (!unit.allFinite()) return bad(0, InputProblem::notFinite);
  if (!worldPoints.allFinite()) return bad(1, InputProblem::notFinite);

  const Eigen::Matrix3d world = worldPoints.colwise() - worldPoints.rowwise().mean();
  const double extent = world.colwise().norm().maxCoeff();
  const Eigen::Vector3d normal = (world.col(1) - world.col(0)).cross(world.col(2) - world.col(0));
  if (!(normal.norm() > kOnOneLine * extent * extent)) {
    result.status = SolveStatus::dependentEquations;
    return result;
  }
  if (unit.col(0).cross(unit.col(1)).norm() <= kParallel &&
      unit.col(0).cross(unit.col(2)).norm() <= kParallel) {
    result.status = SolveStatus::noRealSolution;
    return result;
  }

  const std::array<std::array<double, 10>, 3> equations = poseEquations(bearings, worldPoints);
  SolutionList solutions;
  const SolveReport report =
      solveThreeQuadrics(equations[0], equations[1], equations[2], solutions, options);
  result.status = report.status;
  // Bearings and points were checked above: a bad input now is the options.
  result.argument = report.argument, result.problem = report.problem;
  if (report.status == SolveStatus::badInput || report.status == SolveStatus::declined ||
      report.status == SolveStatus::dependentEquations)
    return result;

  // The equations are even: wherever s solves them, -s does too, but the solve may return one
  // of a pair without the other (a symmetric camera's double root can verify on one side
  // only). So each solution is taken with the sign that makes its depths positive, and one that
  // repeats a depth triple already kept is the same pose; of each pair one is kept, at most
  // four in all.
  for (const Solution& s : solutions) {
    Eigen::Vector3d depths(s.x, s.y, s.z);
    if (depths.maxCoeff() < 0) depths = -depths;
    if (!(depths.minCoeff() > 0) || result.count == kMostPoses) continue;
    const auto same = [&](const Eigen::Vector3d& kept) {
      return (kept - depths).norm() <= kSameDepths * depths.norm();
    };
    if (std::any_of(result.depths.begin(), result.depths.begin() + result.count, same)) continue;
    result.depths[result.count] = depths;
    result.pose[result.count] = poseFromDepths(bearings, worldPoints, depths);
    ++result.count;
  }
  if (result.count == 0 && report.status == SolveStatus::solved)
    result.status = SolveStatus::noRealSolution;
  return result;
}

}  // namespace quorvane
