// SPDX-License-Identifier: BSD-3-Clause
#include <gtest/gtest.h>
#include <quorvane/solver.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <random>

#include "systems.h"

namespace quorvane {
namespace {

using testing::equation;
using testing::System;
using testing::workedExample;

double quantile(std::vector<double> values, double q) {
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(q * (values.size() - 1))];
}

TEST(Solver, WorkedExampleGivesItsEightSolutionsInEigenSolverOrder) {
  // z = 23, -5, 20, -2, 13, 5, 8, 10: the eigen-solver's order, not sorted.
  const System example = workedExample();
  const SolutionList solutions = testing::solve(example);
  ASSERT_EQ(solutions.size(), 8u);
  for (int i = 0; i < 8; ++i) {
    EXPECT_NEAR(solutions[i].x, example.solutions[i].x(), 1e-9) << "solution " << i;
    EXPECT_NEAR(solutions[i].y, example.solutions[i].y(), 1e-9) << "solution " << i;
    EXPECT_NEAR(solutions[i].z, example.solutions[i].z(), 1e-9) << "solution " << i;
  }
}

TEST(Solver, AppendsAndReadsTenEntriesOfAnyShape) {
  const System example = workedExample();
  SolutionList solutions = {{1, 2, 3}};
  solveThreeQuadrics(example.equations[0], example.equations[1], example.equations[2], solutions);
  ASSERT_EQ(solutions.size(), 9u);
  EXPECT_EQ(solutions[0].z, 3);

  const SolutionList reference = testing::solve(example);
  Eigen::MatrixXd row = example.equations[0].transpose();
  Eigen::MatrixXd longer = Eigen::MatrixXd::Constant(3, 5, 1e6);
  longer.reshaped().head(10) = example.equations[1];
  SolutionList reshaped;
  solveThreeQuadrics(row, longer, example.equations[2], reshaped);
  ASSERT_EQ(reshaped.size(), reference.size());
  for (std::size_t i = 0; i < reference.size(); ++i) {
    EXPECT_EQ(reshaped[i].x, reference[i].x);
    EXPECT_EQ(reshaped[i].y, reference[i].y);
    EXPECT_EQ(reshaped[i].z, reference[i].z);
  }
}

TEST(Solver, ScalingAnEquationKeepsItsSolutions) {
  const System example = workedExample();
  for (double factor : {-1.0, 3.0, 1e-3, 250.0}) {
    System scaled = example;
    scaled.equations[1] *= factor;
    const SolutionList solutions = testing::solve(scaled);
    ASSERT_EQ(solutions.size(), 8u) << factor;
    const SolutionList reference = testing::solve(example);
    std::vector<Eigen::Vector3d> known;
    for (const Solution& s : reference) known.push_back(testing::point(s));
    EXPECT_LT(testing::largestRelativeError(solutions, known), 1e-9) << factor;
  }
}

// Each equation a product of two random planes: eight known real solutions per system.
TEST(Solver, FindsAllEightSolutionsOfRandomProductsOfPlanes) {
  constexpr int kSystems = 10000;
  std::mt19937_64 rng(42);
  std::vector<double> errors;
  int within6 = 0, within8 = 0;
  for (int i = 0; i < kSystems; ++i) {
    const System system = testing::randomProductOfPlanes(rng);
    const double error = testing::largestRelativeError(testing::solve(system), system.solutions);
    errors.push_back(error);
    within6 += error <= 1e-6;
    within8 += error <= 1e-8;
  }
  const double share6 = double(within6) / kSystems, share8 = double(within8) / kSystems;
  std::printf(
      "product-of-planes, %d systems: %.2f%% within 1e-6, %.2f%% within 1e-8, "
      "median %.2g, 99th percentile %.2g\n",
      kSystems, 100 * share6, 100 * share8, quantile(errors, 0.5), quantile(errors, 0.99));
  EXPECT_GE(share6, 0.995);
  EXPECT_GE(share8, 0.95);
  EXPECT_LT(quantile(errors, 0.5), 1e-10);
}

TEST(Solver, FindsAChosenPointOfRandomSystems) {
  constexpr int kSystems = 2000;
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> uniform(-3, 3);
  int found = 0;
  for (int i = 0; i < kSystems; ++i) {
    const Eigen::Vector3d p(uniform(rng), uniform(rng), uniform(rng));
    const System system = testing::randomSystemThrough(p, rng);
    const SolutionList solutions = testing::solve(system);
    EXPECT_LE(solutions.size(), 8u);
    found += testing::nearestRelativeError(solutions, p) <= 1e-6;
  }
  EXPECT_GE(double(found) / kSystems, 0.995);
}

TEST(Solver, DegenerateOrBadInputAppendsNothing) {
  constexpr double inf = std::numeric_limits<double>::infinity();
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  const System example = workedExample();
  const Eigen::MatrixXd& a = example.equations[0];
  const Eigen::MatrixXd& b = example.equations[1];
  Eigen::MatrixXd withNaN = b, withInf = b, withMinusInf = b;
  withNaN(3) = nan;
  withInf(0) = inf;
  withMinusInf(9) = -inf;
  const struct {
    const char* name;
    std::array<Eigen::MatrixXd, 3> equations;
  } cases[] = {
      {"nine coefficients", {a, b, a.topRows(9)}},
      {"empty argument", {a, Eigen::MatrixXd(), b}},
      {"NaN coefficient", {a, withNaN, example.equations[2]}},
      {"infinite coefficient", {withInf, a, example.equations[2]}},
      {"minus infinite coefficient", {a, example.equations[2], withMinusInf}},
      {"all zero",
       {Eigen::MatrixXd::Zero(10, 1), Eigen::MatrixXd::Zero(10, 1), Eigen::MatrixXd::Zero(10, 1)}},
      {"rank two: third equation a multiple of the first", {a, b, -2 * a}},
      {"no z anywhere: singular template",
       {equation({-1, 1, 0, 0, 1, 0, 0, 0, 0, 0}), equation({-2, 1, 0, 0, 0, 1, 0, 1, 0, 0}),
        equation({-3, 2, 0, 0, 1, 1, 0, 0, 1, 0})}},
  };
  for (const auto& c : cases) {
    SolutionList solutions;
    solveThreeQuadrics(c.equations[0], c.equations[1], c.equations[2], solutions);
    EXPECT_TRUE(solutions.empty()) << c.name << ": " << solutions.size() << " solutions";
  }
}

TEST(Solver, SystemsTheTemplateCannotTakeDirectlyGiveOnlyTrueSolutions) {
  const struct {
    const char* name;
    std::array<Eigen::MatrixXd, 3> equations;
  } cases[] = {
      // The x²-coefficient 3.5e-11 of the second equation survives under the first pivot and
      // is enlarged past the tolerance by the small pivot 9.1e-4 of the next row, so that row
      // is no longer a reduced equation: read as it stands it gives two wrong solutions.
      {"leftover left of a small pivot",
       {equation({-0.38683176162103994, -0.24894784633514505, 1.9379462044713822,
                  -0.8588121038562051, -1.5240645803127151, -0.62719108631097498,
                  0.98389005089423998, -0.40620549492689501, 1.0226249605037672,
                  1.299060477476117}),
        equation({-0.039399956754155308, 0.00091483511779688392, 1.0009524310159028,
                  -0.64828774147696155, 3.5228568719964749e-11, -1.7446205616686239,
                  -0.84545832544076327, -0.72741008820888686, 1.3475763604266551,
                  -2.3897908817613698}),
        equation({0.68682363917932543, 0, 0.11751916663518443, 0.67457089303703111, 0,
                  -0.19266310294941014, -1.8800523742661659, -0.33517461253802061,
                  -0.48110011264541336, 0.70396802504650369})}},
  };
  for (const auto& c : cases) {
    System system;
    system.equations = c.equations;
    const SolutionList solutions = testing::solve(system);
    EXPECT_FALSE(solutions.empty()) << c.name;
    EXPECT_LT(testing::largestResidualOfFinite(system, solutions), 1e-8) << c.name;
  }
}

}  // namespace
}  // namespace quorvane

