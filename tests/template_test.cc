// SPDX-License-Identifier: BSD-3-Clause
#include "template.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "gauss_jordan.h"
#include "systems.h"

namespace quorvane {
namespace {

using testing::System;

double power(double base, int exponent) {
  double result = 1;
  for (int i = 0; i < exponent; ++i) result *= base;
  return result;
}

double monomialAt(const Monomial& m, const Eigen::Vector3d& p) {
  return power(p.x(), m.x) * power(p.y(), m.y) * power(p.z(), m.z);
}

Eigen::VectorXd templateMonomialsAt(const Eigen::Vector3d& p) {
  Eigen::VectorXd values(kTemplateColumns);
  for (int k = 0; k < kTemplateColumns; ++k) values(k) = monomialAt(kTemplateMonomials[k], p);
  return values;
}

CoefficientMatrix reducedEquations(const System& system) {
  CoefficientMatrix equations = coefficientMatrix(
      stackEquations(system.equations[0], system.equations[1], system.equations[2]));
  PivotColumns pivots;
  gaussJordanReduce(equations, pivots);
  return equations;
}

TEST(CoefficientMatrix, PlacesInputCoefficientsInTemplateOrder) {
  // Coefficient i of equation e is 10·e + i, so every entry names its source.
  std::array<Eigen::MatrixXd, 3> inputs;
  for (int e = 0; e < 3; ++e)
    inputs[e] = Eigen::MatrixXd::NullaryExpr(10, 1, [e](Eigen::Index i) { return 10.0 * e + i; });
  const CoefficientMatrix k = coefficientMatrix(stackEquations(inputs[0], inputs[1], inputs[2]));
  ASSERT_EQ(k.rows(), 3);
  ASSERT_EQ(k.cols(), 10);
  EXPECT_EQ(k(0, 0), 4);  // x²
  EXPECT_EQ(k(0, 9), 0);  // 1
  EXPECT_EQ(k(0, 8), 9);  // z
  const double expectedRow[10] = {4, 1, 5, 2, 3, 6, 7, 8, 9, 0};
  for (int e = 0; e < 3; ++e)
    for (int j = 0; j < 10; ++j) EXPECT_EQ(k(e, j), 10.0 * e + expectedRow[j]);

  // Shape does not matter, only storage order; entries past the tenth are ignored.
  Eigen::MatrixXd row = inputs[0].transpose();
  Eigen::MatrixXd longer(4, 3);
  longer.setConstant(99);
  longer.reshaped().head(10) = inputs[0];
  EXPECT_EQ(coefficientMatrix(stackEquations(row, longer, inputs[0])).row(1), k.row(0));
}

TEST(EliminationTemplate, EveryRowIsAnEquationTimesOneMonomial) {
  // Each row copies equation e's leading column and its seven shared columns; all eight
  // targets must be those monomials times one and the same multiplier.
  CoefficientMatrix marker(3, 10);
  for (int e = 0; e < 3; ++e)
    for (int j = 0; j < 10; ++j) marker(e, j) = 1 + 10 * e + j;
  const EliminationTemplate t = eliminationTemplate(marker);
  for (int r = 0; r < kTemplateRows; ++r) {
    int entries = 0, equation = -1;
    Monomial multiplier{-1, -1, -1};
    for (int k = 0; k < kTemplateColumns; ++k) {
      if (t(r, k) == 0) continue;
      ++entries;
      const int code = static_cast<int>(t(r, k)) - 1;
      const int e = code / 10, j = code % 10;
      if (equation < 0) equation = e;
      EXPECT_EQ(e, equation) << "row " << r;
      EXPECT_TRUE(j == e || j >= 3) << "row " << r << " copies another leading column";
      const Monomial& source = kCoefficientMonomials[j];
      const Monomial& target = kTemplateMonomials[k];
      const Monomial m{target.x - source.x, target.y - source.y, target.z - source.z};
      if (multiplier.x < 0) multiplier = m;
      EXPECT_TRUE(m.x == multiplier.x && m.y == multiplier.y && m.z == multiplier.z)
          << "row " << r << " column " << k;
    }
    EXPECT_EQ(entries, 8) << "row " << r;
  }
}

TEST(EliminationTemplate, VanishesOnMonomialsOfAPointOfTheSystem) {
  std::mt19937_64 rng(20261208);
  std::uniform_real_distribution<double> uniform(-2, 2);
  for (int trial = 0; trial < 200; ++trial) {
    const Eigen::Vector3d p(uniform(rng), uniform(rng), uniform(rng));
    const System system = testing::randomSystemThrough(p, rng);
    const CoefficientMatrix reduced = reducedEquations(system);
    ASSERT_EQ(reduced.rows(), 3);
    const Eigen::VectorXd m = templateMonomialsAt(p);
    const Eigen::VectorXd values = eliminationTemplate(reduced) * m;
    EXPECT_LT(values.lpNorm<Eigen::Infinity>(), 1e-9 * std::max(1.0, m.lpNorm<Eigen::Infinity>()))
        << "trial " << trial;
  }
}

TEST(EliminationTemplate, UnnamedEntriesStayZeroEvenWithNaNInput) {
  const CoefficientMatrix nans =
      CoefficientMatrix::Constant(3, 10, std::numeric_limits<double>::quiet_NaN());
  const EliminationTemplate t = eliminationTemplate(nans);
  int nanEntries = 0;
  for (int r = 0; r < kTemplateRows; ++r)
    for (int k = 0; k < kTemplateColumns; ++k) {
      if (std::isnan(t(r, k)))
        ++nanEntries;
      else
        EXPECT_EQ(t(r, k), 0.0);
    }
  EXPECT_EQ(nanEntries, kTemplateRows * kEntriesPerTemplateRow);
}

TEST(EliminationTemplate, FillTemplateRowCopiesByTable) {
  EliminationTemplate t = EliminationTemplate::Zero(kTemplateRows, kTemplateColumns);
  CoefficientMatrix k = CoefficientMatrix::Zero(3, 10);
  k.row(2) << 1, 2, 3, 4, 5, 6, 7, 8, 9, 10;
  const std::int32_t targets[3] = {32, 0, 7};
  const std::int32_t sources[3] = {9, 0, 4};
  fillTemplateRow(t, k, 5, 2, targets, sources, 3);
  EXPECT_EQ(t(5, 32), 10);
  EXPECT_EQ(t(5, 0), 1);
  EXPECT_EQ(t(5, 7), 5);
  EXPECT_EQ(t.cwiseAbs().sum(), 16);
}

}  // namespace
}  // namespace quorvane
