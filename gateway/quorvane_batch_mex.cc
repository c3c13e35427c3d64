// SPDX-License-Identifier: BSD-3-Clause
// [S, K] = quorvane_batch(C, threads): the real solutions of many systems, as a MEX function.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <new>
#include <stdexcept>
#include <thread>

#include "call_error.h"
#include "mex_api.h"
#include "module_state.h"

namespace quorvane {
namespace {

constexpr std::size_t kCoefficientsPerSystem = kCoefficientArrays * kCoefficientsPerEquation;

// The last call's solutions, kept from load to unload so that the error frame below holds
// nothing with a destructor; every call overwrites them.
BatchSolutions batchState;

struct ArrayRule {
  bool (*broken)(const mxArray* input);
  const char* identifier;
  const char* expectation;
};

// In this order, so that each rule may assume the ones before it hold.
constexpr ArrayRule kCoefficientRules[] = {
    {[](const mxArray* c) -> bool { return !mxIsDouble(c); }, "quorvane:notDouble",
     "a real full double array"},
    {[](const mxArray* c) -> bool { return mxIsSparse(c); }, "quorvane:sparse",
     "a full (not sparse) double array"},
    {[](const mxArray* c) -> bool { return mxIsComplex(c); }, "quorvane:complex",
     "a real double array"},
    // 30 rows, or 10 rows of which every three columns make a system (10 x 3 x N).
    {[](const mxArray* c) -> bool {
       const std::size_t rows = mxGetM(c), elements = mxGetNumberOfElements(c);
       return !(rows == kCoefficientsPerSystem ||
                (rows == kCoefficientsPerEquation && elements % kCoefficientsPerSystem == 0));
     },
     "quorvane:batchShape",
     "30 x N or 10 x 3 x N, ten coefficients per equation, three "
     "equations per system"},
};

CallError checkArguments(int nlhs, int nrhs, const mxArray* prhs[]) {
  if (nrhs < 1 || nrhs > 2)
    return callError("quorvane:inputCount",
                     "expected the coefficient array C and optionally the thread count; got %d "
                     "arguments",
                     nrhs);
  if (nlhs > 2)
    return callError("quorvane:outputCount",
                     "expected at most two outputs, the solutions and their system numbers; %d "
                     "requested",
                     nlhs);
  const mxArray* c = prhs[0];
  for (const ArrayRule& rule : kCoefficientRules)
    if (rule.broken(c))
      return callError(rule.identifier, "C is %s%s%s with %llu rows and %llu elements; expected %s",
                       mxIsComplex(c) ? "complex " : "", mxIsSparse(c) ? "sparse " : "",
                       mxGetClassName(c), static_cast<unsigned long long>(mxGetM(c)),
                       static_cast<unsigned long long>(mxGetNumberOfElements(c)), rule.expectation);
  if (nrhs == 2) {
    const mxArray* t = prhs[1];
    const bool scalar =
        mxIsDouble(t) && !mxIsSparse(t) && !mxIsComplex(t) && mxGetNumberOfElements(t) == 1;
    const double threads = scalar ? *mxGetPr(t) : 0;
    if (!scalar || !(threads >= 1) || threads != std::floor(threads) || threads > 4096)
      return callError("quorvane:threads",
                       "the thread count (argument 2) must be a real double whole number from "
                       "1 to 4096");
  }
  return noError();
}

// No exception may leave through the C entry point (see quorvane_mex.cc).
CallError solveIntoState(const double* coefficients, std::size_t count, unsigned threads) noexcept {
  try {
    solveBatch(coefficients, count, batchState, threads);
    return noError();
  } catch (const std::bad_alloc&) {
    return callError("quorvane:outOfMemory", "bad allocation");
  } catch (const std::length_error&) {
    return callError("quorvane:tooLong", "vector<T> too long");
  } catch (const std::exception& failure) {
    return callError("quorvane:internal", "unexpected failure in the solver: %s", failure.what());
  } catch (...) {
    return callError("quorvane:internal", "unexpected failure in the solver");
  }
}

void writeOutputs(int nlhs, mxArray* plhs[]) {
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
}

unsigned threadCount(int nrhs, const mxArray* prhs[]) {
  if (nrhs == 2) return static_cast<unsigned>(*mxGetPr(prhs[1]));
  return std::max(1u, std::thread::hardware_concurrency());
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
  const std::size_t count = mxGetNumberOfElements(prhs[0]) / quorvane::kCoefficientsPerSystem;
  const quorvane::CallError failed = quorvane::solveIntoState(
      count ? mxGetPr(prhs[0]) : nullptr, count, quorvane::threadCount(nrhs, prhs));
  if (failed.identifier != nullptr) return quorvane::raise(failed);
  quorvane::writeOutputs(nlhs, plhs);
}
