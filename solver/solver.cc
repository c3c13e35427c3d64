// SPDX-License-Identifier: BSD-3-Clause
#include "quorvane/solver.h"

#include <Eigen/SVD>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "action.h"
#include "compensated.h"
#include "coordinates.h"
#include "equations.h"
#include "fast_path.h"
#include "gauss_jordan.h"
#include "scaling.h"
#include "solve_paths.h"
#include "template.h"

namespace quorvane {
namespace {

// A candidate is verified when one Newton step from it, with the equations' values in
// compensated arithmetic, is at most this fraction of max(1, |point|) in the scaled
// variables: a forward error, which a small residual far from the origin is not.
constexpr double kForwardTolerance = 1e-9;
// And, as before, each equation's value at the point's real part is at most this fraction of
// the sum of its terms' magnitudes, so that a point at a double root's rounding distance is
// not taken where no equation is near zero.
constexpr double kRealResidualTolerance = 1e-8;
// Candidates this close to a root are good enough to centre the variables on.
constexpr double kPlausibleTolerance = 1e-2;
// Translations tried, each from the best candidates so far.
constexpr int kMostCentringRounds = 3;
// A point whose homogeneous coordinate is this small against the others lies at infinity.
constexpr double kAtInfinityTolerance = 1e-8;
// Below this fraction of the largest singular value the three equations are dependent.
constexpr double kDependentEquationTolerance = 1e-10;
// A candidate whose lifting plane's value is this small against its terms lies on it.
constexpr double kOnLiftingPlaneTolerance = 1e-6;
// Solutions spread over less than this fraction of their distance from the origin are a
// cluster far out.
constexpr double kClusterRatio = 1.0 / 16;
// Imaginary parts this many times a point's error are noise of a real root.
constexpr double kImaginaryRounding = 16;
// Refined points this close (relative) are one root reached twice.
constexpr double kSameRootTolerance = 1e-12;

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// One candidate of a try, in the variables of the scaled system.
struct Point {
  ComplexPoint at;
  bool real = false;       // counts as real under the caller's tolerance
  bool nanColumn = false;  // its eigenvector has no entry for 1
  bool checked = false;    // a complex point that must verify for the try to be complete
  double error = kInfinity;
};

// The candidates of one try, in the eigen-solver's order.
struct Try {
  std::array<Point, kBasisSize> points;
  int count = 0;
  bool ran = false;  // the template gave candidates
  SolvePath path = SolvePath::none;
  int centringRounds = 0;

