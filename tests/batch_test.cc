// SPDX-License-Identifier: BSD-3-Clause
#include <gtest/gtest.h>
#include <quorvane/solver.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "systems.h"
#include "testing.h"

namespace quorvane {
namespace {

using testing::equation;
using testing::System;
using testing::workedExample;

System zeroSystem() {
  System s;
  for (auto& e : s.equations) e = Eigen::MatrixXd::Zero(10, 1);
  return s;
}

std::vector<double> layOut(const std::vector<System>& systems) {
  std::vector<double> coefficients;
  for (const System& s : systems)
    for (const auto& e : s.equations)
      coefficients.insert(coefficients.end(), e.data(), e.data() + 10);
  return coefficients;
}

// What the single call with options gives, which the batch gives bit for bit.
SolutionList solveWithOptions(const System& system, const SolveOptions& options = {}) {
  SolutionList solutions;
  solveThreeQuadrics(system.equations[0].data(), system.equations[1].data(),
                     system.equations[2].data(), solutions, options);
  return solutions;
}

// The batch a loop of single calls gives.
BatchSolutions solveOneByOne(const std::vector<System>& systems) {
  BatchSolutions expected;
  for (std::size_t k = 0; k < systems.size(); ++k) {
    for (const Solution& s : solveWithOptions(systems[k])) {
      expected.solutions.push_back(s);
      expected.system.push_back(static_cast<std::int64_t>(k));
    }
  }
  return expected;
}

bool sameBits(const Solution& a, const Solution& b) {
  const double left[3] = {a.x, a.y, a.z}, right[3] = {b.x, b.y, b.z};
  return std::memcmp(left, right, sizeof left) == 0;
}

void expectSameBatch(const BatchSolutions& actual, const BatchSolutions& expected,
                     const char* what) {
  ASSERT_EQ(actual.solutions.size(), expected.solutions.size()) << what;
  ASSERT_EQ(actual.system, expected.system) << what;
  for (std::size_t i = 0; i < expected.solutions.size(); ++i)
    EXPECT_TRUE(sameBits(actual.solutions[i], expected.solutions[i])) << what << ", solution " << i;
}

// 400 systems: products of planes (eight solutions), systems through a chosen point, generic
// random ones, every seventh one degenerate (all zero, a NaN, rank two) with no solutions,
// and every eleventh one of those the structure stage reduces (three spheres, trilateration at
// map coordinates, three planes).
std::vector<System> mixedSystems() {
  std::mt19937_64 rng(11);
  std::normal_distribution<double> normal;
  std::vector<System> systems;
  for (int k = 0; k < 400; ++k) {
    if (k % 11 == 5) {
      if (k % 3 == 0) {
        systems.push_back(testing::randomSpheresThrough(rng));
      } else if (k % 3 == 1) {
        systems.push_back(testing::randomTrilateration({5e5, 4.5e6, 200}, rng));
      } else {
        System s;
        for (auto& e : s.equations) {
          e = Eigen::MatrixXd::NullaryExpr(10, 1, [&] { return normal(rng); });
          e.middleRows(1, 6).setZero();
        }
        systems.push_back(s);
      }
    } else if (k % 7 == 3) {
      System s = k % 3 == 0 ? zeroSystem() : workedExample();
      if (k % 3 == 1) s.equations[1](4) = std::numeric_limits<double>::quiet_NaN();
      if (k % 3 == 2) s.equations[2] = -2 * s.equations[0];
      systems.push_back(s);
    } else if (k % 3 == 0) {
      systems.push_back(testing::randomProductOfPlanes(rng));
    } else if (k % 3 == 1) {
      systems.push_back(testing::randomSystemThrough({normal(rng), normal(rng), normal(rng)}, rng));
    } else {
      System s;
      for (auto& e : s.equations)
        e = Eigen::MatrixXd::NullaryExpr(10, 1, [&] { return normal(rng); });
      systems.push_back(s);
    }
  }
  return systems;
}

TEST(Batch, EqualsSingleCallsBitForBitWhateverTheThreadCount) {
  const std::vector<System> systems = mixedSystems();
  const std::vector<double> coefficients = layOut(systems);
  const BatchSolutions expected = solveOneByOne(systems);

  std::vector<bool> solved(systems.size(), false);
  for (std::int64_t k : expected.system) solved[k] = true;
  const auto unsolved = std::count(solved.begin(), solved.end(), false);
  EXPECT_GE(unsolved, 50) << "the mix should hold systems without solutions";
  EXPECT_GT(expected.solutions.size(), 1000u);

  for (unsigned threads : {0u, 1u, 2u, 3u, 7u, 401u, 5000u}) {
    BatchSolutions actual;
    solveBatch(coefficients.data(), systems.size(), actual, threads);
    expectSameBatch(actual, expected, ("threads " + std::to_string(threads)).c_str());
  }
}

TEST(Batch, WorkedExampleAroundADeclinedSystemKeepsSystemIndices) {
  const std::vector<System> systems = {workedExample(), zeroSystem(), workedExample()};
  const std::vector<double> coefficients = layOut(systems);
  const SolutionList single = solveWithOptions(workedExample());
  ASSERT_EQ(single.size(), 8u);
  for (unsigned threads : {1u, 2u, 3u}) {
    BatchSolutions out;
    solveBatch(coefficients.data(), systems.size(), out, threads);
    ASSERT_EQ(out.solutions.size(), 16u) << threads;
    for (std::size_t i = 0; i < 16; ++i) {
      EXPECT_EQ(out.system[i], i < 8 ? 0 : 2) << threads << ", solution " << i;
      EXPECT_TRUE(sameBits(out.solutions[i], single[i % 8])) << threads << ", solution " << i;
    }
  }
}

TEST(Batch, ReplacesEarlierContentsAndHandlesZeroSystems) {
  const std::vector<double> coefficients = layOut({workedExample()});
  BatchSolutions out;
  out.solutions = {{1, 2, 3}};
  out.system = {41};
  solveBatch(coefficients.data(), 1, out, 2);
  EXPECT_EQ(out.solutions.size(), 8u);
  EXPECT_EQ(out.system, std::vector<std::int64_t>(8, 0));

  for (unsigned threads : {1u, 4u}) {
    solveBatch(nullptr, 0, out, threads);
    EXPECT_TRUE(out.solutions.empty()) << threads;
    EXPECT_TRUE(out.system.empty()) << threads;
  }

  // Reused storage gives what a fresh result gives.
  solveBatch(coefficients.data(), 1, out, 1);
  BatchSolutions fresh;
  solveBatch(coefficients.data(), 1, fresh, 1);
  expectSameBatch(out, fresh, "reused");
}

// Chunks of the batch engine: a system count that is not a multiple of it leaves a short last
// chunk, which the tables below include.
constexpr std::size_t kChunk = 16;

TEST(Batch, OptionsGiveTheSameBatchAsTheThreadCountAlone) {
  const std::vector<System> systems = mixedSystems();
  const std::vector<double> coefficients = layOut(systems);
  const BatchSolutions expected = solveOneByOne(systems);
  for (unsigned threads : {1u, 2u, 5u}) {
    for (std::size_t perThread : {0u, 1u, 64u, 100000u}) {
      BatchOptions options;
      options.threads = threads;
      options.systemsPerThread = perThread;
      BatchSolutions actual;
      EXPECT_EQ(solveBatch(coefficients.data(), systems.size(), actual, options),
                BatchStatus::complete);
      expectSameBatch(
          actual, expected,
          ("threads " + std::to_string(threads) + ", per thread " + std::to_string(perThread))
              .c_str());
    }
  }
}

// A calling thread that is slow between chunks (as on a busy core) leaves the chunks to the
// other worker instead of holding up its own half; the result is still in system order.
TEST(Batch, SlowWorkerTakesFewerChunksAndOrderIsKept) {
  const std::vector<System> systems = mixedSystems();
  const std::vector<double> coefficients = layOut(systems);
  const BatchSolutions expected = solveOneByOne(systems);
  const std::size_t chunks = (systems.size() + kChunk - 1) / kChunk;
  int polls = 0;
  BatchOptions options;
  options.threads = 2;
  options.systemsPerThread = 1;
  options.interrupted = [&] {
    ++polls;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return false;
  };
  BatchSolutions actual;
  EXPECT_EQ(solveBatch(coefficients.data(), systems.size(), actual, options),
            BatchStatus::complete);
  expectSameBatch(actual, expected, "slow calling thread");
  EXPECT_LT(polls, static_cast<int>(chunks / 2)) << "the slow thread took half the chunks";
}

// One worker does every chunk and polls before each and once more at the end: a batch
// smaller than systemsPerThread starts no thread.
TEST(Batch, SmallBatchStartsNoThreadAndPollsBetweenChunks) {
  const std::vector<System> systems = mixedSystems();
  const std::vector<double> coefficients = layOut(systems);
  const std::size_t chunks = (systems.size() + kChunk - 1) / kChunk;
  for (const auto& [threads, perThread] :
       {std::pair{1u, std::size_t{1}}, std::pair{8u, std::size_t{400}},
        std::pair{8u, std::size_t{100000}}}) {
    std::size_t polls = 0;
    BatchOptions options;
    options.threads = threads;
    options.systemsPerThread = perThread;
    options.interrupted = [&] {
      ++polls;
      return false;
    };
    BatchSolutions out;
    solveBatch(coefficients.data(), systems.size(), out, options);
    EXPECT_EQ(polls, chunks + 1) << threads << " threads, " << perThread << " per thread";
  }
}

TEST(Batch, CancelStopsEveryWorkerAndLeavesNothing) {
  const std::vector<System> systems = mixedSystems();
  const std::vector<double> coefficients = layOut(systems);
  for (unsigned threads : {1u, 2u, 4u}) {
    // Set before the call: no chunk is solved.
    std::atomic<bool> cancel{true};
    BatchOptions options;
    options.threads = threads;
    options.systemsPerThread = 1;
    options.cancel = &cancel;
    options.reportEach = true;
    BatchSolutions out;
    out.solutions = {{1, 2, 3}};
    out.system = {7};
    EXPECT_EQ(solveBatch(coefficients.data(), systems.size(), out, options),
              BatchStatus::cancelled);
    EXPECT_TRUE(out.solutions.empty() && out.system.empty() && out.reports.empty()) << threads;

    // Set from the calling thread's poll after three chunks, as a host's interrupt would. The
    // batch is long enough (ten copies, 250 chunks) that the other workers cannot finish it
    // while the calling thread waits for a core.
    cancel = false;
    int polls = 0;
    options.interrupted = [&] { return ++polls == 4; };
    std::vector<double> longer;
    for (int copy = 0; copy < 10; ++copy)
      longer.insert(longer.end(), coefficients.begin(), coefficients.end());
    EXPECT_EQ(solveBatch(longer.data(), longer.size() / 30, out, options), BatchStatus::cancelled);
    EXPECT_EQ(polls, 4) << threads;
    EXPECT_TRUE(out.solutions.empty() && out.system.empty()) << threads;

    // The same options without the stop solve everything.
    options.interrupted = nullptr;
    EXPECT_EQ(solveBatch(coefficients.data(), systems.size(), out, options), BatchStatus::complete);
    expectSameBatch(out, solveOneByOne(systems), "after a cancelled call");
  }
}

// Each system solved alone through the raw-pointer calls with `options`, laid out as a batch.
template <class Point, class Solve>
BasicBatchSolutions<Point> singleCalls(const std::vector<double>& coefficients,
                                       std::vector<SolveReport>& reports, const Solve& solve) {
  BasicBatchSolutions<Point> expected;
  for (std::size_t k = 0; k < coefficients.size() / 30; ++k) {
    const double* system = coefficients.data() + 30 * k;
    reports.push_back(solve(system, expected.solutions));
    expected.system.resize(expected.solutions.size(), static_cast<std::int64_t>(k));
  }
  return expected;
}

// The first `count` systems of `coefficients` by the batch and by single calls with the
// same options: the same points bit for bit, the same reports, real and complex.
void expectBatchOfSingleCalls(std::vector<double> coefficients, std::size_t count,
                              const BatchOptions& options, const std::string& what) {
  coefficients.resize(30 * count);
  std::vector<SolveReport> reports;
  const BatchSolutions expected =
      singleCalls<Solution>(coefficients, reports, [&](const double* s, SolutionList& out) {
        return solveThreeQuadrics(s, s + 10, s + 20, out, options.solve);
      });
  BatchSolutions actual;
  ASSERT_EQ(solveBatch(coefficients.data(), count, actual, options), BatchStatus::complete);
  expectSameBatch(actual, expected, what.c_str());
  ASSERT_EQ(actual.reports.size(), count);
  for (std::size_t k = 0; k < count; ++k) {
    const SolveReport &a = actual.reports[k], &e = reports[k];
    EXPECT_TRUE(a.status == e.status && a.path == e.path && a.method == e.method &&
                a.centringRounds == e.centringRounds && a.argument == e.argument &&
                a.problem == e.problem && a.certified == e.certified && a.points == e.points &&
                std::memcmp(a.radius.data(), e.radius.data(), sizeof a.radius) == 0)
        << what << ", system " << k;
  }

  std::vector<SolveReport> complexReports;
  const ComplexBatchSolutions expectedComplex = singleCalls<ComplexSolution>(
      coefficients, complexReports, [&](const double* s, ComplexSolutionList& out) {
        return solveThreeQuadricsComplex(s, s + 10, s + 20, out, options.solve);
      });
  ComplexBatchSolutions actualComplex;
  ASSERT_EQ(solveBatchComplex(coefficients.data(), count, actualComplex, options),
            BatchStatus::complete);
  ASSERT_EQ(actualComplex.system, expectedComplex.system) << what;
  ASSERT_EQ(actualComplex.solutions.size(), expectedComplex.solutions.size()) << what;
  EXPECT_EQ(std::memcmp(actualComplex.solutions.data(), expectedComplex.solutions.data(),
                        sizeof(ComplexSolution) * actualComplex.solutions.size()),
            0)
      << what;
  EXPECT_GT(actualComplex.solutions.size(), actual.solutions.size()) << what;
}

// With the fast method the batch solves four systems at a time in vector lanes (where the CPU
// has them) or one after the other; either way each system's result is its single call's. An
// odd count leaves a last group of three, and the mix puts declined systems in every lane.
TEST(Batch, OptionsReportsAndComplexPointsAreThoseOfSingleCalls) {
  const std::vector<double> coefficients = layOut(mixedSystems());
  for (const bool scalarLanes : {false, true}) {
    forceScalarLanes(scalarLanes);
    for (const Method method : {Method::standard, Method::fast})
      for (const double tolerance : {1e-4, 1e-1, 0.0}) {
        // 0 stands for the default tolerance with certification.
        BatchOptions options;
        options.threads = 3;
        options.systemsPerThread = 1;
        options.reportEach = true;
        options.solve.method = method;
        options.solve.imaginaryTolerance = tolerance == 0 ? 1e-4 : tolerance;
        options.solve.refine = tolerance > 1e-3;
        options.solve.certify = tolerance == 0;
        const std::string what = std::string(method == Method::fast ? "fast" : "standard") +
                                 (scalarLanes ? ", scalar lanes" : ", vector lanes if any") +
                                 ", tolerance " + std::to_string(tolerance) +
                                 (options.solve.certify ? ", certified" : "");
        expectBatchOfSingleCalls(coefficients, 400, options, what);
        if (method == Method::fast) expectBatchOfSingleCalls(coefficients, 399, options, what);
      }
  }
  forceScalarLanes(false);
}

// A tolerance out of its range is refused for the whole batch, as a single call refuses it:
// no solutions, and every system's report says why.
TEST(Batch, ImaginaryToleranceOutOfRangeIsABadOptionOfEverySystem) {
  const std::vector<double> coefficients = layOut(mixedSystems());
  constexpr std::size_t count = 100;
  for (const double tolerance :
       {-1e-4, std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()})
    for (const bool reportEach : {true, false}) {
      BatchOptions options;
      options.threads = 3;
      options.systemsPerThread = 1;
      options.reportEach = reportEach;
      options.solve.imaginaryTolerance = tolerance;
      const std::string what =
          "tolerance " + std::to_string(tolerance) + (reportEach ? ", reports" : "");
      // Contents of an earlier call, which the batch replaces.
      BatchSolutions out;
      out.solutions.assign(2, Solution{1, 2, 3});
      out.system.assign(2, 0);
      ComplexBatchSolutions complexOut;
      complexOut.solutions.resize(2);
      complexOut.system.assign(2, 0);
      ASSERT_EQ(solveBatch(coefficients.data(), count, out, options), BatchStatus::complete);
      ASSERT_EQ(solveBatchComplex(coefficients.data(), count, complexOut, options),
                BatchStatus::complete);
      EXPECT_TRUE(out.solutions.empty() && out.system.empty()) << what;
      EXPECT_TRUE(complexOut.solutions.empty() && complexOut.system.empty()) << what;
      for (const auto* reports : {&out.reports, &complexOut.reports}) {
        ASSERT_EQ(reports->size(), reportEach ? count : 0) << what;
        for (const SolveReport& report : *reports)
          EXPECT_TRUE(report.status == SolveStatus::badInput &&
                      report.problem == InputProblem::badOption &&
                      report.argument == kOptionsArgument && report.points == 0)
              << what;
      }
    }
}

}  // namespace
}  // namespace quorvane
