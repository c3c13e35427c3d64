// SPDX-License-Identifier: BSD-3-Clause
// The referee on hand-made claims around known roots: true claims pass, and every kind of
// false claim the solver could make is refused.
#include "referee.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace quorvane::testing {
namespace {

using C = std::complex<double>;

// (x + y - 1)(x + y - 6) = 0, (x - y + z + 1)(x - y + z - 2) = 0,
// (x + 2y - z - 3)(x + 2y - z + 2) = 0: eight real roots with integer coordinates.
const RefereeEquations kWorked = {{{6, 2, 0, 0, 1, 1, 0, -7, -7, 0},
                                   {-2, -2, 2, -2, 1, 1, 1, -1, 1, -1},
                                   {-6, 4, -2, -4, 1, 4, 1, -1, -2, 1}}};
const RefereePoint kWorkedRoots[8] = {
    {C(1), C(0), C(-2)},   {C(-4), C(5), C(8)},   {C(4), C(-3), C(-5)}, {C(-1), C(2), C(5)},
    {C(-4), C(10), C(13)}, {C(-9), C(15), C(23)}, {C(-1), C(7), C(10)}, {C(-6), C(12), C(20)}};

// x² - 1 = 0, y² - 4 = 0, z² - 3x = 0: (1, ±2, ±√3) real, (-1, ±2, ±i√3) not.
const RefereeEquations kMixed = {{{-1, 0, 0, 0, 1, 0, 0, 0, 0, 0},
                                  {-4, 0, 0, 0, 0, 1, 0, 0, 0, 0},
                                  {0, 0, 0, 0, 0, 0, 1, -3, 0, 0}}};

std::vector<RefereeBox> mixedRoots(double radius) {
  const double s = std::sqrt(3.0);
  std::vector<RefereeBox> boxes;
  for (double y : {2.0, -2.0}) {
    boxes.push_back({{C(1), C(y), C(s)}, radius});
    boxes.push_back({{C(1), C(y), C(-s)}, radius});
    boxes.push_back({{C(-1), C(y), C(0, s)}, radius});
    boxes.push_back({{C(-1), C(y), C(0, -s)}, radius});
  }
  return boxes;
}

std::vector<RefereeBox> workedBoxes(double radius) {
  std::vector<RefereeBox> boxes;
  for (const RefereePoint& p : kWorkedRoots) boxes.push_back({p, radius});
  return boxes;
}

RefereePoint shifted(RefereePoint p, C by) {
  for (C& v : p) v += by;
  return p;
}

TEST(RefereeUniqueRoot, AcceptsBoxesAroundTheWorkedExamplesRoots) {
  for (const RefereePoint& root : kWorkedRoots) {
    for (double radius : {1e-12, 1e-6, 1e-3, 0.02})
      EXPECT_TRUE(refereeProvesUniqueRoot(kWorked, root, radius)) << radius;
    // Off centre, the root still well inside.
    EXPECT_TRUE(refereeProvesUniqueRoot(kWorked, shifted(root, C(3e-4, 0)), 1e-3));
    EXPECT_TRUE(refereeProvesUniqueRoot(kWorked, shifted(root, C(2e-4, -2e-4)), 1e-3));
  }
}

TEST(RefereeUniqueRoot, RefusesABoxMovedOffTheRoot) {
  for (const RefereePoint& root : kWorkedRoots) {
    for (double off : {2e-3, 1.5e-3, 1.01e-3}) {
      EXPECT_FALSE(refereeProvesUniqueRoot(kWorked, shifted(root, C(off, 0)), 1e-3)) << off;
      EXPECT_FALSE(refereeProvesUniqueRoot(kWorked, shifted(root, C(0, off)), 1e-3)) << off;
    }
    // Between two roots, or near none.
    EXPECT_FALSE(refereeProvesUniqueRoot(kWorked, shifted(root, C(0.5, 0)), 0.02));
  }
}

TEST(RefereeUniqueRoot, RefusesARadiusTooSmallToHoldTheRoot) {
  const RefereePoint near = shifted(kWorkedRoots[3], C(1e-7, 0));
  EXPECT_FALSE(refereeProvesUniqueRoot(kWorked, near, 1e-8));
  EXPECT_FALSE(refereeProvesUniqueRoot(kWorked, near, 9e-8));
  EXPECT_TRUE(refereeProvesUniqueRoot(kWorked, near, 1e-6));
  // A point one rounding from the root in doubles: the box must reach past the rounding.
  const RefereePoint rounded = {C(std::nextafter(1.0, 2.0)), C(0), C(-2)};
  EXPECT_FALSE(refereeProvesUniqueRoot(kWorked, rounded, 1e-17));
  EXPECT_TRUE(refereeProvesUniqueRoot(kWorked, rounded, 1e-15));
}

TEST(RefereeUniqueRoot, RefusesABoxHoldingSeveralRoots) {
  // (1, 0, -2) and (-1, 2, 5) are within 7 of each other; (-4, 5, 8) and (-4, 10, 13) 5.
  EXPECT_FALSE(refereeProvesUniqueRoot(kWorked, kWorkedRoots[0], 8));
  EXPECT_FALSE(refereeProvesUniqueRoot(kWorked, {C(-4), C(7.5), C(10.5)}, 3));
  EXPECT_FALSE(refereeProvesUniqueRoot(kWorked, {C(-4), C(7.5), C(10.5)}, 30));
}

TEST(RefereeUniqueRoot, ProvesComplexRootsOnPolydiscs) {
  for (const RefereeBox& box : mixedRoots(1e-9)) {
    EXPECT_TRUE(refereeProvesUniqueRoot(kMixed, box.centre, box.radius));
    EXPECT_TRUE(refereeProvesUniqueRoot(kMixed, box.centre, 0.05));
    // Moved off the root in the imaginary direction alone.
    EXPECT_FALSE(refereeProvesUniqueRoot(kMixed, shifted(box.centre, C(0, 1e-8)), 5e-9));
  }
  // A real box at the real part of a complex root: there is no root there.
  EXPECT_FALSE(refereeProvesUniqueRoot(kMixed, {C(-1), C(2), C(0)}, 0.5));
  // A polydisc so wide that it holds a conjugate pair.
  EXPECT_FALSE(refereeProvesUniqueRoot(kMixed, {C(-1), C(2), C(0)}, 2));
}

TEST(RefereeUniqueRoot, RefusesADoubleRoot) {
  // x² = 0: (0, 1, 1) is a root of multiplicity two, whose Jacobian is singular.
  const RefereeEquations doubleRoot = {{{0, 0, 0, 0, 1, 0, 0, 0, 0, 0},
                                        {-1, 0, 0, 0, 0, 1, 0, 0, 0, 0},
                                        {-1, 0, 0, 0, 0, 0, 1, 0, 0, 0}}};
  for (double radius : {1e-12, 1e-3, 0.1})
    EXPECT_FALSE(refereeProvesUniqueRoot(doubleRoot, {C(0), C(1), C(1)}, radius));
}

TEST(RefereeUniqueRoot, RefusesBadInput) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const RefereePoint root = kWorkedRoots[0];
  for (double radius : {0.0, -1e-3, nan, inf, -inf})
    EXPECT_FALSE(refereeProvesUniqueRoot(kWorked, root, radius)) << radius;
  EXPECT_FALSE(refereeProvesUniqueRoot(kWorked, {C(nan), C(0), C(-2)}, 1e-3));
  EXPECT_FALSE(refereeProvesUniqueRoot(kWorked, {C(1), C(0, inf), C(-2)}, 1e-3));
  for (double bad : {nan, inf}) {
    RefereeEquations broken = kWorked;
    broken[1][4] = bad;
    EXPECT_FALSE(refereeProvesUniqueRoot(broken, root, 1e-3)) << bad;
  }
}

