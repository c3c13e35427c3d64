// SPDX-License-Identifier: BSD-3-Clause
// The coefficient order against the expanded polynomials: quadric matrices, spheres and back.
#include <gtest/gtest.h>
#include <quorvane/solver.h>

#include <random>

#include "systems.h"

namespace quorvane {
namespace {

using testing::evaluate;

double quadricValue(const Eigen::Matrix4d& q, const Eigen::Vector3d& p) {
  const Eigen::Vector4d h = p.homogeneous();
  return h.dot(q * h);
}

// Each of 200 random matrices (not symmetric: only the symmetric part may count) against its
// coefficients at 20 random points.
TEST(QuadricForm, CoefficientsOfAMatrixGiveItsValueEverywhere) {
  std::mt19937_64 random(15);
  std::uniform_real_distribution<double> uniform(-3, 3);
  for (int k = 0; k < 200; ++k) {
    const Eigen::Matrix4d q = Eigen::Matrix4d::NullaryExpr([&] { return uniform(random); });
    const Eigen::MatrixXd c = quadricCoefficients(q);
    for (int n = 0; n < 20; ++n) {
      const Eigen::Vector3d p = Eigen::Vector3d::NullaryExpr([&] { return uniform(random); });
      EXPECT_NEAR(evaluate(c, p), quadricValue(q, p), 1e-12 * (1 + q.cwiseAbs().sum()));
    }
  }
}

// One table: each coefficient alone, where it lands in Q, and the monomial it multiplies.
TEST(QuadricForm, EachCoefficientLandsOnItsMonomial) {
  const Eigen::Vector3d p(1.5, -2.25, 0.75);
  const double x = p.x(), y = p.y(), z = p.z();
  const double monomials[10] = {1, x * y, x * z, y * z, x * x, y * y, z * z, x, y, z};
  const int rows[10] = {3, 0, 0, 1, 0, 1, 2, 0, 1, 2};
  const int columns[10] = {3, 1, 2, 2, 0, 1, 2, 3, 3, 3};
  for (int i = 0; i < 10; ++i) {
    QuadricCoefficients c = QuadricCoefficients::Zero();
    c(i) = 2;
    const Eigen::Matrix4d q = quadricMatrix(c);
    const double expected = rows[i] == columns[i] ? 2 : 1;
    EXPECT_EQ(q(rows[i], columns[i]), expected) << "coefficient " << i;
    EXPECT_EQ(q(columns[i], rows[i]), expected) << "coefficient " << i;
    EXPECT_EQ(q.cwiseAbs().sum(), 2) << "coefficient " << i << " touches other entries";
    EXPECT_DOUBLE_EQ(quadricValue(q, p), 2 * monomials[i]) << "coefficient " << i;
  }
}

// Coefficients to matrix and back is exact; matrix to coefficients and back gives the
// symmetric part.
TEST(QuadricForm, RoundTripsAreExact) {
  std::mt19937_64 random(16);
  std::normal_distribution<double> normal;
  for (int k = 0; k < 200; ++k) {
    const QuadricCoefficients c = QuadricCoefficients::NullaryExpr([&] { return normal(random); });
    const Eigen::Matrix4d q = quadricMatrix(c);
    EXPECT_EQ(q, q.transpose());
    EXPECT_EQ(quadricCoefficients(q), c);
    const Eigen::Matrix4d general = Eigen::Matrix4d::NullaryExpr([&] { return normal(random); });
    EXPECT_TRUE(quadricMatrix(quadricCoefficients(general))
                    .isApprox(0.5 * (general + general.transpose()), 1e-15));
  }
}

// The sphere's equation is the squared distance to the centre minus the squared radius.
TEST(QuadricForm, SphereCoefficientsGiveSquaredDistanceMinusSquaredRadius) {
  std::mt19937_64 random(17);
  std::uniform_real_distribution<double> uniform(-10, 10);
  for (int k = 0; k < 200; ++k) {
    const Eigen::Vector3d centre = Eigen::Vector3d::NullaryExpr([&] { return uniform(random); });
    const double radius = std::abs(uniform(random));
    const Eigen::MatrixXd c = sphereCoefficients(centre, radius);
    for (int n = 0; n < 20; ++n) {
      const Eigen::Vector3d p = Eigen::Vector3d::NullaryExpr([&] { return uniform(random); });
      EXPECT_NEAR(evaluate(c, p), (p - centre).squaredNorm() - radius * radius, 1e-11);
    }
  }
}

// Three spheres about anchors, with radii the ranges to a point, meet there and in its
// mirror image in the anchors' plane.
TEST(QuadricForm, ThreeSpheresThroughAPointGiveItAndItsMirrorImage) {
  const Eigen::Vector3d anchors[3] = {{0, 0, 0}, {4, 0, 0}, {0, 3, 0}};
  const Eigen::Vector3d receiver(1.25, 0.5, 2);
  SolutionList solutions;
  solveThreeQuadrics(sphereCoefficients(anchors[0], (receiver - anchors[0]).norm()),
                     sphereCoefficients(anchors[1], (receiver - anchors[1]).norm()),
                     sphereCoefficients(anchors[2], (receiver - anchors[2]).norm()), solutions);
  ASSERT_EQ(solutions.size(), 2u);
  for (const Eigen::Vector3d& expected : {receiver, Eigen::Vector3d(1.25, 0.5, -2)}) {
    int found = 0;
    for (const Solution& s : solutions)
      if ((Eigen::Vector3d(s.x, s.y, s.z) - expected).norm() < 1e-9) ++found;
    EXPECT_EQ(found, 1) << expected.transpose();
  }
}

}  // namespace
}  // namespace quorvane
