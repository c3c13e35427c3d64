// SPDX-License-Identifier: BSD-3-Clause
#include "action.h"

#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <limits>
#include <random>

#include "gauss_jordan.h"
#include "systems.h"
#include "template.h"

namespace quorvane {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

Eigen::Matrix<double, 8, 1> basisAt(const Eigen::Vector3d& p) {
  const double x = p.x(), y = p.y(), z = p.z();
  return (Eigen::Matrix<double, 8, 1>() << z * z * z, x * z, y * z, z * z, x, y, z, 1).finished();
}

// An 8 x 8 matrix similar to a block diagonal with the given real eigenvalues and one
// complex pair re ± im·i.
ActionMatrix withEigenvalues(const double (&real)[6], double re, double im, unsigned seed) {
  ActionMatrix blocks = ActionMatrix::Zero();
  for (int i = 0; i < 6; ++i) blocks(i, i) = real[i];
  blocks(6, 6) = blocks(7, 7) = re;
  blocks(6, 7) = -im;
  blocks(7, 6) = im;
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> uniform(-1, 1);
  const ActionMatrix change =
      ActionMatrix::Identity() + 0.3 * ActionMatrix::NullaryExpr([&] { return uniform(rng); });
  return change * blocks * change.inverse();
}

TEST(ActionMatrix, ActsAsMultiplicationByZOnTheBasisAtASolution) {
  std::mt19937_64 rng(8);
  std::uniform_real_distribution<double> uniform(-2, 2);
  int checked = 0;
  for (int trial = 0; trial < 200; ++trial) {
    const Eigen::Vector3d p(uniform(rng), uniform(rng), uniform(rng));
    const testing::System system = testing::randomSystemThrough(p, rng);
    CoefficientMatrix equations = coefficientMatrix(
        stackEquations(system.equations[0], system.equations[1], system.equations[2]));
    PivotColumns pivots;
    gaussJordanReduce(equations, pivots);
    ActionMatrix action;
    ASSERT_TRUE(actionMatrix(eliminationTemplate(equations), action));
    const Eigen::Matrix<double, 8, 1> b = basisAt(p);
    const double scale = action.lpNorm<Eigen::Infinity>() * b.lpNorm<Eigen::Infinity>();
    EXPECT_LT((action * b - p.z() * b).lpNorm<Eigen::Infinity>(), 1e-9 * scale) << trial;
    // The shift rows are exact.
    EXPECT_EQ(action.row(7), ActionMatrix::Identity().row(6));
    ++checked;
  }
  EXPECT_EQ(checked, 200);
}

TEST(ActionMatrix, DeclinesSingularOrNonFiniteTemplate) {
  EliminationTemplate singular = EliminationTemplate::Identity(kTemplateRows, kTemplateColumns);
  singular(12, 12) = 0;
  ActionMatrix action;
  EXPECT_FALSE(actionMatrix(singular, action));

  EliminationTemplate overflowing = EliminationTemplate::Identity(kTemplateRows, kTemplateColumns);
  overflowing(3, 3) = 1e-300;
  overflowing(3, 30) = 1e300;
  EXPECT_FALSE(actionMatrix(overflowing, action));

  EliminationTemplate regular = EliminationTemplate::Identity(kTemplateRows, kTemplateColumns);
  regular(12, 25) = 2;  // z⁴ = -2 z³
  ASSERT_TRUE(actionMatrix(regular, action));
  EXPECT_EQ(action(0, 0), -2);
}

int realCount(const Candidates& candidates) {
  int count = 0;
  for (const Candidate& c : candidates) count += c.real;
  return count;
}

TEST(EigenCandidates, AcceptsEigenvaluesStrictlyWithinTheImaginaryTolerance) {
  const double real[6] = {-3, -1, 0.5, 2, 4, 7};
  const struct {
    double imaginary;
    int expected;
  } cases[] = {{0.0, 8}, {0.99e-4, 8}, {1.01e-4, 6}, {0.5, 6}};
  for (const auto& c : cases) {
    Candidates candidates;
    ASSERT_TRUE(eigenCandidates(withEigenvalues(real, 1.5, c.imaginary, 3), candidates));
    EXPECT_EQ(realCount(candidates), c.expected) << "imaginary part " << c.imaginary;
  }
}

TEST(EigenCandidates, ReadsRatiosOfEigenvectorEntriesAndMarksAZeroDivisor) {
  // Diagonal: the eigenvectors are unit vectors, so only the one for entry 7 (the basis
  // monomial 1) has a nonzero divisor.
  ActionMatrix diagonal = ActionMatrix::Zero();
  for (int i = 0; i < 8; ++i) diagonal(i, i) = i + 1;
  Candidates candidates;
  ASSERT_TRUE(eigenCandidates(diagonal, candidates));
  EXPECT_EQ(realCount(candidates), 8);
  int zeros = 0, nans = 0;
  for (const Candidate& c : candidates) {
    if (c.x == 0.0 && c.y == 0.0 && c.z == 0.0 && !c.zeroDivisor) ++zeros;
    if (std::isnan(c.x.real()) && std::isnan(c.y.imag()) && std::isnan(c.z.real()) && c.zeroDivisor)
      ++nans;
  }
  EXPECT_EQ(zeros, 1);
  EXPECT_EQ(nans, 7);

  // A near-real pair gives two accepted candidates, complex conjugates of each other.
  const double re = 0.25, im = 2e-5;
  ActionMatrix pair = withEigenvalues({-3, -1, 0.5, 2, 4, 7}, re, im, 5);
  ASSERT_TRUE(eigenCandidates(pair, candidates));
  int conjugates = 0;
  for (int i = 0; i + 1 < kBasisSize; ++i)
    conjugates += candidates[i].real && candidates[i].x == std::conj(candidates[i + 1].x);
  EXPECT_EQ(conjugates, 1);
}

TEST(EigenCandidates, FailedDecompositionIsReported) {
  ActionMatrix action = ActionMatrix::Identity();
  action(3, 2) = kNaN;
  Candidates candidates;
  EXPECT_FALSE(eigenCandidates(action, candidates));
}

TEST(DivideComplex, SmithsMethodWithNaNGuards) {
  using C = std::complex<double>;
  const struct {
    C a, b, expected;
  } exact[] = {
      {{1, 2}, {3, 4}, {11.0 / 25, 2.0 / 25}},  // |bi| >= |br| branch
      {{1, 2}, {4, 3}, {10.0 / 25, 5.0 / 25}},  // |bi| < |br| branch
      {{1, 2}, {0, 2}, {1, -0.5}},
      {{3, -6}, {3, 0}, {1, -2}},
      {{5, 0}, {1e-300, 0}, {5e300, 0}},
  };
  for (const auto& c : exact) {
    const C q = divideComplex(c.a, c.b);
    EXPECT_NEAR(q.real(), c.expected.real(), 1e-15 * std::abs(c.expected));
    EXPECT_NEAR(q.imag(), c.expected.imag(), 1e-15 * std::abs(c.expected));
  }
  const C undefined[] = {{0, 0}, {kNaN, 1}, {1, kNaN}, {-0.0, 0.0}};
  for (const C& b : undefined) {
    const C q = divideComplex({1, 1}, b);
    EXPECT_TRUE(std::isnan(q.real()) && std::isnan(q.imag())) << b;
  }
}

}  // namespace
}  // namespace quorvane
