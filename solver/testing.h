// SPDX-License-Identifier: BSD-3-Clause
// Hooks into the solver's steps for the tests and benchmarks only: the library's own code
// calls none of them, and they are not part of the public interface.
#pragma once

#include "fast/eigenvectors.h"
#include "template.h"

namespace quorvane {

// ---- The fast path (fast/) ----

/// Forces the scalar path for the batches (true) or returns to the choice by CPU and
/// environment (false); see vectorLanesInUse.
void forceScalarLanes(bool force);

/// The characteristic polynomial's real roots for given rows 0-2 of an action matrix.
void realRootsOfActionMatrix(const double (&actionRows)[3][kBasisSize], RealRootsOfAction& roots);

}  // namespace quorvane
