// SPDX-License-Identifier: BSD-3-Clause
// What the referee makes of one call's proofs: each point with a finite radius must be proved
// again, and a real call's claim of a complete set must be borne out by the complex call's
// eight proved boxes, or by its own where the system can have fewer solutions.
#pragma once

#include <quorvane/types.h>

#include <algorithm>
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

/// Whether a real point proved with `radius` and a box of the complex call hold the same root:
/// the point lies in the box, or a polydisc around the point wide enough to hold both boxes
/// holds only one root. (Two calls may prove the same root from points a little apart.)
inline bool sameRoot(const RefereeEquations& equations, const Solution& point, double radius,
                     const RefereeBox& box, ProofCache& cache) {
  const RefereePoint centre = asPoint(point);
  double apart = 0;
  for (int v = 0; v < 3; ++v) apart = std::max(apart, std::abs(centre[v] - box.centre[v]));
  // Rounded up well beyond the rounding of these few operations: the polydisc must hold both.
  const double hull = std::max(radius, (apart + box.radius) * (1 + 0x1p-40) + 0x1p-1000);
  return cache.proves(equations, centre, hull);
}

/// A claim of a complete set, for the real points `real` (proved with `realReport`'s radii),
/// borne out by the real points' own boxes where they are as many as a system of fewer than
/// eight solutions can have (refereeMostSolutions), else by the complex call's boxes: eight proved,
/// pairwise disjoint, and their real ones the roots of the real points, one each.
inline bool confirmsComplete(const RefereeEquations& equations, const ComplexSolutionList& all,
                             const SolveReport& complexReport, const SolutionList& real,
                             const SolveReport& realReport, ProofCache& cache) {
  // Real points as many as a system of fewer than eight solutions can have, each proved, in
  // disjoint boxes.
  const int most = refereeMostSolutions(equations);
  if (most < kMostSolutions && static_cast<int>(real.size()) == most &&
      realReport.points == static_cast<int>(real.size())) {
    std::vector<RefereeBox> boxes;
    for (std::size_t i = 0; i < real.size(); ++i) {
      if (std::isnan(realReport.radius[i]) ||
          !cache.proves(equations, asPoint(real[i]), realReport.radius[i]))
        return false;
      boxes.push_back({asPoint(real[i]), realReport.radius[i]});
    }
    return refereeProvesPairwiseDisjoint(boxes);
  }
  if (!confirmsAllEight(equations, all, complexReport, cache)) return false;
  std::vector<RefereeBox> realBoxes;
  for (const RefereeBox& box : provedBoxes(all, complexReport)) {
    const RootReality reality = refereeRealityOf(box);
    if (reality == RootReality::unknown) return false;
    if (reality == RootReality::real) realBoxes.push_back(box);
  }
  if (realBoxes.size() != real.size() || realReport.points != static_cast<int>(real.size()))
    return false;
  std::vector<bool> taken(realBoxes.size(), false);
  for (std::size_t i = 0; i < real.size(); ++i) {
    if (std::isnan(realReport.radius[i])) return false;
    bool found = false;
    for (std::size_t b = 0; b < realBoxes.size() && !found; ++b)
      if (!taken[b] && sameRoot(equations, real[i], realReport.radius[i], realBoxes[b], cache))
        found = taken[b] = true;
    if (!found) return false;
  }
  return true;
}

}  // namespace quorvane::testing
