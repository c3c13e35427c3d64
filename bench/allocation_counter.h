// SPDX-License-Identifier: BSD-3-Clause
// Counts heap allocations of the whole program, by replacing glibc's malloc family in the
// binary that includes this header (once, in one translation unit). Eigen allocates with
// malloc directly, so counting operator new alone would miss its matrices.
#pragma once

#include <atomic>
#include <cstddef>

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);
}

namespace quorvane::bench {

inline std::atomic<std::size_t> allocationCount{0};
inline std::atomic<std::size_t> allocatedByteCount{0};

inline void countAllocation(std::size_t bytes) {
  allocationCount.fetch_add(1, std::memory_order_relaxed);
  allocatedByteCount.fetch_add(bytes, std::memory_order_relaxed);
}

/// Allocations and bytes since construction.
struct AllocationScope {
  std::size_t count = allocationCount.load(), bytes = allocatedByteCount.load();
  std::size_t allocations() const { return allocationCount.load() - count; }
  std::size_t allocatedBytes() const { return allocatedByteCount.load() - bytes; }
};

}  // namespace quorvane::bench

extern "C" {
void* malloc(std::size_t size) {
  quorvane::bench::countAllocation(size);
  return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
  quorvane::bench::countAllocation(count * size);
  return __libc_calloc(count, size);
}
void* realloc(void* p, std::size_t size) {
  quorvane::bench::countAllocation(size);
  return __libc_realloc(p, size);
}
void* memalign(std::size_t alignment, std::size_t size) {
  quorvane::bench::countAllocation(size);
  return __libc_memalign(alignment, size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) {
  return memalign(alignment, size);
}
int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
  *out = memalign(alignment, size);
  return *out ? 0 : 12;  // ENOMEM
}
void free(void* p) {
  __libc_free(p);
}
}
