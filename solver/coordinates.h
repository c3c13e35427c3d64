// Fixed changes of coordinates for systems the template cannot take as they stand:
// equations without an xy term, solutions sharing z, solutions at infinity.
#pragma once

#include <Eigen/Core>
#include <array>
#include <complex>

#include "equations.h"

namespace quorvane {

/// Homogeneous (x, y, z, 1) ~ homography · (u, v, w, 1), that is
/// (x, y, z) = (R (u, v, w) + t) / (1 + a · (u, v, w)); quadrics stay quadrics. The lifting
/// planes p0 + p1 x + p2 y + p3 z turn equations that are linear into quadrics.
struct CoordinateChange {
  Eigen::Matrix4d homography;
  std::array<Eigen::Vector4d, kEquationCount> liftingPlanes;
};

/// Two changes far from axis-aligned directions, each sending a different plane (about five
/// units from the origin) to infinity, so that what one loses near its plane the other sees.
const std::array<CoordinateChange, 2>& coordinateChanges();

/// The coefficients of the product of two linear forms p0 + p1 x + p2 y + p3 z.
Eigen::Matrix<double, 1, kCoefficientCount> productOfLinearForms(const Eigen::Vector4d& a,
                                                                 const Eigen::Vector4d& b);

/// Which lifting planes liftLinearCombinations multiplied in.
using LiftedPlanes = std::array<bool, kEquationCount>;

/// The same solutions as `equations` (and others on the lifting planes): combinations of the
/// equations whose quadratic terms cancel are multiplied by a lifting plane. The equations
/// themselves when no combination cancels.
Equations liftLinearCombinations(const Equations& equations,
                                 const std::array<Eigen::Vector4d, kEquationCount>& planes,
                                 LiftedPlanes* lifted = nullptr);

/// The equations in the coordinates (u, v, w) of `homography`.
Equations changedCoordinates(const Equations& equations, const Eigen::Matrix4d& homography);

}  // namespace quorvane
