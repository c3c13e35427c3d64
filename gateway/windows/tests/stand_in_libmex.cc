// SPDX-License-Identifier: BSD-3-Clause
// A stand-in for MATLAB's libmex.dll. Its error call unwinds to the caller by longjmp, as
// MATLAB unwinds a MEX function's frames natively; the gateway raises errors only from frames
// that hold nothing with a destructor.
#include <csetjmp>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "stand_in.h"

namespace {
std::jmp_buf* errorExit = nullptr;
StandInError* raisedError = nullptr;
}  // namespace

extern "C" {

void mexErrMsgIdAndTxt(const char* identifier, const char* format, ...) {
  if (errorExit == nullptr) {
    std::fprintf(stderr, "mexErrMsgIdAndTxt outside a call: %s\n", identifier);
    std::abort();
  }
  std::snprintf(raisedError->identifier, sizeof raisedError->identifier, "%s", identifier);
  std::va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(raisedError->message, sizeof raisedError->message, format, arguments);
  va_end(arguments);
  std::longjmp(*errorExit, 1);
}

bool standInCall(MexFunction function, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[],
                 StandInError* error) {
  std::jmp_buf exit;
  errorExit = &exit;
  raisedError = error;
  if (setjmp(exit) != 0) {
    errorExit = nullptr;
    return false;
  }
  function(nlhs, plhs, nrhs, prhs);
  errorExit = nullptr;
  return true;
}

}  // extern "C"
