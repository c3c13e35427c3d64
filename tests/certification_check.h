// SPDX-License-Identifier: BSD-3-Clause
// What the referee makes of one call's proofs: each point with a finite radius must be proved
// again, and a real call's claim of a complete set must be borne out by the complex call's
// eight proved boxes.
#pragma once

#include <quorvane/types.h>

#include <array>
#include <cmath>
#include <vector>

#include "referee.h"

namespace quorvane::testing {

template <typename Equation>
RefereeEquations refereeEquations(const std::array<Equation, 3>& equations) {
  RefereeEquations out;
  for (int e = 0; e < 3; ++e)
    for (int i = 0; i < 10; ++i) out[e][i] = equations[e](i);
  return out;
}

struct ProofFindings {
  int proved = 0;          // points the call gave a finite radius
  int falseProofs = 0;     // of those, the ones the referee could not prove
  bool badReport = false;  // radii or point counts that do not fit what was returned
};

inline RefereePoint asPoint(const Solution& s) {
  return {std::complex<double>(s.x), std::complex<double>(s.y), std::complex<double>(s.z)};
}

inline RefereePoint asPoint(const ComplexSolution& s) {
  return {s.x, s.y, s.z};
}

/// The referee's verdicts on one system's claims: the two methods and the complex call
/// often claim the very same box, which is then proved once.
class ProofCache {
 public:
  bool proves(const RefereeEquations& equations, const RefereePoint& centre, double radius) {
    for (const Verdict& v : verdicts_)
      if (v.centre == centre && v.radius == radius) return v.proved;
    verdicts_.push_back({centre, radius, refereeProvesUniqueRoot(equations, centre, radius)});
    return verdicts_.back().proved;
  }

 private:
  struct Verdict {
    RefereePoint centre;
    double radius;
    bool proved;
  };
  std::vector<Verdict> verdicts_;
};

/// Every returned point with a finite radius, proved again by the referee.
template <typename List>
ProofFindings checkProofs(const RefereeEquations& equations, const List& points,
                          const SolveReport& report, ProofCache& cache) {
  ProofFindings findings;
  // Radii of points that were not returned. (Fewer reported points than returned ones leave
  // the rest unproved, which claims nothing.)
  if (report.points > static_cast<int>(points.size()) || report.points > kMostSolutions) {
    findings.badReport = true;
    return findings;
  }
  for (int i = 0; i < report.points; ++i) {
    const double r = report.radius[i];
    if (std::isnan(r)) continue;
    ++findings.proved;
    findings.falseProofs += !cache.proves(equations, asPoint(points[i]), r);
  }
  if (report.certified && findings.proved != report.points) findings.badReport = true;
  return findings;
}

/// The complex call's points as boxes, when all eight of them carry a radius.
inline std::vector<RefereeBox> provedBoxes(const ComplexSolutionList& points,
                                           const SolveReport& report) {
  std::vector<RefereeBox> boxes;
  if (report.points != kMostSolutions || points.size() != std::size_t(kMostSolutions)) return boxes;
  for (int i = 0; i < kMostSolutions; ++i) {
    if (std::isnan(report.radius[i])) return {};
    boxes.push_back({asPoint(points[i]), report.radius[i]});
  }
  return boxes;
}

/// All eight of the complex call's points proved, in pairwise disjoint boxes.
inline bool confirmsAllEight(const RefereeEquations& equations, const ComplexSolutionList& all,
                             const SolveReport& complexReport, ProofCache& cache) {
  const std::vector<RefereeBox> boxes = provedBoxes(all, complexReport);
  if (boxes.size() != std::size_t(kMostSolutions)) return false;
  for (const RefereeBox& box : boxes)
    if (!cache.proves(equations, box.centre, box.radius)) return false;
  return refereeProvesPairwiseDisjoint(boxes);
}

/// A claim of a complete set, for the real points `real`, borne out by the complex call's
/// boxes: eight proved, pairwise disjoint, and the real ones exactly the real points.
inline bool confirmsComplete(const RefereeEquations& equations, const ComplexSolutionList& all,
                             const SolveReport& complexReport, const SolutionList& real,
                             ProofCache& cache) {
  return confirmsAllEight(equations, all, complexReport, cache) &&
         refereeMatchesRealRoots(provedBoxes(all, complexReport), real);
}

}  // namespace quorvane::testing
