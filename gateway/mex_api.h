// SPDX-License-Identifier: BSD-3-Clause
// The MEX API, as far as the gateway calls it.
//
// Built by a host's own tools (MATLAB's mex, Octave's mkoctfile), the gateway uses that host's
// mex.h. The MinGW-w64 cross build has no MATLAB headers: it defines QUORVANE_OWN_MEX_API and
// gets the declarations below instead, under the names that MATLAB's libmx.dll and libmex.dll
// export for the 64-bit API (large array dimensions, separate real and imaginary data). The
// import libraries of that build (gateway/windows/libmx.def, libmex.def) list the same names.
#pragma once

#if !defined(QUORVANE_OWN_MEX_API)
#include "mex.h"
#else

#include <cstddef>

extern "C" {

typedef struct mxArray_tag mxArray;
typedef std::size_t mwSize;
typedef std::size_t mwIndex;
typedef enum { mxREAL, mxCOMPLEX } mxComplexity;
typedef bool mxLogical;  // as MATLAB's matrix.h has it for C++

// libmx.dll keeps the plain names for the 32-bit-size calls; the 64-bit ones have this suffix.
#define mxCreateDoubleMatrix mxCreateDoubleMatrix_730
#define mxCreateLogicalMatrix mxCreateLogicalMatrix_730
#define mxGetString mxGetString_730
#define mxCreateStructMatrix mxCreateStructMatrix_730
#define mxSetField mxSetField_730

mxArray* mxCreateDoubleMatrix(mwSize rows, mwSize columns, mxComplexity complexity);
mxArray* mxCreateLogicalMatrix(mwSize rows, mwSize columns);
mxLogical* mxGetLogicals(const mxArray* array);
mxArray* mxCreateStructMatrix(mwSize rows, mwSize columns, int fields, const char** names);
/// Stores `value` (which the struct then owns) in field `name` of element `index`.
void mxSetField(mxArray* array, mwIndex index, const char* name, mxArray* value);
/// A 1 x length char array of a zero-ended text.
mxArray* mxCreateString(const char* text);
double* mxGetPr(const mxArray* array);
bool mxIsDouble(const mxArray* array);
bool mxIsComplex(const mxArray* array);
bool mxIsSparse(const mxArray* array);
bool mxIsChar(const mxArray* array);
bool mxIsLogical(const mxArray* array);
double mxGetScalar(const mxArray* array);
/// The text of a char array, ended by a zero, in `text` of `size` bytes; nonzero when it does
/// not fit (cut to fit) or the array is not char.
int mxGetString(const mxArray* array, char* text, mwSize size);
std::size_t mxGetNumberOfElements(const mxArray* array);
std::size_t mxGetM(const mxArray* array);
const char* mxGetClassName(const mxArray* array);

// libmex.dll. Does not return: the host unwinds the call.
void mexErrMsgIdAndTxt(const char* identifier, const char* format, ...);

// The module's one export, called by the host.
void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

}  // extern "C"

#endif
