// SPDX-License-Identifier: BSD-3-Clause
// Proofs and statuses of the calls with options: the Krawczyk test on known roots and on
// points that are not roots, completeness claims, and systems with no real solution.
#include "certification.h"

#include <gtest/gtest.h>
#include <quorvane/solver.h>

#include <array>
#include <cmath>

#include "systems.h"
#include "verification.h"

namespace quorvane {
namespace {

using Coefficients = std::array<double, 10>;

// The worked system, with its eight real solutions.
const Coefficients kFirst = {6, 2, 0, 0, 1, 1, 0, -7, -7, 0};
const Coefficients kSecond = {-2, -2, 2, -2, 1, 1, 1, -1, 1, -1};
const Coefficients kThird = {-6, 4, -2, -4, 1, 4, 1, -1, -2, 1};

Equations workedEquations() {
  Equations e;
  for (int i = 0; i < 10; ++i) e(0, i) = kFirst[i], e(1, i) = kSecond[i], e(2, i) = kThird[i];
  return e;
}

TEST(Certification, TheTestProvesRootsAndRefusesOtherPoints) {
  const Equations equations = workedEquations();
  const ComplexPoint root(-4.0, 5.0, 8.0);
  const double radius = provedRadius(equations, root);
  ASSERT_FALSE(std::isnan(radius));
  EXPECT_LT(radius, 1e-10);
  // A point off the root by far more than rounding still proves a root, in a wider disc that
  // reaches it; one between two roots, or at infinity, proves nothing.
  const double nearby = provedRadius(equations, ComplexPoint(-4.0 + 1e-6, 5.0, 8.0));
  ASSERT_FALSE(std::isnan(nearby));
  EXPECT_GE(nearby, 1e-6);
  EXPECT_TRUE(std::isnan(provedRadius(equations, ComplexPoint(-2.5, 5.0, 6.5))));
  EXPECT_TRUE(std::isnan(provedRadius(equations, ComplexPoint(kNaN, 5.0, 8.0))));
  // A double root has a singular Jacobian: (x - 1)² = 0, y = 0, z = 0 is not proved.
  Equations doubled = Equations::Zero();
  doubled(0, 0) = 1, doubled(0, 4) = 1, doubled(0, 7) = -2;
  doubled(1, 8) = 1;
  doubled(2, 9) = 1;
  EXPECT_TRUE(std::isnan(provedRadius(doubled, ComplexPoint(1.0, 0.0, 0.0))));
}

// Found by fuzzing: coefficients near 1e-168 and a point near 1e-169, where every product in
// the equations' values falls below the normal range. The inverse Jacobian (near 1e168)
// multiplies what those underflows lose, so the test must allow for them before it does: it
// once proved a radius of 3.7e-181 around a point 5.5e-163 from the root.
TEST(Certification, UnderflowsAreAllowedForBeforeTheInverseMultipliesThem) {
  Equations e;
  e << 1.8203394496828568e-314, 0, 0, 0, 0, 3.7863288005402222e-270, 5.2995052051751148e-169,
      1.7902648188613678e-166, 1.9285913724732417e-168, 1.9285913724732417e-168,
      1.9285913724732417e-168, 1.9285913724732417e-168, 1.8623480026848673e-168,
      1.9285913725040886e-168, 1.9285913724732417e-168, 0, 3.2379086165851934e-318, -7,
      1.7391885791899208e-310, 1.0430033711752506e-309, 4.3784412352461043e-309, 0,
      1.9285913720242065e-168, 1.9285913724732417e-168, 1.9285913724732417e-168,
      1.9285913724732417e-168, 1.9283326093100058e-168, 1.6543614045334297e-24, 1.0000000000000566,
      0;
  const ComplexPoint at(2.7551305321046312e-169, -4.5579816167652943e-193,
                        -9.4386995382460839e-147);
  const double radius = provedRadius(e, at);
  EXPECT_TRUE(std::isnan(radius) || radius > 5.6e-163) << radius;
}

TEST(Certification, DiscsApartAndOffTheRealSpace) {
  const ComplexPoint a(1.0, 2.0, 3.0), b(1.0, 2.0, 3.0 + 1e-9);
  EXPECT_TRUE(disjoint(a, 1e-10, b, 1e-10));
  EXPECT_FALSE(disjoint(a, 1e-9, b, 1e-9));
  const ComplexPoint complex({1.0, 0.5}, {2.0, 0.0}, {3.0, 0.0});
  EXPECT_TRUE(offTheRealSpace(complex, 0.4));
  EXPECT_FALSE(offTheRealSpace(complex, 0.5));
}

// x² + 1 = 0, y = 2, z = x y: the root (i, 2, 2i), whose Jacobian has determinant 2x. Scaled
// by 2^±200 the determinant's squared magnitude (about 2^±1200) leaves the range of double:
// the proof's reciprocal of it must not overflow or underflow there.
TEST(Certification, ComplexRootsAreProvedWhereTheDeterminantIsFarFromOne) {
  Equations base = Equations::Zero();
  base(0, 0) = 1, base(0, 4) = 1;
  base(1, 0) = -2, base(1, 8) = 1;
  base(2, 1) = -1, base(2, 9) = 1;
  const ComplexPoint root({0.0, 1.0}, {2.0, 0.0}, {0.0, 2.0});
  const double unscaled = provedRadius(base, root);
  ASSERT_FALSE(std::isnan(unscaled));
  for (const int exponent : {-200, 200}) {
    const Equations scaled = base * std::ldexp(1.0, exponent);
    const double radius = provedRadius(scaled, root);
    ASSERT_FALSE(std::isnan(radius)) << exponent;
    EXPECT_LT(radius, 1e-12) << exponent;
    // A point off the root is refused at every scale.
    EXPECT_TRUE(std::isnan(provedRadius(scaled, ComplexPoint({0.0, 1.5}, 2.0, {0.0, 3.0}))));
  }
}

TEST(Certification, EveryMethodProvesTheWorkedSystemComplete) {
  for (const Method method : {Method::standard, Method::fast}) {
    SolveOptions options;
    options.method = method;
    options.certify = true;
    SolutionList solutions;
    const SolveReport report = solveThreeQuadrics(kFirst, kSecond, kThird, solutions, options);
    ASSERT_EQ(solutions.size(), 8u);
    EXPECT_EQ(report.points, 8);
    EXPECT_TRUE(report.certified);
    for (int i = 0; i < 8; ++i) {
      EXPECT_EQ(report.kind[i], PointKind::root);
      EXPECT_LT(report.radius[i], 1e-9);
    }
    // Without certify, nothing is claimed.
    options.certify = false;
    const SolveReport plain = solveThreeQuadrics(kFirst, kSecond, kThird, solutions, options);
    EXPECT_FALSE(plain.certified);
    EXPECT_TRUE(std::isnan(plain.radius[0]));
  }
}

// x² + c = 0, y² = 1, z² = 1: eight complex solutions (±i√c, ±1, ±1), none real. The status
// says so at every c and tolerance, and a wider tolerance returns nothing for x far from real.
TEST(Certification, NoRealSolutionForComplexXBesideRealZ) {
  const Coefficients y2 = {-1, 0, 0, 0, 0, 1, 0, 0, 0, 0}, z2 = {-1, 0, 0, 0, 0, 0, 1, 0, 0, 0};
  for (const double c : {1.0, 0.01, 1e-10}) {
    const Coefficients x2 = {c, 0, 0, 0, 1, 0, 0, 0, 0, 0};
    for (const Method method : {Method::standard, Method::fast}) {
      SolveOptions options;
      options.method = method;
      SolutionList solutions;
      const SolveReport report = solveThreeQuadrics(x2, y2, z2, solutions, options);
      EXPECT_TRUE(solutions.empty()) << c;
      EXPECT_EQ(report.status, SolveStatus::noRealSolution) << c;
    }
  }
  const Coefficients x2 = {0.01, 0, 0, 0, 1, 0, 0, 0, 0, 0};
  for (const double tolerance : {1.1e-4, 1e-3}) {
    SolveOptions options;
    options.imaginaryTolerance = tolerance;
    SolutionList solutions;
    const SolveReport report = solveThreeQuadrics(x2, y2, z2, solutions, options);
    EXPECT_TRUE(solutions.empty()) << tolerance;
    EXPECT_EQ(report.status, SolveStatus::noRealSolution) << tolerance;
  }
}

// Under a wide tolerance, a returned point is the real part of a complex solution whose every
// coordinate is near real: on random systems, none has a coordinate's imaginary part beyond
// the tolerance, relative to max(1, |point|).
TEST(Certification, WideTolerancesReturnOnlyPointsNearRealInEveryCoordinate) {
  std::mt19937_64 rng(20);
  std::normal_distribution<double> normal;
  int returned = 0, farFromReal = 0;
  for (int n = 0; n < 3000; ++n) {
    std::array<double, 30> c;
    for (double& v : c) v = normal(rng);
    SolveOptions options;
    options.imaginaryTolerance = 1e-2;
    SolutionList real;
    solveThreeQuadrics(c.data(), c.data() + 10, c.data() + 20, real, options);
    ComplexSolutionList all;
    solveThreeQuadricsComplex(c.data(), c.data() + 10, c.data() + 20, all);
    for (const Solution& s : real) {
      ++returned;
      // The nearest complex solution to the returned real point.
      double nearest = kInfinity, imaginary = 0, size = 1;
      for (const ComplexSolution& p : all) {
        const double d = std::max(
            {std::abs(p.x.real() - s.x), std::abs(p.y.real() - s.y), std::abs(p.z.real() - s.z)});
        if (d < nearest)
          nearest = d,
          imaginary = std::max({std::abs(p.x.imag()), std::abs(p.y.imag()), std::abs(p.z.imag())}),
          size = std::max({1.0, std::abs(p.x), std::abs(p.y), std::abs(p.z)});
      }
      farFromReal += imaginary > 1.01e-2 * size;
    }
  }
  EXPECT_GT(returned, 3000);
  EXPECT_EQ(farFromReal, 0) << "of " << returned;
}

// System 167648 of np.random.default_rng(0).normal(size=(1_000_000, 3, 10)): four real
// solutions, one near (6.3e5, -1.2e6, -1.4e6), whose eigenvector the eigen-solver gives
// without its entry for 1. Both methods either return all four or do not say solved, and
// only four are ever certified complete.
TEST(Certification, ARealRootFarOutIsNotLostUnderASolvedStatus) {
  const std::array<double, 30> c = {
      0.20185124426715273,  -1.2321621241029914,  -0.9888249131366534, -0.511521617176929,
      0.4778003962463214,   1.6672592922912617,   -1.8543344563085191, 0.33419417115083194,
      -0.40835295491235385, 0.3070493536738896,   0.44973338690434744, -0.5779245726494003,
      -0.4672863009762743,  -0.3988021823279831,  1.8366268926021212,  1.1524834107384354,
      -1.3429150008088744,  -0.9031032518425908,  -1.702473513520343,  2.0297739394613834,
      -0.42449731701247084, 0.5465786230923587,   0.8494687762993093,  1.4274426779425995,
      1.4734921314328515,   -0.43250271406718815, -0.6183416225961537, 0.9574338992165732,
      -0.4200283740732912,  -1.5855565211755782};
  for (const Method method : {Method::standard, Method::fast})
    for (const bool certify : {false, true}) {
      SolveOptions options;
      options.method = method;
      options.certify = certify;
      SolutionList solutions;
      const SolveReport report =
          solveThreeQuadrics(c.data(), c.data() + 10, c.data() + 20, solutions, options);
      EXPECT_TRUE(solutions.size() == 4 || report.status != SolveStatus::solved)
          << int(method) << " " << certify;
      EXPECT_TRUE(solutions.size() == 4 || !report.certified);
    }
}

// A receiver 2 mm to 5 cm under a flat ceiling of anchors, ranges with 1 mm of noise: its two
// mirror positions are a real pair or a complex one closer than the noise can tell. Under a
// tolerance of the noise's reach in z (2 sqrt(2 · range · noise), 0.2 m here), the in-plane
// point comes back, once: a position in (nearly) every call, within 5 cm of the receiver.
TEST(Certification, AReceiverUnderAFlatCeilingGetsItsInPlanePoint) {
  const std::array<Eigen::Vector3d, 3> anchors = {
      Eigen::Vector3d(0, 0, 3), Eigen::Vector3d(5, 0, 3), Eigen::Vector3d(0, 4, 3)};
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> depth(0.002, 0.05), across(0.5, 4.5), along(0.5, 3.5);
  std::normal_distribution<double> noise(0, 1e-3);
  SolveOptions options;
  options.imaginaryTolerance = 0.2;
  const int calls = 4000;
  int positioned = 0, within = 0, once = 0;
  for (int n = 0; n < calls; ++n) {
    const Eigen::Vector3d receiver(across(rng), along(rng), 3 - depth(rng));
    std::array<QuadricCoefficients, 3> spheres;
    for (int a = 0; a < 3; ++a)
      spheres[a] = sphereCoefficients(anchors[a], (anchors[a] - receiver).norm() + noise(rng));
    SolutionList solutions;
    const SolveReport report = solveThreeQuadrics(spheres[0].data(), spheres[1].data(),
                                                  spheres[2].data(), solutions, options);
    if (solutions.empty()) continue;
    ++positioned;
    once += solutions.size() == 1 && report.kind[0] != PointKind::root;
    double nearest = kInfinity;
    for (const Solution& s : solutions)
      nearest = std::min(nearest, (Eigen::Vector3d(s.x, s.y, s.z) - receiver).norm());
    within += nearest < 0.05;
  }
  EXPECT_GE(positioned, 0.999 * calls);
  EXPECT_GE(within, 0.99 * calls);
  EXPECT_GE(once, 0.99 * positioned);
}

}  // namespace
}  // namespace quorvane
