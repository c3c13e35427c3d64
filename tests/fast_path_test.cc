// SPDX-License-Identifier: BSD-3-Clause
#include <gtest/gtest.h>

#include <Eigen/Eigenvalues>
#include <algorithm>
#include <complex>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "fast/eigenvectors.h"
#include "fast/fast_method.h"
#include "fast/steps.h"
#include "gauss_jordan.h"
#include "scaling.h"
#include "systems.h"
#include "template.h"
#include "testing.h"
#include "tries.h"

namespace quorvane {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

Equations scaledEquations(const testing::System& system) {
  Equations equations =
      stackEquations(system.equations[0], system.equations[1], system.equations[2]);
  scaleToUnitRange(equations);
  return equations;
}

// 300 generic systems and 300 products of planes, drawn from fixed seeds.
std::vector<testing::System> mixedSystems() {
  std::mt19937_64 rng(13);
  std::vector<testing::System> systems;
  for (int i = 0; i < 300; ++i) systems.push_back(testing::randomGenericSystem(rng));
  for (int i = 0; i < 300; ++i) systems.push_back(testing::randomProductOfPlanes(rng));
  return systems;
}

int listedCount(const Candidates& candidates) {
  int count = 0;
  for (const Candidate& c : candidates) count += c.real;
  return count;
}

TEST(FastTemplate, GivesTheStandardActionMatrixRows) {
  int compared = 0;
  for (const testing::System& system : mixedSystems()) {
    const Equations equations = scaledEquations(system);
    double reduced[kEquations][kCoefficients];
    ASSERT_TRUE(reducedForFastPath(equations, reduced));
    CoefficientMatrix matrix(kEquations, kCoefficients);
    for (int e = 0; e < kEquations; ++e)
      for (int j = 0; j < kCoefficients; ++j) matrix(e, j) = reduced[e][j];
    ActionMatrix standard;
    ASSERT_TRUE(actionMatrix(eliminationTemplate(matrix), standard));
    RealRootsOfAction fast;
    realRootsOfActionScalar(reduced, fast);
    ASSERT_TRUE(fast.ok);
    const double scale = standard.topRows(3).lpNorm<Eigen::Infinity>();
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < kBasisSize; ++j)
        EXPECT_NEAR(fast.actionRows[i][j], standard(i, j), 1e-9 * scale) << compared;
    ++compared;
  }
  EXPECT_EQ(compared, 600);
}

// Rows 0-2 of an action matrix whose characteristic polynomial is
// (λ - r1)(λ - r2) · (λ - r3)(λ - r4) · q(λ), q monic of degree four with coefficients
// q[0..3]: P(λ) is then block triangular.
struct Factored {
  double r1, r2, r3, r4;
  double q[4];
};

void actionRowsOf(const Factored& f, double (&rows)[3][kBasisSize]) {
  for (auto& row : rows)
    for (double& v : row) v = 0;
  // Row 0: z⁴ = -(q0 + q1 z + q2 z² + q3 z³).
  rows[0][7] = -f.q[0], rows[0][6] = -f.q[1], rows[0][3] = -f.q[2], rows[0][0] = -f.q[3];
  // Row 1: xz² = (r1 + r2) xz - r1 r2 x; row 2 likewise in y.
  rows[1][1] = f.r1 + f.r2, rows[1][4] = -f.r1 * f.r2;
  rows[2][2] = f.r3 + f.r4, rows[2][5] = -f.r3 * f.r4;
}

ActionMatrix fullActionMatrix(const double (&rows)[3][kBasisSize]) {
  ActionMatrix action = ActionMatrix::Zero();
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < kBasisSize; ++j) action(i, j) = rows[i][j];
  action(3, 0) = action(4, 1) = action(5, 2) = action(6, 3) = action(7, 6) = 1;
  return action;
}

// q with roots a, b and re ± i·im; an imaginary `im` (given as its negative square in
// `imSquared`) makes them the real pair re ± √-imSquared.
Factored withRoots(double r1, double r2, double r3, double r4, double a, double b, double re,
                   double imSquared) {
  const double s = a + b, p = a * b, t = 2 * re, n = re * re + imSquared;
  // (λ² - sλ + p)(λ² - tλ + n)
  return {r1, r2, r3, r4, {p * n, -(s * n + p * t), p + n + s * t, -(s + t)}};
}
Factored withPair(double r1, double r2, double r3, double r4, double a, double b, double re,
                  double im) {
  return withRoots(r1, r2, r3, r4, a, b, re, im * im);
}

