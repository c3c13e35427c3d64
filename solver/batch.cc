// SPDX-License-Identifier: BSD-3-Clause
#include <algorithm>
#include <array>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "fast/fast_method.h"
#include "quorvane/solver.h"
#include "template.h"
#include "tries.h"

namespace quorvane {
namespace {

// Systems one after the other; with the fast method, up to four at a time share the lane
// kernels, each then finished exactly as a call of its own would finish it.
template <class List>
void solveConsecutiveInto(const double* first, std::size_t count, const SolveOptions& options,
                          const Output& output, const List& solutions, SolveReport* reports,
                          std::size_t* ends) {
  SolveReport refused;
  if (!optionsInRange(options, refused)) {
    std::fill_n(reports, count, refused);
    std::fill_n(ends, count, solutions.size());
    return;
  }
  const auto argumentsOf = [&](std::size_t k) -> std::array<const double*, kEquationCount> {
    const double* system = first + k * kEquationCount * kCoefficientCount;
    return {system, system + kCoefficientCount, system + 2 * kCoefficientCount};
  };
  if (!fastMethodApplies(options) || output.complex) {
    for (std::size_t k = 0; k < count; ++k) {
      reports[k] = solveSystem(argumentsOf(k), options, output);
      ends[k] = solutions.size();
    }
    return;
  }
  for (std::size_t group = 0; group < count; group += kBatchLanes) {
    const std::size_t lanes = std::min<std::size_t>(kBatchLanes, count - group);
    std::array<Prepared, kBatchLanes> prepared;
    // A lane without a system, or whose system is already answered, runs on zeros, which
    // the fast path declines at once.
    // The structure stage first: a lane it answers runs on zeros too, as does one whose
    // solutions cluster far out (the kernels run around the cluster later).
    std::array<Equations, kBatchLanes> equations;
    std::array<Candidates, kBatchLanes> reduced;
    std::array<FastStart, kBatchLanes> starts;
    bool anyToKernels = false;
    for (std::size_t lane = 0; lane < kBatchLanes; ++lane) {
      if (lane < lanes) prepared[lane] = prepare(argumentsOf(group + lane));
      FastStart& start = starts[lane];
      start.structured =
          prepared[lane].ready && structuredCandidates(prepared[lane].system, reduced[lane],
                                                       start.mostSolutions, options.certify);
      start.clustered = prepared[lane].ready && !start.structured &&
                        clusterCentre(prepared[lane].system, start.centre);
      const bool toKernels = prepared[lane].ready && !start.structured && !start.clustered;
      equations[lane] = toKernels ? prepared[lane].system : Equations::Zero();
      anyToKernels = anyToKernels || toKernels;
    }
    std::array<Candidates, kBatchLanes> candidates;
    std::array<bool, kBatchLanes> accepted{};
    if (anyToKernels) fastTemplateCandidates4(equations, candidates, accepted, options.certify);
    for (std::size_t lane = 0; lane < lanes; ++lane) {
      FastStart& start = starts[lane];
      start.accepted = start.structured || accepted[lane];
      start.candidates = start.structured ? &reduced[lane] : &candidates[lane];
      reports[group + lane] = prepared[lane].ready
                                  ? solvePrepared(prepared[lane], options, output, &start)
                                  : prepared[lane].report;
      ends[group + lane] = solutions.size();
    }
  }
}

constexpr std::size_t kCoefficientsPerSystem = kEquations * kCoefficients;

// A chunk is a few single calls' work: short enough that a stop request is seen at once and
// that a slow core holds up the end of the call by little, long enough that the shared
// counter is touched rarely. A multiple of the lane group, so that the fast method's
// groups are full but for the batch's last.
constexpr std::size_t kSystemsPerChunk = 16;
static_assert(kSystemsPerChunk % kBatchLanes == 0);

// Where one chunk's solutions lie in the part of the worker that solved it.
struct ChunkSpan {
  std::size_t worker = 0, begin = 0, end = 0;
};

template <class Point>
struct WorkerPart {
  std::vector<Point> solutions;
  std::vector<std::int64_t> system;
};

// Joins on every way out of scope, so that an exception on the calling thread (or while
// starting a thread) never destroys a thread that is still running.
struct JoinedThreads {
  std::vector<std::thread> threads;
  ~JoinedThreads() {
    for (std::thread& thread : threads) thread.join();
  }
};

// The batch engine for either kind of point: chunks of systems, solved a lane group at a time.
template <class Point>
BatchStatus runBatch(const double* coefficients, std::size_t count, BasicBatchSolutions<Point>& out,
                     const BatchOptions& options) {
  out.solutions.clear();
  out.system.clear();
  out.reports.clear();
  if (options.reportEach) out.reports.resize(count);
  // Options out of range are every system's answer, without a thread started.
  SolveReport refused;
  if (!optionsInRange(options.solve, refused)) {
    std::fill(out.reports.begin(), out.reports.end(), refused);
    return BatchStatus::complete;
  }
  const std::size_t chunks = (count + kSystemsPerChunk - 1) / kSystemsPerChunk;
  const std::size_t perThread = std::max<std::size_t>(options.systemsPerThread, 1);
  const std::size_t workers = std::clamp<std::size_t>(
      std::min<std::size_t>(options.threads, (count + perThread - 1) / perThread), 1,
      std::max<std::size_t>(chunks, 1));

  std::vector<WorkerPart<Point>> parts(workers);
  std::vector<ChunkSpan> spans(chunks);
  std::atomic<std::size_t> nextChunk{0};
  std::atomic<bool> stop{false};
  std::exception_ptr failure;
  std::mutex failureGuard;

  const auto stopRequested = [&] {
    return stop.load(std::memory_order_relaxed) ||
           (options.cancel && options.cancel->load(std::memory_order_relaxed));
  };
  const auto work = [&](std::size_t worker, bool callingThread) {
    try {
      WorkerPart<Point>& part = parts[worker];
      while (!stopRequested()) {
        if (callingThread && options.interrupted && options.interrupted()) {
          stop = true;
          break;
        }
        const std::size_t chunk = nextChunk.fetch_add(1, std::memory_order_relaxed);
        if (chunk >= chunks) break;
        const std::size_t first = chunk * kSystemsPerChunk;
        const std::size_t last = std::min(first + kSystemsPerChunk, count);
        spans[chunk] = {worker, part.solutions.size(), 0};
        for (std::size_t k = first; k < last; k += kBatchLanes) {
          const std::size_t group = std::min<std::size_t>(kBatchLanes, last - k);
          SolveReport reports[kBatchLanes];
          std::size_t ends[kBatchLanes];
          solveConsecutive(coefficients + k * kCoefficientsPerSystem, group, options.solve,
                           part.solutions, reports, ends);
          for (std::size_t i = 0; i < group; ++i) {
            if (options.reportEach) out.reports[k + i] = reports[i];
            part.system.resize(ends[i], static_cast<std::int64_t>(k + i));
          }
        }
        spans[chunk].end = part.solutions.size();
      }
    } catch (...) {
      const std::lock_guard<std::mutex> lock(failureGuard);
      if (!failure) failure = std::current_exception();
      stop = true;
    }
  };
  {
    JoinedThreads started;
    started.threads.reserve(workers - 1);
    for (std::size_t w = 1; w < workers; ++w) started.threads.emplace_back(work, w, false);
    work(0, true);
  }
  if (failure) std::rethrow_exception(failure);
  // A chunk taken but not finished when a stop came leaves its span open; so does a stop
  // before every chunk was taken. Either way the batch is incomplete.
  if (stopRequested() || nextChunk.load() < chunks) {
    out.reports.clear();
    return BatchStatus::cancelled;
  }

  std::size_t total = 0;
  for (const WorkerPart<Point>& part : parts) total += part.solutions.size();
  out.solutions.reserve(total);
  out.system.reserve(total);
  for (const ChunkSpan& span : spans) {
    const WorkerPart<Point>& part = parts[span.worker];
    out.solutions.insert(out.solutions.end(), part.solutions.begin() + span.begin,
                         part.solutions.begin() + span.end);
    out.system.insert(out.system.end(), part.system.begin() + span.begin,
                      part.system.begin() + span.end);
  }
  return BatchStatus::complete;
}

}  // namespace

void solveConsecutive(const double* first, std::size_t count, const SolveOptions& options,
                      SolutionList& solutions, SolveReport* reports, std::size_t* ends) {
  Output output;
  output.real = &solutions;
  solveConsecutiveInto(first, count, options, output, solutions, reports, ends);
}

void solveConsecutive(const double* first, std::size_t count, const SolveOptions& options,
                      ComplexSolutionList& solutions, SolveReport* reports, std::size_t* ends) {
  Output output;
  output.complex = &solutions;
  solveConsecutiveInto(first, count, options, output, solutions, reports, ends);
}

BatchStatus solveBatch(const double* coefficients, std::size_t count, BatchSolutions& out,
                       const BatchOptions& options) {
  return runBatch(coefficients, count, out, options);
}

BatchStatus solveBatchComplex(const double* coefficients, std::size_t count,
                              ComplexBatchSolutions& out, const BatchOptions& options) {
  return runBatch(coefficients, count, out, options);
}

void solveBatch(const double* coefficients, std::size_t count, BatchSolutions& out,
                unsigned threads) {
  BatchOptions options;
  options.threads = threads;
  solveBatch(coefficients, count, out, options);
}

}  // namespace quorvane
