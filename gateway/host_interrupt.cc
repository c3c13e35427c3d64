// SPDX-License-Identifier: BSD-3-Clause
#include "host_interrupt.h"

#include "mex_api.h"

#if defined(HAVE_OCTAVE)
#include <octave/quit.h>
#endif

namespace quorvane {

bool takeHostInterrupt() {
#if defined(HAVE_OCTAVE)
  // Octave's handler of SIGINT marks a signal caught and an interrupt pending, for the
  // interpreter to act on at its next check, which comes only after this call. Taken here,
  // the call ends with its own error instead, which a script can catch.
  if (octave_interrupt_state <= 0 && octave_signal_caught == 0) return false;
  octave_interrupt_state = 0;
  octave_signal_caught = 0;
  return true;
#else
  return false;
#endif
}

}  // namespace quorvane
