// SPDX-License-Identifier: BSD-3-Clause
// The coefficient order of the calls from quadric matrices and spheres.
#pragma once

#include <Eigen/Core>

namespace quorvane {

/// The ten coefficients of one equation, in the order solveThreeQuadrics reads them:
/// 1, xy, xz, yz, x², y², z², x, y, z. Converts to the Eigen::MatrixXd it takes.
using QuadricCoefficients = Eigen::Matrix<double, 10, 1>;

/// The coefficients of the quadric [x y z 1] Q [x y z 1]ᵀ = 0 given by its 4 x 4 matrix Q
/// (rows and columns in the order x, y, z, 1). Only the symmetric part (Q + Qᵀ) / 2 enters
/// the equation, so the off-diagonal pairs are summed: c[1] (xy) = Q(0,1) + Q(1,0), and so on;
/// the diagonal gives c[4..6] (x², y², z²) and c[0] = Q(3,3).
QuadricCoefficients quadricCoefficients(const Eigen::Matrix4d& quadric);

/// The coefficients of the sphere |(x, y, z) - centre|² - radius² = 0:
/// |centre|² - radius², 0, 0, 0, 1, 1, 1, -2 centre.x, -2 centre.y, -2 centre.z.
/// Three spheres (trilateration from three anchors and ranges) are a system
/// solveThreeQuadrics takes: it returns the two mirror positions, or one when they meet.
QuadricCoefficients sphereCoefficients(const Eigen::Vector3d& centre, double radius);

/// The symmetric 4 x 4 matrix Q of the equation with these coefficients, so that
/// quadricCoefficients(quadricMatrix(c)) == c exactly (halving and doubling are exact).
Eigen::Matrix4d quadricMatrix(const QuadricCoefficients& coefficients);

}  // namespace quorvane
