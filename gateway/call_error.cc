// SPDX-License-Identifier: BSD-3-Clause
#include "call_error.h"

#include <cstdarg>
#include <cstdio>

namespace quorvane {

CallError callError(const char* identifier, const char* format, ...) {
  CallError error{identifier, {}};
  std::va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(error.message, sizeof error.message, format, arguments);
  va_end(arguments);
  return error;
}

}  // namespace quorvane
