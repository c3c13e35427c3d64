// SPDX-License-Identifier: BSD-3-Clause
// quorvane: every real solution of three quadratic equations in x, y, z. The one header a
// user includes: the types of the calls, single systems, batches, and coefficients from
// quadric matrices and spheres, trilateration, and a camera's pose from three points.
#pragma once

#include "quorvane/batch.h"
#include "quorvane/coefficients.h"
#include "quorvane/pose.h"
#include "quorvane/solve.h"
#include "quorvane/trilateration.h"
#include "quorvane/types.h"
