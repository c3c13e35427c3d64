// SPDX-License-Identifier: BSD-3-Clause
// Forwards to fast/fast_method.h for solver.cc and batch.cc, which include the fast method by
// this name until they are rewritten; delete this file once nothing includes it.
#pragma once

#include "fast/fast_method.h"
