// SPDX-License-Identifier: BSD-3-Clause
// Checks of the arguments of one call, made before any input data is read.
#pragma once

#include "call_error.h"
#include "mex_api.h"

namespace quorvane {

/// The first rule the call breaks: exactly three inputs, at most one output, and each input a
/// real full double array of at least ten elements. noError() when it breaks none.
CallError checkArguments(int nlhs, int nrhs, const mxArray* prhs[]);

}  // namespace quorvane
