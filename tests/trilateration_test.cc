// SPDX-License-Identifier: BSD-3-Clause
// Trilateration against receivers placed first: exact ranges at map coordinates, noisy ranges
// beside a ceiling, more anchors than three, and the inputs it must refuse.
#include <gtest/gtest.h>
#include <quorvane/solver.h>

#include <cmath>
#include <random>

namespace quorvane {
namespace {

using Vector = Eigen::Vector3d;

// A room 8 x 6 m whose ceiling, 3 m up, is at z = 203 in map coordinates.
const Vector kMapOffset(5e5, 4.5e6, 200);
constexpr double kCeiling = 3;

struct Scene {
  Eigen::MatrixX3d anchors;
  Eigen::VectorXd ranges;
  Vector receiver;
};

// Anchors near the ceiling's corners (the first three, then the fourth corner, then its middle),
// or with `onWalls` the fourth and later on the walls at random heights, and a receiver `below`
// the ceiling at a random point of the room away from the walls; ranges rounded from the map
// coordinates, with normal noise of `noise`.
Scene room(int count, double below, double noise, std::mt19937_64& rng, bool onWalls = false) {
  std::uniform_real_distribution<double> jitter(-0.3, 0.3), x(0.5, 7.5), y(0.5, 5.5),
      z(0, kCeiling);
  std::normal_distribution<double> error(0, noise);
  const Vector corners[5] = {{0.5, 0.5, kCeiling},
                             {7.5, 0.5, kCeiling},
                             {0.5, 5.5, kCeiling},
                             {7.5, 5.5, kCeiling},
                             {4, 3, kCeiling}};
  Scene s;
  s.anchors.resize(count, 3);
  s.ranges.resize(count);
  for (int k = 0; k < count; ++k) {
    Vector a = corners[k % 5] + Vector(jitter(rng), jitter(rng), 0);
    if (onWalls && k >= 3) a = k % 2 ? Vector(0, y(rng), z(rng)) : Vector(x(rng), 6, z(rng));
    s.anchors.row(k) = (a + kMapOffset).transpose();
  }
  s.receiver = Vector(x(rng), y(rng), kCeiling - below) + kMapOffset;
  for (int k = 0; k < count; ++k)
    s.ranges(k) = (s.receiver - s.anchors.row(k).transpose()).norm() + (noise > 0 ? error(rng) : 0);
  return s;
}

double nearest(const Trilateration& t, const Vector& receiver) {
  double best = INFINITY;
  for (int i = 0; i < t.positions; ++i) best = std::min(best, (t.position[i] - receiver).norm());
  return best;
}

// The position on the room's side of the ceiling, as a user below it picks.
double belowCeiling(const Trilateration& t, const Vector& receiver) {
  int pick = 0;
  for (int i = 1; i < t.positions; ++i)
    if (t.position[i](2) < t.position[pick](2)) pick = i;
  return t.positions ? (t.position[pick] - receiver).norm() : INFINITY;
}

TEST(Trilateration, ThreeAnchorsGiveBothMirrorPositions) {
  Eigen::MatrixX3d anchors(3, 3);
  anchors << 0, 0, 3, 4, 0, 3, 0, 5, 3;
  const Vector receiver(1, 2, 1);
  Eigen::VectorXd ranges(3);
  for (int k = 0; k < 3; ++k) ranges(k) = (receiver - anchors.row(k).transpose()).norm();
  const Trilateration t = trilaterate(anchors, ranges);
  ASSERT_EQ(t.status, SolveStatus::solved);
  ASSERT_EQ(t.positions, 2);
  const Vector mirror(1, 2, 5);
  EXPECT_LT(std::min((t.position[0] - receiver).norm(), (t.position[1] - receiver).norm()), 1e-12);
  EXPECT_LT(std::min((t.position[0] - mirror).norm(), (t.position[1] - mirror).norm()), 1e-12);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(t.kind[i], PointKind::root);
    EXPECT_LT(t.residual[i], 1e-12);
  }
  // The pointer form reads anchor after anchor.
  const double flat[9] = {0, 0, 3, 4, 0, 3, 0, 5, 3};
  const Trilateration same = trilaterate(flat, ranges.data(), 3);
  ASSERT_EQ(same.positions, 2);
  EXPECT_EQ(same.position[0], t.position[0]);
}

TEST(Trilateration, ExactRangesAtMapCoordinatesLoseNothing) {
  std::mt19937_64 rng(20261209);
  std::uniform_real_distribution<double> height(0.002, kCeiling);
  int within = 0;
  constexpr int kCases = 1000;
  for (int k = 0; k < kCases; ++k) {
    const Scene s = room(3, height(rng), 0, rng);
    const Trilateration t = trilaterate(s.anchors, s.ranges);
    EXPECT_EQ(t.status, SolveStatus::solved) << k;
    within += nearest(t, s.receiver) <= 1e-6;
  }
  EXPECT_GE(within, kCases * 999 / 1000);
}

TEST(Trilateration, NoisyRangesBesideTheCeilingMergeIntoOnePosition) {
  std::mt19937_64 rng(20261210);
  std::uniform_real_distribution<double> below(0.002, 0.05);
  TrilaterationOptions options;
  options.rangeTolerance = 4e-3;  // four times the ranges' standard deviation
  int within = 0, merged = 0;
  constexpr int kCases = 1000;
  for (int k = 0; k < kCases; ++k) {
    const Scene s = room(3, below(rng), 1e-3, rng);
    const Trilateration t = trilaterate(s.anchors, s.ranges, options);
    ASSERT_EQ(t.status, SolveStatus::solved) << k;
    ASSERT_GE(t.positions, 1) << k;
    within += belowCeiling(t, s.receiver) <= 0.05;
    merged += t.positions == 1 && t.kind[0] == PointKind::nearDouble;
  }
  EXPECT_GE(within, kCases * 99 / 100);
  EXPECT_GE(merged, kCases / 2);
}

TEST(Trilateration, MoreAnchorsGiveTheLeastSquaresPosition) {
  std::mt19937_64 rng(20261211);
  std::uniform_real_distribution<double> height(0.5, 2.5);
  int within = 0;
  constexpr int kCases = 1000;
  for (int k = 0; k < kCases; ++k) {
    const Scene s = room(5, height(rng), 1e-3, rng, true);
    const Trilateration t = trilaterate(s.anchors, s.ranges);
    ASSERT_EQ(t.status, SolveStatus::solved) << k;
    within += t.positions == 1 && (t.position[0] - s.receiver).norm() <= 0.01;
    // A least-squares fit leaves about the noise.
    EXPECT_LT(t.residual[0], 5e-3) << k;
  }
  EXPECT_GE(within, kCases * 99 / 100);
}

TEST(Trilateration, AnchorsInOnePlaneLeaveBothMirrorsAndSpheresThatMissMeetOnce) {
  std::mt19937_64 rng(20261212);
  const Scene four = room(4, 1.5, 0, rng);
  const Trilateration t = trilaterate(four.anchors, four.ranges);
  ASSERT_EQ(t.positions, 2);
  EXPECT_LT(nearest(t, four.receiver), 1e-6);
  EXPECT_NEAR(t.position[0](2) + t.position[1](2), 2 * (kCeiling + kMapOffset(2)), 1e-6);

  // Ranges too short to meet: the one position nearest to meeting them, on the anchors' plane.
  Eigen::MatrixX3d anchors(3, 3);
  anchors << 0, 0, 0, 4, 0, 0, 0, 4, 0;
  const Eigen::VectorXd ranges = Eigen::Vector3d(1.9, 1.9, 1.9);
  const Trilateration missed = trilaterate(anchors, ranges);
  ASSERT_EQ(missed.status, SolveStatus::solved);
  ASSERT_EQ(missed.positions, 1);
  EXPECT_EQ(missed.kind[0], PointKind::nearDouble);
  EXPECT_NEAR(missed.position[0](2), 0, 1e-12);
  EXPECT_GT(missed.residual[0], 0.1);
}

TEST(Trilateration, RefusesWhatIsNoTrilateration) {
  Eigen::MatrixX3d anchors(3, 3);
  anchors << 0, 0, 0, 1, 0, 0, 0, 1, 0;
  Eigen::VectorXd ranges = Eigen::Vector3d(1, 1, 1);
  Trilateration t = trilaterate(anchors.topRows(2), ranges.head(2));
  EXPECT_EQ(t.status, SolveStatus::badInput);
  EXPECT_EQ(t.positions, 0);
  t = trilaterate(anchors, ranges.head(2));
  EXPECT_EQ(t.status, SolveStatus::badInput);
  EXPECT_EQ(t.argument, 1);
  anchors(1, 2) = NAN;
  t = trilaterate(anchors, ranges);
  EXPECT_EQ(t.status, SolveStatus::badInput);
  EXPECT_EQ(t.argument, 0);
  EXPECT_EQ(t.problem, InputProblem::notFinite);
  anchors(1, 2) = 0;
  ranges(2) = -1;
  t = trilaterate(anchors, ranges);
  EXPECT_EQ(t.status, SolveStatus::badInput);
  EXPECT_EQ(t.argument, 1);
  // A bad option of the solve is named as such.
  anchors(1, 2) = 0;
  ranges(2) = 1;
  TrilaterationOptions badTolerance;
  badTolerance.solve.imaginaryTolerance = -1;
  t = trilaterate(anchors, ranges, badTolerance);
  EXPECT_EQ(t.status, SolveStatus::badInput);
  EXPECT_EQ(t.argument, kOptionsArgument);
  EXPECT_EQ(t.problem, InputProblem::badOption);
  // Anchors on one line leave a circle of positions.
  anchors << 0, 0, 0, 1, 0, 0, 2, 0, 0;
  ranges << 1, 1, std::sqrt(2.0);
  t = trilaterate(anchors, ranges);
  EXPECT_EQ(t.status, SolveStatus::dependentEquations);
  EXPECT_EQ(t.positions, 0);
}

}  // namespace
}  // namespace quorvane
