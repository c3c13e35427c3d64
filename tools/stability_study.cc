// SPDX-License-Identifier: BSD-3-Clause
// Accuracy of the solver over many random systems with known real solutions: products of
// random planes (eight known solutions) and random systems through a chosen point (one).
// Prints a summary table and writes a histogram of log10 error for gnuplot.
//
//   stability_study [--systems N] [--histogram FILE] [--check]
//
// With --check, exits non-zero when the figures fall below what the solver is known to
// reach, so that a run of a few thousand systems catches a regression.
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

#include "systems.h"

namespace {

using quorvane::testing::System;

constexpr double kMissThreshold = 1e-6;  // a known solution farther than this is missed
constexpr double kHistogramLow = -17, kHistogramHigh = 0, kBinWidth = 0.25;

struct Family {
  const char* name;
  unsigned seed;
  std::function<System(std::mt19937_64&)> draw;
};

struct Summary {
  std::vector<double> log10Errors;  // per system; +inf when a solution was missed entirely
  int missed = 0;
};

Summary study(const Family& family, int systems) {
  std::mt19937_64 rng(family.seed);
  Summary summary;
  for (int i = 0; i < systems; ++i) {
    const System system = family.draw(rng);
    const double error =
        quorvane::testing::largestRelativeError(quorvane::testing::solve(system), system.solutions);
    summary.missed += !(error <= kMissThreshold);
    summary.log10Errors.push_back(std::log10(std::max(error, 1e-18)));
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
  std::string histogramFile;
  bool check = false;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--systems") && i + 1 < argc)
      systems = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--histogram") && i + 1 < argc)
      histogramFile = argv[++i];
    else if (!std::strcmp(argv[i], "--check"))
      check = true;
    else {
      std::fprintf(stderr, "usage: %s [--systems N] [--histogram FILE] [--check]\n", argv[0]);
      return 2;
    }
  }
  if (systems < 1) systems = 1;

  const Family families[] = {
      {"products of random planes", 20261208,
       [](std::mt19937_64& rng) { return quorvane::testing::randomProductOfPlanes(rng); }},
      {"random systems through a point", 20261209,
       [](std::mt19937_64& rng) {
         std::uniform_real_distribution<double> uniform(-3, 3);
         const Eigen::Vector3d p(uniform(rng), uniform(rng), uniform(rng));
         return quorvane::testing::randomSystemThrough(p, rng);
       }},
  };

  std::printf("| family | systems | median log10 error | 90th | 99th | missed |\n");
  std::printf("|---|---|---|---|---|---|\n");
  std::vector<Summary> summaries;
  bool regressed = false;
  for (const Family& family : families) {
    summaries.push_back(study(family, systems));
    const Summary& s = summaries.back();
    const double missShare = double(s.missed) / systems;
    std::printf("| %s | %d | %.2f | %.2f | %.2f | %.3f %% |\n", family.name, systems,
                percentile(s, 0.5), percentile(s, 0.9), percentile(s, 0.99), 100 * missShare);
    // Known levels, with room for noise of a small run: a real regression lands far beyond.
    regressed |= missShare > 0.005 || percentile(s, 0.5) > -10 || percentile(s, 0.9) > -8;
  }

  if (!histogramFile.empty()) {
    std::ofstream out(histogramFile);
    out << "log10_error";
    for (const Family& family : families) out << " \"" << family.name << "\"";
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
