// SPDX-License-Identifier: BSD-3-Clause
// An error for the host to raise, kept as plain data.
#pragma once

namespace quorvane {

/// The host's error call does not return (it throws in Octave and unwinds natively in
/// MATLAB), so it is made only from a frame holding nothing with a destructor. Errors are
/// found in helpers and carried out to that frame in this trivially destructible form.
struct CallError {
  const char* identifier;  ///< "quorvane:reason", or nullptr when there is no error
  char message[512];
};

/// Not an error.
inline CallError noError() {
  return CallError{nullptr, {}};
}

/// An error with a printf-style message, cut to fit.
#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
CallError
callError(const char* identifier, const char* format, ...);

/// The error for the exception being handled, called only from a catch block: out of memory,
/// a vector grown past its limit, or a failure of any other kind inside the solver.
CallError solverFailure() noexcept;

}  // namespace quorvane
