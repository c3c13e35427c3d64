// SPDX-License-Identifier: BSD-3-Clause
// quorvane(c1, c2, c3): the real solutions of three quadratic equations, as a MEX function.
#include <algorithm>

#include "argument_checks.h"
#include "call_error.h"
#include "mex_api.h"
#include "module_state.h"

namespace quorvane {
namespace {

void readInputs(const mxArray* prhs[]) {
  Eigen::MatrixXd* coefficients[kCoefficientArrays] = {&moduleState.firstCoefficients,
                                                       &moduleState.secondCoefficients,
                                                       &moduleState.thirdCoefficients};
  for (int e = 0; e < kCoefficientArrays; ++e) moduleState.inputData[e] = mxGetPr(prhs[e]);
  for (int e = 0; e < kCoefficientArrays; ++e)
    std::copy_n(moduleState.inputData[e], kCoefficientsPerEquation, coefficients[e]->data());
}

// No exception may leave through the C entry point: an uncaught one aborts Octave (and a
// MATLAB on another C++ runtime). Only the solver runs in here, never a host call, so the
// catch-alls cannot swallow the host's own errors.
CallError solveIntoState() noexcept {
  try {
    moduleState.solutions.clear();
    solveThreeQuadrics(moduleState.firstCoefficients, moduleState.secondCoefficients,
                       moduleState.thirdCoefficients, moduleState.solutions);
    return noError();
  } catch (...) {
    return solverFailure();
  }
}

void writeOutput(mxArray* plhs[]) {
  const SolutionList& solutions = moduleState.solutions;
  plhs[0] = mxCreateDoubleMatrix(3, static_cast<mwSize>(solutions.size()), mxREAL);
  double* output = moduleState.outputData = mxGetPr(plhs[0]);
  for (const Solution& solution : solutions) {
    *output++ = solution.x;
    *output++ = solution.y;
    *output++ = solution.z;
  }
}

void raise(const CallError& error) {
  mexErrMsgIdAndTxt(error.identifier, "%s", error.message);
}

}  // namespace
}  // namespace quorvane

// Every error is raised from this frame, outside any try block, with only plain data alive.
void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  const quorvane::CallError rejected = quorvane::checkArguments(nlhs, nrhs, prhs);
  if (rejected.identifier != nullptr) return quorvane::raise(rejected);
  quorvane::readInputs(prhs);
  const quorvane::CallError failed = quorvane::solveIntoState();
  if (failed.identifier != nullptr) return quorvane::raise(failed);
  quorvane::writeOutput(plhs);
}