// The real parts of the eigenvalues within the read-out's tolerance of the real axis.
std::vector<double> realEigenvalues(const ActionMatrix& action) {
  const Eigen::EigenSolver<ActionMatrix> eigen(action, false);
  std::vector<double> values;
  for (int i = 0; i < kBasisSize; ++i)
    if (std::abs(eigen.eigenvalues()(i).imag()) < kRealEigenvalueTolerance)
      values.push_back(eigen.eigenvalues()(i).real());
  std::sort(values.begin(), values.end());
  return values;
}

// The polynomial's real roots, and the real parts of the near-real pairs listed.
std::vector<double> foundEigenvalues(const RealRootsOfAction& roots, const Candidates& listed) {
  std::vector<double> values;
  for (int i = 0; i < kPolynomialDegree; ++i)
    if (roots.rootFound[i]) values.push_back(roots.roots[i]);
  for (const Candidate& c : listed)
    if (c.real && !c.zeroDivisor && c.z.imag() != 0) values.push_back(c.z.real());
  std::sort(values.begin(), values.end());
  return values;
}

TEST(RealEigen, AgreesWithTheEigenSolverOnConstructedSpectra) {
  struct Case {
    const char* what;
    Factored roots;
    bool accepted;
    // Where rounding decides between two roots and a pair: the pair listed undecided there,
    // for Newton's method on the equations.
    double undecidedAt = kNaN;
  };
  const Case cases[] = {
      {"eight real", withRoots(-3, -1.5, 0.25, 1, 2, 4.5, 7, -1), true},
      {"six real and a pair far off the axis", withPair(-3, -1.5, 0.25, 1, 2, 4.5, 0.5, 0.8), true},
      {"a pair within the tolerance", withPair(-3, -1.5, 0.25, 1, 2, 4.5, 0.6, 3e-5), true},
      {"a pair just outside it", withPair(-3, -1.5, 0.25, 1, 2, 4.5, 0.6, 3e-3), true},
      {"far and near roots", withPair(-1e3, -1.5, 0.25, 1, 2, 40, -7, 0.3), true},
      // Two solutions sharing z: rounding decides between two roots and a pair.
      {"a double root", withPair(-3, -1.5, 0.25, 1, 1, 4.5, 0.5, 0.8), true, 1},
      {"two roots 1e-13 apart", withPair(-3, -1.5, 0.25, 1, 1 + 1e-13, 4.5, 0.5, 0.8), true, 1},
      // The same beside another root: declined.
      {"a double root beside another", withPair(-3, -1.5, 1 + 1e-6, 1, 1, 4.5, 0.5, 0.8), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    double rows[3][kBasisSize];
    actionRowsOf(c.roots, rows);
    RealRootsOfAction roots;
    realRootsOfActionMatrix(rows, roots);
    Candidates fast;
    ListedEigenvalues listed;
    ASSERT_EQ(realEigenCandidates(roots, fast, &listed), c.accepted);
    if (!c.accepted) continue;
    if (!std::isnan(c.undecidedAt)) {
      // Four real roots, and the pair at the double root off the axis, not real.
      int undecided = 0;
      for (int i = 0; i < listed.count; ++i) {
        if (listed.values[i].imag() == 0) continue;
        ++undecided;
        EXPECT_NEAR(listed.values[i].real(), c.undecidedAt, 1e-6);
        EXPECT_FALSE(fast[i].real);
      }
      EXPECT_EQ(undecided, 2);
      EXPECT_EQ(listed.count, 6);
      continue;
    }
    const ActionMatrix action = fullActionMatrix(rows);
    const std::vector<double> expected = realEigenvalues(action),
                              found = foundEigenvalues(roots, fast);
    ASSERT_EQ(found.size(), expected.size());
    EXPECT_EQ(listedCount(fast), static_cast<int>(expected.size()));
    for (std::size_t i = 0; i < found.size(); ++i)
      EXPECT_NEAR(found[i], expected[i], 1e-9 * std::max(1.0, std::abs(expected[i])));
    // Each listed candidate is an eigenvector: M b = z b with b built from (x, y, z). Those of
    // the x and y chains here have no entry for 1, as in the eigen-solver's read-out.
    for (const Candidate& candidate : fast) {
      if (!candidate.real || candidate.zeroDivisor) {
        EXPECT_TRUE(std::isnan(candidate.z.real()));
        continue;
      }
      const std::complex<double> x = candidate.x, y = candidate.y, z = candidate.z;
      Eigen::Matrix<std::complex<double>, 8, 1> b;
      b << z * z * z, x * z, y * z, z * z, x, y, z, 1.0;
      const double residual = (action.cast<std::complex<double>>() * b - z * b).norm();
      EXPECT_LT(residual, 1e-8 * std::max(1.0, b.norm()) * std::max(1.0, action.norm()));
    }
  }
}

TEST(RealEigen, NearRealPairComesAsTwoConjugateCandidates) {
  double rows[3][kBasisSize];
  actionRowsOf(withPair(-3, -1.5, 0.25, 1, 2, 4.5, 0.6, 3e-5), rows);
  RealRootsOfAction roots;
  realRootsOfActionMatrix(rows, roots);
  Candidates fast;
  ASSERT_TRUE(realEigenCandidates(roots, fast));
  int pairs = 0;
  for (int i = 0; i + 1 < kBasisSize; ++i) {
    if (!fast[i].real || fast[i].zeroDivisor || fast[i].z.imag() == 0) continue;
    EXPECT_EQ(fast[i + 1].z, std::conj(fast[i].z));
    EXPECT_NEAR(std::abs(fast[i].z.imag()), 3e-5, 1e-9);
    EXPECT_NEAR(fast[i].z.real(), 0.6, 1e-9);
    ++pairs, ++i;
  }
  EXPECT_EQ(pairs, 1);
  EXPECT_EQ(listedCount(fast), 8);
}

TEST(FastPath, FindsTheWorkedExamplesEightSolutions) {
  const testing::System example = testing::workedExample();
  Candidates candidates;
  ASSERT_TRUE(fastTemplateCandidates(scaledEquations(example), candidates));
  ASSERT_EQ(listedCount(candidates), 8);
  SolutionList solutions;
  for (const Candidate& c : candidates) solutions.push_back({c.x.real(), c.y.real(), c.z.real()});
  EXPECT_LT(testing::largestRelativeError(solutions, example.solutions), 1e-12);
}

TEST(FastPath, ProductsOfPlanesGiveAllEightKnownSolutions) {
  std::mt19937_64 rng(5);
  int accepted = 0, coarse = 0;
  constexpr int kSystems = 1000;
  for (int n = 0; n < kSystems; ++n) {
    const testing::System system = testing::randomProductOfPlanes(rng);
    const Equations equations =
        stackEquations(system.equations[0], system.equations[1], system.equations[2]);
    Equations scaled = equations;
    const int exponent = scaleToUnitRange(scaled).variableExponent;
    Candidates candidates;
    if (!fastTemplateCandidates(scaled, candidates)) continue;
    ++accepted;
    SolutionList solutions;
    for (const Candidate& c : candidates)
      if (c.real)
        solutions.push_back({std::ldexp(c.x.real(), exponent), std::ldexp(c.y.real(), exponent),
                             std::ldexp(c.z.real(), exponent)});
    EXPECT_EQ(solutions.size(), 8u) << n;
    const double error = testing::largestRelativeError(solutions, system.solutions);
    EXPECT_LT(error, 1e-6) << n;
    coarse += error > 1e-11;
  }
  EXPECT_LT(coarse, kSystems / 100);
  // The guard hands about one in a hundred to the standard path.
  EXPECT_GT(accepted, kSystems * 95 / 100);
}

TEST(FastPath, FindsTheStandardPathsVerifiedRealSolutions) {
  std::mt19937_64 rng(6);
  int accepted = 0;
  constexpr int kSystems = 1000;
  for (int n = 0; n < kSystems; ++n) {
    const Equations equations = scaledEquations(testing::randomGenericSystem(rng));
    Candidates standard, fast;
    ASSERT_TRUE(templateCandidates(equations, standard));
    if (!fastTemplateCandidates(equations, fast)) continue;
    ++accepted;
    // Every standard candidate that solves the system has a fast one beside it, and the fast
    // ones solve it at least as well.
    for (const Candidate& s : standard) {
      if (!s.real || s.zeroDivisor) continue;
      if (!(largestRelativeResidual(equations, s.x.real(), s.y.real(), s.z.real()) <= 1e-10))
        continue;
      double nearest = std::numeric_limits<double>::infinity();
      for (const Candidate& f : fast)
        if (f.real)
          nearest = std::min(nearest, std::abs(f.z.real() - s.z.real()) +
                                          std::abs(f.x.real() - s.x.real()) +
                                          std::abs(f.y.real() - s.y.real()));
      EXPECT_LT(nearest, 1e-6 * std::max(1.0, std::abs(s.z))) << n;
    }
    for (const Candidate& f : fast)
      if (f.real && !f.zeroDivisor && f.z.imag() == 0) {
        EXPECT_LE(largestRelativeResidual(equations, f.x, f.y, f.z), 1e-9) << n;
      }
  }
  EXPECT_GT(accepted, kSystems * 99 / 100);
}

// Solutions sharing z make every eigenvalue double, which the polynomial cannot separate:
// the guard must hand such systems to the standard path. Systems whose reduction misses x²,
// xy, y² (spheres, no xy anywhere) are declined as the standard template declines them.
TEST(FastPath, DeclinesDoubleEigenvaluesAndReductionsOffTheLeadingBlock) {
  struct Family {
    const char* what;
    testing::System (*draw)(std::mt19937_64&);
  };
  const Family families[] = {{"even in x and y", testing::randomEvenSystem},
                             {"three spheres", testing::randomSpheresThrough},
                             {"mixed axis-aligned planes", testing::randomMixedAxisAlignedPlanes}};
  for (const Family& family : families) {
    std::mt19937_64 rng(17);
    for (int n = 0; n < 200; ++n) {
      const Equations equations = scaledEquations(family.draw(rng));
      Candidates fast;
      EXPECT_FALSE(fastTemplateCandidates(equations, fast)) << family.what << " " << n;
    }
  }
}

// Two real roots 1e-5 apart that the characteristic polynomial, off by its rounding and the
// action matrix's, shows as a complex pair a few 1e-4 off the axis: the fast method must find
// both (by refining the pair on the equations, or the standard way) rather than stand with six
// solutions. The first 3,000 systems of this seed hold three such pairs.
TEST(FastPath, FindsEveryCloseRealPairTheStandardPathFinds) {
  std::mt19937_64 rng(20261224);
  int found = 0;
  for (int n = 0; n < 3000; ++n) {
    testing::System system = testing::randomCloseRootPair(1e-5, rng);
    while (!testing::withBestPoints(system)) system = testing::randomCloseRootPair(1e-5, rng);
    const auto solveBy = [&](Method method) {
      SolutionList solutions;
      SolveOptions options;
      options.method = method;
      solveThreeQuadrics(system.equations[0], system.equations[1], system.equations[2], solutions,
                         options);
      return testing::largestRelativeError(solutions, system.solutions) <= 1e-6;
    };
    if (!solveBy(Method::standard)) continue;
    ++found;
    EXPECT_TRUE(solveBy(Method::fast)) << "system " << n;
  }
  EXPECT_GE(found, 2990);
}

TEST(FastPath, DeclinesInputOutsideItsSafeRange) {
  const Equations good = scaledEquations(testing::workedExample());
  Candidates candidates;
  ASSERT_TRUE(fastTemplateCandidates(good, candidates));
  struct Case {
    const char* what;
    int equation, coefficient;
    double value;
  };
  const Case cases[] = {
      {"NaN", 0, 3, kNaN},
      {"infinity", 1, 0, std::numeric_limits<double>::infinity()},
      {"near the top of the range", 2, 4, 1e300},
      {"subnormal", 0, 9, 1e-310},
      {"tiny beside order one", 1, 7, 1e-70},
      {"largest of an equation tiny", 0, -1, 1e-5},
  };
  for (const Case& c : cases) {
    Equations hostile = good;
    if (c.coefficient >= 0)
      hostile(c.equation, c.coefficient) = c.value;
    else
      hostile.row(c.equation) *= c.value;
    EXPECT_FALSE(fastTemplateCandidates(hostile, candidates)) << c.what;
  }
  // Pivots off x², xy, y²: no xy anywhere.
  Equations noMixed = good;
  noMixed.col(1).setZero();
  EXPECT_FALSE(fastTemplateCandidates(noMixed, candidates));
  // The standard path's own scaling brings 1e300 back into range.
  testing::System huge = testing::workedExample();
  for (auto& e : huge.equations) e *= 1e300;
  EXPECT_TRUE(fastTemplateCandidates(scaledEquations(huge), candidates));
}

bool sameBits(const Candidates& a, const Candidates& b) {
  for (int i = 0; i < kBasisSize; ++i) {
    const double av[7] = {a[i].x.real(), a[i].x.imag(), a[i].y.real(),   a[i].y.imag(),
                          a[i].z.real(), a[i].z.imag(), a[i].proofRadius};
    const double bv[7] = {b[i].x.real(), b[i].x.imag(), b[i].y.real(),   b[i].y.imag(),
                          b[i].z.real(), b[i].z.imag(), b[i].proofRadius};
    if (std::memcmp(av, bv, sizeof av) != 0 || a[i].real != b[i].real ||
        a[i].zeroDivisor != b[i].zeroDivisor)
      return false;
  }
  return true;
}

// Systems of every kind the batch may meet, the declined ones among them, in groups of four.
std::vector<Equations> batchSystems() {
  std::vector<Equations> systems;
  for (const testing::System& s : mixedSystems()) systems.push_back(scaledEquations(s));
  std::mt19937_64 rng(21);
  for (int i = 0; i < 20; ++i) systems.push_back(scaledEquations(testing::randomEvenSystem(rng)));
  Equations hostile = scaledEquations(testing::workedExample());
  hostile(1, 2) = kNaN;
  systems.insert(systems.begin() + 5, hostile);
  hostile(1, 2) = 1e-310;
  systems.insert(systems.begin() + 10, hostile);
  while (systems.size() % kBatchLanes != 0) systems.push_back(systems.front());
  return systems;
}

void expectBatchesEqualSingleCalls(bool complexToo = false) {
  const std::vector<Equations> systems = batchSystems();
  int declined = 0, proved = 0;
  for (std::size_t first = 0; first < systems.size(); first += kBatchLanes) {
    std::array<Equations, kBatchLanes> equations;
    for (int lane = 0; lane < kBatchLanes; ++lane) equations[lane] = systems[first + lane];
    std::array<Candidates, kBatchLanes> batch;
    std::array<bool, kBatchLanes> accepted;
    fastTemplateCandidates4(equations, batch, accepted, complexToo);
    for (int lane = 0; lane < kBatchLanes; ++lane) {
      Candidates single;
      const bool singleAccepted = fastTemplateCandidates(equations[lane], single, complexToo);
      ASSERT_EQ(accepted[lane], singleAccepted) << first + lane;
      declined += !singleAccepted;
      if (singleAccepted) {
        EXPECT_TRUE(sameBits(batch[lane], single)) << first + lane;
        for (const Candidate& c : single) proved += std::isfinite(c.proofRadius);
      }
    }
  }
  EXPECT_GE(declined, 2);
  // Pairs proved in lanes shared by several systems, compared above.
  if (complexToo) {
    EXPECT_GT(proved, 2 * kBatchLanes);
  }
}

TEST(FastBatch, EqualsSingleCallsBitForBitInVectorLanes) {
  forceScalarLanes(false);
  if (!vectorLanesInUse()) GTEST_SKIP() << "no AVX2 here (or QUORVANE_FORCE_SCALAR=1)";
  expectBatchesEqualSingleCalls();
}

TEST(FastBatch, EqualsSingleCallsBitForBitOnTheScalarPath) {
  forceScalarLanes(true);
  EXPECT_FALSE(vectorLanesInUse());
  expectBatchesEqualSingleCalls();
  forceScalarLanes(false);
}

// With the non-real candidates, which are read out one system at a time after the lanes and
// proved four to a register.
TEST(FastBatch, EqualsSingleCallsBitForBitWithComplexCandidates) {
  forceScalarLanes(false);
  if (!vectorLanesInUse()) GTEST_SKIP() << "no AVX2 here (or QUORVANE_FORCE_SCALAR=1)";
  expectBatchesEqualSingleCalls(true);
}

TEST(FastBatch, EqualsSingleCallsBitForBitWithComplexCandidatesOnTheScalarPath) {
  forceScalarLanes(true);
  expectBatchesEqualSingleCalls(true);
  forceScalarLanes(false);
}

}  // namespace
}  // namespace quorvane
