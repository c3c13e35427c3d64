// SPDX-License-Identifier: BSD-3-Clause
// What a call returns: the verified points of its best try, in the caller's variables, and
// the status that says what became of it.
#include <algorithm>
#include <cmath>
#include <limits>

#include "certification.h"
#include "tries.h"

namespace quorvane {
namespace {

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

}  // namespace

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

namespace {

// A point and the radius of the polydisc around it proved to hold one solution, in the
// variables of the scaled system.
struct Disc {
  ComplexPoint at;
  double radius;
};

// The test at a point of the scaled system, unless the fast method ran it there already (the
// same test on the same equations at the same point).
double provedInScaledSystem(const Prepared& prepared, const Try& best, const ComplexPoint& at) {
  if (at.imag().isZero(0)) {
    const Eigen::Vector3d real = at.real();
    for (int i = 0; i < best.provedRealCount; ++i)
      if (best.provedReal[i] == real) return best.provedRealRadius[i];
  }
  return provedRadius(prepared.system, at);
}

// The radius proved around a point of the scaled system, in the caller's variables: on the
// scaled equations where scaling changed nothing but powers of two, else on the originals.
double provedInCallersVariables(const Prepared& prepared, const Try& best,
                                const ComplexPoint& scaledPoint, const ComplexPoint& callersPoint) {
  if (!prepared.scaling.exact) return provedRadius(prepared.original, callersPoint);
  const int exponent = prepared.scaling.variableExponent;
  if (exponent == 0) return provedInScaledSystem(prepared, best, scaledPoint);
  // The proof holds around the caller's point only where it is the scaled point exactly (not
  // rounded below the normal range), and the radius only where scaling it rounds nothing.
  // Products by powers of two round as ldexp does, and cost less.
  const bool byProducts = std::abs(exponent) < 1000;
  const double down = byProducts ? std::ldexp(1.0, -exponent) : 0;
  for (int v = 0; v < 3; ++v) {
    const std::complex<double> back =
        byProducts ? callersPoint(v) * down
                   : std::complex<double>(std::ldexp(callersPoint(v).real(), -exponent),
                                          std::ldexp(callersPoint(v).imag(), -exponent));
    if (back != scaledPoint(v)) return kNotProved;
  }
  const double radius = std::ldexp(provedInScaledSystem(prepared, best, scaledPoint), exponent);
  return radius >= std::numeric_limits<double>::min() ? radius : kNotProved;
}

// The radius proved around a returned point (`at` in the scaled system's variables, `callers`
// in the caller's). A real call returns real parts, which are what is proved; a complex
// call's point that is a real root to rounding is proved, and returned, as the real point,
// since a polydisc around a real point is its own conjugate, which settles that its root is
// real.
double proveReturned(const Prepared& prepared, const Try& best, bool complexCall, ComplexPoint& at,
                     ComplexPoint& callers) {
  const ComplexPoint realAt = at.real().cast<std::complex<double>>();
  const ComplexPoint realCallers = callers.real().cast<std::complex<double>>();
  const bool nearReal = largestMagnitude(ComplexPoint(at.imag().cast<std::complex<double>>())) <=
                        kForwardTolerance * std::max(1.0, largestMagnitude(at));
  const double radius = complexCall && !nearReal
                            ? kNotProved
                            : provedInCallersVariables(prepared, best, realAt, realCallers);
  if (!complexCall || !std::isnan(radius)) {
    at = realAt, callers = realCallers;
    return radius;
  }
  // A complex point as the eigen-solver left it may be too rough for the test (two close
  // roots): Newton's method from it first.
  const double asComputed = provedInCallersVariables(prepared, best, at, callers);
  if (!std::isnan(asComputed)) return asComputed;
  ComplexPoint refined = at;
  refineCompensated(prepared.system, refined);
  const ComplexPoint refinedCallers = refined * std::ldexp(1.0, prepared.scaling.variableExponent);
  const double afterNewton = provedInCallersVariables(prepared, best, refined, refinedCallers);
  if (!std::isnan(afterNewton)) at = refined, callers = refinedCallers;
  return afterNewton;
}

// A candidate the output left out, proved as the non-real solution it should be: as computed
// (`radiusAsComputed`, the test's answer there), else after Newton's method from it.
bool provedNonReal(const Equations& system, const Point& p, double radiusAsComputed, Disc& disc) {
  if (p.nanColumn || isReal(p.at)) return false;
  disc = {p.at, radiusAsComputed};
  if (std::isnan(disc.radius)) {
    refineCompensated(system, disc.at);
    disc.radius = provedRadius(system, disc.at);
  }
  return !std::isnan(disc.radius) && offTheRealSpace(disc.at, disc.radius);
}

// The proved discs, pairwise disjoint, so that each holds a solution none of the others does.
struct DisjointDiscs {
  std::array<Disc, kMostSolutions> discs;
  int count = 0;

