// SPDX-License-Identifier: BSD-3-Clause
// The host's interrupt (Ctrl-C) as a long call polls it.
#pragma once

namespace quorvane {

/// Whether the user interrupted the host since the call began. Where it says so, it has taken
/// the interrupt for the call to report as its own error: the host does not abort what runs
/// after the call. Octave only; elsewhere (MATLAB offers no documented poll) always false,
/// and an interrupt takes effect when the call returns.
bool takeHostInterrupt();

}  // namespace quorvane
