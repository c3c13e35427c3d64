// SPDX-License-Identifier: BSD-3-Clause
// The host's own cost of a MEX call: takes the three inputs' data and returns a 3 x 0
// matrix, as quorvane does for a system without real solutions, but solves nothing.
#include "mex.h"

void mexFunction(int /*nlhs*/, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  for (int i = 0; i < nrhs && i < 3; ++i) (void)mxGetPr(prhs[i]);
  plhs[0] = mxCreateDoubleMatrix(3, 0, mxREAL);
}
