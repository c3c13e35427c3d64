// SPDX-License-Identifier: BSD-3-Clause
#include "call_error.h"

#include <cstdarg>
#include <cstdio>
#include <exception>
#include <new>
#include <stdexcept>

namespace quorvane {

CallError callError(const char* identifier, const char* format, ...) {
  CallError error{identifier, {}};
  std::va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(error.message, sizeof error.message, format, arguments);
  va_end(arguments);
  return error;
}

// Rethrown to tell its kind; both modules map the solver's exceptions the same way.
CallError solverFailure() noexcept {
  try {
    throw;
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

}  // namespace quorvane
