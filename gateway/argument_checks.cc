// SPDX-License-Identifier: BSD-3-Clause
#include "argument_checks.h"

#include <cstddef>

#include "module_state.h"
#include "options.h"

namespace quorvane {
namespace {

constexpr const char* kInputNames[kCoefficientArrays] = {"first", "second", "third"};

// In this order, so that each rule may assume the ones before it hold: only a double array
// has double data, and only a full one has its elements in storage.
constexpr ArrayRule kDoubleRules[] = {
    {[](const mxArray* input) -> bool { return !mxIsDouble(input); }, "quorvane:notDouble",
     "a real full double array"},
    {[](const mxArray* input) -> bool { return mxIsSparse(input); }, "quorvane:sparse",
     "a full (not sparse) double array"},
    {[](const mxArray* input) -> bool { return mxIsComplex(input); }, "quorvane:complex",
     "a real double array"},
};

constexpr ArrayRule kTooFewCoefficients = {
    [](const mxArray* input) -> bool {
      return mxGetNumberOfElements(input) < static_cast<std::size_t>(kCoefficientsPerEquation);
    },
    "quorvane:tooFewCoefficients",
    "at least ten coefficients, in the order 1, xy, xz, yz, x^2, y^2, z^2, x, y, z"};

CallError badInput(const ArrayRule& rule, int index, const mxArray* input) {
  const auto elements = static_cast<unsigned long long>(mxGetNumberOfElements(input));
  return callError(rule.identifier,
                   "%s coefficient array (argument %d) is %s%s%s with %llu element%s; expected %s",
                   kInputNames[index], index + 1, mxIsComplex(input) ? "complex " : "",
                   mxIsSparse(input) ? "sparse " : "", mxGetClassName(input), elements,
                   elements == 1 ? "" : "s", rule.expectation);
}

}  // namespace

const ArrayRule* brokenRule(const mxArray* input, const ArrayRule& ownRule) {
  for (const ArrayRule& rule : kDoubleRules)
    if (rule.broken(input)) return &rule;
  return ownRule.broken(input) ? &ownRule : nullptr;
}

CallError arrayRuleError(const char* name, const mxArray* input, const ArrayRule& rule) {
  return callError(rule.identifier, "%s is %s%s%s with %llu rows and %llu elements; expected %s",
                   name, mxIsComplex(input) ? "complex " : "", mxIsSparse(input) ? "sparse " : "",
                   mxGetClassName(input), static_cast<unsigned long long>(mxGetM(input)),
                   static_cast<unsigned long long>(mxGetNumberOfElements(input)), rule.expectation);
}

CallError checkArguments(int nlhs, int nrhs, const mxArray* prhs[]) {
  if (nrhs < kCoefficientArrays)
    return callError("quorvane:inputCount",
                     "expected three coefficient arrays, one per equation, then name-value "
                     "options (%s); got %d arguments",
                     kOptionNames, nrhs);
  if (nlhs > 2)
    return callError("quorvane:outputCount",
                     "expected at most two outputs, the 3 x N matrix of solutions and the struct "
                     "that describes the call; %d requested",
                     nlhs);
  for (int index = 0; index < kCoefficientArrays; ++index)
    if (const ArrayRule* broken = brokenRule(prhs[index], kTooFewCoefficients))
      return badInput(*broken, index, prhs[index]);
  return noError();
}

}  // namespace quorvane
