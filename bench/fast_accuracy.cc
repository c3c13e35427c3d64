// SPDX-License-Identifier: BSD-3-Clause
// How the fast path's candidates compare with the standard path's over many random systems:
// how often it declines, whether it finds the same verified real solutions, and how close
// they come to the known solutions of products of planes, before and after Newton's steps.
//
//   fast_accuracy generic|planes N
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "compensated.h"
#include "fast/fast_method.h"
#include "scaling.h"
#include "systems.h"
#include "tries.h"

namespace {

using quorvane::Candidates;
using quorvane::Equations;
using quorvane::testing::System;

// Newton's method on the equations from a candidate, as the solver refines its points.
void refineCandidate(const Equations& equations, quorvane::Candidate& c) {
  quorvane::ComplexPoint point(c.x, c.y, c.z);
  quorvane::refineCompensated(equations, point);
  c.x = point(0), c.y = point(1), c.z = point(2);
}

// The real points among the candidates that satisfy the equations, as the solver's check
// would keep them, in the coordinates of the scaled system.
std::vector<Eigen::Vector3d> verified(const Equations& equations, const Candidates& candidates,
                                      bool refine) {
  std::vector<Eigen::Vector3d> points;
  for (quorvane::Candidate c : candidates) {
    if (!c.real || c.zeroDivisor) continue;
    if (refine) refineCandidate(equations, c);
    const Eigen::Vector3d p(c.x.real(), c.y.real(), c.z.real());
    if (quorvane::largestRelativeResidual(equations, p.x(), p.y(), p.z()) <= 1e-8)
      points.push_back(p);
  }
  return points;
}

bool covers(const std::vector<Eigen::Vector3d>& points, const std::vector<Eigen::Vector3d>& of) {
  for (const Eigen::Vector3d& q : of) {
    bool near = false;
    for (const Eigen::Vector3d& p : points)
      near = near || (p - q).lpNorm<Eigen::Infinity>() <= 1e-6 * std::max(1.0, q.norm());
    if (!near) return false;
  }
  return true;
}

double percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return NAN;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, static_cast<std::size_t>(fraction * values.size()))];
}

// log10 of the largest distance from a known solution to the nearest candidate (relative).
double log10Error(const System& system, const Equations& scaled, int exponent,
                  const Candidates& candidates, bool refine) {
  quorvane::SolutionList solutions;
  for (quorvane::Candidate c : candidates) {
    if (!c.real || c.zeroDivisor) continue;
    if (refine) refineCandidate(scaled, c);
    solutions.push_back({std::ldexp(c.x.real(), exponent), std::ldexp(c.y.real(), exponent),
                         std::ldexp(c.z.real(), exponent)});
  }
  return std::log10(
      std::max(1e-17, quorvane::testing::largestRelativeError(solutions, system.solutions)));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s generic|planes N\n", argv[0]);
    return 2;
  }
  const bool planes = !std::strcmp(argv[1], "planes");
  const int count = std::atoi(argv[2]);
  std::mt19937_64 rng(7);
  std::normal_distribution<double> normal;
  int standardDeclined = 0, fastDeclined = 0, compared = 0, sameSet = 0, sameSetRefined = 0;
  int completeStandard = 0, completeFast = 0, completeFastRefined = 0;
  std::vector<double> errorsAccepted, errorsStandard, errorsFast, errorsFastRefined,
      errorsStandardRefined;
  for (int n = 0; n < count; ++n) {
    System system;
    if (planes) {
      system = quorvane::testing::randomProductOfPlanes(rng);
    } else {
      for (auto& e : system.equations)
        e = Eigen::MatrixXd::NullaryExpr(10, 1, [&] { return normal(rng); });
    }
    Equations equations =
        quorvane::stackEquations(system.equations[0], system.equations[1], system.equations[2]);
    const int exponent = quorvane::scaleToUnitRange(equations).variableExponent;
    Candidates standard, fast;
    const bool standardOk = quorvane::templateCandidates(equations, standard);
    const bool fastOk = quorvane::fastTemplateCandidates(equations, fast);
    standardDeclined += !standardOk;
    fastDeclined += !fastOk;
    if (!standardOk) continue;
    // A declined system is solved by the standard path: it counts as the same.
    const Candidates& used = fastOk ? fast : standard;
    ++compared;
    const auto a = verified(equations, standard, false), b = verified(equations, used, false);
    sameSet += covers(a, b) && covers(b, a);
    const auto ar = verified(equations, standard, true), br = verified(equations, used, true);
    sameSetRefined += covers(ar, br) && covers(br, ar);
    if (planes) {
      const double es = log10Error(system, equations, exponent, standard, false);
      const double esr = log10Error(system, equations, exponent, standard, true);
      const double ef = log10Error(system, equations, exponent, used, false);
      const double efr = log10Error(system, equations, exponent, used, true);
      errorsStandard.push_back(es), errorsStandardRefined.push_back(esr);
      errorsFast.push_back(ef), errorsFastRefined.push_back(efr);
      if (fastOk) errorsAccepted.push_back(ef);
      completeStandard += es <= -6, completeFast += ef <= -6, completeFastRefined += efr <= -6;
    }
  }
  std::printf("%s: %d systems, standard declined %d, fast declined %d (%.3f %%)\n", argv[1], count,
              standardDeclined, fastDeclined, 100.0 * fastDeclined / count);
  std::printf("same verified real set: %.3f %% (with Newton on both: %.3f %%)\n",
              100.0 * sameSet / compared, 100.0 * sameSetRefined / compared);
  if (planes) {
    std::printf(
        "complete (all 8 within 1e-6): standard %.3f %%, fast %.3f %%, fast+Newton %.3f %%\n",
        100.0 * completeStandard / compared, 100.0 * completeFast / compared,
        100.0 * completeFastRefined / compared);
    std::printf("log10 error median / 99th: standard %.2f / %.2f, standard+Newton %.2f / %.2f\n",
                percentile(errorsStandard, 0.5), percentile(errorsStandard, 0.99),
                percentile(errorsStandardRefined, 0.5), percentile(errorsStandardRefined, 0.99));
    std::printf("                           fast %.2f / %.2f, fast+Newton %.2f / %.2f\n",
                percentile(errorsFast, 0.5), percentile(errorsFast, 0.99),
                percentile(errorsFastRefined, 0.5), percentile(errorsFastRefined, 0.99));
    std::printf("fast where it did not decline: median %.2f, 99th %.2f, 99.9th %.2f, worst %.2f\n",
                percentile(errorsAccepted, 0.5), percentile(errorsAccepted, 0.99),
                percentile(errorsAccepted, 0.999), percentile(errorsAccepted, 1.0));
  }
  return 0;
}
