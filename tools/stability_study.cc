// SPDX-License-Identifier: BSD-3-Clause
// Accuracy of the solver over many random systems with known real solutions, each family
// drawn with a fixed seed. A known solution is replaced by its best point (Newton's method
// in compensated arithmetic on the rounded coefficients, from the exact solution): the
// best answer the input allows. Per family it prints the largest relative error of the
// known solutions per system (percentiles), the share of systems with every known solution
// within 1e-9 · max(1, |p|) of its best point, the returned columns farther than
// 1e-6 · max(1, |p|) from every known solution, and the systems that returned nothing.
//
//   stability_study [--systems N] [--histogram FILE] [--check] [--family TEXT]
//                   [--method standard|fast]
//
// With --check, exits non-zero when a family falls below what the solver is known to reach,
// so that a run of a few thousand systems catches a regression.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "study_families.h"

namespace {

using quorvane::testing::System;
using Family = quorvane::testing::StudyFamily;
namespace t = quorvane::testing;

constexpr double kMissThreshold = 1e-6;       // a known solution farther than this is missed
constexpr double kBestPointTolerance = 1e-9;  // "as accurate as the input allows"
constexpr double kHistogramLow = -17, kHistogramHigh = 0, kBinWidth = 0.25;

struct Summary {
  std::vector<double> log10Errors;  // per system; +inf when a solution was missed entirely
  int missed = 0, withinBest = 0, farColumns = 0, empty = 0;
  int redrawn = 0;      // systems whose known real roots the rounded input no longer has
  int standardWay = 0;  // with the fast method: systems whose result came the standard way
};

Summary study(const Family& family, int systems, quorvane::Method method) {
  std::mt19937_64 rng(family.seed);
  Summary summary;
  for (int i = 0; i < systems; ++i) {
    System system = family.draw(rng);
    while (!t::withBestPoints(system)) system = family.draw(rng), ++summary.redrawn;
    quorvane::SolutionList returned;
    if (method == quorvane::Method::standard) {
      returned = t::solve(system);
    } else {
      quorvane::SolveOptions options;
      options.method = method;
      const quorvane::SolveReport report = quorvane::solveThreeQuadrics(
          system.equations[0], system.equations[1], system.equations[2], returned, options);
      summary.standardWay += report.method != quorvane::Method::fast;
    }
    const double error = t::largestRelativeError(returned, system.solutions);
    summary.missed += !(error <= kMissThreshold);
    summary.withinBest += error <= kBestPointTolerance;
    if (family.allKnown)
      summary.farColumns += t::farColumns(returned, system.solutions, kMissThreshold);
    summary.empty += returned.empty();
    // Errors below 1e-17 (most often exactly zero: the best point itself) share the lowest bin.
    summary.log10Errors.push_back(std::log10(std::max(error, 1e-17)));
  }
  std::sort(summary.log10Errors.begin(), summary.log10Errors.end());
  return summary;
}

double percentile(const Summary& s, double q) {
  return s.log10Errors[static_cast<std::size_t>(q * (s.log10Errors.size() - 1))];
}

}  // namespace

int main(int argc, char** argv) {
  int systems = 100000;
  std::string histogramFile, only;
  bool check = false;
  quorvane::Method method = quorvane::Method::standard;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--systems") && i + 1 < argc)
      systems = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--histogram") && i + 1 < argc)
      histogramFile = argv[++i];
    else if (!std::strcmp(argv[i], "--family") && i + 1 < argc)
      only = argv[++i];
    else if (!std::strcmp(argv[i], "--method") && i + 1 < argc)
      method =
          !std::strcmp(argv[++i], "fast") ? quorvane::Method::fast : quorvane::Method::standard;
    else if (!std::strcmp(argv[i], "--check"))
      check = true;
    else {
      std::fprintf(stderr,
                   "usage: %s [--systems N] [--histogram FILE] [--check] [--family TEXT] "
                   "[--method standard|fast]\n",
                   argv[0]);
      return 2;
    }
  }
  if (systems < 1) systems = 1;

  const std::vector<Family> families = t::studyFamilies();

  const bool fast = method == quorvane::Method::fast;
  std::printf(
      "| family | systems | median log10 error | 90th | 99th | missed | at best point | far "
      "columns | empty | redrawn |%s\n",
      fast ? " standard way |" : "");
  std::printf("|---|---|---|---|---|---|---|---|---|---|%s\n", fast ? "---|" : "");
  std::vector<Summary> summaries;
  std::vector<const Family*> studied;
  bool regressed = false;
  for (const Family& family : families) {
    if (!only.empty() && std::string(family.name).find(only) == std::string::npos) continue;
    summaries.push_back(study(family, systems, method));
    studied.push_back(&family);
    const Summary& s = summaries.back();
    const double withinShare = double(s.withinBest) / systems;
    std::printf("| %s | %d | %.2f | %.2f | %.2f | %.3f %% | %.2f %% | %s | %d | %d |", family.name,
                systems, percentile(s, 0.5), percentile(s, 0.9), percentile(s, 0.99),
                100.0 * s.missed / systems, 100 * withinShare,
                family.allKnown ? std::to_string(s.farColumns).c_str() : "-", s.empty, s.redrawn);
    if (fast) std::printf(" %.2f %% |", 100.0 * s.standardWay / systems);
    std::printf("\n");
    std::fflush(stdout);
    regressed |= withinShare < family.leastWithinBest || s.farColumns > 0;
  }

  if (!histogramFile.empty()) {
    std::ofstream out(histogramFile);
    out << "log10_error";
    for (const Family* family : studied) out << " \"" << family->name << "\"";
    out << "\n";
    const int bins = static_cast<int>((kHistogramHigh - kHistogramLow) / kBinWidth);
    for (int b = 0; b <= bins; ++b) {
      const double low = kHistogramLow + b * kBinWidth;
      out << low + kBinWidth / 2;
      for (const Summary& s : summaries) {
        // The last bin also holds everything above the range, misses included.
        const auto first = std::lower_bound(s.log10Errors.begin(), s.log10Errors.end(), low);
        const auto last = b == bins ? s.log10Errors.end()
                                    : std::lower_bound(first, s.log10Errors.end(), low + kBinWidth);
        out << " " << 100.0 * (last - first) / s.log10Errors.size();
      }
      out << "\n";
    }
  }
  if (check && regressed) {
    std::fprintf(stderr, "stability below the known levels\n");
    return 1;
  }
  return 0;
}