namespace quorvane {
namespace {

// residuals: zero at the worked example's integer roots, the value over the terms' sizes
// elsewhere, free of the equations' scale, and NaN where the input is.
TEST(Residuals, MeasureEachPointInEachEquation) {
  const testing::System example = testing::workedExample();
  const double* c[3] = {example.equations[0].data(), example.equations[1].data(),
                        example.equations[2].data()};
  SolutionList points;
  for (const auto& s : example.solutions) points.push_back({s.x(), s.y(), s.z()});
  points.push_back({0, 0, 0});
  points.push_back({1, 2, std::numeric_limits<double>::quiet_NaN()});
  const Eigen::Matrix3Xd r = residuals(c[0], c[1], c[2], points);
  ASSERT_EQ(r.cols(), 10);
  EXPECT_EQ(r.leftCols(8).maxCoeff(), 0);
  // At the origin only the constant term is left: |c0| / |c0| in every equation.
  EXPECT_EQ(r.col(8), Eigen::Vector3d(1, 1, 1));
  EXPECT_TRUE(r.col(9).array().isNaN().all());
  // A point off the roots, against the value and terms written out.
  const Eigen::Vector3d p(0.5, -1.25, 3);
  const double x = p.x(), y = p.y(), z = p.z();
  const double m[10] = {1, x * y, x * z, y * z, x * x, y * y, z * z, x, y, z};
  double value = 0, size = 0;
  for (int i = 0; i < 10; ++i) value += c[1][i] * m[i], size += std::abs(c[1][i] * m[i]);
  const Eigen::Matrix3Xd off = residuals(c[0], c[1], c[2], SolutionList{{x, y, z}});
  EXPECT_DOUBLE_EQ(off(1, 0), std::abs(value) / size);
  // Scaling an equation by a power of two changes nothing.
  double scaled[10];
  for (int i = 0; i < 10; ++i) scaled[i] = 0x1p40 * c[1][i];
  EXPECT_EQ(residuals(c[0], scaled, c[2], SolutionList{{x, y, z}}), off);
  // Complex points: the complex solutions of the system are roots too.
  ComplexSolutionList complexPoints;
  solveThreeQuadricsComplex(c[0], c[1], c[2], complexPoints);
  ASSERT_EQ(complexPoints.size(), 8u);
  EXPECT_LT(residuals(c[0], c[1], c[2], complexPoints).maxCoeff(), 1e-13);
}

}  // namespace
}  // namespace quorvane
