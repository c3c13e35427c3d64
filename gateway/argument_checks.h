// SPDX-License-Identifier: BSD-3-Clause
// Checks of the arguments of one call, made before any input data is read.
#pragma once

#include "call_error.h"
#include "mex_api.h"

namespace quorvane {

/// A rule an input array must keep, the identifier of the error when it does not, and what the
/// message says was expected.
struct ArrayRule {
  bool (*broken)(const mxArray* input);
  const char* identifier;
  const char* expectation;
};

/// The first rule `input` breaks: those of a real full double array (not double, sparse,
/// complex, in that order), then `ownRule`, which may assume that the array's data can be read
/// through mxGetPr. nullptr when it keeps them all.
const ArrayRule* brokenRule(const mxArray* input, const ArrayRule& ownRule);

/// The error for an array `name` (as the message calls it) that breaks `rule`: its class and
/// rows and elements, and what was expected.
CallError arrayRuleError(const char* name, const mxArray* input, const ArrayRule& rule);
/// The first rule the call of quorvane breaks: at least three inputs, at most two outputs, and
/// each of the first three inputs a real full double array of at least ten elements (what
/// follows them is for readOptions). noError() when it breaks none.
CallError checkArguments(int nlhs, int nrhs, const mxArray* prhs[]);

}  // namespace quorvane
