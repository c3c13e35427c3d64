// SPDX-License-Identifier: BSD-3-Clause
// Trilateration: three anchors' spheres solved as a system, in a frame centred on the
// anchors, and for more anchors Gauss-Newton on the range errors from those positions.
#include "quorvane/trilateration.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "quorvane/solver.h"

namespace quorvane {
namespace {

using Vector = Eigen::Vector3d;

// Gauss-Newton on the range errors stops where a step is below this, relative to the
// anchors' extent, or after kMostSteps.
constexpr double kConverged = 0x1p-44;
constexpr int kMostSteps = 60;
// Two least-squares positions closer than this, relative to the anchors' extent, are one.
constexpr double kSamePosition = 1e-9;
// A mirror position whose residual exceeds the best one's by less than this, relative to the
// anchors' extent, fits as well (rounding's share in a residual of anchors in one plane).
constexpr double kFitsAsWell = 1e-9;

// Anchors spanning a triangle this small, relative to the square of their extent, lie on one
// line as far as doubles can tell.
constexpr double kOnOneLine = 1e-12;

// The anchors as the solver sees them: about the origin, in the caller's units.
struct LocalAnchors {
  std::vector<Vector> at;
  const double* ranges;
  Vector origin;
  double extent;  // the largest of the anchors' distances from the origin and the ranges
};

// Range error |p - anchor k| - range k of each anchor in `use`.
double rootMeanSquareError(const LocalAnchors& anchors, const Vector& p, const int* use,
                           int count) {
  double sum = 0;
  for (int i = 0; i < count; ++i) {
    const double error = (p - anchors.at[use[i]]).norm() - anchors.ranges[use[i]];
    sum += error * error;
  }
  return std::sqrt(sum / count);
}

// Gauss-Newton on the range errors of the anchors in `use`, from `p`. The least-squares step
// is the minimum-norm one: at a point in the anchors' plane (anchors on a ceiling) the normal
// direction has no gradient, and the step stays in the plane.
Vector leastSquaresPosition(const LocalAnchors& anchors, Vector p, const int* use, int count) {
  Eigen::MatrixX3d jacobian(count, 3);
  Eigen::VectorXd error(count);
  double lastStep = std::numeric_limits<double>::infinity();
  for (int step = 0; step < kMostSteps; ++step) {
    for (int i = 0; i < count; ++i) {
      const Vector d = p - anchors.at[use[i]];
      const double distance = d.norm();
      error(i) = distance - anchors.ranges[use[i]];
      // At an anchor the range error has no gradient.
      const Vector unit = distance > 0 ? Vector(d / distance) : Vector::Zero();
      jacobian.row(i) = unit.transpose();
    }
    const Vector delta = jacobian.completeOrthogonalDecomposition().solve(-error);
    const double length = delta.norm();
    if (!(length < lastStep)) break;
    p += delta;
    if (length <= kConverged * anchors.extent) break;
    lastStep = length;
  }
  return p;
}

// The three anchors that span the largest triangle: the one farthest from the origin, the
// one farthest from it, and the one farthest from the line through both.
std::array<int, 3> widestTriangle(const LocalAnchors& anchors) {
  const int count = static_cast<int>(anchors.at.size());
  const auto farthest = [&](auto distance) {
    int best = 0;
    for (int k = 1; k < count; ++k)
      if (distance(k) > distance(best)) best = k;
    return best;
  };
  const int first = farthest([&](int k) { return anchors.at[k].squaredNorm(); });
  const int second =
      farthest([&](int k) { return (anchors.at[k] - anchors.at[first]).squaredNorm(); });
  const Vector along = anchors.at[second] - anchors.at[first];
  const int third =
      farthest([&](int k) { return along.cross(anchors.at[k] - anchors.at[first]).squaredNorm(); });
  return {first, second, third};
}

void add(Trilateration& result, const Vector& p, PointKind kind, double residual) {
  const int i = result.positions++;
  result.position[i] = p, result.kind[i] = kind, result.residual[i] = residual;
}

}  // namespace

Trilateration trilaterate(const double* anchors, const double* ranges, int count,
                          const TrilaterationOptions& options) {
  Trilateration result;
  const auto bad = [&](int argument, InputProblem problem) {
    result.status = SolveStatus::badInput, result.argument = argument, result.problem = problem;
    return result;
  };
  if (count < 3 || !anchors || !ranges)
    return bad(anchors ? 1 : 0, InputProblem::tooFewCoefficients);
  for (int k = 0; k < 3 * count; ++k)
    if (!std::isfinite(anchors[k])) return bad(0, InputProblem::notFinite);
  for (int k = 0; k < count; ++k)
    if (!(std::isfinite(ranges[k]) && ranges[k] >= 0)) return bad(1, InputProblem::notFinite);

  // About the anchors' mean: its rounding only moves the frame, and the anchors' coordinates
  // in it are their exact differences from it where they lie close together.
  LocalAnchors local{std::vector<Vector>(count), ranges, Vector::Zero(), 0};
  for (int k = 0; k < count; ++k) local.origin += Vector(anchors + 3 * k);
  local.origin /= count;
  for (int k = 0; k < count; ++k) {
    local.at[k] = Vector(anchors + 3 * k) - local.origin;
    local.extent = std::max({local.extent, local.at[k].norm(), ranges[k]});
  }
  if (!(local.extent > 0)) return bad(0, InputProblem::notFinite);

  const std::array<int, 3> three = count == 3 ? std::array<int, 3>{0, 1, 2} : widestTriangle(local);
  // Anchors on one line leave a circle of positions about it, which no solve can narrow.
  const Vector side = local.at[three[1]] - local.at[three[0]];
  const Vector other = local.at[three[2]] - local.at[three[0]];
  if (!(side.cross(other).norm() > kOnOneLine * local.extent * local.extent)) {
    result.status = SolveStatus::dependentEquations;
    return result;
  }
  std::array<QuadricCoefficients, 3> spheres;
  for (int i = 0; i < 3; ++i) spheres[i] = sphereCoefficients(local.at[three[i]], ranges[three[i]]);
  SolutionList solutions;
  const SolveReport report = solveThreeQuadrics(spheres[0].data(), spheres[1].data(),
                                                spheres[2].data(), solutions, options.solve);
  result.status = report.status;
  // Anchors and ranges were checked above: a bad input now is the options (argument 3).
  result.argument = report.argument, result.problem = report.problem;
  if (report.status == SolveStatus::badInput || report.status == SolveStatus::declined ||
      report.status == SolveStatus::dependentEquations)
    return result;

  // The three anchors' positions, or where their spheres do not meet, the least-squares
  // position from the real part of the pair they meet in instead.
  std::vector<Vector> starts;
  std::vector<PointKind> kinds;
  for (int i = 0; i < static_cast<int>(solutions.size()); ++i) {
    starts.emplace_back(solutions[i].x, solutions[i].y, solutions[i].z);
    kinds.push_back(report.kind[i]);
  }
  if (starts.empty()) {
    ComplexSolutionList pair;
    SolveOptions complexOptions = options.solve;
    complexOptions.certify = false;
    solveThreeQuadricsComplex(spheres[0].data(), spheres[1].data(), spheres[2].data(), pair,
                              complexOptions);
    if (pair.empty()) {
      result.status = SolveStatus::declined;
      return result;
    }
    const Vector middle(pair[0].x.real(), pair[0].y.real(), pair[0].z.real());
    starts.push_back(leastSquaresPosition(local, middle, three.data(), 3));
    kinds.push_back(PointKind::nearDouble);
  }

  std::vector<int> all(count);
  for (int k = 0; k < count; ++k) all[k] = k;
  std::vector<Vector> fitted;
  std::vector<double> residual;
  for (std::size_t i = 0; i < starts.size(); ++i) {
    // Three anchors' roots are the solver's, as accurate as the ranges allow.
    const bool root = count == 3 && kinds[i] != PointKind::nearDouble;
    fitted.push_back(root ? starts[i] : leastSquaresPosition(local, starts[i], all.data(), count));
    residual.push_back(rootMeanSquareError(local, fitted.back(), all.data(), count));
  }
  // Mirror positions that one position between them fits within the range tolerance merge;
  // so do two starts that led to one least-squares position.
  if (fitted.size() == 2) {
    const Vector middle = (fitted[0] + fitted[1]) / 2;
    const bool same = (fitted[0] - fitted[1]).norm() <= kSamePosition * local.extent;
    if (same || rootMeanSquareError(local, middle, all.data(), count) <= options.rangeTolerance) {
      const Vector merged = leastSquaresPosition(local, middle, all.data(), count);
      fitted = {merged};
      residual = {rootMeanSquareError(local, merged, all.data(), count)};
      kinds = {same ? kinds[0] : PointKind::nearDouble};
    }
  }
  // Of more anchors' fits, the best first, and its mirror only where it fits as well.
  if (fitted.size() == 2 && count > 3 && residual[1] < residual[0]) {
    std::swap(fitted[0], fitted[1]);
    std::swap(residual[0], residual[1]);
    std::swap(kinds[0], kinds[1]);
  }
  for (std::size_t i = 0; i < fitted.size(); ++i)
    if (i == 0 || count == 3 || residual[i] <= residual[0] + kFitsAsWell * local.extent)
      add(result, fitted[i] + local.origin, kinds[i], residual[i]);
  result.status = SolveStatus::solved;
  return result;
}

Trilateration trilaterate(const Eigen::MatrixX3d& anchors, const Eigen::VectorXd& ranges,
                          const TrilaterationOptions& options) {
  const int count = static_cast<int>(anchors.rows());
  if (ranges.size() != count) {
    Trilateration result;
    result.status = SolveStatus::badInput, result.argument = 1;
    result.problem = InputProblem::tooFewCoefficients;
    return result;
  }
  const Eigen::Matrix<double, Eigen::Dynamic, 3, Eigen::RowMajor> rows = anchors;
  return trilaterate(rows.data(), ranges.data(), count, options);
}

}  // namespace quorvane
