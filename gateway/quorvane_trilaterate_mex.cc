// SPDX-License-Identifier: BSD-3-Clause
// [P, K, R] = quorvane_trilaterate(A, r, tol): the receiver's positions from anchors and
// ranges, their kinds and residuals, as a MEX function.
#include <cmath>
#include <cstddef>
#include <limits>

#include "argument_checks.h"
#include "call_error.h"
#include "mex_api.h"
#include "options.h"
#include "quorvane/solver.h"

namespace quorvane {
namespace {

// One anchor a column, as the solutions come out of quorvane.
constexpr ArrayRule kAnchorShape = {
    [](const mxArray* a) -> bool { return mxGetM(a) != 3 || mxGetNumberOfElements(a) < 9; },
    "quorvane:anchors", "3 x N with N >= 3, one anchor (x; y; z) a column"};

CallError checkTrilaterationArguments(int nlhs, int nrhs, const mxArray* prhs[],
                                      TrilaterationOptions& options) {
  if (nrhs < 2 || nrhs > 3)
    return callError("quorvane:inputCount",
                     "expected the anchors A, the ranges r and optionally the range tolerance; "
                     "got %d arguments",
                     nrhs);
  if (nlhs > 3)
    return callError("quorvane:outputCount",
                     "expected at most three outputs: the positions, their kinds and their "
                     "residuals; %d requested",
                     nlhs);
  const mxArray* a = prhs[0];
  if (const ArrayRule* broken = brokenRule(a, kAnchorShape)) return arrayRuleError("A", a, *broken);
  const std::size_t anchors = mxGetNumberOfElements(a) / 3;
  const mxArray* r = prhs[1];
  if (!mxIsDouble(r) || mxIsSparse(r) || mxIsComplex(r) || mxGetNumberOfElements(r) != anchors)
    return callError("quorvane:ranges",
                     "r is %s with %llu elements; expected a real full double vector of one "
                     "range per anchor (%llu)",
                     mxGetClassName(r), static_cast<unsigned long long>(mxGetNumberOfElements(r)),
                     static_cast<unsigned long long>(anchors));
  if (nrhs == 3) {
    const mxArray* t = prhs[2];
    const double tolerance = isRealDoubleScalar(t) ? *mxGetPr(t) : -1;
    if (!(tolerance >= 0 && tolerance <= std::numeric_limits<double>::max()))
      return callError("quorvane:rangeTol",
                       "the range tolerance (argument 3) must be a real finite nonnegative "
                       "double scalar");
    options.rangeTolerance = tolerance;
  }
  return noError();
}

// No exception may leave through the C entry point (see quorvane_mex.cc).
CallError trilaterateInto(const mxArray* prhs[], const TrilaterationOptions& options,
                          Trilateration& result) noexcept {
  try {
    result = trilaterate(mxGetPr(prhs[0]), mxGetPr(prhs[1]),
                         static_cast<int>(mxGetNumberOfElements(prhs[1])), options);
    if (result.status == SolveStatus::badInput)
      return callError(result.argument == 0 ? "quorvane:anchors" : "quorvane:ranges",
                       result.argument == 0
                           ? "A holds a value that is NaN or infinite; expected finite anchors"
                           : "r holds a range that is NaN, infinite or negative; expected "
                             "finite ranges of zero or more");
    return noError();
  } catch (...) {
    return solverFailure();
  }
}

void writeOutputs(int nlhs, mxArray* plhs[], const Trilateration& result) {
  const auto found = static_cast<mwSize>(result.positions);
  plhs[0] = mxCreateDoubleMatrix(3, found, mxREAL);
  double* p = mxGetPr(plhs[0]);
  for (int i = 0; i < result.positions; ++i)
    for (int k = 0; k < 3; ++k) *p++ = result.position[i](k);
  if (nlhs >= 2) {
    plhs[1] = mxCreateDoubleMatrix(1, found, mxREAL);
    for (int i = 0; i < result.positions; ++i)
      mxGetPr(plhs[1])[i] = static_cast<double>(result.kind[i]);
  }
  if (nlhs >= 3) {
    plhs[2] = mxCreateDoubleMatrix(1, found, mxREAL);
    for (int i = 0; i < result.positions; ++i) mxGetPr(plhs[2])[i] = result.residual[i];
  }
}

}  // namespace
}  // namespace quorvane

// Every error is raised from this frame, outside any try block, with only plain data alive.
void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  quorvane::TrilaterationOptions options;
  const quorvane::CallError rejected =
      quorvane::checkTrilaterationArguments(nlhs, nrhs, prhs, options);
  if (rejected.identifier != nullptr)
    return mexErrMsgIdAndTxt(rejected.identifier, "%s", rejected.message);
  static quorvane::Trilateration result;
  const quorvane::CallError failed = quorvane::trilaterateInto(prhs, options, result);
  if (failed.identifier != nullptr)
    return mexErrMsgIdAndTxt(failed.identifier, "%s", failed.message);
  quorvane::writeOutputs(nlhs, plhs, result);
}
