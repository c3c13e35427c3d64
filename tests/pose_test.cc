// SPDX-License-Identifier: BSD-3-Clause
// Three-point pose against cameras placed first: the true pose among those returned, every
// pose seeing the points along their bearings, the depths' equations, the fit of a pose to
// depths, map coordinates, and the inputs it must refuse.
#include <gtest/gtest.h>
#include <quorvane/solver.h>

#include <Eigen/Geometry>
#include <cmath>
#include <random>

namespace quorvane {
namespace {

using Matrix = Eigen::Matrix3d;
using Vector = Eigen::Vector3d;

struct Scene {
  Pose camera;
  Matrix worldPoints;  // one point a column
  Matrix bearings;     // of random lengths
  Vector depths;       // the points' distances from the camera centre
};

// A camera at a random rotation and translation, and three points 2 to 10 m in front of it
// within a 90° field of view, placed `offset` away from the world origin. The points are
// rounded to their coordinates there before the camera sees them, so that the scene is exact
// at those coordinates too. The bearings are the camera points scaled by random factors, which
// no call may depend on.
Scene randomScene(std::mt19937_64& rng, const Vector& offset = Vector::Zero()) {
  std::normal_distribution<double> normal;
  std::uniform_real_distribution<double> lateral(-1, 1), depth(2, 10), length(0.1, 10);
  Scene s;
  const Matrix rotation =
      Eigen::Quaterniond(normal(rng), normal(rng), normal(rng), normal(rng)).normalized().matrix();
  const Vector translation = Vector(normal(rng), normal(rng), normal(rng)) * 3;
  for (int k = 0; k < 3; ++k) {
    const Vector placed = Vector(lateral(rng), lateral(rng), 1) * depth(rng);
    // Their differences from the offset are exact (Sterbenz).
    const Vector world = (rotation.transpose() * (placed - translation) + offset) - offset;
    const Vector seen = rotation * world + translation;
    s.depths(k) = seen.norm();
    s.bearings.col(k) = seen * length(rng);
    s.worldPoints.col(k) = world + offset;
  }
  // The camera sees the moved world the same from a translation shifted by the offset.
  s.camera.rotation = rotation;
  s.camera.translation = translation - rotation * offset;
  return s;
}

Vector centre(const Pose& pose) {
  return -pose.rotation.transpose() * pose.translation;
}

// The index of the pose nearest the camera, by the rotations' difference.
int nearestPose(const ThreePointPoses& poses, const Pose& camera) {
  int best = -1;
  for (int i = 0; i < poses.count; ++i)
    if (best < 0 || (poses.pose[i].rotation - camera.rotation).norm() <
                        (poses.pose[best].rotation - camera.rotation).norm())
      best = i;
  return best;
}

// The largest angle between where `pose` puts each world point and its bearing.
double largestAngle(const Pose& pose, const Scene& s) {
  double angle = 0;
  for (int k = 0; k < 3; ++k) {
    const Vector seen = pose.rotation * s.worldPoints.col(k) + pose.translation;
    const Vector bearing = s.bearings.col(k);
    angle = std::max(angle, std::atan2(seen.cross(bearing).norm(), seen.dot(bearing)));
  }
  return angle;
}

// Equation `e` of poseEquations at the depths, term by term in coefficient order.
double equationValue(const std::array<double, 10>& c, const Vector& d) {
  const double x = d(0), y = d(1), z = d(2);
  const std::array<double, 10> monomials = {1, x * y, x * z, y * z, x * x, y * y, z * z, x, y, z};
  double value = 0;
  for (int i = 0; i < 10; ++i) value += c[i] * monomials[i];
  return value;
}

TEST(ThreePointPose, RandomCamerasAreAmongThePosesAndEveryPoseSeesThePoints) {
  std::mt19937_64 rng(20261220);
  constexpr int kCases = 1000;
  for (int k = 0; k < kCases; ++k) {
    const Scene s = randomScene(rng);
    const ThreePointPoses poses = threePointPoses(s.bearings, s.worldPoints);
    ASSERT_EQ(poses.status, SolveStatus::solved) << k;
    ASSERT_GE(poses.count, 1) << k;
    ASSERT_LE(poses.count, kMostPoses) << k;
    for (int i = 0; i < poses.count; ++i) {
      const Pose& pose = poses.pose[i];
      EXPECT_LT(largestAngle(pose, s), 1e-9) << k << " pose " << i;
      EXPECT_LT((pose.rotation.transpose() * pose.rotation - Matrix::Identity()).norm(), 1e-12);
      EXPECT_NEAR(pose.rotation.determinant(), 1, 1e-12);
      EXPECT_GT(poses.depths[i].minCoeff(), 0) << k << " pose " << i;
      // Each depth is the distance from the pose's camera centre to its point.
      const Vector distances = (s.worldPoints.colwise() - centre(pose)).colwise().norm();
      EXPECT_LT((distances - poses.depths[i]).norm(), 1e-9 * distances.norm()) << k;
    }
    for (int i = poses.count; i < kMostPoses; ++i) EXPECT_TRUE(poses.pose[i].rotation.hasNaN());
    const Pose& nearest = poses.pose[nearestPose(poses, s.camera)];
    EXPECT_LE((nearest.rotation - s.camera.rotation).norm(), 1e-9) << k;
    EXPECT_LE((nearest.translation - s.camera.translation).norm(),
              1e-9 * std::max(1.0, s.camera.translation.norm()))
        << k;
  }
}

TEST(ThreePointPose, ACameraAboveAnIsoscelesTriangleIsFound) {
  // A camera turned half a turn about x, 5 m above the right angle of a right isosceles
  // triangle: its depths (5, √26, √26) are a double root of the system, which the solve can
  // verify with one sign only. The triangle's mirror symmetry swaps the other two poses, so
  // there are three, each once.
  Matrix worldPoints;
  worldPoints << 0, 1, 0, 0, 0, 1, 0, 0, 0;
  Pose camera;
  camera.rotation = Vector(1, -1, -1).asDiagonal();
  camera.translation = Vector(0, 0, 5);
  const Matrix bearings = (camera.rotation * worldPoints).colwise() + camera.translation;
  const ThreePointPoses poses = threePointPoses(bearings, worldPoints);
  ASSERT_EQ(poses.count, 3);
  const Pose& nearest = poses.pose[nearestPose(poses, camera)];
  EXPECT_LT((nearest.rotation - camera.rotation).norm(), 1e-9);
  EXPECT_LT((nearest.translation - camera.translation).norm(), 1e-9);
  for (int i = 0; i < poses.count; ++i)
    for (int j = 0; j < i; ++j)
      EXPECT_GT((poses.pose[i].rotation - poses.pose[j].rotation).norm(), 1e-3) << i << " " << j;
}

TEST(ThreePointPose, MapCoordinatesLoseNothing) {
  std::mt19937_64 rng(20261221);
  const Vector mapOffset(5e5, 4.5e6, 200);
  constexpr int kCases = 1000;
  for (int k = 0; k < kCases; ++k) {
    const Scene s = randomScene(rng, mapOffset);
    const ThreePointPoses poses = threePointPoses(s.bearings, s.worldPoints);
    ASSERT_EQ(poses.status, SolveStatus::solved) << k;
    ASSERT_GE(poses.count, 1) << k;
    const Pose& nearest = poses.pose[nearestPose(poses, s.camera)];
    EXPECT_LE((nearest.rotation - s.camera.rotation).norm(), 1e-9) << k;
    EXPECT_LE((centre(nearest) - centre(s.camera)).norm(), 1e-6) << k;
  }
}

TEST(PoseEquations, KnownCoefficientsAndTheTrueDepthsSolveThem) {
  // Bearings along x, at 45° to it in the xy plane, and along z (lengths 1, √2, 2); points
  // 5, 10 and 13 squared apart.
  Matrix bearings, worldPoints;
  bearings << 1, 1, 0, 0, 1, 0, 0, 0, 2;
  worldPoints << 1, 0, 0, 0, 2, 0, 0, 0, 3;
  const auto c = poseEquations(bearings, worldPoints);
  const double r = -std::sqrt(2.0);
  const std::array<std::array<double, 10>, 3> expected = {{{-5, r, 0, 0, 1, 1, 0, 0, 0, 0},
                                                           {-10, 0, 0, 0, 1, 0, 1, 0, 0, 0},
                                                           {-13, 0, 0, 0, 0, 1, 1, 0, 0, 0}}};
  for (int e = 0; e < 3; ++e)
    for (int i = 0; i < 10; ++i) EXPECT_NEAR(c[e][i], expected[e][i], 1e-15) << e << " " << i;

  std::mt19937_64 rng(20261222);
  for (int k = 0; k < 100; ++k) {
    const Scene s = randomScene(rng);
    const auto equations = poseEquations(s.bearings, s.worldPoints);
    // Relative to the size of the terms, which are the squared depths.
    for (int e = 0; e < 3; ++e) {
      EXPECT_LT(std::abs(equationValue(equations[e], s.depths)), 1e-13 * s.depths.squaredNorm())
          << k << " equation " << e;
      // Its ± pair solves it too.
      EXPECT_LT(std::abs(equationValue(equations[e], -s.depths)), 1e-13 * s.depths.squaredNorm());
    }
  }
}

TEST(PoseFromDepths, TheTrueDepthsGiveTheCameraBack) {
  std::mt19937_64 rng(20261223);
  for (int k = 0; k < 1000; ++k) {
    const Scene s = randomScene(rng);
    const Pose pose = poseFromDepths(s.bearings, s.worldPoints, s.depths);
    EXPECT_LT((pose.rotation - s.camera.rotation).norm(), 1e-12) << k;
    EXPECT_LT((pose.translation - s.camera.translation).norm(),
              1e-12 * std::max(1.0, s.camera.translation.norm()))
        << k;
  }
  Scene s = randomScene(rng);
  s.depths(1) = NAN;
  EXPECT_TRUE(poseFromDepths(s.bearings, s.worldPoints, s.depths).rotation.hasNaN());
}

TEST(ThreePointPose, RefusesWhatIsNoPose) {
  std::mt19937_64 rng(20261224);
  const Scene s = randomScene(rng);
  struct Case {
    const char* what;
    int argument;  // the column of the bearings (0) or points (1) changed
    Vector value;
    SolveStatus status;
    int badArgument;
  };
  const Case cases[] = {
      {"NaN bearing", 0, Vector(NAN, 0, 1), SolveStatus::badInput, 0},
      {"infinite bearing", 0, Vector(0, INFINITY, 1), SolveStatus::badInput, 0},
      {"zero bearing", 0, Vector::Zero(), SolveStatus::badInput, 0},
      {"NaN point", 1, Vector(1, NAN, 0), SolveStatus::badInput, 1},
      {"point on the line of the others", 1, (s.worldPoints.col(0) + s.worldPoints.col(1)) / 2,
       SolveStatus::dependentEquations, -1},
  };
  for (const Case& c : cases) {
    Matrix bearings = s.bearings, worldPoints = s.worldPoints;
    (c.argument == 0 ? bearings : worldPoints).col(2) = c.value;
    const ThreePointPoses poses = threePointPoses(bearings, worldPoints);
    EXPECT_EQ(poses.status, c.status) << c.what;
    EXPECT_EQ(poses.argument, c.badArgument) << c.what;
    if (c.status == SolveStatus::badInput) {
      EXPECT_EQ(poses.problem, InputProblem::notFinite) << c.what;
    }
    EXPECT_EQ(poses.count, 0) << c.what;
  }

  SolveOptions badTolerance;
  badTolerance.imaginaryTolerance = -1;
  const ThreePointPoses refused = threePointPoses(s.bearings, s.worldPoints, badTolerance);
  EXPECT_EQ(refused.status, SolveStatus::badInput);
  EXPECT_EQ(refused.argument, kOptionsArgument);
  EXPECT_EQ(refused.problem, InputProblem::badOption);
  EXPECT_EQ(refused.count, 0);

  // Three bearings along one line to points off one line: no camera sees them so.
  Matrix parallel;
  parallel.colwise() = Vector(1, 2, 3);
  EXPECT_EQ(threePointPoses(parallel, s.worldPoints).status, SolveStatus::noRealSolution);

  // Bearings whose squares overflow or underflow have their directions still.
  const ThreePointPoses unit = threePointPoses(s.bearings.colwise().normalized(), s.worldPoints);
  for (const double length : {1e200, 1e-200}) {
    const ThreePointPoses scaled =
        threePointPoses(s.bearings.colwise().normalized() * length, s.worldPoints);
    ASSERT_EQ(scaled.count, unit.count) << length;
    for (int i = 0; i < unit.count; ++i)
      EXPECT_LT((scaled.pose[i].rotation - unit.pose[i].rotation).norm(), 1e-12) << length;
  }
}

}  // namespace
}  // namespace quorvane
