// SPDX-License-Identifier: BSD-3-Clause
// Where the AVX2 lane kernels are built (elsewhere the batches run on the scalar lanes). Not
// on Windows: GCC there does not align the 32-byte stack slots that spilled AVX registers
// need, and the module must not crash on them.
#pragma once

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && !defined(_WIN32)
#define QUORVANE_AVX2_BUILD 1
#else
#define QUORVANE_AVX2_BUILD 0
#endif
