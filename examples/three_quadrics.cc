// SPDX-License-Identifier: BSD-3-Clause
// Three quadric surfaces given by their 4 x 4 matrices: an ellipsoid, a hyperboloid of one
// sheet and an elliptic cone, which meet in the eight corners (±1, ±1, ±1) of a cube. The
// surfaces are first moved by a rigid motion, as they would come from a scene, and the
// intersection points are mapped back.
#include <quorvane/solver.h>

#include <Eigen/Geometry>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

int main() {
  // [x y z 1] Q [x y z 1]ᵀ = 0, rows and columns x, y, z, 1.
  const Eigen::Matrix4d ellipsoid =
      Eigen::Vector4d(0.5, 0.5, 1, -2).asDiagonal();  // x²/2 + y²/2 + z² = 2
  const Eigen::Matrix4d hyperboloid =
      Eigen::Vector4d(1, 1, -1, -1).asDiagonal();                          // x² + y² - z² = 1
  const Eigen::Matrix4d cone = Eigen::Vector4d(1, -2, 1, 0).asDiagonal();  // x² + z² = 2y²

  // Points move as p' = T p; a quadric's matrix then becomes T⁻ᵀ Q T⁻¹.
  Eigen::Affine3d motion = Eigen::Translation3d(0.3, -1.2, 2.0) *
                           Eigen::AngleAxisd(0.9, Eigen::Vector3d(1, 2, 2).normalized());
  const Eigen::Matrix4d inverse = motion.inverse().matrix();
  const auto moved = [&](const Eigen::Matrix4d& q) -> Eigen::Matrix4d {
    return inverse.transpose() * q * inverse;
  };

  quorvane::SolutionList solutions;
  quorvane::solveThreeQuadrics(quorvane::quadricCoefficients(moved(ellipsoid)),
                               quorvane::quadricCoefficients(moved(hyperboloid)),
                               quorvane::quadricCoefficients(moved(cone)), solutions);

  std::vector<std::array<double, 3>> corners;
  for (const quorvane::Solution& s : solutions) {
    // To six decimals, so that the sorted order is that of the printed corners.
    const Eigen::Vector3d p = motion.inverse() * Eigen::Vector3d(s.x, s.y, s.z);
    corners.push_back({std::round(p.x() * 1e6) / 1e6, std::round(p.y() * 1e6) / 1e6,
                       std::round(p.z() * 1e6) / 1e6});
  }
  std::sort(corners.begin(), corners.end());
  std::printf("%zu intersection points, mapped back to the surfaces' own frame:\n", corners.size());
  for (const auto& c : corners) std::printf("(%.6f, %.6f, %.6f)\n", c[0], c[1], c[2]);
  return corners.size() == 8 ? 0 : 1;
}
