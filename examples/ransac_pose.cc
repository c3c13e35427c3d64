// SPDX-License-Identifier: BSD-3-Clause
// RANSAC over three-point poses: a calibrated camera's pose from 50 bearings to surveyed
// points at map coordinates, a fifth of which are matched to the wrong point. Each sample of
// three correspondences gives up to four poses (threePointPoses); a pose scores the
// correspondences it sees within an angle, and the best pose's inliers are the answer.
#include <quorvane/solver.h>

#include <Eigen/Geometry>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr int kCorrespondences = 50;
constexpr int kOutliers = 10;
constexpr int kSamples = 100;
constexpr double kBearingNoise = 2e-4;  // radians, at most, in each component
constexpr double kInlierAngle = 2e-3;   // radians

// Uniform in [low, high) from the engine's raw output, the same on every standard library
// (the <random> distributions are not).
struct Uniform {
  std::mt19937_64 engine{2026};
  double operator()(double low, double high) {
    return low + (high - low) * static_cast<double>(engine() >> 11) * 0x1p-53;
  }
  int index(int count) { return static_cast<int>(engine() % static_cast<unsigned>(count)); }
};

// The angle between where `pose` puts a world point and the bearing it was seen along;
// behind the camera is as far as can be.
double angleOff(const quorvane::Pose& pose, const Eigen::Vector3d& point,
                const Eigen::Vector3d& bearing) {
  const Eigen::Vector3d seen = pose.rotation * point + pose.translation;
  return std::atan2(seen.cross(bearing).norm(), seen.dot(bearing));
}

}  // namespace

int main() {
  Uniform uniform;
  // The camera: turned 30° about an axis, its centre 2 m above a survey point at map
  // coordinates; the points lie 5 to 40 m in front of it.
  const Eigen::Vector3d mapOrigin(5e5, 4.5e6, 200);
  quorvane::Pose camera;
  camera.rotation = Eigen::AngleAxisd(EIGEN_PI / 6, Eigen::Vector3d(1, 2, 3).normalized()).matrix();
  const Eigen::Vector3d centre = mapOrigin + Eigen::Vector3d(3, -4, 2);
  camera.translation = -camera.rotation * centre;

  std::vector<Eigen::Vector3d> points(kCorrespondences), bearings(kCorrespondences);
  std::vector<bool> outlier(kCorrespondences, false);
  for (int k = 0; k < kCorrespondences; ++k) {
    const Eigen::Vector3d seen =
        Eigen::Vector3d(uniform(-0.6, 0.6), uniform(-0.4, 0.4), 1) * uniform(5, 40);
    points[k] = camera.rotation.transpose() * (seen - camera.translation);
    const Eigen::Vector3d noise(uniform(-1, 1), uniform(-1, 1), uniform(-1, 1));
    bearings[k] = seen.normalized() + kBearingNoise * noise;
  }
  // Wrong matches: the bearings of the first kOutliers points point anywhere in view.
  for (int k = 0; k < kOutliers; ++k) {
    bearings[k] = Eigen::Vector3d(uniform(-0.6, 0.6), uniform(-0.4, 0.4), 1);
    outlier[k] = true;
  }

  quorvane::Pose best;
  int bestInliers = 0;
  for (int sample = 0; sample < kSamples; ++sample) {
    int pick[3];
    do {
      for (int& k : pick) k = uniform.index(kCorrespondences);
    } while (pick[0] == pick[1] || pick[0] == pick[2] || pick[1] == pick[2]);
    Eigen::Matrix3d sampleBearings, samplePoints;
    for (int i = 0; i < 3; ++i) {
      sampleBearings.col(i) = bearings[pick[i]];
      samplePoints.col(i) = points[pick[i]];
    }
    const quorvane::ThreePointPoses poses = quorvane::threePointPoses(sampleBearings, samplePoints);
    for (int p = 0; p < poses.count; ++p) {
      int inliers = 0;
      for (int k = 0; k < kCorrespondences; ++k)
        inliers += angleOff(poses.pose[p], points[k], bearings[k]) < kInlierAngle;
      if (inliers > bestInliers) bestInliers = inliers, best = poses.pose[p];
    }
  }

  int outliersKept = 0, inliersLost = 0;
  for (int k = 0; k < kCorrespondences; ++k) {
    const bool kept = angleOff(best, points[k], bearings[k]) < kInlierAngle;
    outliersKept += kept && outlier[k];
    inliersLost += !kept && !outlier[k];
  }
  const double rotationError =
      Eigen::AngleAxisd(best.rotation * camera.rotation.transpose()).angle() * 180 / EIGEN_PI;
  const Eigen::Vector3d found = -best.rotation.transpose() * best.translation;
  std::printf("%d correspondences, %d of them wrong; %d samples\n", kCorrespondences, kOutliers,
              kSamples);
  std::printf("best pose: %d inliers, %d wrong ones kept, %d right ones lost\n", bestInliers,
              outliersKept, inliersLost);
  std::printf("rotation error %.4f deg, camera centre error %.4f m\n", rotationError,
              (found - centre).norm());
  return bestInliers > 0 ? 0 : 1;
}
