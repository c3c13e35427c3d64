// SPDX-License-Identifier: BSD-3-Clause
// Where two conics of the projective plane meet: the kernel of the structure stage's systems
// that reduce to two quadratic equations in two unknowns (a plane and two quadrics; systems
// without linear terms, whose solutions lie on the lines through the origin that two cones
// share).
#pragma once

#include <Eigen/Core>
#include <array>

namespace quorvane {

/// A conic x^T M x = 0 of the projective plane, M symmetric.
using Conic = Eigen::Matrix3d;
using ProjectivePoints = std::array<Eigen::Vector3cd, 4>;

/// The four points, counted with multiplicity, where conics `a` and `b` meet, each scaled so that
/// its largest coordinate is 1: a member of their pencil that is a pair of lines, split, and
/// each line met with the conic of the two that differs from that member more. Real points come
/// out real, conjugate points as conjugates up to rounding. False where the points cannot be
/// told reliably: a common component (every member degenerate), no member clearly a pair of
/// distinct lines, or a point that does not lie on both conics to 1e-8 of their size.
bool conicIntersections(const Conic& a, const Conic& b, ProjectivePoints& points);

}  // namespace quorvane
