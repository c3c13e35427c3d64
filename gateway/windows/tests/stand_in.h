// SPDX-License-Identifier: BSD-3-Clause
// What the stand-in host needs of its libmx.dll and libmex.dll besides the MEX API itself:
// making and freeing arrays, watching what the module does with them, and calling a MEX
// function so that an error it raises comes back to the caller.
#pragma once

#include "mex_api.h"

#if defined(QUORVANE_STAND_IN_EXPORTS)
#define QUORVANE_STAND_IN_API __declspec(dllexport)
#else
#define QUORVANE_STAND_IN_API __declspec(dllimport)
#endif

extern "C" {

/// A rows x columns array of class `className` ("double", "single", "int32", "logical",
/// "char", ...) whose elements are zero doubles, reached through mxGetPr whatever the class,
/// and as many false logicals beside them, reached through mxGetLogicals; `complex` and
/// `sparse` only mark it. Freed by standInDestroyArray.
QUORVANE_STAND_IN_API mxArray* standInCreateArray(const char* className, mwSize rows,
                                                  mwSize columns, bool complex, bool sparse);
QUORVANE_STAND_IN_API void standInDestroyArray(mxArray* array);
QUORVANE_STAND_IN_API mwSize standInRows(const mxArray* array);
QUORVANE_STAND_IN_API mwSize standInColumns(const mxArray* array);

/// Field `name` of a 1 x 1 struct array; nullptr when it has none or is no struct.
QUORVANE_STAND_IN_API const mxArray* standInField(const mxArray* array, const char* name);
/// The names of a struct array's fields, comma-separated, in order.
QUORVANE_STAND_IN_API const char* standInFieldNames(const mxArray* array);

/// Arrays made and not yet destroyed, and calls of mxGetPr so far.
QUORVANE_STAND_IN_API long long standInLiveArrays();
QUORVANE_STAND_IN_API long long standInDataReads();

/// What a MEX function passed to mexErrMsgIdAndTxt.
struct StandInError {
  char identifier[128];
  char message[1024];
};

typedef void (*MexFunction)(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

/// Calls `function` as MATLAB calls a MEX function. An error it raises unwinds its frames back
/// to here; the call then returns false with `error` filled in.
QUORVANE_STAND_IN_API bool standInCall(MexFunction function, int nlhs, mxArray* plhs[], int nrhs,
                                       const mxArray* prhs[], StandInError* error);

}  // extern "C"