TEST(RefereeDisjoint, SeparatesOnOneCoordinateOnly) {
  const RefereeBox a = {{C(0), C(0), C(0)}, 1};
  EXPECT_TRUE(refereeProvesDisjoint(a, {{C(0), C(0), C(2.5)}, 1}));
  EXPECT_TRUE(refereeProvesDisjoint(a, {{C(0), C(0, 2.5), C(0)}, 1}));
  // Touching closed boxes share a point.
  EXPECT_FALSE(refereeProvesDisjoint(a, {{C(2), C(0), C(0)}, 1}));
  EXPECT_FALSE(refereeProvesDisjoint(a, {{C(1), C(1), C(1)}, 1}));
  // 1.5 + 1.5i is 2.12 from 0: the discs of radius 1 are apart although neither part is.
  EXPECT_TRUE(refereeProvesDisjoint(a, {{C(1.5, 1.5), C(0), C(0)}, 1}));
  EXPECT_FALSE(refereeProvesDisjoint(a, a));
  EXPECT_FALSE(
      refereeProvesDisjoint(a, {{C(0), C(0), C(5)}, std::numeric_limits<double>::quiet_NaN()}));
}

TEST(RefereeReality, ByTheCentreAndTheRadius) {
  EXPECT_EQ(refereeRealityOf({{C(1), C(2), C(3)}, 1e-3}), RootReality::real);
  EXPECT_EQ(refereeRealityOf({{C(1), C(2, 1e-2), C(3)}, 1e-3}), RootReality::nonReal);
  EXPECT_EQ(refereeRealityOf({{C(1), C(2, 1e-4), C(3)}, 1e-3}), RootReality::unknown);
}

