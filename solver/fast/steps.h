// SPDX-License-Identifier: BSD-3-Clause
// The fast method's steps as its translation units call one another: the scalar driver
// (fast/scalar.cc), the AVX2 kernels (fast/avx2.cc) and the run-time choice between them
// (fast/dispatch.cc). The solver core calls fast/fast_method.h instead.
#pragma once

#include <array>

#include "action.h"
#include "equations.h"
#include "fast/eigenvectors.h"
#include "fast/fast_method.h"

namespace quorvane {

/// The reduced coefficient matrix (columns x², xy, y², xz, yz, z², x, y, z, 1) in plain
/// arrays, for the lane kernels; false where the fast path declines before them.
bool reducedForFastPath(const Equations& equations, double (&reduced)[kEquations][kCoefficients]);

/// The lane kernels on one system (double) and on four (AVX2, only where the CPU has it).
void realRootsOfActionScalar(const double (&reduced)[kEquations][kCoefficients],
                             RealRootsOfAction& roots);
void realRootsOfActionAvx2(const double (&reduced)[kBatchLanes][kEquations][kCoefficients],
                           RealRootsOfAction (&roots)[kBatchLanes]);

/// Whether polishRealCandidates works on a candidate: listed, real, with its entry for 1, every
/// coordinate real (a pair of the structure stage may share a real z). Inline: the read-out,
/// the polish and the proofs ask it of every candidate.
inline bool polishable(const Candidate& c) {
  return c.real && !c.zeroDivisor && c.z.imag() == 0 && c.y.imag() == 0 && c.x.imag() == 0;
}

/// Up to two Newton steps on the equations for each polishable candidate, each kept only if
/// it lowers the candidate's relative residual.
void polishRealCandidates(const Equations& equations, Candidates& candidates);
/// The same on four systems' candidates at once, in AVX2 lanes, where `polish` says.
void polishRealCandidatesAvx2(const std::array<Equations, kBatchLanes>& equations,
                              std::array<Candidates, kBatchLanes>& candidates,
                              const std::array<bool, kBatchLanes>& polish);

/// complexEigenCandidates on four systems at once, in AVX2 lanes, where `read` says; bit for
/// bit what the scalar call gives.
void complexEigenCandidatesAvx2(const RealRootsOfAction (&roots)[kBatchLanes],
                                const ListedEigenvalues (&listed)[kBatchLanes],
                                std::array<Candidates, kBatchLanes>& candidates,
                                const std::array<bool, kBatchLanes>& read);

/// The imaginary part by which a conjugate pair is ordered, the first with it positive: z's, or
/// where z is real (the structure stage's pairs on a line of constant z), y's, then x's.
double orderingImaginaryPart(const Candidate& candidate);

/// Whether the fast path's range checks let a system through: every coefficient finite and
/// zero or at least 2^-200 in magnitude, each equation's largest within [2^-8, 2^8].
bool withinSafeRange(const Equations& equations);

/// Whether proveCandidates tests a candidate as a pair: the first of a pair listed for proofs.
bool provesPair(const Candidate& candidate);
/// proveCandidates on four systems' candidates at once, four points to a register whatever
/// their systems, where `prove` says; bit for bit what the scalar call gives.
void proveCandidatesAvx2(const std::array<Equations, kBatchLanes>& equations,
                         std::array<Candidates, kBatchLanes>& candidates,
                         const std::array<bool, kBatchLanes>& prove);

}  // namespace quorvane
