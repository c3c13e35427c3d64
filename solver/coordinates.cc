#include "coordinates.h"

#include <Eigen/SVD>

namespace quorvane {
namespace {

// Entry of the symmetric 4 x 4 matrix Q with f = (x, y, z, 1) Q (x, y, z, 1)ᵀ that holds
// each coefficient; off the diagonal it holds half of it.
struct QuadricEntry {
  int row, column;
};
constexpr QuadricEntry kQuadricEntryOfCoefficient[kCoefficientCount] = {
    {3, 3}, {0, 1}, {0, 2}, {1, 2}, {0, 0}, {1, 1}, {2, 2}, {0, 3}, {1, 3}, {2, 3}};

Eigen::Matrix4d quadricMatrix(const Eigen::Matrix<double, 1, kCoefficientCount>& c) {
  Eigen::Matrix4d q;
  for (int i = 0; i < kCoefficientCount; ++i) {
    const QuadricEntry& at = kQuadricEntryOfCoefficient[i];
    const double value = at.row == at.column ? c(i) : 0.5 * c(i);
    q(at.row, at.column) = q(at.column, at.row) = value;
  }
  return q;
}

Eigen::Matrix<double, 1, kCoefficientCount> coefficientsOf(const Eigen::Matrix4d& q) {
  Eigen::Matrix<double, 1, kCoefficientCount> c;
  for (int i = 0; i < kCoefficientCount; ++i) {
    const QuadricEntry& at = kQuadricEntryOfCoefficient[i];
    c(i) = at.row == at.column ? q(at.row, at.column) : q(at.row, at.column) + q(at.column, at.row);
  }
  return c;
}

CoordinateChange change(const double (&h)[4][4], const double (&planes)[3][4]) {
  CoordinateChange c;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) c.homography(i, j) = h[i][j];
  for (int e = 0; e < kEquationCount; ++e)
    c.liftingPlanes[e] = Eigen::Vector4d(planes[e][0], planes[e][1], planes[e][2], planes[e][3]);
  return c;
}

// Rotations about (1, 2, 3) by 0.7 and about (-2, 1, 3) by 1.1, small offsets t, and a with
// |a| of about 0.2. The lifting planes lie four to five units from the origin.
constexpr double kFirstHomography[4][4] = {
    {0.78163917390702509, -0.48292928421421222, 0.39473979817379978, 0.13},
    {0.55011723070435836, 0.83203013377463475, -0.071392499417875913, -0.21},
    {-0.29395787843858057, 0.27295633888831428, 0.91601506688731738, 0.17},
    {0.09, -0.12, 0.15, 1}};
constexpr double kFirstLiftingPlanes[3][4] = {
    {1, 0.17, -0.11, 0.13}, {1, -0.09, 0.19, 0.12}, {1, 0.14, 0.1, -0.18}};
constexpr double kSecondHomography[4][4] = {
    {0.60971151530398371, -0.79261325449374043, 0.0040120950339025963, -0.19},
    {0.63649786061533387, 0.49262496989517879, 0.59345691711182968, 0.11},
    {-0.47235827666912217, -0.35928382629421984, 0.80485575765199191, 0.23},
    {-0.14, 0.1, -0.08, 1}};
constexpr double kSecondLiftingPlanes[3][4] = {
    {1, -0.16, -0.12, 0.1}, {1, 0.11, 0.15, 0.16}, {1, -0.13, 0.17, -0.12}};

// Below this fraction of the largest singular value a combination counts as linear.
constexpr double kCancelledQuadraticTolerance = 1e-10;

}  // namespace

const std::array<CoordinateChange, 2>& coordinateChanges() {
  static const std::array<CoordinateChange, 2> changes = {
      change(kFirstHomography, kFirstLiftingPlanes),
      change(kSecondHomography, kSecondLiftingPlanes)};
  return changes;
}

Eigen::Matrix<double, 1, kCoefficientCount> productOfLinearForms(const Eigen::Vector4d& a,
                                                                 const Eigen::Vector4d& b) {
  Eigen::Matrix<double, 1, kCoefficientCount> c;
  c << a(0) * b(0), a(1) * b(2) + a(2) * b(1), a(1) * b(3) + a(3) * b(1), a(2) * b(3) + a(3) * b(2),
      a(1) * b(1), a(2) * b(2), a(3) * b(3), a(1) * b(0) + a(0) * b(1), a(2) * b(0) + a(0) * b(2),
      a(3) * b(0) + a(0) * b(3);
  return c;
}

Equations liftLinearCombinations(const Equations& equations,
                                 const std::array<Eigen::Vector4d, kEquationCount>& planes,
                                 LiftedPlanes* lifted) {
  if (lifted) lifted->fill(false);
  const Eigen::Matrix<double, kEquationCount, 6> quadratic = equations.middleCols<6>(1);
  const Eigen::JacobiSVD<Eigen::Matrix<double, kEquationCount, 6>> svd(quadratic,
                                                                       Eigen::ComputeFullU);
  const auto singular = svd.singularValues();
  if (singular(kEquationCount - 1) > kCancelledQuadraticTolerance * singular(0)) return equations;

  // Rows of Uᵀ · equations are orthogonal combinations; those with a negligible singular
  // value have lost their quadratic terms.
  Equations combined = svd.matrixU().transpose() * equations;
  for (int e = 0; e < kEquationCount; ++e) {
    if (singular(e) > kCancelledQuadraticTolerance * singular(0)) continue;
    const Eigen::Vector4d linear(combined(e, 0), combined(e, 7), combined(e, 8), combined(e, 9));
    combined.row(e) = productOfLinearForms(linear, planes[e]);
    if (lifted) (*lifted)[e] = true;
  }
  return combined;
}

Equations changedCoordinates(const Equations& equations, const Eigen::Matrix4d& homography) {
  Equations changed;
  for (int e = 0; e < kEquationCount; ++e)
    changed.row(e) =
        coefficientsOf(homography.transpose() * quadricMatrix(equations.row(e)) * homography);
  return changed;
}

}  // namespace quorvane
