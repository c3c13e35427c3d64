// SPDX-License-Identifier: BSD-3-Clause
// An independent check of the solver's proofs, in Arb's ball arithmetic: it shares no code
// with the library and takes nothing from it but the claimed boxes.
//
// A claim is a centre and a radius r: the polydisc |x - cx| <= r, |y - cy| <= r, |z - cz| <= r
// (complex modulus) is to hold exactly one solution of the three equations, whose coefficients
// are the doubles as given (input order 1, xy, xz, yz, x², y², z², x, y, z). For a real centre
// the same test also proves that root real: its conjugate lies in the same polydisc, and there
// is only one root there.
#pragma once

#include <quorvane/types.h>

#include <array>
#include <complex>
#include <vector>

namespace quorvane::testing {

using RefereeEquations = std::array<std::array<double, 10>, 3>;
using RefereePoint = std::array<std::complex<double>, 3>;

struct RefereeBox {
  RefereePoint centre;
  double radius;
};

/// The Krawczyk test on the polydisc X of `radius` around `centre`, with Y an approximate
/// inverse of the Jacobian at the centre: K(X) = c - Y f(c) + (I - Y J(X))(X - c) is
/// enclosed rigorously and must lie strictly inside X. Then the map x - Y f(x) takes X into
/// itself and contracts it, so X holds exactly one solution, and a simple one. False for
/// anything not proved, a non-finite or non-positive radius and non-finite input included.
bool refereeProvesUniqueRoot(const RefereeEquations& equations, const RefereePoint& centre,
                             double radius);

/// The two closed polydiscs share no point, shown by one coordinate in which the centres lie
/// farther apart than the sum of the radii.
bool refereeProvesDisjoint(const RefereeBox& a, const RefereeBox& b);

/// Every two of the boxes disjoint.
bool refereeProvesPairwiseDisjoint(const std::vector<RefereeBox>& boxes);

/// Whether the one root in a proved box is real.
enum class RootReality {
  real,     ///< a real centre: the root's conjugate is in the box too, so it is the root
  nonReal,  ///< some coordinate's imaginary part exceeds the radius: the box misses every
            ///< real point
  unknown,  ///< neither shown
};
RootReality refereeRealityOf(const RefereeBox& box);

/// Every solution is in the boxes: eight of them, each proved to hold exactly one solution
/// and pairwise disjoint, account for the eight that three quadrics with finitely many
/// common points can have at most (Bézout); with a curve of solutions there could not be
/// eight simple isolated ones as well.
bool refereeProvesComplete(const RefereeEquations& equations, const std::vector<RefereeBox>& boxes);

/// How many isolated solutions the equations can have, from the rank of their quadratic parts
/// (the 3 x 6 block of xy, xz, yz, x², y², z²) computed exactly: rank 0 leaves three planes,
/// at most one point; rank 1 two combinations that are planes and a quadric, a line meeting a
/// quadric in at most two; any other rank Bézout's eight.
int refereeMostSolutions(const RefereeEquations& equations);

/// For boxes already proved complete: the real points are exactly the real roots, one point
/// in each box whose root is real and none left over. False when a box's reality is not shown.
bool refereeMatchesRealRoots(const std::vector<RefereeBox>& complete, const SolutionList& points);

}  // namespace quorvane::testing
