// SPDX-License-Identifier: BSD-3-Clause
// The structure stage of the fast method: systems whose quadratic parts are dependent,
// solved by the exact reduction their structure allows before any kernel sees them.
//
// Three spheres (trilateration, GPS) have one quadratic part, x² + y² + z², up to a factor: two
// combinations of the equations are planes, and the system is a line meeting a sphere, two
// solutions from one quadratic. The template would take it for a generic system, fail for
// want of an xy term and solve it again in other coordinates, at several times the cost.
#include <algorithm>
#include <cmath>
#include <limits>

#include "compensated.h"
#include "equation_terms.h"
#include "fast/fast_method.h"
#include "fast/polish.h"
#include "fast/steps.h"

namespace quorvane {
namespace {

// Input indices of the constant, the quadratic terms (xy, xz, yz, x², y², z²) and x, y, z.
constexpr int kConstant = 0, kFirstQuadratic = 1, kQuadraticTerms = 6, kFirstLinear = 7;
// Planes whose normals are this close to parallel, relative to their lengths, leave no line
// to rounding (anchors on a line): the kernels and the standard way take such systems.
constexpr double kParallelTolerance = 1e-10;
// A coefficient of the reduced quadratic within this many units of rounding of its terms'
// size may be zero: one solution then lies at infinity, which the reduction cannot tell.
constexpr double kLeadingTolerance = 64 * std::numeric_limits<double>::epsilon();
// The fast method's thresholds for pairs near the real space (fast/eigenvectors.cc): below the
// first they are listed as real, below the second for the equations to decide.
constexpr double kNearRealSearch = 3e-3;
// A Newton step longer than this, relative to the point, is not a correction of rounding.
constexpr double kSmallCorrection = 0x1p-20;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Whether a·b = c·d exactly. The rounded products differ where the exact ones do, and where
// they agree std::fma gives each one's rounding error exactly: in the fast path's range
// (nonzero coefficients at least 2^-200) no product or error falls below the normal range.
bool equalProducts(double a, double b, double c, double d) {
  const double ab = a * b, cd = c * d;
  return ab == cd && std::fma(a, b, -ab) == std::fma(c, d, -cd);
}

// a·b - c·d, within two units of rounding whatever the cancellation (Kahan's algorithm).
double differenceOfProducts(double a, double b, double c, double d) {
  const double cd = c * d;
  const double error = std::fma(-c, d, cd);
  return std::fma(a, b, -cd) + error;
}

using Vector = Eigen::Vector3d;

Vector cross(const Vector& a, const Vector& b) {
  return {differenceOfProducts(a(1), b(2), a(2), b(1)),
          differenceOfProducts(a(2), b(0), a(0), b(2)),
          differenceOfProducts(a(0), b(1), a(1), b(0))};
}

// The rank of the three quadratic parts where it is below two, decided exactly on the doubles
// given: 0 where they all vanish, 1 where each is a multiple of row `row` (whose entry in
// `column` is its largest), else 2 for two or more.
int lowQuadraticRank(const Equations& equations, int& row, int& column) {
  double largest = 0;
  for (int e = 0; e < kEquationCount; ++e)
    for (int i = kFirstQuadratic; i < kFirstQuadratic + kQuadraticTerms; ++i)
      if (std::abs(equations(e, i)) > largest)
        largest = std::abs(equations(e, i)), row = e, column = i;
  if (largest == 0) return 0;
  // Row e is (q_e,column / q_row,column) times row `row` where every 2 x 2 minor of the two
  // rows through `column` vanishes.
  const double pivot = equations(row, column);
  for (int e = 0; e < kEquationCount; ++e) {
    if (e == row) continue;
    for (int i = kFirstQuadratic; i < kFirstQuadratic + kQuadraticTerms; ++i)
      if (!equalProducts(pivot, equations(e, i), equations(e, column), equations(row, i))) return 2;
  }
  return 1;
}

void clear(Candidates& candidates) {
  for (Candidate& c : candidates) {
    c = Candidate{};
    c.x = c.y = c.z = kNaN;
    c.real = false;
    c.imaginaryPart = std::numeric_limits<double>::infinity();
    c.zeroDivisor = false;
  }
}

void setPoint(Candidate& c, const Eigen::Vector3cd& p, bool real, double imaginaryPart) {
  c.x = p(0), c.y = p(1), c.z = p(2);
  c.real = real;
  c.imaginaryPart = imaginaryPart;
  c.zeroDivisor = false;
}

// Three planes: one point, where their normals are independent.
bool threePlanes(const Equations& equations, Candidates& candidates) {
  Vector normal[kEquationCount];
  for (int e = 0; e < kEquationCount; ++e)
    normal[e] = equations.row(e).segment<3>(kFirstLinear).transpose();
  const Vector across[3] = {cross(normal[1], normal[2]), cross(normal[2], normal[0]),
                            cross(normal[0], normal[1])};
  const double determinant = normal[0].dot(across[0]);
  if (!(std::abs(determinant) >
        kParallelTolerance * normal[0].norm() * normal[1].norm() * normal[2].norm()))
    return false;
  Vector p = Vector::Zero();
  for (int e = 0; e < kEquationCount; ++e) p -= equations(e, kConstant) * across[e];
  p /= determinant;
  if (!p.allFinite()) return false;
  setPoint(candidates[0], p.cast<std::complex<double>>(), true, 0);
  return true;
}

// The quadratic a t² + b t + c that equation `row` becomes on the line centre + t·direction:
// c compensated where asked (far from the origin its terms cancel by many orders of
// magnitude), b from the gradient, a from the quadratic terms alone, with the size of a's
// terms beside it.
struct OnTheLine {
  double a, b, c, aSize;
};

OnTheLine onTheLine(const Equations& equations, int row, const Vector& centre,
                    const Vector& direction, bool compensated) {
  const auto coefficients = equations.row(row);
  double gradient[3], monomials[kTermCount];
  gradientAt(coefficients, centre(0), centre(1), centre(2), gradient);
  monomialsAt(direction(0), direction(1), direction(2), monomials);
  double a = 0, aSize = 0, c = 0;
  if (compensated) {
    c = compensatedValueAt(equations, row, centre);
  } else {
    double atCentre[kTermCount];
    monomialsAt(centre(0), centre(1), centre(2), atCentre);
    sumOfTerms<false>(coefficients, atCentre, c);
  }
  for (int i = kFirstQuadratic; i < kFirstQuadratic + kQuadraticTerms; ++i) {
    const double term = coefficients(i) * monomials[i];
    a += term, aSize += std::abs(term);
  }
  return {a, gradient[0] * direction(0) + gradient[1] * direction(1) + gradient[2] * direction(2),
          c, aSize};
}

// A line meeting a quadric: the two planes that combinations of the other equations with
// row `row` make (their quadratic terms cancel exactly, by cross-multiplication with the
// pivot), their line, and equation `row` on it.
bool lineMeetingQuadric(const Equations& equations, int row, int column, bool complexToo,
                        Candidates& candidates) {
  Vector normal[2];
  double offset[2];
  for (int k = 0, e = 0; e < kEquationCount; ++e) {
    if (e == row) continue;
    const double pivot = equations(row, column), factor = equations(e, column);
    const auto plane = [&](int i) {
      return differenceOfProducts(pivot, equations(e, i), factor, equations(row, i));
    };
    normal[k] = {plane(kFirstLinear), plane(kFirstLinear + 1), plane(kFirstLinear + 2)};
    offset[k++] = -plane(kConstant);
  }
  const Vector direction = cross(normal[0], normal[1]);
  const double length2 = direction.squaredNorm();
  if (!(std::sqrt(length2) > kParallelTolerance * normal[0].norm() * normal[1].norm()))
    return false;
  // The point of the line nearest the origin, then the middle of the two solutions on it:
  // the quadratic is recomputed there, compensated, so that the solutions are small offsets
  // from it, as accurate as the coefficients allow. (The middle itself needs no such care.)
  Vector centre =
      (offset[0] * cross(normal[1], direction) + offset[1] * cross(direction, normal[0])) / length2;
  OnTheLine q = onTheLine(equations, row, centre, direction, false);
  if (!(std::abs(q.a) > kLeadingTolerance * q.aSize)) return false;
  centre += (-q.b / (2 * q.a)) * direction;
  q = onTheLine(equations, row, centre, direction, true);
  if (!centre.allFinite() || !std::isfinite(q.b) || !std::isfinite(q.c)) return false;
  const double discriminant = differenceOfProducts(q.b, q.b, 4 * q.a, q.c);
  const Eigen::Vector3cd origin = centre.cast<std::complex<double>>();
  const Eigen::Vector3cd along = direction.cast<std::complex<double>>();
  if (discriminant >= 0) {
    // The root of larger magnitude without cancellation, the other from the product c / a.
    const double larger = -(q.b + std::copysign(std::sqrt(discriminant), q.b)) / 2;
    const double t[2] = {larger / q.a, larger != 0 ? q.c / larger : 0};
    const int count = t[0] == t[1] ? 1 : 2;
    for (int i = 0; i < count; ++i)
      setPoint(candidates[i], origin + std::complex<double>(t[i]) * along, true, 0);
    return true;
  }
  // A conjugate pair, in the fast method's order.
  const double real = -q.b / (2 * q.a), imaginary = std::sqrt(-discriminant) / (2 * std::abs(q.a));
  const Eigen::Vector3cd first = origin + std::complex<double>(real, imaginary) * along;
  const Eigen::Vector3cd pair[2] = {first, first.conjugate()};
  const double imaginaryPart = imaginary * direction.cwiseAbs().maxCoeff();
  const bool nearReal = imaginaryPart < kRealEigenvalueTolerance;
  if (!nearReal && !(imaginaryPart < kNearRealSearch) && !complexToo) return true;
  for (int i = 0; i < 2; ++i) {
    setPoint(candidates[i], pair[i], nearReal, imaginaryPart);
    candidates[i].forProofOnly = !nearReal && !(imaginaryPart < kNearRealSearch);
  }
  if (orderingImaginaryPart(candidates[0]) < 0) std::swap(candidates[0], candidates[1]);
  return true;
}

}  // namespace

bool structuredCandidates(const Equations& equations, Candidates& candidates, int& mostSolutions,
                          bool complexToo) {
  if (!withinSafeRange(equations)) return false;
  int row = 0, column = 0;
  const int rank = lowQuadraticRank(equations, row, column);
  if (rank > 1) return false;
  clear(candidates);
  const bool reduced = rank == 0
                           ? threePlanes(equations, candidates)
                           : lineMeetingQuadric(equations, row, column, complexToo, candidates);
  if (!reduced) return false;
  mostSolutions = rank == 0 ? 1 : 2;
  // One Newton step from compensated values: far from the origin the equations' terms cancel
  // by many orders of magnitude, and a value in plain double would be noise. The reduction
  // leaves the points within a few roundings of the roots, so a step that is not a small
  // correction (beside a near-double root) is not taken.
  double c[kEquations][kCoefficients];
  for (int e = 0; e < kEquations; ++e)
    for (int i = 0; i < kCoefficients; ++i) c[e][i] = equations(e, i);
  for (Candidate& candidate : candidates) {
    if (!polishable(candidate)) continue;
    const Vector at(candidate.x.real(), candidate.y.real(), candidate.z.real());
    const double p[3] = {at(0), at(1), at(2)};
    double value[kEquations], step[3];
    for (int e = 0; e < kEquations; ++e) value[e] = compensatedValueAt(equations, e, at);
    newtonStepAt(c, p, value, step);
    const double size = std::max(1.0, at.cwiseAbs().maxCoeff());
    if (!(std::max({std::abs(step[0]), std::abs(step[1]), std::abs(step[2])}) <=
          kSmallCorrection * size))
      continue;
    candidate.x = p[0] - step[0], candidate.y = p[1] - step[1], candidate.z = p[2] - step[2];
  }
  if (complexToo) proveCandidates(equations, candidates, true);
  return true;
}

}  // namespace quorvane