TEST(RefereeComplete, AcceptsTheEightRootsOfTheWorkedExample) {
  EXPECT_TRUE(refereeProvesComplete(kWorked, workedBoxes(1e-6)));
  EXPECT_TRUE(refereeProvesComplete(kWorked, workedBoxes(0.02)));
  EXPECT_TRUE(refereeProvesComplete(kMixed, mixedRoots(1e-9)));
}

TEST(RefereeComplete, RefusesASetMissingARoot) {
  for (int missing = 0; missing < 8; ++missing) {
    std::vector<RefereeBox> boxes = workedBoxes(1e-6);
    boxes.erase(boxes.begin() + missing);
    EXPECT_FALSE(refereeProvesComplete(kWorked, boxes)) << missing;
    // Made up to eight with a second box around a root already counted.
    boxes.push_back({shifted(boxes[0].centre, C(1e-7, 0)), 1e-6});
    EXPECT_FALSE(refereeProvesComplete(kWorked, boxes)) << missing;
    // Or with a box where there is no root.
    boxes.back() = {{C(0), C(0), C(0)}, 1e-6};
    EXPECT_FALSE(refereeProvesComplete(kWorked, boxes)) << missing;
  }
  std::vector<RefereeBox> nine = workedBoxes(1e-6);
  nine.push_back({{C(0), C(0), C(0)}, 1e-6});
  EXPECT_FALSE(refereeProvesComplete(kWorked, nine));
}

TEST(RefereeComplete, RefusesOverlappingBoxes) {
  // Two boxes, each proved on its own, around the same root: one root counted twice.
  std::vector<RefereeBox> boxes = workedBoxes(0.02);
  boxes[4] = {shifted(kWorkedRoots[0], C(0.01, 0)), 0.02};
  ASSERT_TRUE(refereeProvesUniqueRoot(kWorked, boxes[4].centre, boxes[4].radius));
  EXPECT_FALSE(refereeProvesComplete(kWorked, boxes));
  // The same, of a complex root, the second box moved off it in the imaginary direction.
  std::vector<RefereeBox> mixed = mixedRoots(1e-3);
  mixed[3] = {shifted(mixed[2].centre, C(0, 5e-4)), 1e-3};
  ASSERT_TRUE(refereeProvesUniqueRoot(kMixed, mixed[3].centre, mixed[3].radius));
  EXPECT_FALSE(refereeProvesComplete(kMixed, mixed));
}

TEST(RefereeMatch, TheRealPointsAreTheRealRoots) {
  const std::vector<RefereeBox> worked = workedBoxes(1e-6);
  SolutionList points;
  for (const RefereePoint& p : kWorkedRoots)
    points.push_back({p[0].real() + 1e-7, p[1].real(), p[2].real() - 1e-7});
  EXPECT_TRUE(refereeMatchesRealRoots(worked, points));

  SolutionList missing = points;
  missing.pop_back();
  EXPECT_FALSE(refereeMatchesRealRoots(worked, missing));
  SolutionList twice = missing;
  twice.push_back(missing[0]);
  EXPECT_FALSE(refereeMatchesRealRoots(worked, twice));
  SolutionList off = points;
  off[5].y += 2e-6;
  EXPECT_FALSE(refereeMatchesRealRoots(worked, off));

  const double s = std::sqrt(3.0);
  const SolutionList realOnes = {{1, 2, s}, {1, -2, -s}, {1, -2, s}, {1, 2, -s}};
  EXPECT_TRUE(refereeMatchesRealRoots(mixedRoots(1e-9), realOnes));
  // The real part of a complex root is not a real root.
  SolutionList withAComplexOne = realOnes;
  withAComplexOne.push_back({-1, 2, 0});
  EXPECT_FALSE(refereeMatchesRealRoots(mixedRoots(1e-9), withAComplexOne));
  // A box whose reality is not shown cannot be matched either way.
  std::vector<RefereeBox> unclear = mixedRoots(1e-9);
  unclear[2].centre[2] = C(0, 1e-10);
  EXPECT_FALSE(refereeMatchesRealRoots(unclear, realOnes));
}

}  // namespace
}  // namespace quorvane::testing
