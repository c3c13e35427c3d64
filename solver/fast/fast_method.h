// SPDX-License-Identifier: BSD-3-Clause
// The fast method as the solver core calls it: the template reduced by its block structure,
// and only the real (and near-real) eigenvalues of the action matrix, as roots of its
// characteristic polynomial. One system at a time, or four at once in the lanes of an AVX2
// register where the CPU has them.
#pragma once

#include <array>

#include "action.h"
#include "equations.h"

namespace quorvane {

/// The same contract as templateCandidates (equations of order one in, one candidate per
/// real or near-real eigenvalue out), computed without the 25 x 25 LU and the 8 x 8
/// eigen-solver. The candidates come first, real roots in ascending z, then near-real pairs as
/// the eigen-solver gives them (two candidates, conjugate, both marked real), and pairs a little
/// further off the axis (up to 3e-3) that may stand for two close real roots (conjugate, marked
/// not real: the caller refines them on the equations); the entries after them have `real`
/// false and NaN coordinates, and other non-real eigenvalues are not listed. The
/// real candidates have had up to two Newton steps on the equations, each kept only where it
/// lowered the relative residual; a candidate whose eigenvector lacks its entry for 1 has
/// `zeroDivisor` set and NaN coordinates, as in the standard read-out. False, with `candidates`
/// unspecified, when the standard path must decide instead: a coefficient non-finite, below 2^-200
/// in magnitude but not zero, or an equation's largest outside [2^-8, 2^8]; the reduction's pivots
/// not on x², xy, y²; a zero pivot in the template; an action matrix entry beyond 2^60; a root or a
/// critical value of the characteristic polynomial not clearly above its rounding.
///
/// With `complexToo`, the entries after the listed ones hold the other eigenvalues' candidates
/// as well: complex x, y, z, `real` false, `imaginaryPart` |Im z|, conjugate pairs in adjacent
/// entries (positive imaginary part first), each refined by Newton's steps on the equations to
/// about 1e-12 of max(1, |point|) of a solution. A pair that cannot be computed reliably (its
/// root not pinned down, its eigenvector without an entry for 1, the steps not settling or
/// moving it towards another eigenvalue) stays NaN, after those that could. The listed
/// candidates are bit for bit those of the call without it. The proofs (proveCandidates) then
/// run at them too, unless `prove` is false.
bool fastTemplateCandidates(const Equations& equations, Candidates& candidates,
                            bool complexToo = false, bool prove = true);

/// The structure stage, before the kernels. A system whose quadratic parts have, exactly in
/// the doubles given, rank 0 (three planes) or rank 1 (each a multiple of one, as three
/// spheres' are) is solved by the exact reduction that rank allows: the point where three
/// planes meet, or a line (two combinations of the equations are planes) meeting a quadric,
/// two solutions from one quadratic worked out around their middle. Its candidates follow the
/// contract of fastTemplateCandidates (real ones polished; a pair within 1e-4 of the real
/// space listed as real, within 3e-3 for the equations to decide, else with `complexToo` for
/// proofs only; with `complexToo` the proofs run), its `imaginaryPart` the largest over the
/// coordinates; `mostSolutions` receives how many isolated solutions the system can have (1
/// or 2), which makes the proofs of these few a proof of completeness. False where the stage
/// does not apply (rank two or more, coefficients outside the fast path's range) or cannot
/// vouch for the reduction (normals parallel to rounding, a solution at or near infinity).
bool structuredCandidates(const Equations& equations, Candidates& candidates, int& mostSolutions,
                          bool complexToo = false);

/// Systems per call of fastTemplateCandidates4: the doubles in an AVX2 register.
inline constexpr int kBatchLanes = 4;

/// fastTemplateCandidates on four systems at once: accepted[i] and candidates[i] are bit for
/// bit what the single call gives for equations[i], with or without `complexToo`. Runs in AVX2
/// lanes when the CPU has them (see vectorLanesInUse), else one system after the other; the
/// non-real candidates are read out one system at a time after the lanes.
void fastTemplateCandidates4(const std::array<Equations, kBatchLanes>& equations,
                             std::array<Candidates, kBatchLanes>& candidates,
                             std::array<bool, kBatchLanes>& accepted, bool complexToo = false);

/// Whether fastTemplateCandidates4 runs in AVX2 lanes: the CPU has AVX2, and the scalar path is
/// forced neither by forceScalarLanes(true) (testing.h) nor by the environment variable
/// QUORVANE_FORCE_SCALAR=1 (read at the first batch).
bool vectorLanesInUse();

}  // namespace quorvane
