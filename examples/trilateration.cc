// SPDX-License-Identifier: BSD-3-Clause
// Trilateration: a receiver's position from its ranges to three anchors at known positions.
// Each range makes a sphere about its anchor; the three spheres meet in two points mirrored
// in the plane of the anchors, and the receiver is the one on the room's side of that plane.
#include <quorvane/solver.h>

#include <Eigen/Geometry>
#include <array>
#include <cstdio>

int main() {
  // Anchors on the ceiling of a 6 x 4 m room, at slightly different heights.
  const std::array<Eigen::Vector3d, 3> anchors = {
      Eigen::Vector3d(0, 0, 2.5), Eigen::Vector3d(6, 0, 2.8), Eigen::Vector3d(0, 4, 2.6)};
  // The ranges a receiver at (2, 1.5, 1) measures; in use they come from the radio.
  const Eigen::Vector3d receiver(2, 1.5, 1);
  std::array<double, 3> ranges;
  for (int i = 0; i < 3; ++i) ranges[i] = (receiver - anchors[i]).norm();

  quorvane::SolutionList solutions;
  quorvane::solveThreeQuadrics(quorvane::sphereCoefficients(anchors[0], ranges[0]),
                               quorvane::sphereCoefficients(anchors[1], ranges[1]),
                               quorvane::sphereCoefficients(anchors[2], ranges[2]), solutions);
  // No solution when noisy ranges leave the spheres apart; one when they touch.
  std::printf("%zu candidate positions\n", solutions.size());
  if (solutions.empty()) return 1;

  // The room lies below the anchors' plane: keep the candidate on the side of its normal
  // that points down.
  Eigen::Vector3d normal = (anchors[1] - anchors[0]).cross(anchors[2] - anchors[0]);
  if (normal.z() > 0) normal = -normal;
  const quorvane::Solution* best = nullptr;
  for (const quorvane::Solution& s : solutions) {
    const double side = normal.dot(Eigen::Vector3d(s.x, s.y, s.z) - anchors[0]);
    std::printf("candidate (%.6f, %.6f, %.6f), %s the anchors' plane\n", s.x, s.y, s.z,
                side >= 0 ? "below" : "above");
    if (side >= 0) best = &s;
  }
  if (best == nullptr) return 1;
  std::printf("receiver at (%.6f, %.6f, %.6f)\n", best->x, best->y, best->z);
  return 0;
}
