// SPDX-License-Identifier: BSD-3-Clause
// One try of the template in a frame: the system as it stands, the variables translated to
// where the solutions lie (centring), or in fixed other coordinates; and where to centre next.
#include <algorithm>
#include <cmath>

#include "fast/fast_method.h"
#include "tries.h"

namespace quorvane {
namespace {

// A point whose homogeneous coordinate is this small against the others lies at infinity.
constexpr double kAtInfinityTolerance = 1e-8;
// A candidate whose lifting plane's value is this small against its terms lies on it.
constexpr double kOnLiftingPlaneTolerance = 1e-6;
// Solutions spread over less than this fraction of their distance from the origin are a
// cluster far out.
constexpr double kClusterRatio = 1.0 / 16;

// Lifting a linear combination by a plane adds the plane's points to the solutions: these
// candidates belong to the detour, not to the system.
bool onLiftingPlane(const ComplexPoint& at, const std::array<Eigen::Vector4d, 3>& planes,
                    const LiftedPlanes& lifted) {
  for (int e = 0; e < kEquationCount; ++e) {
    if (!lifted[e]) continue;
    const Eigen::Vector4d& plane = planes[e];
    const std::complex<double> value =
        plane(0) + plane(1) * at(0) + plane(2) * at(1) + plane(3) * at(2);
    const double size =
        std::abs(plane(0)) + plane.tail<3>().cwiseAbs().dot(at.cwiseAbs().real().cast<double>());
    if (std::abs(value) <= kOnLiftingPlaneTolerance * size) return true;
  }
  return false;
}

bool clusteredFarOut(const Candidates& candidates) {
  // Eight finite real eigenvalues in real arithmetic, with the same result.
  const bool allReal = std::all_of(candidates.begin(), candidates.end(), [](const Candidate& c) {
    return c.z.imag() == 0 && std::isfinite(c.z.real());
  });
  if (allReal) {
    double mean = 0;
    for (const Candidate& c : candidates) mean += c.z.real();
    mean /= double(kBasisSize);
    double spread = 0;
    for (const Candidate& c : candidates) spread = std::max(spread, std::abs(c.z.real() - mean));
    return spread < kClusterRatio * std::max(1.0, std::abs(mean));
  }
  std::complex<double> mean = 0;
  for (const Candidate& c : candidates) mean += c.z;
  mean /= double(kBasisSize);
  double spread = 0;
  for (const Candidate& c : candidates) spread = std::max(spread, std::abs(c.z - mean));
  // NaN candidates fail the comparison and count as not clustered: nothing to check there.
  return spread < kClusterRatio * std::max(1.0, std::abs(mean));
}

// Whether every coordinate is within the caller's tolerance of real, relative to
// max(1, |point|) in the caller's variables (the tolerance in `judging` is in the scaled ones).
bool realInEveryCoordinate(const ComplexPoint& at, const Judging& judging) {
  const double allowed =
      std::max(judging.imaginaryTolerance, judging.relativeTolerance * largestMagnitude(at));
  for (int v = 0; v < 3; ++v)
    if (!(std::abs(at(v).imag()) < allowed)) return false;
  return true;
}

// A candidate real by its z may be a complex solution whose x or y is not real: under a
// wider tolerance it counts as real only where every coordinate is near real; under the
// default one, where its real part fails as a root but it verifies as the complex point it
// is, it is that complex point. Either way it is then checked as complex, so that a system of
// complex solutions alone is solved, with no real point.
void judgeEveryCoordinate(const Equations& system, const Judging& judging, Point& p) {
  if (!judging.everyCoordinate || !p.real || p.nanColumn || isReal(p.at)) return;
  const bool wide = judging.relativeTolerance > kRealEigenvalueTolerance;
  if (wide ? realInEveryCoordinate(p.at, judging) : p.error <= kForwardTolerance) return;
  const double error = forwardError(system, p.at);
  if (!wide && !(checked(system, p.at, error, true) <= kForwardTolerance)) return;
  p.real = false;
  p.checked = true;
  p.error = checked(system, p.at, error, true);
}

}  // namespace

// The template in one frame, its candidates brought back to the scaled system's variables
// and checked there. The first try, on the system as it stands, keeps its candidates as
// computed; the others refine theirs. `fast` takes the fast method's candidates instead of
// the template's (on the system as it stands only).
Try solveInFrame(const Equations& system, const Frame& frame, const Judging& judging,
                 const FastStart* fast) {
  const double imaginaryTolerance = judging.imaginaryTolerance;
  Try result;
  Equations local = frame.centre ? translatedEquations(system, *frame.centre) : system;
  LiftedPlanes lifted{};
  if (frame.change)
    local = changedCoordinates(liftLinearCombinations(local, frame.change->liftingPlanes, &lifted),
                               frame.change->homography);
  const bool asGiven = !frame.centre && !frame.change;
  const int exponent = asGiven ? 0 : scaleToUnitRange(local).variableExponent;
  Candidates computed;
  if (!local.allFinite()) return result;
  if (fast && !fast->accepted) return result;
  // The fast kernels polished their real candidates on the translated system, whose
  // coefficients are each within a rounding of the exact translation: those need only the
  // check on the system itself, not Newton's method again.
  const bool fromKernels =
      !fast && judging.fastKernels &&
      fastTemplateCandidates(local, computed, judging.forProofs, /*prove=*/false);
  if (!fast && !fromKernels && !templateCandidates(local, computed)) return result;
  const Candidates& candidates = fast ? *fast->candidates : computed;
  result.ran = true;
  if (fast) result.structured = fast->structured, result.mostSolutions = fast->mostSolutions;
  // All eight solutions close together against their distance from the origin: the eigen-
  // solver may then read a real root as complex, so the complex candidates are checked too.
  // Worked out at the first candidate that is not real, the only kind it concerns.
  int clusteredState = -1;  // unknown
  const auto clustered = [&] {
    if (clusteredState < 0) clusteredState = asGiven && clusteredFarOut(candidates);
    return clusteredState == 1;
  };
  const bool judgedComplex = judging.complexPoints;
  bool undecided = false;  // the fast path left a pair for the equations to decide
  int finiteCandidates = 0;
  result.path = asGiven        ? SolvePath::asGiven
                : frame.change ? SolvePath::firstChange
                               : SolvePath::centred;
  // A candidate in the system's variables: scaled back, through the change of coordinates
  // (false for a solution at infinity, or an extra one on the plane sent there) and the
  // translation. A homogeneous coordinate small but not zero is a solution at infinity, or a
  // root far out (at 1.7e9 beside others at 1): there the point is kept only where Newton's
  // method takes it to a root of the system (`farOut`). Where one does, the frame cannot tell
  // roots far out from infinity, and one that does not may be a root it lost (the try is then
  // not complete: roots at +-1.7e19 of which each frame found one). So may a candidate exactly
  // at infinity: beside roots so far out, the read-out of each is rounding (four real roots
  // at 6e62 came out as three candidates at 1e8 times their distance and one at infinity).
  const double scale = std::ldexp(1.0, exponent);
  const auto inSystemVariables = [&](const Candidate& c, ComplexPoint& at, bool& farOut) {
    at = ComplexPoint(scale * c.x, scale * c.y, scale * c.z);
    farOut = false;
    bool onPlane = false;
    if (frame.change) {
      const Eigen::Vector4cd homogeneous = frame.change->homography.cast<std::complex<double>>() *
                                           Eigen::Vector4cd(at(0), at(1), at(2), 1.0);
      if (!(std::abs(homogeneous(3)) > kAtInfinityTolerance * homogeneous.cwiseAbs().maxCoeff())) {
        if (!(std::abs(homogeneous(3)) > 0)) {
          ++result.farOutUnreached;
          return false;
        }
        farOut = true;
      }
      for (int v = 0; v < 3; ++v) at(v) = divideComplex(homogeneous(v), homogeneous(3));
      if (!at.allFinite()) return false;
      // Far out, a point lies along the lifting planes' directions as much as on them: there
      // the plane decides nothing, Newton's method does (real roots at 4e8 of the scaled
      // system were dropped as points of a lifting plane).
      onPlane = onLiftingPlane(at, frame.change->liftingPlanes, lifted);
      if (onPlane && !farOut) return false;
    }
    if (frame.centre) at += frame.centre->cast<std::complex<double>>();
    if (farOut) {
      ComplexPoint root = at;
      if (!(checked(system, root, refineTowardsRoot(system, root), true) <= kForwardTolerance)) {
        if (!onPlane) ++result.farOutUnreached;
        return false;
      }
      ++result.farOutRoots;
      at = root;
    }
    return true;
  };
  for (const Candidate& c : candidates) {
    if (fromKernels && std::isfinite(std::abs(c.x)) && std::isfinite(std::abs(c.y)) &&
        std::isfinite(std::abs(c.z)))
      ++finiteCandidates;
    if (c.forProofOnly) {
      if (c.zeroDivisor) continue;
      ComplexPoint at;
      bool farOut;
      if (!inSystemVariables(c, at, farOut)) continue;
      double radius = c.proofRadius;
      if (!asGiven) {
        // The kernels' candidates in another frame: proved there, on equations rounded on the
        // way, so to be proved again on the system itself.
        radius = kNaN;
        // Read as clearly complex there, the pair must be a complex root of the system
        // itself; one that is not stands for roots the kernels missed (close real roots of a
        // tight cluster read as a pair), and the try is not complete. The equations are
        // real: the first of the pair (Im z > 0) answers for both.
        ComplexPoint root = at;
        if (c.z.imag() > 0 &&
            !(checked(system, root, refineTowardsRoot(system, root), true) <= kForwardTolerance &&
              std::abs(root(2).imag()) >= imaginaryTolerance))
          result.lostCandidate = true;
      }
      // Proofs are made of the system's own candidates and of those around a cluster, not of
      // a change of coordinates' (whose extra solutions the count would not tell apart).
      if (frame.change) continue;
      result.forProof[result.forProofCount] = at;
      result.forProofRadius[result.forProofCount++] = radius;
      continue;
    }
    if (fast && std::isfinite(c.proofRadius) && c.z.imag() == 0) {
      result.provedReal[result.provedRealCount] = {c.x.real(), c.y.real(), c.z.real()};
      result.provedRealRadius[result.provedRealCount++] = c.proofRadius;
    }
    Point p;
    p.nanColumn = c.zeroDivisor;
    if (c.zeroDivisor) {
      // Only the first try reports these (the three-argument call returns them as NaN
      // columns); elsewhere they are points at infinity of a detour, not of the system.
      if (!asGiven || !(c.imaginaryPart < imaginaryTolerance)) continue;
      p.real = true;
      // A real eigenvalue without its entry for 1 may be a real root far out (|z| = 1e6)
      // whose entry the eigen-solver lost: the calls with options do not take the try as
      // complete beside it.
      p.unresolved = judging.everyCoordinate && c.imaginaryPart == 0;
      p.at.setConstant({kNaN, 0.0});
      result.points[result.count++] = p;
      continue;
    }
    ComplexPoint at;
    bool farOut;
    if (!inSystemVariables(c, at, farOut) || !at.allFinite()) continue;
    p.at = at;
    // The first try judges by the eigenvalue, by which the three-argument call counts a
    // candidate as real; the others by the z they give the scaled system, since their own
    // variables are not the caller's.
    // A real eigenvalue gives a real point; a near-real one keeps its imaginary parts for
    // the check, which must see whether it is near a complex root or two real ones.
    if (asGiven && fast && (!c.real || c.closeRoot)) {
      // A pair the fast path could not tell from two close real roots, or one of two close
      // real roots it could not read apart: Newton's method on the equations decides, as in
      // the tries below, and the split of close roots after it.
      undecided = true;
      const double error = refineTowardsRoot(system, p.at);
      p.real = std::abs(p.at(2).imag()) < imaginaryTolerance;
      p.checked = !p.real;
      p.error = checked(system, p.at, error, judgedComplex || !p.real);
    } else if (asGiven) {
      p.real = c.imaginaryPart < imaginaryTolerance;
      // A pair of a line meeting a quadric whose real part solves the equations to their
      // rounding is one double root to the input's precision, however far off the real space
      // (under a tolerance not below the default; below it the caller asks for fewer): mirror
      // positions at map coordinates that the rounding of the constants (0.004 m² at 2e13)
      // turned into a pair some centimetres off. It comes back once, as its real point (a
      // near-double point).
      if (!p.real && c.real && fast && fast->structured && fast->mostSolutions <= 2 &&
          judging.relativeTolerance >= kRealEigenvalueTolerance &&
          largestRelativeResidual(system, c.x.real(), c.y.real(), c.z.real()) <=
              kDoubleRootResidual)
        p.real = true;
      p.checked = !p.real && clustered();
      if (p.real)
        p.error = checkedForwardError(system, p.at, judgedComplex);
      else if (p.checked)
        p.error = forwardError(system, p.at);
    } else if (fromKernels && c.real && !c.closeRoot && c.z.imag() == 0 && !farOut) {
      p.real = true;
      p.error = checkedForwardError(system, p.at, judgedComplex);
    } else {
      const double error = refineTowardsRoot(system, p.at);
      p.real = std::abs(p.at(2).imag()) < imaginaryTolerance;
      // Every candidate of these tries must reach a root, complex ones too: one that does not
      // stands for a root the try missed (two close real roots read as a complex pair).
      p.checked = !p.real;
      p.error = checked(system, p.at, error, judgedComplex || !p.real);
    }
    judgeEveryCoordinate(system, judging, p);
    result.points[result.count++] = p;
  }
  // The kernels in a translated frame list every pair: where one could not be computed, the
  // roots behind it may be real ones.
  if (fromKernels && finiteCandidates < kBasisSize) result.lostCandidate = true;
  if (result.farOutRoots > 0 && result.farOutUnreached > 0) result.lostCandidate = true;
  if (!asGiven || undecided) {
    separateCloseRoots(system, result);
    discountRootsReachedTwice(result);
  }
  return result;
}

// Where to translate the variables: the mean of the candidates near a root, or, when none
// is, the median of all finite ones (robust to those at or near infinity).
bool centreOf(const Try& t, Eigen::Vector3d& centre) {
  Eigen::Vector3d sum = Eigen::Vector3d::Zero();
  int plausible = 0;
  std::array<std::array<double, kBasisSize>, 3> coordinates;
  int finite = 0;
  for (int i = 0; i < t.count; ++i) {
    const Point& p = t.points[i];
    if (p.nanColumn) continue;
    const Eigen::Vector3d at = p.at.real();
    if (p.error <= kPlausibleTolerance) sum += at, ++plausible;
    for (int v = 0; v < 3; ++v) coordinates[v][finite] = at(v);
    ++finite;
  }
  if (plausible > 0) {
    centre = sum / plausible;
    return true;
  }
  if (finite == 0) return false;
  for (int v = 0; v < 3; ++v) {
    auto& values = coordinates[v];
    std::nth_element(values.begin(), values.begin() + finite / 2, values.begin() + finite);
    centre(v) = values[finite / 2];
  }
  return centre.allFinite();
}

}  // namespace quorvane
