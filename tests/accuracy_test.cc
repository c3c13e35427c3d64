// SPDX-License-Identifier: BSD-3-Clause
// Verification by forward error, centring and refinement: what a small residual cannot show
// far from the origin, and the entry points with options and a report.
#include <gtest/gtest.h>
#include <quorvane/solver.h>

#include <array>
#include <limits>
#include <random>

#include "compensated.h"
#include "systems.h"
#include "tries.h"

namespace quorvane {
namespace {

using testing::System;

Equations stacked(const System& s) {
  return stackEquations(s.equations[0], s.equations[1], s.equations[2]);
}

// At map coordinates a point a millionth of its size off a root still leaves a relative
// residual of about 1e-10; its Newton step, from a compensated value, is the distance.
TEST(ForwardError, SeesWhatTheResidualCannotAtMapCoordinates) {
  std::mt19937_64 rng(11);
  int checked = 0;
  for (int i = 0; i < 200; ++i) {
    System system = testing::randomTrilateration({5e5, 4.5e6, 200}, rng);
    if (!testing::withBestPoints(system)) continue;
    const Equations equations = stacked(system);
    for (const Eigen::Vector3d& best : system.solutions) {
      EXPECT_LE(forwardError(equations, best.cast<std::complex<double>>()), 1e-13);
      const Eigen::Vector3d off =
          best + 1e-6 * best.norm() * Eigen::Vector3d(1, -1, 1).normalized();
      EXPECT_LT(largestRelativeResidual(equations, off(0), off(1), off(2)), 1e-8);
      const double error = forwardError(equations, off.cast<std::complex<double>>());
      EXPECT_GT(error, 1e-7) << "a point 1e-6 relative off passed";
      ++checked;
    }
  }
  EXPECT_GT(checked, 300);
}

// f translated to c, evaluated at v, is f at c + v; translating back restores the equations.
TEST(TranslatedEquations, AgreeWithTheOriginalsAndRoundTrip) {
  std::mt19937_64 rng(12);
  std::normal_distribution<double> normal;
  for (int i = 0; i < 100; ++i) {
    const Equations equations = Equations::NullaryExpr([&] { return normal(rng); });
    const Eigen::Vector3d centre = 1e3 * Eigen::Vector3d::NullaryExpr([&] { return normal(rng); });
    const Equations moved = translatedEquations(equations, centre);
    EXPECT_EQ(moved.middleCols<6>(1), equations.middleCols<6>(1));
    const Eigen::Vector3d v = Eigen::Vector3d::NullaryExpr([&] { return normal(rng); });
    Eigen::Vector3d atV, atCV;
    Eigen::Matrix3d unused;
    equationValuesAndJacobian(moved, v, atV, unused);
    equationValuesAndJacobian(equations, centre + v, atCV, unused);
    // The constant of a translated equation is rounded once from a value of size 1e6.
    EXPECT_LT((atV - atCV).cwiseAbs().maxCoeff(), 1e-9 * 1e6);
    const Equations back = translatedEquations(moved, -centre);
    // Each coefficient is rounded once from terms of up to 1e7.
    EXPECT_LT((back - equations).cwiseAbs().maxCoeff(), 1e-8);
  }
}

// Refinement reaches the best point; from a point near a root it does not wander off.
TEST(RefineCompensated, ReachesTheBestPointOfClustersFarOut) {
  std::mt19937_64 rng(13);
  for (int i = 0; i < 100; ++i) {
    System system = testing::randomClusterAround({1e4, 1e4, 1e4}, rng);
    if (!testing::withBestPoints(system)) continue;
    const Equations equations = stacked(system);
    for (const Eigen::Vector3d& best : system.solutions) {
      ComplexPoint start = (best + 1e-7 * Eigen::Vector3d(1, 2, -1)).cast<std::complex<double>>();
      EXPECT_LE(refineCompensated(equations, start), 1e-13);
      EXPECT_LE((start.real() - best).cwiseAbs().maxCoeff(), 1e-12 * 1e4);
    }
  }
}

// Families where the template alone fails: far from the origin, close together. Every known
// solution must come back at its best point, as two points where two are known, and no
// returned point may be far from all of them.
struct HardFamily {
  const char* name;
  std::function<System(std::mt19937_64&)> draw;
  double leastShare;
};

TEST(Accuracy, FarAndCloseSolutionsAtTheirBestPoints) {
  const HardFamily families[] = {
      {"cluster at 1e2",
       [](auto& rng) {
         return testing::randomClusterAround({1e2, 1e2, 1e2}, rng);
       },
       0.995},
      {"cluster at 1e4",
       [](auto& rng) {
         return testing::randomClusterAround({1e4, 1e4, 1e4}, rng);
       },
       0.995},
      {"trilateration at map coordinates",
       [](auto& rng) {
         return testing::randomTrilateration({5e5, 4.5e6, 200}, rng);
       },
       0.995},
      {"pair 1e-5 apart", [](auto& rng) { return testing::randomCloseRootPair(1e-5, rng); }, 0.99},
  };
  for (const HardFamily& family : families) {
    std::mt19937_64 rng(14);
    constexpr int kSystems = 1000;
    int atBest = 0, far = 0;
    for (int i = 0; i < kSystems; ++i) {
      System system = family.draw(rng);
      while (!testing::withBestPoints(system)) system = family.draw(rng);
      const SolutionList returned = testing::solve(system);
      atBest += testing::largestRelativeError(returned, system.solutions) <= 1e-9;
      far += testing::farColumns(returned, system.solutions);
    }
    EXPECT_GE(atBest, family.leastShare * kSystems) << family.name;
    EXPECT_EQ(far, 0) << family.name;
  }
}

// Systems the template verifies as they stand come back exactly as it gives them.
TEST(Accuracy, VerifiedTemplateResultsAreBitForBitTheTemplates) {
  std::mt19937_64 rng(15);
  std::normal_distribution<double> normal;
  int asGiven = 0;
  for (int i = 0; i < 300; ++i) {
    System system;
    for (auto& e : system.equations)
      e = Eigen::MatrixXd::NullaryExpr(10, 1, [&] { return normal(rng); });
    SolutionList solutions;
    const SolveReport report = solveReportingPath(system.equations[0], system.equations[1],
                                                  system.equations[2], solutions);
    if (report.path != SolvePath::asGiven) continue;
    ++asGiven;
    Candidates candidates;
    ASSERT_TRUE(templateCandidates(stacked(system), candidates));
    SolutionList bare;
    for (const Candidate& c : candidates)
      if (c.real) bare.push_back({c.x.real(), c.y.real(), c.z.real()});
    ASSERT_EQ(solutions.size(), bare.size());
    for (std::size_t k = 0; k < bare.size(); ++k) {
      EXPECT_EQ(solutions[k].x, bare[k].x);
      EXPECT_EQ(solutions[k].y, bare[k].y);
      EXPECT_EQ(solutions[k].z, bare[k].z);
    }
  }
  EXPECT_GT(asGiven, 250);
}

std::array<double, 10> coefficientsOf(const testing::Equation& e) {
  std::array<double, 10> a;
  for (int i = 0; i < 10; ++i) a[i] = e(i);
  return a;
}

TEST(Options, EveryEntryPointAgreesWithTheThreeArgumentCall) {
  const System example = testing::workedExample();
  const SolutionList expected = testing::solve(example);
  const auto a = coefficientsOf(example.equations[0]), b = coefficientsOf(example.equations[1]),
             c = coefficientsOf(example.equations[2]);
  // With the standard method, the three-argument call's, bit for bit.
  SolveOptions standard;
  standard.method = Method::standard;
  SolutionList fromPointers, fromArrays, fromEigen;
  const SolveReport report =
      solveThreeQuadrics(a.data(), b.data(), c.data(), fromPointers, standard);
  solveThreeQuadrics(a, b, c, fromArrays, standard);
  solveThreeQuadrics(example.equations[0], example.equations[1], example.equations[2], fromEigen,
                     standard);
  EXPECT_EQ(report.status, SolveStatus::solved);
  EXPECT_EQ(report.path, SolvePath::asGiven);
  EXPECT_EQ(report.method, Method::standard);
  for (const SolutionList* list : {&fromPointers, &fromArrays, &fromEigen}) {
    ASSERT_EQ(list->size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
      EXPECT_EQ((*list)[k].x, expected[k].x);
      EXPECT_EQ((*list)[k].z, expected[k].z);
    }
  }
  // By default the fast method: the same solutions, found by it.
  SolutionList fast;
  const SolveReport byDefault = solveThreeQuadrics(a, b, c, fast);
  EXPECT_EQ(byDefault.method, Method::fast);
  EXPECT_EQ(byDefault.status, SolveStatus::solved);
  ASSERT_EQ(fast.size(), expected.size());
  EXPECT_LE(testing::largestRelativeError(fast, example.solutions),
            2 * testing::largestRelativeError(expected, example.solutions) + 1e-15);
}

TEST(Options, ReportsBadInputDependentEquationsAndNoRealSolution) {
  const System example = testing::workedExample();
  SolutionList solutions;
  const Eigen::MatrixXd shortArgument = Eigen::MatrixXd::Ones(9, 1);
  SolveReport report = solveThreeQuadrics(example.equations[0], shortArgument, example.equations[2],
                                          solutions, SolveOptions{});
  EXPECT_EQ(report.status, SolveStatus::badInput);
  EXPECT_EQ(report.argument, 1);
  EXPECT_EQ(report.problem, InputProblem::tooFewCoefficients);

  auto a = coefficientsOf(example.equations[0]), b = coefficientsOf(example.equations[1]),
       c = coefficientsOf(example.equations[2]);
  c[4] = std::numeric_limits<double>::infinity();
  report = solveThreeQuadrics(a, b, c, solutions);
  EXPECT_EQ(report.status, SolveStatus::badInput);
  EXPECT_EQ(report.argument, 2);
  EXPECT_EQ(report.problem, InputProblem::notFinite);

  std::array<double, 10> sum;
  for (int i = 0; i < 10; ++i) sum[i] = a[i] + b[i];
  report = solveThreeQuadrics(a, b, sum, solutions);
  EXPECT_EQ(report.status, SolveStatus::dependentEquations);

  // x² + y² + z² + 1 = 0 with two more spheres around it: solved, and nothing is real.
  const std::array<double, 10> s1 = {1, 0, 0, 0, 1, 1, 1, 0, 0, 0},
                               s2 = {2, 0, 0, 0, 1, 1, 1, 1, 0, 0},
                               s3 = {2, 0, 0, 0, 1, 1, 1, 0, 1, 0};
  report = solveThreeQuadrics(s1, s2, s3, solutions);
  EXPECT_TRUE(solutions.empty());
  EXPECT_EQ(report.status, SolveStatus::noRealSolution);
}

// Negative or NaN, a tolerance kept no candidate, and infinite, every one, under a status of
// solved. Every call with options refuses it before any work, whatever the arguments.
TEST(Options, ImaginaryToleranceOutOfRangeIsABadOption) {
  const System example = testing::workedExample();
  const auto a = coefficientsOf(example.equations[0]), b = coefficientsOf(example.equations[1]),
             c = coefficientsOf(example.equations[2]);
  const Eigen::MatrixXd shortArgument = Eigen::MatrixXd::Ones(9, 1);
  const auto expectBadOption = [](const SolveReport& report, const char* call, double tolerance) {
    EXPECT_EQ(report.status, SolveStatus::badInput) << call << ", tolerance " << tolerance;
    EXPECT_EQ(report.argument, kOptionsArgument) << call << ", tolerance " << tolerance;
    EXPECT_EQ(report.problem, InputProblem::badOption) << call << ", tolerance " << tolerance;
    EXPECT_EQ(report.path, SolvePath::none) << call << ", tolerance " << tolerance;
    EXPECT_EQ(report.points, 0) << call << ", tolerance " << tolerance;
  };
  constexpr double inf = std::numeric_limits<double>::infinity();
  for (const Method method : {Method::standard, Method::fast})
    for (const double tolerance : {-1e-4, -std::numeric_limits<double>::denorm_min(), -inf, inf,
                                   std::numeric_limits<double>::quiet_NaN()}) {
      SolveOptions options;
      options.method = method;
      options.imaginaryTolerance = tolerance;
      // A point already in the list, which the calls append to and must leave alone.
      const Solution earlier{7, 8, 9};
      SolutionList solutions(1, earlier);
      expectBadOption(solveThreeQuadrics(a.data(), b.data(), c.data(), solutions, options),
                      "pointers", tolerance);
      expectBadOption(solveThreeQuadrics(a, b, c, solutions, options), "arrays", tolerance);
      expectBadOption(solveThreeQuadrics(example.equations[0], example.equations[1],
                                         example.equations[2], solutions, options),
                      "Eigen", tolerance);
      expectBadOption(solveThreeQuadrics(example.equations[0], shortArgument, example.equations[2],
                                         solutions, options),
                      "Eigen, an argument too short", tolerance);
      ASSERT_EQ(solutions.size(), 1u);
      EXPECT_EQ(solutions[0].z, earlier.z);
      ComplexSolutionList complexSolutions(1);
      expectBadOption(
          solveThreeQuadricsComplex(a.data(), b.data(), c.data(), complexSolutions, options),
          "complex", tolerance);
      EXPECT_EQ(complexSolutions.size(), 1u);
    }
  // The ends of the range are in it (0 keeps no candidate, since real means strictly below).
  for (const double tolerance : {0.0, -0.0, std::numeric_limits<double>::max()}) {
    SolveOptions options;
    options.imaginaryTolerance = tolerance;
    SolutionList solutions;
    const SolveReport report = solveThreeQuadrics(a, b, c, solutions, options);
    EXPECT_NE(report.status, SolveStatus::badInput) << tolerance;
    EXPECT_EQ(report.problem, InputProblem::none) << tolerance;
  }
}

// Three spheres whose intersection points have become a complex pair with imaginary parts
// near 1e-3: the default tolerance returns nothing, a wider one the pair's real part once, as
// an approximate point, and the complex request the pair itself.
TEST(Options, ImaginaryToleranceAndComplexSolutions) {
  // Unit spheres around (±1, 0, 0) and (0, 1, 0), shrunk a little: they miss by ~1e-6.
  const double shrink = 1e-6;
  const std::array<double, 10> s1 = {1 - (1 - shrink), 0, 0, 0, 1, 1, 1, -2, 0, 0},
                               s2 = {1 - (1 - shrink), 0, 0, 0, 1, 1, 1, 2, 0, 0},
                               s3 = {1 - (1 - shrink), 0, 0, 0, 1, 1, 1, 0, -2, 0};
  SolutionList defaults, wide;
  solveThreeQuadrics(s1, s2, s3, defaults);
  SolveOptions options;
  options.imaginaryTolerance = 1e-2;
  const SolveReport wideReport = solveThreeQuadrics(s1, s2, s3, wide, options);
  EXPECT_TRUE(defaults.empty());
  ASSERT_EQ(wide.size(), 1u);
  EXPECT_EQ(wideReport.points, 1);
  EXPECT_EQ(wideReport.kind[0], PointKind::approximate);
  EXPECT_NEAR(wide[0].y, 0, 1e-6);
  EXPECT_NEAR(wide[0].z, 0, 1e-6);
  ComplexSolutionList complex;
  const SolveReport report = solveThreeQuadricsComplex(s1.data(), s2.data(), s3.data(), complex);
  EXPECT_EQ(report.status, SolveStatus::solved);
  ASSERT_EQ(complex.size(), 2u);
  EXPECT_NEAR(std::abs(complex[0].z.imag()), 1e-3, 1e-4);
  EXPECT_NEAR(complex[0].z.imag(), -complex[1].z.imag(), 1e-9);
}

// Solutions with real z but complex x or y count as real by their z, yet are not real
// points: asked for complex points, the call must judge and return them as they are. With
// x² = -1 or a mixed term beside it, all eight are (±i-ish, ±1, ±1).
TEST(Options, ComplexPointsWithRealZAreReturned) {
  const std::array<double, 10> y2 = {-1, 0, 0, 0, 0, 1, 0, 0, 0, 0},
                               z2 = {-1, 0, 0, 0, 0, 0, 1, 0, 0, 0};
  for (const std::array<double, 10>& x2 :
       {std::array<double, 10>{1, 0, 0, 0, 1, 0, 0, 0, 0, 0},
        std::array<double, 10>{1, 0.25, 0, 0, 1, 0, 0, 0, 0, 0}}) {
    for (const Method method : {Method::standard, Method::fast}) {
      SolveOptions options;
      options.method = method;
      ComplexSolutionList complex;
      const SolveReport report =
          solveThreeQuadricsComplex(x2.data(), y2.data(), z2.data(), complex, options);
      EXPECT_EQ(report.status, SolveStatus::solved);
      ASSERT_EQ(complex.size(), 8u);
      int withImaginaryX = 0;
      for (const ComplexSolution& p : complex) {
        EXPECT_NEAR(std::abs(p.y), 1, 1e-12);
        EXPECT_NEAR(std::abs(p.z), 1, 1e-12);
        // x² + x2[1]·x·y + 1 = 0 at the point.
        EXPECT_LT(std::abs(p.x * p.x + x2[1] * p.x * p.y + 1.0), 1e-12);
        withImaginaryX += std::abs(p.x.imag()) > 0.5;
      }
      EXPECT_EQ(withImaginaryX, 8);
      // No real point: the real call returns none.
      SolutionList real;
      solveThreeQuadrics(x2.data(), y2.data(), z2.data(), real, options);
      EXPECT_TRUE(real.empty());
    }
  }
}

TEST(Options, RefineBringsTemplateResultsToTheirBestPoints) {
  std::mt19937_64 rng(16);
  int better = 0;
  for (int i = 0; i < 200; ++i) {
    System system = testing::randomProductOfPlanes(rng);
    if (!testing::withBestPoints(system)) continue;
    SolutionList plain, refined;
    const auto& e = system.equations;
    SolveOptions options;
    options.refine = true;
    solveThreeQuadrics(e[0], e[1], e[2], plain, SolveOptions{});
    solveThreeQuadrics(e[0], e[1], e[2], refined, options);
    ASSERT_EQ(plain.size(), refined.size());
    const double before = testing::largestRelativeError(plain, system.solutions);
    const double after = testing::largestRelativeError(refined, system.solutions);
    EXPECT_LE(after, 1e-13);
    better += after < before;
  }
  EXPECT_GT(better, 150);
}

}  // namespace
}  // namespace quorvane
