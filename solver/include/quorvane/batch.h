// SPDX-License-Identifier: BSD-3-Clause
// Many systems per call, on several threads.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "quorvane/types.h"

namespace quorvane {

/// The solutions of a batch of systems, each beside the index of the system it solves.
template <class Point>
struct BasicBatchSolutions {
  std::vector<Point> solutions;      ///< in system order, as solveBatch describes
  std::vector<std::int64_t> system;  ///< system[i]: index of the system that solutions[i] solves
  /// With BatchOptions::reportEach, reports[k] tells what became of system k; else empty.
  std::vector<SolveReport> reports;
};
using BatchSolutions = BasicBatchSolutions<Solution>;
using ComplexBatchSolutions = BasicBatchSolutions<ComplexSolution>;

/// How a batch ended.
enum class BatchStatus {
  complete,   ///< every system was solved
  cancelled,  ///< stopped by `cancel` or `interrupted`; the result is empty
};

/// How a batch is run.
struct BatchOptions {
  /// Worker threads at most, the calling thread among them; 0 counts as 1.
  unsigned threads = 1;
  /// Another thread is started only for every `systemsPerThread` systems, so that a small
  /// batch does not pay for threads it cannot keep busy; 0 counts as 1.
  std::size_t systemsPerThread = 64;
  /// Options of every single solve.
  SolveOptions solve;
  /// Read by every worker between chunks of systems; true stops the batch.
  const std::atomic<bool>* cancel = nullptr;
  /// Called on the calling thread only, between its chunks of a few systems each, while
  /// there is work; returning true stops the batch. Lets a host poll its own
  /// interrupt state on the thread that is allowed to.
  std::function<bool()> interrupted;
  /// Fill BasicBatchSolutions::reports, one report per system.
  bool reportEach = false;
};

/// Solves `count` systems and replaces the contents of `out` with their real solutions.
///
/// Layout: `coefficients` holds 30 doubles per system, system after system; each system is
/// its first, second and third equation, ten coefficients each in the order of
/// solveThreeQuadrics (1, xy, xz, yz, x², y², z², x, y, z). System k starts at
/// coefficients[30 k]. `coefficients` may be null when `count` is zero. It is read while
/// the call runs and must not change meanwhile.
///
/// Order: solutions of system 0 first, then of system 1, and so on; within a system, the
/// order of a single call. `out.system` is non-decreasing, and a system without real
/// solutions (or declined, or bad) has no entry. Every solution is bit for bit what
/// solveThreeQuadrics with `options.solve` returns for that system alone, whatever the
/// number of threads and however the work fell to them.
///
/// Threads: workers take chunks of a few systems from a shared counter, so a worker on a
/// busy core simply takes fewer; each keeps its own solutions, joined in system order at
/// the end. Cancelling (through `cancel` or `interrupted`) stops every worker after its
/// current chunk and returns BatchStatus::cancelled with `out` empty. An exception in a
/// worker (out of memory) stops the others and is rethrown on the calling thread after all
/// workers have stopped, with `out` unspecified.
///
/// Cost: that of `count` single calls spread over the workers, plus starting the threads and
/// one copy of every solution into `out`.
BatchStatus solveBatch(const double* coefficients, std::size_t count, BatchSolutions& out,
                       const BatchOptions& options);

/// The same with every finite solution as a complex point (see solveThreeQuadricsComplex).
BatchStatus solveBatchComplex(const double* coefficients, std::size_t count,
                              ComplexBatchSolutions& out, const BatchOptions& options);

/// solveBatch with default options on `threads` workers.
void solveBatch(const double* coefficients, std::size_t count, BatchSolutions& out,
                unsigned threads = 1);

}  // namespace quorvane