  int verified() const {
    int n = 0;
    for (int i = 0; i < count; ++i)
      n += points[i].real && !points[i].nanColumn && points[i].error <= kForwardTolerance;
    return n;
  }
  bool complete() const {
    if (!ran) return false;
    for (int i = 0; i < count; ++i)
      if ((points[i].real || points[i].checked) && !points[i].nanColumn &&
          !(points[i].error <= kForwardTolerance))
        return false;
    return true;
  }
};

// Where a try's variables sit in those of the scaled system: translated to `centre`, then
// (optionally) through a projective change, then scaled by a power of two.
struct Frame {
  const Eigen::Vector3d* centre = nullptr;
  const CoordinateChange* change = nullptr;
};

bool isReal(const ComplexPoint& p) {
  return p.imag().isZero(0);
}

}  // namespace

bool templateCandidates(const Equations& equations, Candidates& candidates) {
  CoefficientMatrix reduced;
  if (!reduceForTemplate(equations, reduced)) return false;
  ActionMatrix action;
  return actionMatrix(eliminationTemplate(reduced), action) && eigenCandidates(action, candidates);
}

namespace {

// The forward error of a point, or infinity when it leaves a residual. Under the default
// tolerance the real part must nearly solve the equations, as it always has; a wider one
// lets the real part miss them by the square of the imaginary parts, so the point is then
// judged as the complex point it is.
double checked(const Equations& system, const ComplexPoint& at, double error, bool judgedComplex) {
  const double residual =
      judgedComplex && !isReal(at)
          ? largestRelativeResidual(system, at(0), at(1), at(2))
          : largestRelativeResidual(system, at(0).real(), at(1).real(), at(2).real());
  if (!(residual <= kRealResidualTolerance)) return kInfinity;
  return error;
}

// forwardErrorWithin, then checked: at a real point the check reads the sums of the first.
double checkedForwardError(const Equations& system, const ComplexPoint& at, bool judgedComplex) {
  double residual = kNaN;
  const double error = forwardErrorWithin(system, at, kForwardTolerance, &residual);
  if (std::isnan(residual)) return checked(system, at, error, judgedComplex);
  return residual <= kRealResidualTolerance ? error : kInfinity;
}

// Newton's method from a candidate; returns its forward error. A complex start may close in
// on a real root (or on two close real roots, where Newton's method crawls) with imaginary
// parts no larger than its own error: then the real part is refined in real arithmetic, and
// kept if it verifies.
double refineTowardsRoot(const Equations& system, ComplexPoint& at) {
  double error = refineCompensated(system, at);
  const double size = std::max(1.0, largestMagnitude(at));
  if (!isReal(at) && at.imag().cwiseAbs().maxCoeff() <=
                         kImaginaryRounding * std::max(error, kForwardTolerance) * size) {
    ComplexPoint real = at.real().cast<std::complex<double>>();
    const double realError = refineCompensated(system, real);
    if (realError <= kForwardTolerance) at = real, error = realError;
  }
  return error;
}

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

void separateCloseRoots(const Equations& system, Try& t);
bool sameRoot(const ComplexPoint& a, const ComplexPoint& b);

// sameRoot's tolerance at the largest coordinate of a try's verified real points (at least 1),
// the only ones compared: two of them whose z are further apart than this are not the same
// root, which rules out most pairs at the cost of one subtraction.
double sameRootReach(const Try& t) {
  double largest = 1;
  for (int i = 0; i < t.count; ++i)
    if (t.points[i].real && t.points[i].error <= kForwardTolerance)
      largest = std::max(largest, largestMagnitude(t.points[i].at));
  return kSameRootTolerance * largest;
}

bool apartInZ(const ComplexPoint& a, const ComplexPoint& b, double reach) {
  return std::abs(a(2).real() - b(2).real()) > reach;
}

// Two candidates refined to one root (that no split explains) leave another root unfound:
// the second is not counted, so that the try is not taken as complete.
void discountRootsReachedTwice(Try& t) {
  const double reach = sameRootReach(t);
  for (int j = 0; j < t.count; ++j) {
    Point& b = t.points[j];
    if (!b.real || !(b.error <= kForwardTolerance)) continue;
    for (int i = 0; i < j; ++i) {
      const Point& a = t.points[i];
      if (a.real && a.error <= kForwardTolerance && !apartInZ(a.at, b.at, reach) &&
          sameRoot(a.at, b.at)) {
        b.error = kInfinity;
        break;
      }
    }
  }
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

// How a try judges its candidates: real when the imaginary part of z is below the tolerance
// (in the scaled variables), and checked as the complex points they are where a wider
// tolerance lets real parts miss the equations, or where complex points are returned.
struct Judging {
  double imaginaryTolerance;
  bool complexPoints;
};

// The fast method's candidates for a system as it stands: computed for this call alone, or
// beforehand in a batch's lanes.
struct FastStart {
  bool accepted = false;
  const Candidates* candidates = nullptr;
};

// The template in one frame, its candidates brought back to the scaled system's variables
// and checked there. The first try, on the system as it stands, keeps its candidates as
// computed; the others refine theirs. `fast` takes the fast method's candidates instead of
// the template's (on the system as it stands only).
Try solveInFrame(const Equations& system, const Frame& frame, const Judging& judging,
                 const FastStart* fast = nullptr) {
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
  if (fast) {
    if (!fast->accepted) return result;
  } else if (!templateCandidates(local, computed)) {
    return result;
  }
  const Candidates& candidates = fast ? *fast->candidates : computed;
  result.ran = true;
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
  result.path = asGiven        ? SolvePath::asGiven
                : frame.change ? SolvePath::firstChange
                               : SolvePath::centred;
  for (const Candidate& c : candidates) {
    Point p;
    p.nanColumn = c.zeroDivisor;
    if (c.zeroDivisor) {
      // Only the first try reports these, as it always has; elsewhere they are points at
      // infinity of a detour, not of the system.
      if (!asGiven || !(c.imaginaryPart < imaginaryTolerance)) continue;
      p.real = true;
      p.at.setConstant({kNaN, 0.0});
      result.points[result.count++] = p;
      continue;
    }
    const double scale = std::ldexp(1.0, exponent);
    ComplexPoint at(scale * c.x, scale * c.y, scale * c.z);
    if (frame.change) {
      const Eigen::Vector4cd homogeneous = frame.change->homography.cast<std::complex<double>>() *
                                           Eigen::Vector4cd(at(0), at(1), at(2), 1.0);
      // Solutions at infinity of the system, and extra ones on the plane sent to infinity.
      if (!(std::abs(homogeneous(3)) > kAtInfinityTolerance * homogeneous.cwiseAbs().maxCoeff()))
        continue;
      for (int v = 0; v < 3; ++v) at(v) = divideComplex(homogeneous(v), homogeneous(3));
      if (onLiftingPlane(at, frame.change->liftingPlanes, lifted)) continue;
    }
    if (frame.centre) at += frame.centre->cast<std::complex<double>>();
    if (!at.allFinite()) continue;
    p.at = at;
    // The first try judges by the eigenvalue, as it always has; the others by the z they
    // give the scaled system, since their own variables are not the caller's.
    // A real eigenvalue gives a real point; a near-real one keeps its imaginary parts for
    // the check, which must see whether it is near a complex root or two real ones.
    if (asGiven && fast && !c.real) {
      // A pair the fast path could not tell from two close real roots: Newton's method on the
      // equations decides, as in the tries below.
      undecided = true;
      const double error = refineTowardsRoot(system, p.at);
      p.real = std::abs(p.at(2).imag()) < imaginaryTolerance;
      p.checked = !p.real;
      p.error = checked(system, p.at, error, judgedComplex || !p.real);
    } else if (asGiven) {
      p.real = c.imaginaryPart < imaginaryTolerance;
      p.checked = !p.real && clustered();
      if (p.real)
        p.error = checkedForwardError(system, p.at, judgedComplex);
      else if (p.checked)
        p.error = forwardError(system, p.at);
    } else {
      const double error = refineTowardsRoot(system, p.at);
      p.real = std::abs(p.at(2).imag()) < imaginaryTolerance;
      // Every candidate of these tries must reach a root, complex ones too: one that does not
      // stands for a root the try missed (two close real roots read as a complex pair).
      p.checked = !p.real;
      p.error = checked(system, p.at, error, judgedComplex || !p.real);
    }
    result.points[result.count++] = p;
  }
  if (!asGiven || undecided) {
    separateCloseRoots(system, result);
    discountRootsReachedTwice(result);
  }
  return result;
}

bool hasNearRealPair(const Try& t) {
  for (int i = 0; i < t.count; ++i)
    if (t.points[i].real && !isReal(t.points[i].at)) return true;
  return false;
}

// The better of two tries: one verified completely, else the one with more verified
// points; the earlier on a tie.
const Try& better(const Try& earlier, const Try& later) {
  if (earlier.complete()) return earlier;
  if (later.complete()) return later;
  return later.verified() > earlier.verified() ? later : earlier;
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

// Two distinct real roots close together are, to the eigen-solver, one near-double root:
// it returns them as a near-real complex pair, or the same point twice. Along the nearly
// singular direction n of the Jacobian the equations reduce to one quadratic in t,
// wᵀ f(p + t n) = g0 + g1 t + g2 t² (w its left partner), exact but for terms of order t³.
// Its real roots, polished by Newton's method, are the two points; no real roots, and the
// pair is complex or one double root.
bool splitPair(const Equations& system, const Eigen::Vector3d& near, Eigen::Vector3d& first,
               Eigen::Vector3d& second) {
  Eigen::Vector3d p = near;
  ComplexPoint probe;
  // Onto the pair's line first: Newton in the two well-conditioned directions only.
  Eigen::JacobiSVD<Eigen::Matrix3d> svd;
  for (int pass = 0; pass < 2; ++pass) {
    Eigen::Matrix3d jacobian;
    Eigen::Vector3d value;
    equationValuesAndJacobian(system, p, value, jacobian);
    svd.compute(jacobian, Eigen::ComputeFullU | Eigen::ComputeFullV);
    const auto& s = svd.singularValues();
    if (!(s(1) > 0)) return false;
    for (int i = 0; i < 2; ++i)
      p -= svd.matrixV().col(i) * (svd.matrixU().col(i).dot(value) / s(i));
  }
  Eigen::Matrix3d jacobian;
  Eigen::Vector3d value;
  equationValuesAndJacobian(system, p, value, jacobian);
  svd.compute(jacobian, Eigen::ComputeFullU | Eigen::ComputeFullV);
  const Eigen::Vector3d w = svd.matrixU().col(2), n = svd.matrixV().col(2);
  const double g0 = w.dot(value), g1 = w.dot(jacobian * n), g2 = w.dot(quadraticPart(system, n));
  const double discriminant = g1 * g1 - 4 * g0 * g2;
  if (!(discriminant > 0) || g2 == 0) return false;
  // The root of larger magnitude first, the other from the product, without cancellation.
  const double q = -0.5 * (g1 + std::copysign(std::sqrt(discriminant), g1));
  const double t[2] = {q / g2, q != 0 ? g0 / q : 0.0};
  Eigen::Vector3d roots[2];
  for (int i = 0; i < 2; ++i) {
    ComplexPoint start = (p + t[i] * n).cast<std::complex<double>>();
    if (!(refineCompensated(system, start) <= kForwardTolerance)) return false;
    roots[i] = start.real();
  }
  // Both starts may still fall to the same root; then nothing was shown.
  const double apart = (roots[0] - roots[1]).lpNorm<Eigen::Infinity>();
  if (!(apart > 0.25 * std::abs(t[0] - t[1]) * n.lpNorm<Eigen::Infinity>())) return false;
  first = roots[0], second = roots[1];
  return true;
}

bool sameRoot(const ComplexPoint& a, const ComplexPoint& b) {
  return largestMagnitude(a - b) <=
         kSameRootTolerance * std::max({1.0, largestMagnitude(a), largestMagnitude(b)});
}

// Near-real pairs and points reached twice, checked for two real roots behind them.
void separateCloseRoots(const Equations& system, Try& t) {
  double reach = sameRootReach(t);
  for (int i = 0; i < t.count; ++i) {
    Point& a = t.points[i];
    if (!a.real || a.nanColumn || !(a.error <= kForwardTolerance)) continue;
    const bool nearReal = !isReal(a.at);
    for (int j = i + 1; j < t.count; ++j) {
      Point& b = t.points[j];
      if (!b.real || b.nanColumn || !(b.error <= kForwardTolerance) || apartInZ(a.at, b.at, reach))
        continue;
      const bool partner = nearReal ? sameRoot(a.at, b.at.conjugate()) || sameRoot(a.at, b.at)
                                    : isReal(b.at) && sameRoot(a.at, b.at);
      if (!partner) continue;
      Eigen::Vector3d first, second;
      if (splitPair(system, a.at.real(), first, second)) {
        a.at = first.cast<std::complex<double>>();
        b.at = second.cast<std::complex<double>>();
        a.error = checked(system, a.at, forwardError(system, a.at), false);
        b.error = checked(system, b.at, forwardError(system, b.at), false);
        reach = sameRootReach(t);
      }
      break;
    }
  }
  // Complex candidates stuck near two close real roots, where Newton's method crawls.
  for (int i = 0; i < t.count; ++i) {
    Point& a = t.points[i];
    if (a.nanColumn || isReal(a.at) || a.error <= kForwardTolerance ||
        !(a.error <= kPlausibleTolerance))
      continue;
    int partner = -1;
    for (int j = 0; j < t.count; ++j) {
      const Point& b = t.points[j];
      if (j == i || b.nanColumn || isReal(b.at) || b.error <= kForwardTolerance) continue;
      const double apart = largestMagnitude(ComplexPoint(a.at.real() - b.at.real()));
      if (apart <= kPlausibleTolerance * std::max(1.0, largestMagnitude(a.at)) &&
          (partner < 0 ||
           apart < largestMagnitude(ComplexPoint(a.at.real() - t.points[partner].at.real()))))
        partner = j;
    }
    Eigen::Vector3d first, second;
    if (partner < 0 || !splitPair(system, a.at.real(), first, second)) continue;
    Point& b = t.points[partner];
    a.at = first.cast<std::complex<double>>();
    b.at = second.cast<std::complex<double>>();
    for (Point* p : {&a, &b}) {
      p->real = true, p->checked = false;
      p->error = checked(system, p->at, forwardError(system, p->at), false);
    }
  }
}

// Below these, a term of an equation of order one at a point may fall under the normal
// range (2^-400 · 2^-600 < 2^-1022) and be lost from the checks in double.
constexpr double kTinyCoordinate = 0x1p-200;
constexpr double kTinyCoefficient = 0x1p-600;

bool hasTinyCoefficient(const Equations& system) {
  for (int e = 0; e < kEquationCount; ++e)
    for (int i = 0; i < kCoefficientCount; ++i) {
      const double magnitude = std::abs(system(e, i));
      if (magnitude != 0 && magnitude < kTinyCoefficient) return true;
    }
  return false;
}

// Whether a term of the scaled system (each equation's largest coefficient of order one) may
// have underflowed at a real point. Where every coordinate is at least kTinyCoordinate, the
// largest coefficient's term is at least 2^-404, beside which any term that underflowed is
// nothing; with a zero coordinate that term may vanish, and tiny coefficients then matter.
bool underflowMayHide(const Equations& system, const ComplexPoint& at) {
  if (!isReal(at)) return false;
  bool zero = false;
  for (int v = 0; v < 3; ++v) {
    const double magnitude = std::abs(at(v).real());
    if (magnitude != 0 && magnitude < kTinyCoordinate) return true;
    zero = zero || magnitude == 0;
  }
  return zero && hasTinyCoefficient(system);
}

bool hasTenFiniteCoefficients(const double* equation) {
  for (int i = 0; i < kCoefficientCount; ++i)
    if (!std::isfinite(equation[i])) return false;
  return true;
}

// Equations that depend on each other leave a curve of solutions (or none), not points.
bool independent(const Equations& equations) {
  const auto singular = Eigen::JacobiSVD<Equations>(equations).singularValues();
  return singular(kEquationCount - 1) > kDependentEquationTolerance * singular(0);
}

// Where the returned points go.
struct Output {
  SolutionList* real = nullptr;
  ComplexSolutionList* complex = nullptr;
  bool nanColumns = false;  // the three-argument call's NaN column for a zero divisor
};

// `exponent`: the scaled system's variables are the caller's over 2^exponent; the
// imaginary tolerance is the caller's. `fastStart`: the fast method's candidates if already
// computed.
Try solveScaled(const Equations& system, int exponent, const SolveOptions& options,
                bool complexPoints, SolveReport& report, const FastStart* fastStart) {
  const Judging judging{std::ldexp(options.imaginaryTolerance, -exponent),
                        complexPoints || options.imaginaryTolerance > kRealEigenvalueTolerance};
  // The fast method's result stands where it verifies completely and shows no close pair;
  // anything else goes the standard way, which is never less complete.
  if (options.method == Method::fast) {
    Candidates candidates;
    FastStart own;
    if (!fastStart) {
      own.accepted = fastTemplateCandidates(system, candidates);
      own.candidates = &candidates;
      fastStart = &own;
    }
    Try fast = solveInFrame(system, Frame{}, judging, fastStart);
    if (fast.complete() && !hasNearRealPair(fast)) {
      report.method = Method::fast;
      return fast;
    }
  }
  Try best = solveInFrame(system, Frame{}, judging);
  if (best.complete()) return best;
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
      Try local = solveInFrame(system, Frame{&centre, nullptr}, judging);
      // The other coordinates where the template cannot take the translated system at all
      // (spheres, no xy term); otherwise the next round centres better.
      for (std::size_t c = 0; c < changes.size() && !local.ran; ++c) {
        Try changed = solveInFrame(system, Frame{&centre, &changes[c]}, judging);
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
        Try changed = solveInFrame(system, Frame{nullptr, &changes[c]}, judging);
        changed.path = c == 0 ? SolvePath::firstChange : SolvePath::secondChange;
        if (changed.ran) latest = changed;
        best = better(best, changed);
      }
    } else {
      break;
    }
  }
  return best;
}

// A system read and scaled to order one, ready for the tries.
struct Prepared {
  Equations original, system;
  Scaling scaling{0, true};
  SolveReport report;
  bool ready = false;  // otherwise `report` is the whole answer
};

Prepared prepare(const std::array<const double*, kEquationCount>& arguments) {
  Prepared prepared;
  for (int e = 0; e < kEquationCount; ++e)
    if (!hasTenFiniteCoefficients(arguments[e])) {
      prepared.report.status = SolveStatus::badInput;
      prepared.report.argument = e;
      prepared.report.problem = InputProblem::notFinite;
      return prepared;
    }
  for (int e = 0; e < kEquationCount; ++e)
    for (int i = 0; i < kCoefficientCount; ++i) prepared.original(e, i) = arguments[e][i];
  prepared.system = prepared.original;
  prepared.scaling = scaleToUnitRange(prepared.system);
  prepared.ready = prepared.system.allFinite();
  return prepared;
}

SolveReport solvePrepared(const Prepared& prepared, const SolveOptions& options,
                          const Output& output, const FastStart* fastStart = nullptr) {
  const Equations& original = prepared.original;
  const Equations& system = prepared.system;
  const Scaling& scaling = prepared.scaling;
  SolveReport report = prepared.report;
  // The fast path finds real eigenvalues only: complex points come the standard way.
  SolveOptions tries = options;
  if (output.complex) tries.method = Method::standard;
  Try best = solveScaled(system, scaling.variableExponent, tries, output.complex != nullptr, report,
                         fastStart);
  if (best.path == SolvePath::asGiven) separateCloseRoots(system, best);

  const int exponent = scaling.variableExponent;
  int returned = 0;
  for (int i = 0; i < best.count; ++i) {
    Point& p = best.points[i];
    if (p.nanColumn) {
      if (output.nanColumns && output.real) output.real->push_back({kNaN, kNaN, kNaN});
      continue;
    }
    const bool wanted = output.complex ? p.error <= kForwardTolerance || !p.real
                                       : p.real && p.error <= kForwardTolerance;
    if (!wanted) continue;
    if (output.complex && !p.real) {
      // Complex candidates were not refined on the way: polish and check them now.
      if (!(refineCompensated(system, p.at) <= kForwardTolerance)) continue;
    } else if (options.refine && best.path == SolvePath::asGiven) {
      // Kept only where Newton's method confirms it: a point it cannot improve stays.
      Point refined = p;
      refined.error = checked(system, refined.at, refineTowardsRoot(system, refined.at),
                              options.imaginaryTolerance > kRealEigenvalueTolerance);
      if (refined.error <= kForwardTolerance) p = refined;
    }
    const ComplexPoint s = p.at * std::ldexp(1.0, exponent);
    // Coefficients that lost bits below the normal range changed the equations solved (a
    // constant of 1e-300 beside a coefficient of 1e300 becomes 0), and at a real point a term
    // may have underflowed in the checks (a tiny coordinate, or a tiny coefficient): check
    // the originals, in full range. (Points judged as complex do not solve them in their
    // real parts.)
    if ((!scaling.exact || underflowMayHide(system, p.at)) && !output.complex &&
        !(largestRelativeResidualInFullRange(original, s(0).real(), s(1).real(), s(2).real(),
                                             1e-8) <= 1e-8))
      continue;
    if (output.complex)
      output.complex->push_back({s(0), s(1), s(2)});
    else
      output.real->push_back({s(0).real(), s(1).real(), s(2).real()});
    ++returned;
  }
  if (report.status == SolveStatus::dependentEquations) return report;
  report.path = best.path;
  report.centringRounds = best.centringRounds;
  if (!best.ran && returned == 0)
    report.status = SolveStatus::declined, report.path = SolvePath::none;
  else
    report.status = best.complete() ? SolveStatus::solved : SolveStatus::partial;
  if (report.status == SolveStatus::partial && returned == 0)
    report.status = SolveStatus::declined, report.path = SolvePath::none;
  return report;
}

SolveReport solveSystem(const std::array<const double*, kEquationCount>& arguments,
                        const SolveOptions& options, const Output& output) {
  const Prepared prepared = prepare(arguments);
  return prepared.ready ? solvePrepared(prepared, options, output) : prepared.report;
}

// Systems one after the other; with the fast method, up to four at a time share the lane
// kernels, each then finished exactly as a call of its own would finish it.
template <class List>
void solveConsecutiveInto(const double* first, std::size_t count, const SolveOptions& options,
                          const Output& output, const List& solutions, SolveReport* reports,
                          std::size_t* ends) {
  const auto argumentsOf = [&](std::size_t k) -> std::array<const double*, kEquationCount> {
    const double* system = first + k * kEquationCount * kCoefficientCount;
    return {system, system + kCoefficientCount, system + 2 * kCoefficientCount};
  };
  if (options.method != Method::fast || output.complex) {
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
    std::array<Equations, kBatchLanes> equations;
    for (std::size_t lane = 0; lane < kBatchLanes; ++lane) {
      if (lane < lanes) prepared[lane] = prepare(argumentsOf(group + lane));
      equations[lane] = prepared[lane].ready ? prepared[lane].system : Equations::Zero();
    }
    std::array<Candidates, kBatchLanes> candidates;
    std::array<bool, kBatchLanes> accepted;
    fastTemplateCandidates4(equations, candidates, accepted);
    for (std::size_t lane = 0; lane < lanes; ++lane) {
      const FastStart start{accepted[lane], &candidates[lane]};
      reports[group + lane] = prepared[lane].ready
                                  ? solvePrepared(prepared[lane], options, output, &start)
                                  : prepared[lane].report;
      ends[group + lane] = solutions.size();
    }
  }
}

// The first ten entries of an Eigen argument, or the report of one that is too short.
bool readArguments(const Eigen::MatrixXd& first, const Eigen::MatrixXd& second,
                   const Eigen::MatrixXd& third, std::array<const double*, 3>& arguments,
                   SolveReport& report) {
  const Eigen::MatrixXd* matrices[kEquationCount] = {&first, &second, &third};
  for (int e = 0; e < kEquationCount; ++e) {
    if (matrices[e]->size() < kCoefficientCount) {
      report.status = SolveStatus::badInput;
      report.argument = e;
      report.problem = InputProblem::tooFewCoefficients;
      return false;
    }
    arguments[e] = matrices[e]->data();
  }
  return true;
}

}  // namespace

SolveReport solveThreeQuadrics(const double* first, const double* second, const double* third,
                               SolutionList& solutions, const SolveOptions& options) {
  Output output;
  output.real = &solutions;
  return solveSystem({first, second, third}, options, output);
}

SolveReport solveThreeQuadrics(const std::array<double, 10>& first,
                               const std::array<double, 10>& second,
                               const std::array<double, 10>& third, SolutionList& solutions,
                               const SolveOptions& options) {
  return solveThreeQuadrics(first.data(), second.data(), third.data(), solutions, options);
}

SolveReport solveThreeQuadrics(const Eigen::MatrixXd& first, const Eigen::MatrixXd& second,
                               const Eigen::MatrixXd& third, SolutionList& solutions,
                               const SolveOptions& options) {
  std::array<const double*, 3> arguments;
  SolveReport report;
  if (!readArguments(first, second, third, arguments, report)) return report;
  Output output;
  output.real = &solutions;
  return solveSystem(arguments, options, output);
}

SolveReport solveThreeQuadricsComplex(const double* first, const double* second,
                                      const double* third, ComplexSolutionList& solutions,
                                      const SolveOptions& options) {
  Output output;
  output.complex = &solutions;
  return solveSystem({first, second, third}, options, output);
}

SolveReport solveReportingPath(const Eigen::MatrixXd& first, const Eigen::MatrixXd& second,
                               const Eigen::MatrixXd& third, SolutionList& solutions) {
  std::array<const double*, 3> arguments;
  SolveReport report;
  if (!readArguments(first, second, third, arguments, report)) return report;
  Output output;
  output.real = &solutions;
  output.nanColumns = true;
  return solveSystem(arguments, SolveOptions{}, output);
}

void solveThreeQuadrics(const Eigen::MatrixXd& first, const Eigen::MatrixXd& second,
                        const Eigen::MatrixXd& third, SolutionList& solutions) {
  solveReportingPath(first, second, third, solutions);
}

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

}  // namespace quorvane
