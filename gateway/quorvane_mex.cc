// SPDX-License-Identifier: BSD-3-Clause
// [S, info] = quorvane(c1, c2, c3, name, value, ...): the real solutions of three quadratic
// equations, and what became of the call, as a MEX function.
#include <algorithm>
#include <iterator>
#include <type_traits>

#include "argument_checks.h"
#include "call_error.h"
#include "mex_api.h"
#include "module_state.h"
#include "options.h"

namespace quorvane {
namespace {

// The solutions, then the struct that describes the call.
constexpr int kMostOutputs = 2;

// What the call asks for besides the three arrays: the three-argument solve with one output,
// else the call with options and its report. Kept in the entry point's frame, where errors are
// raised, so it holds nothing with a destructor.
struct Request {
  bool withOptions = false;
  SolveOptions solve;
  SolveReport report;
};
static_assert(std::is_trivially_destructible_v<Request>);

// Three arrays, then name-value options. The command keeps the three-argument call's
// method unless asked otherwise, so that an option or a second output changes no more than it
// must.
CallError checkRequest(int nlhs, int nrhs, const mxArray* prhs[], Request& request) {
  const CallError rejected = checkArguments(nlhs, nrhs, prhs);
  if (rejected.identifier != nullptr) return rejected;
  request.withOptions = nrhs > kCoefficientArrays || nlhs == kMostOutputs;
  request.solve.method = Method::standard;
  return readOptions(kCoefficientArrays, nrhs, prhs, "the three coefficient arrays", request.solve);
}

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
CallError solveIntoState(Request& request) noexcept {
  try {
    moduleState.solutions.clear();
    if (request.withOptions)
      request.report =
          solveThreeQuadrics(moduleState.firstCoefficients, moduleState.secondCoefficients,
                             moduleState.thirdCoefficients, moduleState.solutions, request.solve);
    else
      solveThreeQuadrics(moduleState.firstCoefficients, moduleState.secondCoefficients,
                         moduleState.thirdCoefficients, moduleState.solutions);
    return noError();
  } catch (...) {
    return solverFailure();
  }
}

// Indexed by SolveStatus and SolvePath: the names Python's SolveInfo gives them.
constexpr const char* kStatusNames[] = {
    "solved", "partial", "declined", "bad_input", "dependent_equations", "no_real_solution"};
constexpr const char* kPathNames[] = {"", "as_given", "centred", "first_change", "second_change"};

// The info struct's fields, in this order (not const: the host's call takes char**).
const char* kInfoFields[] = {"status", "kind", "radius", "certified", "path", "argument"};
constexpr int kInfoFieldCount = static_cast<int>(std::size(kInfoFields));

mxArray* rowOf(const double* values, int count) {
  mxArray* row = mxCreateDoubleMatrix(1, static_cast<mwSize>(count), mxREAL);
  std::copy_n(values, count, mxGetPr(row));
  return row;
}

mxArray* infoOf(const SolveReport& report) {
  mxArray* info = mxCreateStructMatrix(1, 1, kInfoFieldCount, kInfoFields);
  const int points = std::clamp(report.points, 0, kMostSolutions);
  double kinds[kMostSolutions];
  for (int i = 0; i < points; ++i) kinds[i] = static_cast<double>(report.kind[i]);
  mxSetField(info, 0, "status", mxCreateString(kStatusNames[static_cast<int>(report.status)]));
  mxSetField(info, 0, "kind", rowOf(kinds, points));
  mxSetField(info, 0, "radius", rowOf(report.radius.data(), points));
  mxArray* certified = mxCreateLogicalMatrix(1, 1);
  *mxGetLogicals(certified) = report.certified;
  mxSetField(info, 0, "certified", certified);
  mxSetField(info, 0, "path", mxCreateString(kPathNames[static_cast<int>(report.path)]));
  // Arguments count from 1 here; 0 where none was rejected.
  const double argument = report.status == SolveStatus::badInput ? report.argument + 1 : 0;
  mxSetField(info, 0, "argument", rowOf(&argument, 1));
  return info;
}

void writeOutputs(int nlhs, mxArray* plhs[], const Request& request) {
  const SolutionList& solutions = moduleState.solutions;
  plhs[0] = mxCreateDoubleMatrix(3, static_cast<mwSize>(solutions.size()), mxREAL);
  double* output = moduleState.outputData = mxGetPr(plhs[0]);
  for (const Solution& solution : solutions) {
    *output++ = solution.x;
    *output++ = solution.y;
    *output++ = solution.z;
  }
  if (nlhs == kMostOutputs) plhs[1] = infoOf(request.report);
}

void raise(const CallError& error) {
  mexErrMsgIdAndTxt(error.identifier, "%s", error.message);
}

}  // namespace
}  // namespace quorvane

// Every error is raised from this frame, outside any try block, with only plain data alive.
void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  quorvane::Request request;
  const quorvane::CallError rejected = quorvane::checkRequest(nlhs, nrhs, prhs, request);
  if (rejected.identifier != nullptr) return quorvane::raise(rejected);
  quorvane::readInputs(prhs);
  const quorvane::CallError failed = quorvane::solveIntoState(request);
  if (failed.identifier != nullptr) return quorvane::raise(failed);
  quorvane::writeOutputs(nlhs, plhs, request);
}
