// SPDX-License-Identifier: BSD-3-Clause
#include <algorithm>
#include <array>
#include <exception>
#include <thread>
#include <vector>

#include "quorvane/solver.h"
#include "template.h"

namespace quorvane {
namespace {

constexpr std::size_t kCoefficientsPerSystem = kEquations * kCoefficients;

// Appends the solutions of systems [begin, end). The three coefficient matrices are this
// worker's scratch, filled anew for each system, and `out` is its own solution list.
void solveRange(const double* coefficients, std::size_t begin, std::size_t end,
                BatchSolutions& out) {
  std::array<Eigen::MatrixXd, kEquations> equations;
  for (Eigen::MatrixXd& equation : equations) equation.resize(kCoefficients, 1);
  for (std::size_t k = begin; k < end; ++k) {
    const double* system = coefficients + k * kCoefficientsPerSystem;
    for (int e = 0; e < kEquations; ++e)
      std::copy_n(system + e * kCoefficients, kCoefficients, equations[e].data());
    solveThreeQuadrics(equations[0], equations[1], equations[2], out.solutions);
    out.system.resize(out.solutions.size(), static_cast<std::int64_t>(k));
  }
}

// Joins on every way out of scope, so that an exception on the calling thread (or while
// starting a thread) never destroys a thread that is still running.
struct JoinedThreads {
  std::vector<std::thread> threads;
  ~JoinedThreads() {
    for (std::thread& thread : threads) thread.join();
  }
};

}  // namespace

void solveBatch(const double* coefficients, std::size_t count, BatchSolutions& out,
                unsigned threads) {
  out.solutions.clear();
  out.system.clear();
  const std::size_t workers = std::clamp<std::size_t>(threads, 1, std::max<std::size_t>(count, 1));
  // Balanced contiguous runs, computed without count * w, which could overflow.
  const auto runStart = [&](std::size_t w) {
    return w * (count / workers) + std::min(w, count % workers);
  };

  // Worker 0 is the calling thread and writes into `out`; the others into their own parts,
  // appended in worker order afterwards, which keeps the result independent of timing.
  std::vector<BatchSolutions> parts(workers - 1);
  std::vector<std::exception_ptr> failures(workers - 1);
  {
    JoinedThreads started;
    started.threads.reserve(workers - 1);
    for (std::size_t w = 1; w < workers; ++w)
      started.threads.emplace_back([&, w] {
        try {
          solveRange(coefficients, runStart(w), runStart(w + 1), parts[w - 1]);
        } catch (...) {
          failures[w - 1] = std::current_exception();
        }
      });
    solveRange(coefficients, 0, runStart(1), out);
  }
  for (const std::exception_ptr& failure : failures)
    if (failure) std::rethrow_exception(failure);

  std::size_t total = out.solutions.size();
  for (const BatchSolutions& part : parts) total += part.solutions.size();
  out.solutions.reserve(total);
  out.system.reserve(total);
  for (const BatchSolutions& part : parts) {
    out.solutions.insert(out.solutions.end(), part.solutions.begin(), part.solutions.end());
    out.system.insert(out.system.end(), part.system.begin(), part.system.end());
  }
}

}  // namespace quorvane
