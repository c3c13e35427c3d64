// SPDX-License-Identifier: BSD-3-Clause
#include "module_state.h"

namespace quorvane {

// Entries are left uninitialised: every call writes all ten before the solver reads them.
// The list's storage is reserved once, so that no call has to grow it.
ModuleState::ModuleState()
    : firstCoefficients(kCoefficientsPerEquation, 1),
      secondCoefficients(kCoefficientsPerEquation, 1),
      thirdCoefficients(kCoefficientsPerEquation, 1) {
  solutions.reserve(kMaxSolutions);
}

ModuleState moduleState;

}  // namespace quorvane