  bool disjointFromAll(const Disc& d) const {
    for (int i = 0; i < count; ++i)
      if (!disjoint(discs[i].at, discs[i].radius, d.at, d.radius)) return false;
    return true;
  }
  // False where `d` meets one of them: the same solution found twice, or two too close to
  // tell apart.
  bool add(const Disc& d) {
    if (count == kMostSolutions || !disjointFromAll(d)) return false;
    discs[count++] = d;
    return true;
  }
};

// A non-real candidate beside the returned points: counted where proved and disjoint from
// every disc so far (one that meets a disc is a solution already counted, or unresolved).
void countNonReal(const Equations& system, const Point& p, DisjointDiscs& found) {
  Disc disc;
  if (p.nanColumn || isReal(p.at)) return;
  if (provedNonReal(system, p, provedRadius(system, p.at), disc)) found.add(disc);
}

// The fast method's non-real candidates, conjugate pairs side by side, each pair tested by the
// fast method already: the equations are real, so the polydisc around one point's conjugate
// holds its conjugate solution alone, and one proof serves for both.
void countPairs(const Equations& system, const Try& t, DisjointDiscs& found) {
  for (int i = 0; i < t.forProofCount; ++i) {
    Point p;
    p.at = t.forProof[i];
    Disc disc;
    if (!provedNonReal(system, p, t.forProofRadius[i], disc) || !found.add(disc)) continue;
    if (i + 1 < t.forProofCount && t.forProof[i + 1] == t.forProof[i].conjugate()) {
      const Disc conjugate{disc.at.conjugate(), disc.radius};
      found.add(conjugate);
      ++i;
    }
  }
}

// The template's non-real candidates of the system as it stands, counted beside `found`.
void countTemplatesNonReal(const Equations& system, DisjointDiscs& found) {
  Candidates candidates;
  if (!templateCandidates(system, candidates)) return;
  for (const Candidate& c : candidates) {
    if (c.zeroDivisor || c.z.imag() == 0) continue;
    Point p;
    p.at = ComplexPoint(c.x, c.y, c.z);
    countNonReal(system, p, found);
  }
}

// The second of a near-real conjugate pair (the eigen-solver lists them together) that both
// came back as one real point.
bool conjugateOfPrevious(const Try& t, int i) {
  if (i == 0) return false;
  const Point& p = t.points[i];
  const Point& previous = t.points[i - 1];
  return !isReal(p.at) && p.real && previous.real && p.at == previous.at.conjugate();
}

// What a returned real point is. A pair whose real part solves the equations to their
// rounding (a residual that the input's precision allows, far below the verification's) is one
// double root to that precision; the real part of one that does not is, under a wider
// tolerance, an approximate point; the default tolerance returns only points that verify.
PointKind kindOf(const Equations& system, const Point& p, bool pairReturnedOnce,
                 bool wideTolerance) {
  if (p.multiple) return PointKind::nearDouble;
  if (isReal(p.at)) return PointKind::root;
  const double residual =
      largestRelativeResidual(system, p.at(0).real(), p.at(1).real(), p.at(2).real());
  if (residual <= kDoubleRootResidual)
    return pairReturnedOnce ? PointKind::nearDouble : PointKind::root;
  return wideTolerance ? PointKind::approximate : PointKind::root;
}

// Under a wider tolerance, two real points whose half-distance is below it in every
// coordinate, as a near-real pair's imaginary part of z is, are one double root to the caller's
// precision: mirror positions under a flat ceiling whose ranges' noise exceeds their distance.
// They come back once, as their midpoint, a near-double point that was not proved. True where
// it merged any.
bool mergeNearDoubles(SolutionList& solutions, std::size_t first, double tolerance,
                      SolveReport& report) {
  bool merged = false;
  for (int i = 0; i < report.points; ++i) {
    Solution& a = solutions[first + i];
    for (int j = i + 1; j < report.points; ++j) {
      const Solution& b = solutions[first + j];
      const Solution middle{(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2};
      const double size =
          std::max({1.0, std::abs(middle.x), std::abs(middle.y), std::abs(middle.z)});
      const double apart =
          std::max({std::abs(a.x - b.x), std::abs(a.y - b.y), std::abs(a.z - b.z)});
      if (!(apart <= 2 * tolerance * size)) continue;
      a = middle;
      // The real parts of a conjugate pair, or of points that are themselves approximate,
      // make an approximate point, not a double root.
      const bool approximate =
          report.kind[i] == PointKind::approximate || report.kind[j] == PointKind::approximate;
      report.kind[i] = approximate ? PointKind::approximate : PointKind::nearDouble;
      report.radius[i] = kNotProved;
      solutions.erase(solutions.begin() + static_cast<std::ptrdiff_t>(first + j));
      for (int k = j; k + 1 < report.points; ++k)
        report.kind[k] = report.kind[k + 1], report.radius[k] = report.radius[k + 1];
      --report.points;
      report.kind[report.points] = PointKind::root, report.radius[report.points] = kNotProved;
      merged = true;
      break;
    }
  }
  return merged;
}

// Whether a complex point is one returned already by this call (from `first` on), to 1e-12
// relative: Newton's method polished both onto one root.
bool reachedBefore(const ComplexSolutionList& returned, std::size_t first, const ComplexPoint& s) {
  constexpr double kSameRoot = 1e-12;
  for (std::size_t k = first; k < returned.size(); ++k) {
    const ComplexPoint q(returned[k].x, returned[k].y, returned[k].z);
    if (largestMagnitude(ComplexPoint(q - s)) <=
        kSameRoot * std::max({1.0, largestMagnitude(q), largestMagnitude(s)}))
      return true;
  }
  return false;
}

}  // namespace

SolveReport solvePrepared(const Prepared& prepared, const SolveOptions& options,
                          const Output& output, const FastStart* fastStart) {
  const Equations& original = prepared.original;
  const Equations& system = prepared.system;
  const Scaling& scaling = prepared.scaling;
  SolveReport report = prepared.report;
  // The fast path finds real eigenvalues only: complex points come the standard way. The
  // imaginary tolerance sorts real points from complex ones, which a complex call returns
  // alike: it plays no part there, and the tries judge by the default.
  SolveOptions tries = options;
  if (output.complex)
    tries.method = Method::standard, tries.imaginaryTolerance = SolveOptions{}.imaginaryTolerance;
  Try best = solveScaled(system, scaling.variableExponent, tries, output.complex != nullptr,
                         !output.nanColumns, report, fastStart);
  if (best.path == SolvePath::asGiven) separateCloseRoots(system, best);
  // The calls with options return a near-real pair once, and a multiple root once; the
  // three-argument call keeps its columns.
  const bool pairsOnce = !output.nanColumns;
  if (pairsOnce) resolveMultipleRoots(system, best);
  const bool wideTolerance = tries.imaginaryTolerance > kRealEigenvalueTolerance;

  const int exponent = scaling.variableExponent;
  // The caller's equations, each raised by a power of two (exactly) until its largest
  // coefficient is of order one: terms of subnormal coefficients (5e-315 x², x = 4e-7) would
  // underflow to zero in a complex residual and pass any point.
  Equations raised;
  bool raisedReady = false;
  const auto raisedOriginal = [&]() -> const Equations& {
    if (!raisedReady) {
      raised = original;
      for (int e = 0; e < kEquationCount; ++e) {
        const double largest = original.row(e).cwiseAbs().maxCoeff();
        if (largest > 0 && largest < 1) raised.row(e) *= std::ldexp(1.0, -std::ilogb(largest));
      }
      raisedReady = true;
    }
    return raised;
  };
  const std::size_t firstComplex = output.complex ? output.complex->size() : 0;
  int returned = 0;
  DisjointDiscs found;
  bool everyPointProved = true;
  bool droppedByOriginals = false;
  std::array<bool, kBasisSize> returnedHere{};
  for (int i = 0; i < best.count; ++i) {
    Point& p = best.points[i];
    if (p.inMultiple) continue;
    if (p.nanColumn) {
      if (output.nanColumns && output.real) output.real->push_back({kNaN, kNaN, kNaN});
      continue;
    }
    const bool verified = p.error <= kForwardTolerance;
    const bool wanted =
        output.complex ? verified || !p.real || options.certify : p.real && verified;
    if (!wanted) continue;
    if (pairsOnce && !output.complex && conjugateOfPrevious(best, i) && returnedHere[i - 1]) {
      returnedHere[i] = true;
      continue;
    }
    if (output.complex && !(p.real && verified)) {
      // Complex candidates were not refined on the way: polish and check them now. Where
      // certification is asked, a proof stands in for the check, first of the point as
      // computed: Newton's method from a rough one may fall onto a root already found.
      // A candidate taken as real that failed its check is not refined: Newton's method from
      // it may fall onto a root returned already.
      // A small Newton step is not enough: beside coordinates far apart in size (x = 1e-52
      // with z = 760) it is small against the point's norm at a point that solves nothing,
      // so the complex point must leave no residual either. One that fails is a solution the
      // call did not find.
      // A point proved as computed is then polished as any other, where Newton's method
      // stays in its box, which holds that one root: proved, it may still be 6e-8 from it.
      const double radiusAsComputed =
          options.certify && scaling.exact ? provedRadius(system, p.at) : kNaN;
      const bool provedAsComputed = !std::isnan(radiusAsComputed);
      if (!provedAsComputed && p.real) continue;
      if (provedAsComputed) {
        ComplexPoint polished = p.at;
        if (checked(system, polished, refineCompensated(system, polished), true) <=
                kForwardTolerance &&
            largestMagnitude(ComplexPoint(polished - p.at)) <= radiusAsComputed)
          p.at = polished;
      } else if (!(checked(system, p.at, refineCompensated(system, p.at), true) <=
                   kForwardTolerance)) {
        droppedByOriginals = true;
        continue;
      }
    } else if (options.refine &&
               (best.path == SolvePath::asGiven || report.method == Method::fast)) {
      // Kept only where Newton's method confirms it: a point it cannot improve stays. (The
      // other tries refined theirs on the way, but for the fast kernels around a cluster,
      // which polished them on the translated equations only.)
      Point refined = p;
      refined.error =
          checked(system, refined.at, refineTowardsRoot(system, refined.at), wideTolerance);
      if (refined.error <= kForwardTolerance) p = refined;
    }
    ComplexPoint s = p.at * std::ldexp(1.0, exponent);
    // A root of the scaled system beyond the double range in the caller's variables (a
    // coordinate that overflows to infinity) is no point to return, nor one the call solved.
    if (!s.allFinite()) {
      droppedByOriginals = true;
      continue;
    }
    // Coefficients that lost bits below the normal range changed the equations solved (a
    // constant of 1e-300 beside a coefficient of 1e300 becomes 0), and at a real point a term
    // may have underflowed in the checks (a tiny coordinate, or a tiny coefficient): check
    // the originals, in full range. (Points judged as complex do not solve them in their
    // real parts.)
    // A near-real point comes back as its real part, which is what is checked, unless a wider
    // tolerance judged it as the complex point it is.
    // A complex call's non-real points are checked as the complex points they are.
    const bool realPartSolves = isReal(p.at) || !wideTolerance;
    const bool asComplex = output.complex && !isReal(p.at);
    const auto solveTheOriginals = [&] {
      return asComplex ? largestRelativeResidualClearOfUnderflow(raisedOriginal(), s(0), s(1),
                                                                 s(2)) <= kRealResidualTolerance
                       : largestRelativeResidualInFullRange(original, s(0).real(), s(1).real(),
                                                            s(2).real(), kRealResidualTolerance) <=
                             kRealResidualTolerance;
    };
    // Nor can a complex check in double judge where a coordinate's square underflowed (1.5 u v
    // with u, v of 2e-203 is 0): such a point may solve nothing.
    const bool underflowDecides = asComplex && std::isinf(largestRelativeResidualClearOfUnderflow(
                                                   system, p.at(0), p.at(1), p.at(2)));
    if (underflowDecides ||
        ((!scaling.exact || (realPartSolves && !asComplex &&
                             underflowMayHide(system, p.at.real().cast<std::complex<double>>()))) &&
         !solveTheOriginals())) {
      // A root of the scaled system that the caller's equations do not bear out: whether
      // they have a root near it is not known, so the call cannot claim to have solved them.
      droppedByOriginals = true;
      continue;
    }
    // A complex point the eigen-solver gave twice (the same to 1e-15, where another root
    // went missing) is returned once; the call is then not complete.
    if (output.complex && reachedBefore(*output.complex, firstComplex, s)) {
      droppedByOriginals = true;
      continue;
    }
    const bool pairOnce = pairsOnce && !output.complex && i + 1 < best.count &&
                          conjugateOfPrevious(best, i + 1) &&
                          best.points[i + 1].error <= kForwardTolerance;
    PointKind kind = output.complex ? PointKind::root : kindOf(system, p, pairOnce, wideTolerance);
    double radius = kNotProved;
    if (options.certify) {
      ComplexPoint at = p.at;
      radius = proveReturned(prepared, best, output.complex != nullptr, at, s);
      // A proof around the real point shows a real root there, whatever the candidate was.
      if (!std::isnan(radius)) kind = PointKind::root;
      const Disc disc{at, exponent == 0 ? radius : std::ldexp(radius, -exponent)};
      const bool counted = !std::isnan(radius) && scaling.exact;
      // A complex call's proved point whose disc meets one returned already may be that root
      // found twice: it is left out.
      if (counted && output.complex && !found.disjointFromAll(disc)) {
        droppedByOriginals = true;
        continue;
      }
      if (!counted || !found.add(disc)) everyPointProved = false;
    }
    if (output.complex)
      output.complex->push_back({s(0), s(1), s(2)});
    else
      output.real->push_back({s(0).real(), s(1).real(), s(2).real()});
    returnedHere[i] = true;
    if (returned < kMostSolutions) report.kind[returned] = kind, report.radius[returned] = radius;
    ++returned;
  }
  report.points = std::min(returned, kMostSolutions);
  const bool merged = wideTolerance && output.real &&
                      mergeNearDoubles(*output.real, output.real->size() - returned,
                                       options.imaginaryTolerance, report);
  returned = report.points;
  // The real set is complete where the candidates left out are proved non-real solutions and
  // the proved discs, each non-real one beside its conjugate's, make up all eight.
  if (options.certify && everyPointProved && scaling.exact) {
    for (int i = 0; i < best.count; ++i)
      if (!returnedHere[i]) countNonReal(system, best.points[i], found);
    // The fast method lists its non-real candidates apart; where it could not find them
    // all, the template's stand in.
    if (report.method == Method::fast) countPairs(system, best, found);
    if (found.count < best.mostSolutions && report.method == Method::fast && !best.structured)
      countTemplatesNonReal(system, found);
    report.certified = found.count == best.mostSolutions && !merged;
  }
  if (report.status == SolveStatus::dependentEquations) return report;
  report.path = best.path;
  report.centringRounds = best.centringRounds;
  if (!best.ran && returned == 0)
    report.status = SolveStatus::declined, report.path = SolvePath::none;
  else
    report.status =
        best.complete() && !droppedByOriginals ? SolveStatus::solved : SolveStatus::partial;
  if (report.status == SolveStatus::partial && returned == 0)
    report.status = SolveStatus::declined, report.path = SolvePath::none;
  // A proof of every solution outweighs a try that did not verify them all.
  if (report.certified && report.status == SolveStatus::partial)
    report.status = SolveStatus::solved;
  if (report.status == SolveStatus::solved && returned == 0 && !output.complex)
    report.status = SolveStatus::noRealSolution;
  return report;
}

SolveReport solveSystem(const std::array<const double*, kEquationCount>& arguments,
                        const SolveOptions& options, const Output& output) {
  SolveReport refused;
  if (!optionsInRange(options, refused)) return refused;
  const Prepared prepared = prepare(arguments);
  return prepared.ready ? solvePrepared(prepared, options, output) : prepared.report;
}

}  // namespace quorvane
