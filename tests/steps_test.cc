// SPDX-License-Identifier: BSD-3-Clause
// The steps of a call taken one at a time: the formulas shared by every number type, the
// reduction test for the template, reading and scaling, telling two close roots apart,
// roots reached twice, where to centre, and the underflow guard.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <random>

#include "equation_terms.h"
#include "systems.h"
#include "template.h"
#include "tries.h"

namespace quorvane {
namespace {

constexpr double kNaNValue = std::numeric_limits<double>::quiet_NaN();

Equations stacked(const testing::System& system) {
  return stackEquations(system.equations[0], system.equations[1], system.equations[2]);
}

TEST(EquationTerms, KnownValueResidualAndGradient) {
  const double c[kTermCount] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  double monomials[kTermCount];
  monomialsAt(1.0, -2.0, 0.5, monomials);
  double value = 0;
  const double size = sumOfTerms(c, monomials, value);
  EXPECT_EQ(value, 20.25);
  EXPECT_EQ(size, 72.25);
  EXPECT_EQ(relativeResidual(value, size), 20.25 / 72.25);
  double gradient[3];
  gradientAt(c, 1.0, -2.0, 0.5, gradient);
  EXPECT_EQ(gradient[0], 15.5);
  EXPECT_EQ(gradient[1], -11.0);
  EXPECT_EQ(gradient[2], 12.0);
  // Where every term vanishes the residual is the value itself, not 0 / 0.
  EXPECT_EQ(relativeResidual(0.0, 0.0), 0.0);
  // A NaN residual is never at most the largest so far, so it is taken.
  EXPECT_TRUE(std::isnan(largerResidual(0.5, kNaNValue)));
  EXPECT_EQ(largerResidual(0.25, 0.5), 0.5);
}

TEST(EquationTerms, RealAndComplexPointsAgreeBitForBitAtRealPoints) {
  std::mt19937_64 rng(20261209);
  std::normal_distribution<double> normal;
  for (int trial = 0; trial < 1000; ++trial) {
    Equations equations = Equations::NullaryExpr([&] { return normal(rng); });
    const double x = normal(rng), y = normal(rng), z = normal(rng);
    ASSERT_EQ(largestRelativeResidual(equations, x, y, z),
              largestRelativeResidual(equations, std::complex<double>(x), std::complex<double>(y),
                                      std::complex<double>(z)));
    for (int e = 0; e < kEquationCount; ++e) {
      double real[3];
      std::complex<double> complex[3];
      gradientAt(equations.row(e), x, y, z, real);
      gradientAt(equations.row(e), std::complex<double>(x), std::complex<double>(y),
                 std::complex<double>(z), complex);
      for (int v = 0; v < 3; ++v) {
        ASSERT_EQ(complex[v].real(), real[v]);
        ASSERT_EQ(complex[v].imag(), 0.0);
      }
    }
    // The compensated Jacobian is the same formula.
    Eigen::Vector3d value;
    Eigen::Matrix3d jacobian;
    equationValuesAndJacobian(equations, Eigen::Vector3d(x, y, z), value, jacobian);
    for (int e = 0; e < kEquationCount; ++e) {
      double gradient[3];
      gradientAt(equations.row(e), x, y, z, gradient);
      for (int v = 0; v < 3; ++v) ASSERT_EQ(jacobian(e, v), gradient[v]);
    }
  }
}

TEST(ReduceForTemplate, TakesPivotsOnTheLeadingBlockOnly) {
  CoefficientMatrix reduced;
  EXPECT_TRUE(reduceForTemplate(stacked(testing::workedExample()), reduced));
  EXPECT_TRUE(reduced.leftCols<3>().isIdentity(0));
  // No xy term anywhere: the second pivot falls beyond column 1.
  Equations axes = Equations::Zero();
  for (int e = 0; e < kEquationCount; ++e) axes(e, 0) = -1, axes(e, 4 + e) = 1;
  EXPECT_FALSE(reduceForTemplate(axes, reduced));
  // Two equal equations leave two rows.
  Equations dependent = stacked(testing::workedExample());
  dependent.row(2) = dependent.row(1);
  EXPECT_FALSE(reduceForTemplate(dependent, reduced));
}

TEST(Prepare, RejectsTheFirstArgumentThatIsNotFiniteAndScalesTheRest) {
  const testing::System worked = testing::workedExample();
  std::array<Eigen::MatrixXd, 3> arguments = worked.equations;
  arguments[1](4) = std::numeric_limits<double>::infinity();
  arguments[2](0) = kNaNValue;
  Prepared rejected = prepare({arguments[0].data(), arguments[1].data(), arguments[2].data()});
  EXPECT_FALSE(rejected.ready);
  EXPECT_EQ(rejected.report.status, SolveStatus::badInput);
  EXPECT_EQ(rejected.report.argument, 1);
  EXPECT_EQ(rejected.report.problem, InputProblem::notFinite);

  std::array<Eigen::MatrixXd, 3> large = worked.equations;
  for (auto& e : large) e *= 0x1p40;
  Prepared scaled = prepare({large[0].data(), large[1].data(), large[2].data()});
  ASSERT_TRUE(scaled.ready);
  EXPECT_EQ(scaled.original(0, 0), large[0](0));
  // Scaled by a power of two into order one: the same equations, exactly.
  for (int e = 0; e < kEquationCount; ++e) {
    const double largest = scaled.system.row(e).cwiseAbs().maxCoeff();
    EXPECT_GE(largest, 0x1p-4);
    EXPECT_LE(largest, 0x1p4);
    const double factor = scaled.system(e, 0) / scaled.original(e, 0);
    EXPECT_EQ(std::exp2(std::round(std::log2(factor))), factor);
  }
}

TEST(SplitPair, FindsTwoCloseRealRootsAndNothingAtADoubleRoot) {
  std::mt19937_64 rng(7);
  int split = 0;
  for (int trial = 0; trial < 20; ++trial) {
    const testing::System system = testing::randomCloseRootPair(1e-7, rng);
    const Equations equations = stacked(system);
    // solutions[0] and one other are the close pair (both on the first planes).
    const Eigen::Vector3d a = system.solutions[0];
    Eigen::Vector3d b = system.solutions[1];
    for (const Eigen::Vector3d& s : system.solutions)
      if (s != a && (s - a).norm() < (b - a).norm()) b = s;
    ASSERT_LT((b - a).norm(), 1e-6);
    Eigen::Vector3d first, second;
    if (!splitPair(equations, (a + b) / 2, first, second)) continue;
    ++split;
    // Two distinct points, each a verified root of the equations, both beside the pair (the
    // rounded coefficients move a pair this close by more than its own width).
    const double scale = std::max(1.0, a.norm());
    for (const Eigen::Vector3d& root : {first, second}) {
      EXPECT_LE(forwardError(equations, root.cast<std::complex<double>>()), kForwardTolerance)
          << "trial " << trial;
      EXPECT_LT((root - (a + b) / 2).norm(), 1e-5 * scale) << "trial " << trial;
    }
    EXPECT_GT((first - second).norm(), 1e-3 * (b - a).norm()) << "trial " << trial;
  }
  EXPECT_GE(split, 18);

  // x² = 0 (a double root in x), y = 1, z = 2: one point, not two.
  Equations tangent = Equations::Zero();
  tangent(0, 4) = 1;
  tangent(1, 0) = -1, tangent(1, 8) = 1;
  tangent(2, 0) = -2, tangent(2, 9) = 1;
  Eigen::Vector3d first, second;
  EXPECT_FALSE(splitPair(tangent, Eigen::Vector3d(1e-9, 1, 2), first, second));
}

Point verifiedPoint(const Eigen::Vector3d& at) {
  Point p;
  p.at = at.cast<std::complex<double>>();
  p.real = true;
  p.error = 0;
  return p;
}

TEST(RootsReachedTwice, OnlyTheSecondOfTwoEqualPointsStopsCounting) {
  Try t;
  t.ran = true;
  t.points[0] = verifiedPoint({1, 2, 3});
  t.points[1] = verifiedPoint({4, 5, 6});
  t.points[2] = verifiedPoint({1, 2, 3 + 1e-14});
  t.count = 3;
  ASSERT_TRUE(t.complete());
  discountRootsReachedTwice(t);
  EXPECT_EQ(t.points[0].error, 0);
  EXPECT_EQ(t.points[1].error, 0);
  EXPECT_EQ(t.points[2].error, kInfinity);
  EXPECT_FALSE(t.complete());
  EXPECT_EQ(t.verified(), 2);
}

TEST(CentreOf, MeanOfPlausiblePointsElseMedianOfFiniteOnes) {
  Try t;
  t.points[0] = verifiedPoint({1, 2, 3});
  t.points[1] = verifiedPoint({3, 4, 5});
  t.points[2] = verifiedPoint({100, 100, 100});
  t.points[2].error = 1;  // far from any root: not plausible
  t.count = 3;
  Eigen::Vector3d centre;
  ASSERT_TRUE(centreOf(t, centre));
  EXPECT_EQ(centre, Eigen::Vector3d(2, 3, 4));

  for (int i = 0; i < 3; ++i) t.points[i].error = 1;
  ASSERT_TRUE(centreOf(t, centre));
  EXPECT_EQ(centre, Eigen::Vector3d(3, 4, 5));

  Try empty;
  empty.points[0].nanColumn = true;
  empty.count = 1;
  EXPECT_FALSE(centreOf(empty, centre));
}

TEST(UnderflowMayHide, TinyCoordinatesAndZeroCoordinatesBesideTinyCoefficients) {
  const Equations worked = stacked(testing::workedExample());
  const auto real = [](double x, double y, double z) { return ComplexPoint(x, y, z); };
  EXPECT_FALSE(underflowMayHide(worked, real(1, 2, 3)));
  EXPECT_TRUE(underflowMayHide(worked, real(1e-70, 2, 3)));
  EXPECT_FALSE(underflowMayHide(worked, real(0, 2, 3)));
  Equations tiny = worked;
  tiny(1, 3) = 1e-200;
  EXPECT_TRUE(underflowMayHide(tiny, real(0, 2, 3)));
  EXPECT_FALSE(underflowMayHide(tiny, real(1, 2, 3)));
  // Points judged as complex are not checked in their real parts.
  EXPECT_FALSE(underflowMayHide(tiny, ComplexPoint({0, 1}, 2, 3)));
}

// Found by fuzzing: scaling the variables to the solutions' size (2^-523) takes the
// quadratic coefficients below the normal range on the way, where they lose bits, before the
// equations' own scaling brings them back up. The scaled system is then not the given one, and
// no proof may be made on it.
TEST(Steps, ScalingThatLosesBitsOnTheWayIsNotExact) {
  const double first[10] = {6.3240402667679558e-320, 0, -0.5, 0, 0, 0, 1.0000000298023686, 0, 0, 0};
  const double second[10] = {7.7088128343660283e-315, 0, 0, -1.0095214843786344, -2, 0, 0, 0, 0, 0};
  const double third[10] = {0, 0, 0, 4.5569512622227484e-305, 0, 0, 0, 0, 0, 0};
  const Prepared prepared = prepare({first, second, third});
  ASSERT_TRUE(prepared.ready);
  EXPECT_FALSE(prepared.scaling.exact);
  // Powers of two alone, with nothing lost, stay exact.
  const double one[10] = {1e-200, 0, 0, 0, 1, 0, 0, 0, 0, 0};
  const double two[10] = {-1e-200, 0, 0, 0, 0, 1, 0, 0, 0, 0};
  const double three[10] = {-1e-200, 0, 0, 0, 0, 0, 1, 0, 0, 0};
  EXPECT_TRUE(prepare({one, two, three}).scaling.exact);
  // A coefficient that is a power of two and falls to 0 (found by fuzzing: 2^-1011 beside
  // 5e303 went to 0, and a point that solved the equations without it came back).
  const double hugeSecond[10] = {0x1p-1011, -5.4861240821259020e+303, 0, 0, 0, 0, 0, 0, 0, 0};
  const double plain[10] = {0, 0, 0, 0, 1, 0, 0, 0, 0, 0};
  const double plainToo[10] = {0, 0, 0, 0, 0, 1, 0, 0, 0, 0};
  const Prepared underflowed = prepare({plain, plainToo, hugeSecond});
  ASSERT_TRUE(underflowed.ready);
  EXPECT_EQ(underflowed.system(2, 0), 0.0);
  EXPECT_FALSE(underflowed.scaling.exact);
}

}  // namespace
}  // namespace quorvane
