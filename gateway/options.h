// SPDX-License-Identifier: BSD-3-Clause
// The name-value options of the commands that take SolveOptions, read one way for all.
#pragma once

#include <quorvane/solver.h>

#include "call_error.h"
#include "mex_api.h"

namespace quorvane {

/// The option names as the help texts spell them (matched ignoring case).
inline constexpr const char* kOptionNames = "'Method', 'ImagTol', 'Refine' or 'Certify'";

bool isRealDoubleScalar(const mxArray* a);
/// Text in the sense of where a number may stand instead: a MATLAB string is text too, though
/// only char arrays can be read here.
bool isText(const mxArray* a);

/// Name-value pairs from argument `first` on into `options`; later pairs override earlier
/// ones. `before` says what comes before the pairs, for the message of a name without its
/// value.
CallError readOptions(int first, int nrhs, const mxArray* prhs[], const char* before,
                      SolveOptions& options);

}  // namespace quorvane
