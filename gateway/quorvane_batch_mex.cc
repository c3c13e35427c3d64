// SPDX-License-Identifier: BSD-3-Clause
// [S, K, R, P, V, T] = quorvane_batch(C, threads, name, value, ...): the real solutions of
// many systems, their system numbers, radii and kinds, and each system's certified flag and
// status, as a MEX function.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <thread>
#include <type_traits>

#include "argument_checks.h"
#include "call_error.h"
#include "host_interrupt.h"
#include "mex_api.h"
#include "module_state.h"
#include "options.h"

namespace quorvane {
namespace {

constexpr std::size_t kCoefficientsPerSystem = kCoefficientArrays * kCoefficientsPerEquation;

// The last call's solutions, kept from load to unload so that the error frame below holds
// nothing with a destructor; every call overwrites them.
BatchSolutions batchState;

// 30 rows, or 10 rows of which every three columns make a system (10 x 3 x N).
constexpr ArrayRule kBatchShape = {
    [](const mxArray* c) -> bool {
      const std::size_t rows = mxGetM(c), elements = mxGetNumberOfElements(c);
      return !(rows == kCoefficientsPerSystem ||
               (rows == kCoefficientsPerEquation && elements % kCoefficientsPerSystem == 0));
    },
    "quorvane:batchShape",
    "30 x N or 10 x 3 x N, ten coefficients per equation, three equations per system"};

// What the call asks for besides C. Kept in the entry point's frame, where errors are raised,
// so it must hold nothing with a destructor (BatchOptions has a std::function).
struct BatchRequest {
  unsigned threads = std::max(1u, std::thread::hardware_concurrency());
  SolveOptions solve;
  bool reportEach = false;  ///< an output past K asks for every system's report
};
static_assert(std::is_trivially_destructible_v<BatchRequest>);

// S, K, then each point's radius and kind, then each system's certified flag and status.
constexpr int kMostOutputs = 6;
// From this output on, the call needs a report of every system.
constexpr int kFirstReportOutput = 3;

// C, then the thread count unless argument 2 is text, then the options.
CallError checkBatchArguments(int nlhs, int nrhs, const mxArray* prhs[], BatchRequest& request) {
  if (nrhs < 1)
    return callError("quorvane:inputCount",
                     "expected the coefficient array C, optionally the thread count, then "
                     "name-value options (%s); got %d arguments",
                     kOptionNames, nrhs);
  if (nlhs > kMostOutputs)
    return callError("quorvane:outputCount",
                     "expected at most six outputs: the solutions, their system numbers, their "
                     "radii, their kinds, and each system's certified flag and status; %d "
                     "requested",
                     nlhs);
  const mxArray* c = prhs[0];
  if (const ArrayRule* broken = brokenRule(c, kBatchShape)) return arrayRuleError("C", c, *broken);
  int firstOption = 1;
  if (nrhs >= 2 && !isText(prhs[1])) {
    const mxArray* t = prhs[1];
    const double threads = isRealDoubleScalar(t) ? *mxGetPr(t) : 0;
    if (!(threads >= 1) || threads != std::floor(threads) || threads > 4096)
      return callError("quorvane:threads",
                       "the thread count (argument 2) must be a real double whole number from "
                       "1 to 4096");
    request.threads = static_cast<unsigned>(threads);
    firstOption = 2;
  }
  request.reportEach = nlhs >= kFirstReportOutput;
  return readOptions(firstOption, nrhs, prhs, "C and the optional thread count", request.solve);
}

// No exception may leave through the C entry point (see quorvane_mex.cc).
CallError solveIntoState(const double* coefficients, std::size_t count,
                         const BatchRequest& request) noexcept {
  try {
    BatchOptions options;
    options.threads = request.threads;
    options.solve = request.solve;
    options.reportEach = request.reportEach;
    options.interrupted = takeHostInterrupt;
    if (solveBatch(coefficients, count, batchState, options) == BatchStatus::cancelled)
      return callError("quorvane:interrupted",
                       "interrupted (Ctrl-C) after part of the %llu systems; nothing is returned",
                       static_cast<unsigned long long>(count));
    return noError();
  } catch (...) {
    return solverFailure();
  }
}

// The j-th point of a system is described by its report's kind[j] and radius[j]; a system has
// at most eight points, and the bound keeps a faulty count from reading past the report.
bool inReport(std::size_t j) {
  return j < static_cast<std::size_t>(kMostSolutions);
}

void writeOutputs(int nlhs, mxArray* plhs[], std::size_t count) {
  const auto found = static_cast<mwSize>(batchState.solutions.size());
  plhs[0] = mxCreateDoubleMatrix(3, found, mxREAL);
  double* points = mxGetPr(plhs[0]);
  for (const Solution& solution : batchState.solutions) {
    *points++ = solution.x;
    *points++ = solution.y;
    *points++ = solution.z;
  }
  if (nlhs < 2) return;
  plhs[1] = mxCreateDoubleMatrix(1, found, mxREAL);
  double* systems = mxGetPr(plhs[1]);
  for (std::int64_t k : batchState.system) *systems++ = static_cast<double>(k + 1);
  if (nlhs < kFirstReportOutput) return;
  plhs[2] = mxCreateDoubleMatrix(1, found, mxREAL);
  double* const radii = mxGetPr(plhs[2]);
  double* kinds = nullptr;
  if (nlhs >= 4) {
    plhs[3] = mxCreateDoubleMatrix(1, found, mxREAL);
    kinds = mxGetPr(plhs[3]);
  }
  // Rows come system by system; j counts a system's rows, as its report numbers its points.
  std::size_t j = 0;
  for (std::size_t i = 0; i < batchState.system.size(); ++i) {
    if (i > 0 && batchState.system[i] != batchState.system[i - 1]) j = 0;
    const SolveReport& report = batchState.reports[batchState.system[i]];
    radii[i] = inReport(j) ? report.radius[j] : kNotProved;
    if (kinds != nullptr) kinds[i] = inReport(j) ? static_cast<double>(report.kind[j]) : kNotProved;
    ++j;
  }
  if (nlhs < 5) return;
  plhs[4] = mxCreateLogicalMatrix(1, static_cast<mwSize>(count));
  mxLogical* const certified = mxGetLogicals(plhs[4]);
  for (std::size_t k = 0; k < count; ++k) certified[k] = batchState.reports[k].certified;
  if (nlhs < 6) return;
  // The codes of Python's Status: 0 solved, 1 partial, 2 declined, 3 bad input, 4 dependent
  // equations, 5 no real solution.
  plhs[5] = mxCreateDoubleMatrix(1, static_cast<mwSize>(count), mxREAL);
  double* const statuses = mxGetPr(plhs[5]);
  for (std::size_t k = 0; k < count; ++k)
    statuses[k] = static_cast<double>(batchState.reports[k].status);
}

void raise(const CallError& error) {
  mexErrMsgIdAndTxt(error.identifier, "%s", error.message);
}

}  // namespace
}  // namespace quorvane

// Every error is raised from this frame, outside any try block, with only plain data alive.
void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
  quorvane::BatchRequest request;
  const quorvane::CallError rejected = quorvane::checkBatchArguments(nlhs, nrhs, prhs, request);
  if (rejected.identifier != nullptr) return quorvane::raise(rejected);
  const std::size_t count = mxGetNumberOfElements(prhs[0]) / quorvane::kCoefficientsPerSystem;
  const quorvane::CallError failed =
      quorvane::solveIntoState(count ? mxGetPr(prhs[0]) : nullptr, count, request);
  if (failed.identifier != nullptr) return quorvane::raise(failed);
  quorvane::writeOutputs(nlhs, plhs, count);
}
