// SPDX-License-Identifier: BSD-3-Clause
// The tries of one system: the fast method where asked, the template as the system stands,
// then translations and other coordinates until every candidate verifies.
#include "tries.h"

#include <Eigen/LU>
#include <Eigen/SVD>
#include <algorithm>

#include "equation_terms.h"
#include "fast/fast_method.h"
#include "template.h"

namespace quorvane {
namespace {

// Translations tried, each from the best candidates so far.
constexpr int kMostCentringRounds = 3;
// Candidates within this fraction of their centre's distance from the origin are a cluster
// far out, worth a fast try of their own around it.
constexpr double kClusterRatio = 1.0 / 16;
// Below this fraction of the largest singular value the three equations are dependent.
constexpr double kDependentEquationTolerance = 1e-10;
// Roots beyond this distance from the origin of the scaled system, whose unit the solutions'
// size sets, lie where no frame tells roots from solutions at infinity by their rounding: real
// roots at +-1e17 and +-4e12 came out as one of each pair, the other dropped at infinity.
constexpr double kFarthestReadRoot = 0x1p40;

}  // namespace

// Where the solutions cluster, if they do: the stationary point of a combination of the
// equations (each nearly a quadratic form around the cluster, so its gradient nearly vanishes
// there), accepted where the equations translated to it have constant and linear terms far
// below their quadratic ones.
bool clusterCentre(const Equations& system, Eigen::Vector3d& centre) {
  constexpr double kWeights[kEquationCount] = {1, 0.75, 0.5};
  Eigen::Matrix<double, 1, kCoefficientCount> combined =
      Eigen::Matrix<double, 1, kCoefficientCount>::Zero();
  for (int e = 0; e < kEquationCount; ++e) combined += kWeights[e] * system.row(e);
  // The gradient (c_xy y + c_xz z + 2 c_xx x + c_x, ...) is zero where H p = -l.
  Eigen::Matrix3d hessian;
  hessian << 2 * combined(4), combined(1), combined(2), combined(1), 2 * combined(5), combined(3),
      combined(2), combined(3), 2 * combined(6);
  const Eigen::PartialPivLU<Eigen::Matrix3d> lu(hessian);
  centre = lu.solve(-Eigen::Vector3d(combined(7), combined(8), combined(9)));
  const double distance = centre.lpNorm<Eigen::Infinity>();
  if (!centre.allFinite() || !(distance > kClusterRatio)) return false;
  // The translated equations' linear terms are the gradients at the centre and their constants
  // the values there. Plain double decides the test: its rounding, a few units of the terms'
  // size (q d²), is far below the bounds (q d² / 256); the kernels' translation is compensated.
  double monomials[kTermCount];
  monomialsAt(centre(0), centre(1), centre(2), monomials);
  for (int e = 0; e < kEquationCount; ++e) {
    const auto row = system.row(e);
    const double quadratic = row.segment<6>(1).cwiseAbs().maxCoeff();
    double gradient[3], value;
    gradientAt(row, centre(0), centre(1), centre(2), gradient);
    sumOfTerms<false>(row, monomials, value);
    const double linear =
        std::max({std::abs(gradient[0]), std::abs(gradient[1]), std::abs(gradient[2])});
    // In the cluster's own scale s (solutions s apart around it), c ~ q s² and l ~ q s.
    if (!(linear <= kClusterRatio * distance * quadratic &&
          std::abs(value) <= kClusterRatio * kClusterRatio * distance * distance * quadratic))
      return false;
  }
  return true;
}

namespace {

bool hasNearRealPair(const Try& t) {
  for (int i = 0; i < t.count; ++i)
    if (t.points[i].real && !isReal(t.points[i].at)) return true;
  return false;
}

bool hasRootBeyondReadOut(const Try& t) {
  for (int i = 0; i < t.count; ++i)
    if (t.points[i].error <= kForwardTolerance &&
        largestMagnitude(t.points[i].at) > kFarthestReadRoot)
      return true;
  return false;
}

bool hasUnresolved(const Try& t) {
  for (int i = 0; i < t.count; ++i)
    if (t.points[i].unresolved) return true;
  return false;
}

// The better of two tries: one verified completely, else the one with more verified
// points; the earlier on a tie.
const Try& better(const Try& earlier, const Try& later) {
  if (earlier.complete()) return earlier;
  if (later.complete()) return later;
  return later.verified() > earlier.verified() ? later : earlier;
}

// Equations that depend on each other leave a curve of solutions (or none), not points.
bool independent(const Equations& equations) {
  const auto singular = Eigen::JacobiSVD<Equations>(equations).singularValues();
  return singular(kEquationCount - 1) > kDependentEquationTolerance * singular(0);
}

}  // namespace

FastStart fastStart(const Equations& system, bool certify, Candidates& candidates) {
  FastStart start;
  start.candidates = &candidates;
  start.structured = structuredCandidates(system, candidates, start.mostSolutions, certify);
  start.clustered = !start.structured && clusterCentre(system, start.centre);
  start.accepted =
      start.structured || (!start.clustered && fastTemplateCandidates(system, candidates, certify));
  return start;
}

bool templateCandidates(const Equations& equations, Candidates& candidates) {
  CoefficientMatrix reduced;
  if (!reduceForTemplate(equations, reduced)) return false;
  ActionMatrix action;
  return actionMatrix(eliminationTemplate(reduced), action) && eigenCandidates(action, candidates);
}

// `exponent`: the scaled system's variables are the caller's over 2^exponent; the
// imaginary tolerance is the caller's. `fastStart`: the fast method's candidates if already
// computed.
Try solveScaled(const Equations& system, int exponent, const SolveOptions& options,
                bool complexPoints, bool everyCoordinate, SolveReport& report,
                const FastStart* fastStart) {
  // Once a try has found a root so far out that its frame could not tell it from infinity,
  // no later one that dropped candidates there as solutions at infinity is complete.
  bool farOutRootsSeen = false;
  const auto inFrame = [&](const Frame& frame, const Judging& judging,
                           const FastStart* fast = nullptr) {
    Try t = solveInFrame(system, frame, judging, fast);
    if (farOutRootsSeen && t.farOutUnreached > 0) t.lostCandidate = true;
    // (The three-argument call keeps its results: it claims no status.)
    if (everyCoordinate && hasRootBeyondReadOut(t)) t.lostCandidate = true;
    farOutRootsSeen = farOutRootsSeen || t.farOutRoots > 0;
    return t;
  };
  const Judging judging{std::ldexp(options.imaginaryTolerance, -exponent),
                        complexPoints || options.imaginaryTolerance > kRealEigenvalueTolerance,
                        everyCoordinate, options.imaginaryTolerance};
  // The fast method's result stands where it verifies completely and shows no close pair;
  // anything else goes the standard way, which is never less complete.
  if (fastMethodApplies(options)) {
    Candidates candidates;
    FastStart own;
    if (!fastStart) {
      own = quorvane::fastStart(system, options.certify, candidates);
      fastStart = &own;
    }
    Try fast = inFrame(Frame{}, judging, fastStart);
    // A near-real pair of a line meeting a quadric is the reduction's answer: two close real
    // roots would have come out of its quadratic as such. (A pencil's lines are not that
    // exact.)
    const bool fromOneQuadratic = fast.structured && fast.mostSolutions <= 2;
    if (fast.complete() && (fromOneQuadratic || !hasNearRealPair(fast))) {
      report.method = Method::fast;
      return fast;
    }
    // A system the template cannot take as it stands (no xy term, pivots off the leading
    // block): the kernels in the fixed changes of coordinates, before the standard way
    // would try them, every pair they read as complex checked as the root it must be.
    CoefficientMatrix reduced;
    if (!fastStart->accepted && !fastStart->structured && !fastStart->clustered &&
        !reduceForTemplate(system, reduced)) {
      Judging changed = judging;
      changed.fastKernels = true;
      changed.forProofs = true;
      const auto& changes = coordinateChanges();
      for (std::size_t c = 0; c < changes.size(); ++c) {
        Try other = inFrame(Frame{nullptr, &changes[c]}, changed);
        other.path = c == 0 ? SolvePath::firstChange : SolvePath::secondChange;
        if (other.complete() && !hasNearRealPair(other)) {
          report.method = Method::fast;
          return other;
        }
      }
    }
    // Solutions clustered far from the origin, which the kernels cannot tell apart as the
    // system stands: the kernels on the system translated to the cluster. Roots too close
    // for the kernels' read-out as given: the kernels around where their candidates lie,
    // where close roots are separated.
    Eigen::Vector3d centre = fastStart->centre;
    if (fastStart->clustered ||
        (fastStart->accepted && !fastStart->structured && fast.ran && centreOf(fast, centre))) {
      Judging centred = judging;
      centred.fastKernels = true;
      // Every pair listed, so that each can be checked as the complex root it must be.
      centred.forProofs = true;
      Try local = inFrame(Frame{&centre, nullptr}, centred);
      if (local.complete() && !hasNearRealPair(local)) {
        report.method = Method::fast;
        local.centringRounds = ++report.centringRounds;
        return local;
      }
    }
  }
  Try best = inFrame(Frame{}, judging);
  if (best.complete()) return best;
  const bool unread = hasUnresolved(best);
  if (!independent(system)) {
    report.status = SolveStatus::dependentEquations;
    return best;
  }
  // Centres come from the latest try that gave candidates: each is closer than the last.
  Try latest = best;
  bool changesTried = false, centred = false, stalled = false;
  Eigen::Vector3d centre = Eigen::Vector3d::Zero(), lastCentre = centre;
  const auto& changes = coordinateChanges();
  // Each later try covers what the one before cannot take: a translation to where the
  // candidates so far lie (clusters far from the origin), the fixed changes of coordinates
  // (no xy term, solutions sharing z, spheres, solutions at infinity), and both.
  for (int round = 0; round < kMostCentringRounds + 1 && !best.complete(); ++round) {
    if (!stalled && centreOf(latest, centre) && (!centred || centre != lastCentre)) {
      centred = true, lastCentre = centre;
      ++report.centringRounds;
      const int verifiedBefore = best.verified();
      Try local = inFrame(Frame{&centre, nullptr}, judging);
      // The other coordinates where the template cannot take the translated system at all
      // (spheres, no xy term); otherwise the next round centres better.
      for (std::size_t c = 0; c < changes.size() && !local.ran; ++c) {
        Try changed = inFrame(Frame{&centre, &changes[c]}, judging);
        changed.path = SolvePath::centred;
        local = better(local, changed);
      }
      local.centringRounds = report.centringRounds;
      if (local.ran) latest = local;
      best = better(best, local);
      // Centring goes on while it finds more.
      stalled = !best.complete() && best.verified() <= verifiedBefore;
    } else if (!changesTried) {
      changesTried = true;
      for (std::size_t c = 0; c < changes.size() && !best.complete(); ++c) {
        Try changed = inFrame(Frame{nullptr, &changes[c]}, judging);
        changed.path = c == 0 ? SolvePath::firstChange : SolvePath::secondChange;
        if (changed.ran) latest = changed;
        best = better(best, changed);
      }
    } else {
      break;
    }
  }
  if (unread && best.count < kBasisSize) best.lostCandidate = true;
  return best;
}

}  // namespace quorvane
