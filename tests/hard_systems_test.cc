// SPDX-License-Identifier: BSD-3-Clause
// Families of systems with known real solutions that the template cannot take as they
// stand, or only with rescaling: each must give every known solution and nothing else that
// fails the equations.
#include <gtest/gtest.h>

#include <algorithm>
#include <complex>
#include <cstdio>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "systems.h"
#include "tries.h"

namespace quorvane {
namespace {

using testing::System;

struct Family {
  const char* name;
  std::function<System(std::mt19937_64&)> draw;
};

const Family kFamilies[] = {
    {"equations scaled by 1e-12..1e12",
     [](std::mt19937_64& rng) {
       return testing::scaledEquations(testing::randomProductOfPlanes(rng), 12, rng);
     }},
    {"solutions of size 1e3",
     [](std::mt19937_64& rng) { return testing::randomProductOfPlanes(rng, 1e3); }},
    {"solutions of size 1e4",
     [](std::mt19937_64& rng) { return testing::randomProductOfPlanes(rng, 1e4); }},
    {"mixed axis-aligned planes", testing::randomMixedAxisAlignedPlanes},
    {"even in x and y", testing::randomEvenSystem},
    {"three spheres", testing::randomSpheresThrough},
};

class HardSystems : public ::testing::TestWithParam<int> {};

TEST_P(HardSystems, EveryKnownSolutionAndNoWrongColumn) {
  const Family& family = kFamilies[GetParam()];
  constexpr int kSystems = 1000;
  std::mt19937_64 rng(1000 + GetParam());
  int allFound = 0, wrong = 0;
  int paths[5] = {0, 0, 0, 0, 0}, partial = 0;
  for (int i = 0; i < kSystems; ++i) {
    const System system = family.draw(rng);
    SolutionList solutions;
    const SolveReport report = solveReportingPath(system.equations[0], system.equations[1],
                                                  system.equations[2], solutions);
    ++paths[static_cast<int>(report.path)];
    partial += report.status == SolveStatus::partial;
    allFound += testing::largestRelativeError(solutions, system.solutions) <= 1e-6;
    wrong += testing::largestResidualOfFinite(system, solutions) > 1e-6;
  }
  std::printf(
      "%s: %d systems, all known solutions in %.1f%%, %d with a wrong column; paths: as given "
      "%d, centred %d, first change %d, second change %d, none %d; partial %d\n",
      family.name, kSystems, 100.0 * allFound / kSystems, wrong, paths[1], paths[2], paths[3],
      paths[4], paths[0], partial);
  EXPECT_GE(allFound, 0.995 * kSystems) << family.name;
  EXPECT_EQ(wrong, 0) << family.name;
}

INSTANTIATE_TEST_SUITE_P(Families, HardSystems,
                         ::testing::Range(0, static_cast<int>(std::size(kFamilies))));

TEST(HardSystems, CornersOfTheUnitCube) {
  using testing::equation;
  System cube;
  cube.equations = {equation({-1, 0, 0, 0, 1, 0, 0, 0, 0, 0}),
                    equation({-1, 0, 0, 0, 0, 1, 0, 0, 0, 0}),
                    equation({-1, 0, 0, 0, 0, 0, 1, 0, 0, 0})};
  for (int corner = 0; corner < 8; ++corner)
    cube.solutions.emplace_back(corner & 1 ? 1 : -1, corner & 2 ? 1 : -1, corner & 4 ? 1 : -1);
  const SolutionList solutions = testing::solve(cube);
  EXPECT_EQ(solutions.size(), 8u);
  EXPECT_LT(testing::largestRelativeError(solutions, cube.solutions), 1e-9);
}

// Random coefficients of wildly different sizes, subnormals, zeros and entries near the
// reduction's tolerance: whatever comes back must solve the system or be a NaN column.
TEST(HardSystems, HostileCoefficientsGiveOnlySolutions) {
  std::mt19937_64 rng(99);
  std::normal_distribution<double> normal;
  std::uniform_int_distribution<int> kind(0, 6);
  const double specials[] = {0, 1e-10, -1e-10, 4.9e-324, 1e-300, 1e300, -1e-308};
  int wrong = 0, systems = 0;
  for (int i = 0; i < 3000; ++i) {
    System system;
    const double scale = std::pow(10.0, std::uniform_real_distribution<double>(-150, 150)(rng));
    for (testing::Equation& e : system.equations) {
      e = Eigen::MatrixXd::NullaryExpr(10, 1, [&] { return scale * normal(rng); });
      for (int j = 0; j < 10; ++j)
        if (kind(rng) == 0) e(j) = specials[std::uniform_int_distribution<int>(0, 6)(rng)];
    }
    // Residuals of equations near 1e300 overflow in double; compare them scaled to one.
    System normalised = system;
    for (testing::Equation& e : normalised.equations)
      if (const double m = e.cwiseAbs().maxCoeff(); m > 0) e /= m;
    wrong += testing::largestResidualOfFinite(normalised, testing::solve(system)) > 1e-6;
    ++systems;
  }
  EXPECT_EQ(wrong, 0) << "of " << systems;
}

// Equations whose coefficients span more than the double range (found by fuzzing): scaling
// them to order one pushes the small coefficients below the normal range, which changes
// the equations; what comes back must still solve the originals. The third (also found by
// fuzzing) has subnormal coefficients and a candidate with a subnormal y, (0, 6.8e-313, 0),
// at which the second equation's only term underflows: the checks in double saw 0 there.
// Coefficients from across the double range, each once a wrong answer.
std::vector<std::array<testing::Equation, 3>> rangeSpanningCases() {
  using testing::equation;
  return {
      {equation({-2.0, 0.0, 0.0, 0.0, 1.0, 1.0, 1.0, 0.0, 0.0, 0.0}),
       equation({5.299808824e-315, 8.645627431730427e-217, 8.64562743173829e-217,
                 8.64562743173829e-217, 1.776598599313651e-307, 1.7765824089018436e-307,
                 4.5569512622227484e-305, 0.0, 0.0, -8.846375060929823e+304}),
       equation({0.0, 0.0, 0.0, 1.7765824089018436e-307, 1.7765824089018436e-307,
                 1.7765824089018436e-307, 0.0, 4.5569512622227484e-305, 4.5480509667887196e-305,
                 0.0})},
      {equation({8.931510190141149e-286, -3.829658481341203e+285, 2.6140744621889485e+72,
                 4.76826911697e-313, 5.06e-321, 2.614036428846926e+72, 2.6140364288469343e+72,
                 -1.999999896310412e-200, -2e-200, 2e-200}),
       equation({2.180075438084173e-306, 2.2316275021076415e+195, -9.258665639888783e-268,
                 2.2316275021076083e+195, 2.231603773596786e+195, 2.2316275021076415e+195,
                 2.2316275021076083e+195, -3.422431099090272e-220, -9.258664881707283e-268,
                 2.5840481086849322e+272}),
       equation({-9.258664881707283e-268, 1.783153994072656e-301, 4.740671221753e-312,
                 2.6140734987735934e+72, 2.614074397182331e+72, 2.614074186557748e+72,
                 2.614289866131085e+72, 9.987837684e-315, 0.0, 0.0})},
      {equation({0x0p+0, 0x1.008p+1, 0x0p+0, 0x0p+0, 0x1p+0, 0x0p+0, 0x0.0000000dfp-1022, -0x1.cp+2,
                 0x0p+0, 0x0.0000000000007p-1022}),
       equation({0x0p+0, 0x0.0000000003ffp-1022, 0x0.2000000003ffp-1022, 0x0p+0,
                 0x0.0000000100055p-1022, 0x0.0000000c01cp-1022, 0x0.0000000c01cp-1022, 0x0p+0,
                 0x0.00000000000cp-1022, 0x0.000c300cp-1022}),
       equation({0x0.0003ffp-1022, 0x0.0000000000009p-1022, 0x0.000c0000000cp-1022,
                 0x0.000c01p-1022, 0x0.0003ffp-1022, 0x0.000401p-1022, 0x0.00000fp-1022,
                 0x0.0cp-1022, -0x1p+1, 0x0p+0})},
      // Found by fuzzing: subnormal coefficients beside 4e96 (and beside 2e289), where both
      // methods returned points with x = 0 and relative residuals near 1, since a zero x was
      // taken to stand for whatever tiny value each equation alone would have needed.
      {equation(
           {0, 2.00390625, 0, 0, 1, 0, 7.2205362149849812e-317, -7, 0, 3.4584595208887258e-323}),
       equation({0, 8.0868664911295234e-320, 2.7813423232148704e-309, 0, 5.1810737423352744e-318,
                 6.2203260063929613e-317, 6.2203260063929613e-317, 0, 9.4860604001519336e-322,
                 4.1379539602277195e-312}),
       equation({1.356751058848421e-312, 4.4465908125712189e-323, -4.2727562936569147e+96,
                 4.0755581660226761e-312, 1.356751058848421e-312, 1.3594035535871276e-312,
                 1.9893710540299428e-314, 4.7071437476719845e-305, 0, 0})},
      {equation({0, 2.00390625, 0, 0, 1, 0, 7.220536e-317, -7, 0, 3.5e-323}),
       equation({0, 8.087e-320, 2.78134232321487e-309, 0, 5.181074e-318, 6.220326e-317,
                 6.220326e-317, 0, 9.5e-322, 4.13795396023e-312}),
       equation({1.35675105885e-312, 2.6815615859885575e+154, -2.0404251211581468e+289,
                 1.043342890501805e-309, 3.47328271065196e-310, 3.48007309718305e-310,
                 3.47328271065196e-310, 1.042663851848696e-309, 1.04300337117525e-309, 0})},
      // Found by fuzzing: a near-real candidate whose real part has a subnormal z, at which
      // the first equation's only terms underflow; the check in full range looked at real
      // candidates only, and the real part came back with a relative residual of 1.
      {equation({0, 2.00390625, 0, 0, 0.0009765625, 0, 7.2205362149849812e-317, -7, 0,
                 3.4584595208887258e-323}),
       equation({1.6975990630317232e-313, 2.2665360316096353e-318, 0, 5.2998088236266445e-315,
                 5.2998088236266445e-315, 9.8813129168249309e-324, 3.3954684877768454e-313,
                 4.0765528515496911e-312, 4.0765528515496911e-312, 1}),
       equation({0, 1.356751058848421e-312, 5.4323299677231721e-312, 0, 0, 0, 0, 0, 0, 0})},
      // Found by fuzzing: a root of the scaled system at x = 1.4e308, beyond half the double
      // range, where the check in full range doubled |x| in double: the infinity made every
      // residual 0, and the point came back with a relative residual of 1.
      {equation({-3.4224310993220949e-220, 6.5456499241065873e-315, 0, 4.768243213699149e-313, 0,
                 2.0415052651803573e-305, 0, 4.2365314404779323e-313, 4.8440818534609214e+301,
                 4.8440858079744888e+301}),
       equation({3.0414681157987137e-319, -1.9656826079092814e-236, 3.4452453543437847e-307, 0,
                 1.9999999984987561e-200, 0, 0, 2.7208770661509103e-306, 4.8440826146299936e+301,
                 3.0414681157987137e-319}),
       equation({0, 8.289046058458095e-317, 4.5480509669545005e-305, 7.2911220195563975e-304,
                 6.9533558078350043e-309, 3.6455610199604629e-304, 2.124035673393721e-314,
                 -1.0000000186264515, 0, 0})},
  };
}

TEST(HardSystems, CoefficientsSpanningMoreThanTheDoubleRange) {
  for (const auto& equations : rangeSpanningCases()) {
    for (const Method method : {Method::standard, Method::fast}) {
      SolutionList solutions;
      SolveOptions options;
      options.method = method;
      if (method == Method::standard)
        solveThreeQuadrics(equations[0], equations[1], equations[2], solutions);
      else
        solveThreeQuadrics(equations[0], equations[1], equations[2], solutions, options);
      for (const Solution& s : solutions) {
        if (std::isnan(s.x) && std::isnan(s.y) && std::isnan(s.z)) continue;
        for (const testing::Equation& e : equations)
          EXPECT_LE(testing::residualInLongDouble(e, s, 1e-6L), 1e-6L)
              << s.x << " " << s.y << " " << s.z;
      }
    }
  }
}

// The last of them: the scaled system's root at x = 1.4e308 is not one of the caller's
// equations, and whether they have one near it is not known, so neither method says solved
// (or that there is no real solution).
TEST(HardSystems, ARootTheCallersEquationsDoNotBearOutLeavesTheCallUnsolved) {
  const auto equations = rangeSpanningCases().back();
  for (const Method method : {Method::standard, Method::fast}) {
    SolveOptions options;
    options.method = method;
    SolutionList solutions;
    const SolveReport report =
        solveThreeQuadrics(equations[0], equations[1], equations[2], solutions, options);
    EXPECT_TRUE(solutions.empty());
    EXPECT_NE(report.status, SolveStatus::solved);
    EXPECT_NE(report.status, SolveStatus::noRealSolution);
  }
}

// Roots of the scaled system beyond the double range in the caller's variables (found by
// fuzzing: every call returned (1.03e308, -inf, -1.37e308) and (1.03e308, -inf, inf) beside a
// finite point): no entry point returns a coordinate that is not finite, and the calls with
// options do not say solved.
TEST(HardSystems, RootsBeyondTheDoubleRangeAreNotReturned) {
  const std::array<std::array<double, 10>, 3> c = {
      {{-2.02880859375, 0, 0, 0, 0, 0, 0, 1.1643010474979122e-302, 1.7765824089406985e-307,
        1.7765824089018436e-307},
       {0, 1.4853970537e-313, 0, 6.2168137e-317, 0, 0, 0, 1.0000000298023224, 2.039883e-317,
        2.070238e-317},
       {0, 6.78906028376e-312, 1.356751058863e-312, 1.35675105885e-312, 0, 0,
        1.7765824089018436e-307, 1.7765824089018436e-307, 0, -1}}};
  const auto finite = [](const Solution& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
  };
  SolutionList threeArgument;
  solveThreeQuadrics(Eigen::Map<const Eigen::VectorXd>(c[0].data(), 10),
                     Eigen::Map<const Eigen::VectorXd>(c[1].data(), 10),
                     Eigen::Map<const Eigen::VectorXd>(c[2].data(), 10), threeArgument);
  EXPECT_FALSE(threeArgument.empty());
  for (const Solution& p : threeArgument) EXPECT_TRUE(finite(p));
  for (const Method method : {Method::standard, Method::fast}) {
    SolveOptions options;
    options.method = method;
    SolutionList solutions;
    const SolveReport report =
        solveThreeQuadrics(c[0].data(), c[1].data(), c[2].data(), solutions, options);
    for (const Solution& p : solutions) EXPECT_TRUE(finite(p));
    EXPECT_NE(report.status, SolveStatus::solved);
    ComplexSolutionList all;
    solveThreeQuadricsComplex(c[0].data(), c[1].data(), c[2].data(), all, options);
    for (const ComplexSolution& p : all)
      EXPECT_TRUE(std::isfinite(std::abs(p.x)) && std::isfinite(std::abs(p.y)) &&
                  std::isfinite(std::abs(p.z)));
  }
}

// Found by mixed garbage through Python: beside x = 6e-52 and y = 2e-21, a conjugate pair at
// z = 87.3 ± 754.5i took Newton steps tiny against its norm but solved none of the equations
// (relative residuals 1, 0.24, 0.99), and the complex call returned it. Whatever the
// tolerance, which plays no part in complex calls, each returned point solves the equations,
// and a call that finds fewer points than it has does not say solved.
TEST(HardSystems, ComplexPointsThatSolveNothingAreNotReturned) {
  const std::array<std::array<double, 10>, 3> c = {
      {{0, 0, 9.9375208593847182e-05, -246.04210889427472, 0, -8.3397217572747673e-17, 0,
        -6.5988390873517539e+19, 2.9876281870901199e-13, 0},
       {0, 0, 0, 0, 0, 0, -1.5769766227112713e-12, 0, -266761620512174.75, 0},
       {0, 0, 0, 0, 537.81114608710482, -0.93187141357050107, 0, -108819054697.98659, 0, 0}}};
  for (const double tolerance : {1e-4, 1e-2, 0.0}) {
    SolveOptions options;
    options.imaginaryTolerance = tolerance;
    ComplexSolutionList points;
    const SolveReport report =
        solveThreeQuadricsComplex(c[0].data(), c[1].data(), c[2].data(), points, options);
    ASSERT_FALSE(points.empty()) << tolerance;  // the real root at (2.0e8, -2.6e8, 2.1e17)
    EXPECT_LE(residuals(c[0].data(), c[1].data(), c[2].data(), points).maxCoeff(), 1e-12)
        << tolerance;
    EXPECT_NE(report.status, SolveStatus::solved) << tolerance;
  }
}

// Found by mixed garbage through Python: three equations that vanish at the origin, where
// their Jacobian is singular (a triple root). The eigen-solver gave three candidates 5e-6
// around it, none of which verified, and the call returned the three other real roots. The
// calls with options return the root once, exactly, as a near-double point, and do not say
// solved; the complex call returns it once beside the other five.
TEST(HardSystems, ASingularRootIsReturnedOnce) {
  const testing::System system{{testing::equation({0, -2, 0, 1, -1, -1, 0, 1, 0, 1}),
                                testing::equation({0, 2, 0, -1, 0, -1, 1, 0, -1, 0}),
                                testing::equation({0, 2, -1, -1, -1, 1, 1, -2, 1, -2})},
                               {}};
  for (const Method method : {Method::standard, Method::fast}) {
    SolveOptions options;
    options.method = method;
    SolutionList points;
    const SolveReport report = solveThreeQuadrics(system.equations[0], system.equations[1],
                                                  system.equations[2], points, options);
    int atRoot = 0;
    for (int i = 0; i < report.points; ++i) {
      const Eigen::Vector3d p(points[i].x, points[i].y, points[i].z);
      if (p.lpNorm<Eigen::Infinity>() > 1e-6) continue;
      ++atRoot;
      EXPECT_EQ(p, Eigen::Vector3d::Zero());
      EXPECT_EQ(report.kind[i], PointKind::nearDouble);
    }
    EXPECT_EQ(atRoot, 1) << "method " << static_cast<int>(method);
    EXPECT_EQ(report.points, 4);
    EXPECT_NE(report.status, SolveStatus::solved);
    EXPECT_LE(testing::largestResidualOfFinite(system, points), 1e-12);
    ComplexSolutionList complexPoints;
    solveThreeQuadricsComplex(system.equations[0].data(), system.equations[1].data(),
                              system.equations[2].data(), complexPoints, options);
    EXPECT_EQ(complexPoints.size(), 6u);
  }
  // The three-argument call keeps its columns.
  SolutionList threeArgument;
  solveThreeQuadrics(system.equations[0], system.equations[1], system.equations[2], threeArgument);
  EXPECT_EQ(threeArgument.size(), 3u);
}

// Found by the fuzz target: roots at 2.1e5 beside roots at 1, with subnormal and huge
// coefficients. In the fast method's second change of coordinates the roots far out came
// with a homogeneous coordinate of 6e-10 against the others, and were dropped as solutions at
// infinity: the try looked complete with the two roots near 1, and the call said solved. A
// candidate that small but not zero is now kept where it refines to a root of the system.
TEST(HardSystems, RootsFarOutInAChangeOfCoordinatesAreNotTakenForInfinity) {
  const double c[30] = {1.8203394497e-314,
                        9.426614e-318,
                        0,
                        0,
                        0,
                        9.828718408665348e-306,
                        9.7347034359686e-309,
                        1.9285913724732348e-168,
                        1.9285913724732661e-168,
                        1.9285913724732417e-168,
                        1.9286004696161185e-168,
                        1.928656063267033e-168,
                        1.9798264811558999e-168,
                        2.276168155554683e-159,
                        1.9285913724732417e-168,
                        6.17792029495e-313,
                        1.6259745436952323e-260,
                        0,
                        1.123132253174996e-309,
                        1.591496843e-314,
                        -3.105036924899733e+231,
                        -3.1050361846015496e+231,
                        3.1e-322,
                        1.048308360652664e-309,
                        1.9285913724732417e-168,
                        1.9285913724732417e-168,
                        1.0372363420065743e-164,
                        2.0610781181422677e-168,
                        1.386490829858943e-309,
                        0};
  for (const Method method : {Method::standard, Method::fast}) {
    for (const bool refine : {false, true}) {
      SolveOptions options;
      options.method = method;
      options.refine = refine;
      SolutionList points;
      const SolveReport report = solveThreeQuadrics(c, c + 10, c + 20, points, options);
      const std::string call = "method " + std::to_string(static_cast<int>(method)) + " refine " +
                               std::to_string(refine);
      EXPECT_EQ(report.status, SolveStatus::solved) << call;
      ASSERT_EQ(points.size(), 4u) << call;
      int farOut = 0;
      for (const Solution& p : points) farOut += std::abs(p.x) > 2e5;
      EXPECT_EQ(farOut, 2) << call;
      EXPECT_LE(residuals(c, c + 10, c + 20, points).maxCoeff(), 1e-10) << call;
    }
  }
}

// Found by mixed garbage through Python: a random system's complex points, proved as
// computed, came back unpolished, up to 6e-8 from their roots (relative residuals of 1.1e-8).
// They are polished inside their boxes and proved there.
TEST(HardSystems, ProvedComplexPointsArePolished) {
  const double c[30] = {1.0215355929855012,
                        -0.46111082748734356,
                        -0.6161476714448407,
                        -0.34922029402783666,
                        -0.297522769057297,
                        0.9518484983000496,
                        1.0132169801178068,
                        -0.092591379482957,
                        1.0239985903526954,
                        -0.3973375272886554,
                        0.06813202976304837,
                        0.726088410814375,
                        -0.41191567937301,
                        -0.2507980472595931,
                        0.45849458231781803,
                        -0.9294994837013314,
                        -0.05518666640170668,
                        -1.0157615701078306,
                        0.6105565451019844,
                        -0.9383424788082771,
                        1.5164859793143772,
                        -2.193999599061269,
                        0.0,
                        0.22815626839055206,
                        -0.9339939630295635,
                        -1.2372693879551768,
                        0.6523966100034424,
                        -0.8914188949982821,
                        -0.09535014417510526,
                        0.6357229046938597};
  SolveOptions options;
  options.certify = true;
  ComplexSolutionList points;
  const SolveReport report = solveThreeQuadricsComplex(c, c + 10, c + 20, points, options);
  ASSERT_EQ(points.size(), 8u);
  EXPECT_EQ(report.status, SolveStatus::solved);
  for (int i = 0; i < report.points; ++i) EXPECT_FALSE(std::isnan(report.radius[i])) << i;
  EXPECT_LE(residuals(c, c + 10, c + 20, points).maxCoeff(), 1e-14);
}

// Found by mixed garbage through Python: under a tolerance of 1, the real parts of a complex
// pair (y = -1 +- i) were merged as two real points within it, and came back as a near-double
// point. They are an approximate point, which is what the kind says now.
TEST(HardSystems, MergedRealPartsOfAPairAreApproximate) {
  const double c[30] = {2,  1,  0,  0,  0,
                        1,  0,  1,  2,  0,
                        0,  1,  0,  -2, 0,
                        -1, 0,  0,  0,  0,
                        -1, -1, 0,  0,  -9.223372036854776e+18,
                        0,  0,  -1, 0,  0};
  SolveOptions options;
  options.imaginaryTolerance = 1;
  SolutionList points;
  const SolveReport report = solveThreeQuadrics(c, c + 10, c + 20, points, options);
  ASSERT_EQ(points.size(), 1u);
  EXPECT_EQ(report.kind[0], PointKind::approximate);
}

// Found by the fuzz target: two real roots at +-1.5e10 of a system whose scaled variables put
// them at 1.7e19, where no frame tells them from solutions at infinity. Each frame found one,
// the others dropped as at infinity, and each method said solved with a different one. A
// frame that finds a root there and drops another candidate there, and every frame after one
// that found such a root, is not complete: both roots come back, not as solved.
TEST(HardSystems, RootsThatFramesCannotTellFromInfinityAreNotSolved) {
  const double c[30] = {8.931510190141149e-286,
                        -3.829658481341203e+285,
                        2.6140744621889485e+72,
                        1.3911479884787e-309,
                        -1.613801403087547e+265,
                        1.0571436695665312e-202,
                        1.295163e-318,
                        -2.8891107171481693e+268,
                        -2.8891107171501686e+268,
                        2.584020629217298e+272,
                        2.5840481086849707e+272,
                        2.5840481086849707e+272,
                        4.4958080327858415e-305,
                        0.0,
                        0.0,
                        0.0,
                        0.0,
                        0.0,
                        3.241809038188276e+178,
                        -6.0388578360706373e-269,
                        6.581629789819374e+268,
                        4.844085807974511e+301,
                        4.844085808005674e+301,
                        4.844809424821126e+301,
                        7.63918484748e-312,
                        5.685629621684097e+67,
                        2.614074397182331e+72,
                        2.614074186557748e+72,
                        2.614289866131085e+72,
                        0.0};
  for (const Method method : {Method::standard, Method::fast}) {
    SolveOptions options;
    options.method = method;
    SolutionList points;
    const SolveReport report = solveThreeQuadrics(c, c + 10, c + 20, points, options);
    EXPECT_EQ(report.status, SolveStatus::partial) << static_cast<int>(method);
    int negative = 0, positive = 0;
    for (const Solution& p : points) negative += p.x<-1e10, positive += p.x> 1e10;
    EXPECT_EQ(negative, 1) << static_cast<int>(method);
    EXPECT_EQ(positive, 1) << static_cast<int>(method);
  }
}

// Found by mixed garbage through Python: eight solutions clustered around (19.5, 21.6, 0), of
// which the complex call returned two pairs twice each, the same to 1e-15, and said solved,
// while a real root near (-7.4, -1.8, 0) went missing. Each complex point comes back once, and
// the call is not solved.
TEST(HardSystems, AComplexPointReachedTwiceIsReturnedOnce) {
  const double c[30] = {1.843292514013869,
                        -0.1489029880599473,
                        0.3368680949752812,
                        -0.3886000591156965,
                        0.06454021911117021,
                        0.08588481786446014,
                        0.43957130520740156,
                        0.6898304218876836,
                        -0.7957658998399064,
                        1.8002871951598267,
                        -0.9304590648353591,
                        -0.5123639890750246,
                        -0.04388698024755744,
                        -0.6725393195748188,
                        0.10197181715016453,
                        0.4553506934942587,
                        -3e-320,
                        0.37085014292300095,
                        -1.9086824841528243,
                        -2.111118540112335,
                        -0.19562191943722682,
                        0.24477198647659126,
                        -0.16540253869762833,
                        0.04303000760837426,
                        -0.0463370418255457,
                        -0.13873052472994343,
                        0.06254635249243941,
                        0.2948488254307441,
                        -1.2279818227161872,
                        1.00565082768233};
  for (const bool certify : {false, true}) {
    SolveOptions options;
    options.certify = certify;
    ComplexSolutionList points;
    const SolveReport report = solveThreeQuadricsComplex(c, c + 10, c + 20, points, options);
    for (std::size_t i = 0; i < points.size(); ++i)
      for (std::size_t j = 0; j < i; ++j)
        EXPECT_GT(std::abs(points[i].x - points[j].x) + std::abs(points[i].y - points[j].y) +
                      std::abs(points[i].z - points[j].z),
                  1e-9)
            << i << " " << j << " certify " << certify;
    EXPECT_NE(report.status, SolveStatus::solved) << certify;
  }
}

// The system of ASingularRootIsReturnedOnce moved to (1, 2, 3), exact in integers. Its triple
// root came back three times, each 1e-8 off, as verified roots, and the call said solved: the
// first-order step, 1e-11 there, is no forward error beside a Jacobian singular to 1e-15.
// Kantorovich's condition fails at each copy; the calls with options return the root once, as
// a near-double point, and do not say solved.
TEST(HardSystems, ATripleRootAwayFromTheOriginIsReturnedOnce) {
  const double c[30] = {-7, -2, 0,  1, -1, -1, 0, 7,  3,  -1, 5, 2, 0,  -1, 0,
                        -1, 1,  -4, 4, -4, 13, 2, -1, -1, -1, 1, 1, -1, -2, -5};
  for (const Method method : {Method::standard, Method::fast}) {
    SolveOptions options;
    options.method = method;
    SolutionList points;
    const SolveReport report = solveThreeQuadrics(c, c + 10, c + 20, points, options);
    int atRoot = 0;
    for (int i = 0; i < report.points; ++i) {
      const Eigen::Vector3d p(points[i].x, points[i].y, points[i].z);
      if ((p - Eigen::Vector3d(1, 2, 3)).lpNorm<Eigen::Infinity>() > 1e-6) continue;
      ++atRoot;
      EXPECT_LE((p - Eigen::Vector3d(1, 2, 3)).lpNorm<Eigen::Infinity>(), 1e-8);
      EXPECT_EQ(report.kind[i], PointKind::nearDouble);
    }
    EXPECT_EQ(atRoot, 1) << "method " << static_cast<int>(method);
    EXPECT_EQ(report.points, 4);
    EXPECT_NE(report.status, SolveStatus::solved);
  }
}

// Found by the fuzz target: four real roots (+-6.1e62, -+6.1e62, +-3.8e58 or +-7e59) of
// systems whose coefficients span 1e-286 to 1e301. In a change of coordinates two of them lay
// along the lifting plane's directions and were dropped as its points; each method found two
// and said solved. Far out, Newton's method decides instead of the plane. In the second, the
// frame read three of the roots as candidates 1e8 times as far out and the fourth at infinity
// exactly; Newton's method took them to three roots and the fast method said solved. A
// candidate at infinity beside roots far out makes the frame incomplete.
TEST(HardSystems, RootsFarOutAlongALiftingPlaneAreKept) {
  const double systems[2][30] = {
      {8.931510190141149e-286,   -3.829658481341203e+285,  2e-323,
       2.6140744621889485e+72,   4.76826911697e-313,       5.06e-321,
       -9.953999250561861e+293,  2.744092280126074e+88,    8.337006195385447e-215,
       -1.0593053811163146e+235, -1.799504426064795e+286,  1.297657719619731e-298,
       -3.0214268406589733e-218, 3.2074940507040526e+118,  4.8170157800571484e+160,
       -1.3592822162086388e+37,  -1.7156077202367026e+16,  -5.710887418153838e-208,
       6235.995114944136,        -1.1927836490724054e-110, -1.6082847832896152e-60,
       1.7728332292985534e-06,   5.845981979799237e-57,    -1.607721868677281e+160,
       -3.206287432161114e+69,   2.646354243202901e+72,    2.614074186557748e+72,
       4.844569618199516e+301,   4.844085808005659e+301,   0.0},
      {8.931510190141149e-286,   -1.2942997758769027e+288, 2e-323,
       2.6140744621889485e+72,   4.7682885444e-313,        5.06e-321,
       -9.953999250561861e+293,  2.744092280126074e+88,    8.337006195385447e-215,
       -1.0593053811163146e+235, -1.799504426064795e+286,  1.297657719619731e-298,
       -3.0214268406589733e-218, 3.2074940507040526e+118,  4.8170157800571484e+160,
       -1.3592822162086388e+37,  -1.7156077202367026e+16,  -5.710887418153838e-208,
       6235.995114944136,        -1.1927836490724054e-110, -1.6082847832896152e-60,
       1.7728332292985534e-06,   5.845981979799237e-57,    -1.607721868677281e+160,
       -3.206287432161114e+69,   2.646354243202901e+72,    1.7131596589024856e+77,
       4.844569618199516e+301,   4.844085808005659e+301,   5.93e-322}};
  for (const auto& c : systems)
    for (const Method method : {Method::standard, Method::fast}) {
      SolveOptions options;
      options.method = method;
      SolutionList points;
      const SolveReport report = solveThreeQuadrics(c, c + 10, c + 20, points, options);
      const int system = static_cast<int>(&c - systems);
      ASSERT_EQ(points.size(), 4u) << system << " method " << static_cast<int>(method);
      int signs[2][2] = {};
      for (const Solution& p : points) ++signs[p.x > 0][p.z > 0];
      for (const auto& row : signs)
        for (const int n : row) EXPECT_EQ(n, 1) << system << " method " << static_cast<int>(method);
      EXPECT_EQ(report.status, SolveStatus::solved) << system;
    }
}

// Found by the fuzz target: real roots at +-(9.5e13, 5.2e14, 1.75e14) beside coefficients of
// 1e-171 to 1e274. The fast method's change of coordinates read one as a candidate at 5e16,
// which Newton's method took to the negative root, and dropped another at infinity; it said
// solved with one root. No method finds both, and none says solved.
TEST(HardSystems, ACandidateAtInfinityBesideRootsFarOutIsNoSolution) {
  const double c[30] = {-1.6737400591181202,
                        -0.6322368956540337,
                        -1.3125718391267378,
                        -0.35441000185808336,
                        0.030081898019993947,
                        1.07376992364043e-309,
                        2.7758750915527344,
                        -1.351078594947158,
                        -1.5818432785288157,
                        -4.501580029568234,
                        -2.1933571382038766,
                        0.8278724183776965,
                        0.31611844782701687,
                        1.0014128411305855e-05,
                        0.17720500092904168,
                        -0.015039960411084036,
                        -1.4232577205037509,
                        0.675539297473579,
                        0.6022210838396459,
                        2.2250022725890326,
                        -3.80887071109199e+274,
                        -2.0696225471453483e-140,
                        5.471906045075861e+78,
                        4.152696127758016e+245,
                        1.0827215337715505e+19,
                        2.24004508764123e-171,
                        1.35705975752e-312,
                        0.0,
                        0.0,
                        0.0};
  for (const Method method : {Method::standard, Method::fast})
    for (const bool refine : {false, true}) {
      SolveOptions options;
      options.method = method;
      options.refine = refine;
      SolutionList points;
      const SolveReport report = solveThreeQuadrics(c, c + 10, c + 20, points, options);
      EXPECT_EQ(report.status, SolveStatus::partial) << static_cast<int>(method) << refine;
      for (const Solution& p : points)
        EXPECT_NEAR(std::abs(p.y) / 5.228015e14, 1, 1e-6) << static_cast<int>(method) << refine;
    }
}

// Found by the fuzz target: roots at x = -0.996 and y = -0.996 beside others at -0.0041, all
// at 1e24 to 3e26 of the scaled system. The fast method's change of coordinates read them as
// candidates at rounding's distance from infinity; two along a lifting plane reached no root
// and were dropped as the plane's points, and the call said solved with the two at -0.0041.
// Roots that far out are beyond what a frame reads: no call says solved beside them.
TEST(HardSystems, CandidatesFarOutAlongALiftingPlaneThatReachNoRootAreNotSolved) {
  const double c[30] = {8.371160993642713e+298,
                        2.0421693454608858e+301,
                        2.0421693454608858e+301,
                        2.0421693454608858e+301,
                        2.0421693454608858e+301,
                        2.0421693454608858e+301,
                        2.0421693454608858e+301,
                        2.0421693454608858e+301,
                        2.0421693454608858e+301,
                        2.0421693454608858e+301,
                        1.116502223580387e-243,
                        -1.2338789709326767e-178,
                        5.299469827444135e-169,
                        1.43e-322,
                        4.243991582e-314,
                        0.0,
                        0.0,
                        2.0996e-319,
                        0.0,
                        -1.2338942682755704e-178,
                        1.1130708400377115e-308,
                        1.921057840063422e-168,
                        1.9285913724732417e-168,
                        1.9285913724732417e-168,
                        2.9427980869429896e-173,
                        1.5815492533168e-310,
                        8.2641293e-317,
                        0.0,
                        0.0,
                        0.0};
  for (const Method method : {Method::standard, Method::fast})
    for (const bool certify : {false, true}) {
      SolveOptions options;
      options.method = method;
      options.certify = certify;
      SolutionList points;
      const SolveReport report = solveThreeQuadrics(c, c + 10, c + 20, points, options);
      const bool farRoot = std::any_of(points.begin(), points.end(), [](const Solution& p) {
        return std::abs(p.x + 0.99588384298980615) <= 1e-9;
      });
      EXPECT_TRUE(farRoot || report.status != SolveStatus::solved)
          << static_cast<int>(method) << certify;
    }
}

// Found by the fuzz target: x^2 = 3.4e38 from the third equation, two generic quadrics beside
// it, so eight roots at +-2.8e19 (1e17 of the scaled system), pairs of which differ in sign
// alone but for terms below the rounding. Each call found one of each pair and said solved.
// Beyond what any frame's read-out tells from infinity the calls look further (they return
// four real roots) and do not say solved.
TEST(HardSystems, RootsBeyondWhatFramesReadAreNotSolved) {
  const double c[30] = {1.9219702476028482,
                        2.40868088713657e-309,
                        -1.6884765625,
                        -1.1334787489352958,
                        -0.3712676492868457,
                        -0.06488342664437129,
                        -0.7256887958661573,
                        60.88927442961329,
                        43.28770302792828,
                        28.765403647766092,
                        0.21273350529179197,
                        1.6908642064426083,
                        0.1605274591729133,
                        0.9259232764947339,
                        -0.00042827377680575054,
                        0.7235934296452231,
                        2.617723986434135,
                        0.4611654996618868,
                        2.604012569176286,
                        -0.40639761806409547,
                        -6.230472952172199e+243,
                        2.4341871374452556e-132,
                        -1.0634520600987347e-172,
                        -0.0007042189826264936,
                        7.821955843366414e+204,
                        0.0,
                        0.0,
                        0.0,
                        0.0,
                        0.0};
  for (const Method method : {Method::standard, Method::fast})
    for (const bool certify : {false, true}) {
      SolveOptions options;
      options.method = method;
      options.certify = certify;
      SolutionList points;
      const SolveReport report = solveThreeQuadrics(c, c + 10, c + 20, points, options);
      int signs[2] = {};
      for (const Solution& p : points) ++signs[p.x > 0];
      EXPECT_EQ(signs[0], 2) << static_cast<int>(method) << certify;
      EXPECT_EQ(signs[1], 2) << static_cast<int>(method) << certify;
      EXPECT_NE(report.status, SolveStatus::solved) << static_cast<int>(method) << certify;
    }
  ComplexSolutionList all;
  EXPECT_NE(solveThreeQuadricsComplex(c, c + 10, c + 20, all).status, SolveStatus::solved);
  EXPECT_EQ(all.size(), 8u);
}

// Found by the fuzz target: a complex pair of a scaling that lost bits below the normal range,
// checked on the caller's equations, whose terms (5e-315 x^2 at x = 4e-7) underflowed to zero
// in double: the residual passed a pair that solves nothing. The check raises each equation
// by a power of two first; the pair is not returned.
TEST(HardSystems, ComplexPointsAreCheckedWhereSubnormalTermsWouldUnderflow) {
  const double c[30] = {0.0,
                        2.00390625,
                        0.0,
                        0.0,
                        0.0,
                        -2.0,
                        0.0,
                        1.32624737e-315,
                        0.0,
                        2.115783054e-314,
                        3.20506244267395e-310,
                        0.0,
                        0.0,
                        0.0,
                        0.0,
                        0.0,
                        0.0,
                        0.0,
                        7.291122019556398e-304,
                        8.289044e-317,
                        0.0,
                        1e-323,
                        0.0,
                        5.299808824e-315,
                        5.299808824e-315,
                        5.299808824e-315,
                        1.591496843e-314,
                        0.0,
                        0.0,
                        0.0};
  for (const bool certify : {false, true}) {
    SolveOptions options;
    options.certify = certify;
    ComplexSolutionList points;
    const SolveReport report = solveThreeQuadricsComplex(c, c + 10, c + 20, points, options);
    EXPECT_TRUE(points.empty()) << certify;
    EXPECT_NE(report.status, SolveStatus::solved) << certify;
  }
}

// Coordinates of 2e-234 i square to below the double range, even on equations raised to
// coefficients of order one: a complex residual in double cannot judge them.
TEST(HardSystems, ComplexPointsAreCheckedWhereSquaresOfCoordinatesWouldUnderflow) {
  const double c[30] = {0.0,
                        7.0620019923324e-311,
                        6.6131754e-317,
                        0.0,
                        0.0,
                        4.345847412276e-311,
                        0.0,
                        3.481399345e-315,
                        0.0,
                        4.172013484701003e-309,
                        0.0,
                        2.781342323134e-309,
                        4.5767114681873503e-246,
                        5.139208556e-315,
                        5.299808824e-315,
                        0.0,
                        7.291122019556398e-304,
                        3.47328271065196e-310,
                        3.47328271065196e-310,
                        3.47328271065196e-310,
                        0.0,
                        1.04300337117525e-309};
  // Long double keeps the squares of these coordinates in range.
  using Complex = std::complex<long double>;
  const auto residual = [&](const ComplexSolution& p) {
    const Complex x = p.x, y = p.y, z = p.z;
    long double largest = 0;
    for (int e = 0; e < 3; ++e) {
      const auto k = [&](int i) { return static_cast<long double>(c[10 * e + i]); };
      const Complex terms[10] = {Complex(k(0)), k(1) * x * y, k(2) * x * z, k(3) * y * z,
                                 k(4) * x * x,  k(5) * y * y, k(6) * z * z, k(7) * x,
                                 k(8) * y,      k(9) * z};
      Complex value = 0;
      long double size = 0;
      for (const Complex& t : terms) value += t, size += std::abs(t);
      if (size > 0) largest = std::max(largest, std::abs(value) / size);
    }
    return largest;
  };
  for (const bool certify : {false, true}) {
    SolveOptions options;
    options.certify = certify;
    ComplexSolutionList points;
    const SolveReport report = solveThreeQuadricsComplex(c, c + 10, c + 20, points, options);
    // (x y = 0 of the third equation is what the pair of 2e-234 i fails: not solved.)
    EXPECT_NE(report.status, SolveStatus::solved) << certify;
    for (const ComplexSolution& p : points)
      EXPECT_LE(residual(p), 1e-8L) << certify << ": " << p.x << ", " << p.y << ", " << p.z;
  }
}

}  // namespace
}  // namespace quorvane
