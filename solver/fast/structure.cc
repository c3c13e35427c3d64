// SPDX-License-Identifier: BSD-3-Clause
// The structure stage of the fast method: systems whose quadratic parts are dependent,
// solved by the exact reduction their structure allows before any kernel sees them.
//
// Three spheres (trilateration, GPS) have one quadratic part, x² + y² + z², up to a factor: two
// combinations of the equations are planes, and the system is a line meeting a sphere, two
// solutions from one quadratic. The template would take it for a generic system, fail for
// want of an xy term and solve it again in other coordinates, at several times the cost.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "compensated.h"
#include "equation_terms.h"
#include "fast/conics.h"
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
// A step below this, relative to the point, leaves nothing for another.
constexpr double kPolished = 0x1p-50;
constexpr int kStructuredPolishSteps = 2;
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

// A reduction's solutions, up to eight, complex in general.
struct Points {
  std::array<Eigen::Vector3cd, kBasisSize> points;
  int count = 0;
};

// Three planes: one point, where their normals are independent.
bool threePlanes(const Equations& equations, Points& found) {
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
  found.points[0] = p.cast<std::complex<double>>();
  found.count = 1;
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
bool lineMeetingQuadric(const Equations& equations, int row, int column, Points& found) {
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
    found.count = t[0] == t[1] ? 1 : 2;
    for (int i = 0; i < found.count; ++i)
      found.points[i] = origin + std::complex<double>(t[i]) * along;
    return true;
  }
  const double real = -q.b / (2 * q.a), imaginary = std::sqrt(-discriminant) / (2 * std::abs(q.a));
  found.points[0] = origin + std::complex<double>(real, imaginary) * along;
  found.points[1] = found.points[0].conjugate();
  found.count = 2;
  return true;
}

// The symmetric matrix of an equation's quadratic terms: x^T A x is their sum.
Conic quadraticForm(const Equations& equations, int row) {
  const auto c = equations.row(row);
  Conic a;
  a << c(4), c(1) / 2, c(2) / 2, c(1) / 2, c(5), c(3) / 2, c(2) / 2, c(3) / 2, c(6);
  return a;
}

std::complex<double> formAt(const Conic& a, const Eigen::Vector3cd& x) {
  return x.transpose() * (a.cast<std::complex<double>>() * x);
}

// Beyond this (the system scaled to unit range), a solution is taken to lie at infinity: the
// reduction would not give it accurately.
constexpr double kFarthestSolution = 1e8;

// A system without linear terms, q_e(x) + c_e = 0: combinations without constants are cones
// (c_k q_e - c_e q_k, each coefficient within two roundings), which the solutions' lines
// through the origin share. Each of the four lines where two cones meet carries two solutions,
// ±μ w with q_k(w) μ² = -c_k.
bool onSharedLinesOfCones(const Equations& equations, Points& found) {
  int k = 0;
  for (int e = 1; e < kEquationCount; ++e)
    if (std::abs(equations(e, kConstant)) > std::abs(equations(k, kConstant))) k = e;
  const double ck = equations(k, kConstant);
  if (ck == 0) return false;
  Equations cones = Equations::Zero();
  for (int e = 0; e < kEquationCount; ++e)
    for (int i = kFirstQuadratic; i < kFirstQuadratic + kQuadraticTerms; ++i)
      cones(e, i) =
          differenceOfProducts(ck, equations(e, i), equations(e, kConstant), equations(k, i));
  ProjectivePoints lines;
  if (!conicIntersections(quadraticForm(cones, (k + 1) % 3), quadraticForm(cones, (k + 2) % 3),
                          lines))
    return false;
  const Conic qk = quadraticForm(equations, k);
  const double size = qk.cwiseAbs().sum();
  found.count = 0;
  for (const Eigen::Vector3cd& w : lines) {
    const std::complex<double> value = formAt(qk, w);
    if (!(std::abs(value) * kFarthestSolution * kFarthestSolution > size)) return false;
    const std::complex<double> mu = std::sqrt(-ck / value);
    found.points[found.count++] = mu * w;
    found.points[found.count++] = -mu * w;
  }
  return true;
}

bool withoutLinearTerms(const Equations& equations) {
  for (int e = 0; e < kEquationCount; ++e)
    for (int i = 0; i < 3; ++i)
      if (equations(e, kFirstLinear + i) != 0) return false;
  return true;
}

// Whether rows `first` and `second` have proportional quadratic parts, exactly in the doubles
// given; `column` receives the largest entry of first's.
bool proportionalQuadratics(const Equations& equations, int first, int second, int& column) {
  double largest = 0;
  for (int i = kFirstQuadratic; i < kFirstQuadratic + kQuadraticTerms; ++i)
    if (std::abs(equations(first, i)) > largest)
      largest = std::abs(equations(first, i)), column = i;
  if (largest == 0) return false;
  for (int i = kFirstQuadratic; i < kFirstQuadratic + kQuadraticTerms; ++i)
    if (!equalProducts(equations(first, column), equations(second, i), equations(second, column),
                       equations(first, i)))
      return false;
  return true;
}

// A plane and two quadrics: an equation without quadratic terms, or the combination of two
// whose quadratic parts are proportional. On the plane, x = p0 + s u + t v with u, v
// orthonormal, the quadrics are two conics in (s, t), which meet in at most four points.
bool inAPlane(const Equations& equations, Points& found) {
  int planeRow = -1, quadrics[2] = {0, 0};
  double plane[4];  // constant, then the normal
  for (int e = 0; e < kEquationCount && planeRow < 0; ++e) {
    bool linear = true;
    for (int i = kFirstQuadratic; i < kFirstQuadratic + kQuadraticTerms; ++i)
      linear = linear && equations(e, i) == 0;
    if (!linear) continue;
    planeRow = e, quadrics[0] = (e + 1) % 3, quadrics[1] = (e + 2) % 3;
    plane[0] = equations(e, kConstant);
    for (int i = 0; i < 3; ++i) plane[1 + i] = equations(e, kFirstLinear + i);
  }
  for (int e = 0; e < kEquationCount && planeRow < 0; ++e) {
    const int first = e, second = (e + 1) % 3;
    int column = 0;
    if (!proportionalQuadratics(equations, first, second, column)) continue;
    planeRow = second, quadrics[0] = first, quadrics[1] = (e + 2) % 3;
    const double pivot = equations(first, column), factor = equations(second, column);
    const auto combined = [&](int i) {
      return differenceOfProducts(pivot, equations(second, i), factor, equations(first, i));
    };
    plane[0] = combined(kConstant);
    for (int i = 0; i < 3; ++i) plane[1 + i] = combined(kFirstLinear + i);
  }
  if (planeRow < 0) return false;
  const Vector normal(plane[1], plane[2], plane[3]);
  const double length2 = normal.squaredNorm();
  if (!(length2 > 0) || !std::isfinite(length2)) return false;
  int axis = 0;
  normal.cwiseAbs().minCoeff(&axis);
  const Vector u = cross(normal, Vector::Unit(axis)).normalized();
  const Vector v = cross(normal, u) / std::sqrt(length2);
  const Vector origin = -plane[0] / length2 * normal;
  Conic conics[2];
  for (int k = 0; k < 2; ++k) {
    const Conic a = quadraticForm(equations, quadrics[k]);
    double gradient[3];
    gradientAt(equations.row(quadrics[k]), origin(0), origin(1), origin(2), gradient);
    const Vector g(gradient[0], gradient[1], gradient[2]);
    const double uv = u.dot(a * v);
    conics[k] << u.dot(a * u), uv, g.dot(u) / 2, uv, v.dot(a * v), g.dot(v) / 2, g.dot(u) / 2,
        g.dot(v) / 2, compensatedValueAt(equations, quadrics[k], origin);
  }
  ProjectivePoints onPlane;
  if (!conicIntersections(conics[0], conics[1], onPlane)) return false;
  found.count = 0;
  const Eigen::Vector3cd o = origin.cast<std::complex<double>>();
  for (const Eigen::Vector3cd& x : onPlane) {
    if (!(std::abs(x(2)) * kFarthestSolution > 1)) return false;
    found.points[found.count++] = o + (x(0) / x(2)) * u.cast<std::complex<double>>() +
                                  (x(1) / x(2)) * v.cast<std::complex<double>>();
  }
  return true;
}

// The reduction's points as candidates: real ones in ascending z, then one of each conjugate
// pair (positive ordering imaginary part first) in ascending distance from the real space,
// within 1e-4 of it listed as real, within 3e-3 for the equations to decide, beyond that only
// with `complexToo`, for proofs. False where the points do not pair up.
bool asCandidates(const Points& found, bool complexToo, Candidates& candidates) {
  Candidate real[kBasisSize], upper[kBasisSize];
  int reals = 0, uppers = 0, lowers = 0;
  // By insertion: real ones by z, pairs by their distance from the real space.
  const auto insert = [](Candidate* list, int& count, const Candidate& c, auto before) {
    int j = count++;
    for (; j > 0 && before(c, list[j - 1]); --j) list[j] = list[j - 1];
    list[j] = c;
  };
  for (int i = 0; i < found.count; ++i) {
    const Eigen::Vector3cd& p = found.points[i];
    Candidate c;
    setPoint(c, p, true, p.imag().cwiseAbs().maxCoeff());
    if (c.imaginaryPart == 0)
      insert(real, reals, c,
             [](const Candidate& a, const Candidate& b) { return a.z.real() < b.z.real(); });
    else if (orderingImaginaryPart(c) > 0)
      insert(upper, uppers, c, [](const Candidate& a, const Candidate& b) {
        return a.imaginaryPart < b.imaginaryPart;
      });
    else
      ++lowers;
  }
  if (uppers != lowers) return false;
  int n = 0;
  for (int i = 0; i < reals; ++i) candidates[n++] = real[i];
  for (int i = 0; i < uppers; ++i) {
    Candidate c = upper[i];
    const bool searched = c.imaginaryPart < kNearRealSearch;
    if (!searched && !complexToo) continue;
    c.real = c.imaginaryPart < kRealEigenvalueTolerance;
    c.forProofOnly = !searched;
    candidates[n] = c;
    candidates[n + 1] = c;
    candidates[n + 1].x = std::conj(c.x), candidates[n + 1].y = std::conj(c.y),
                   candidates[n + 1].z = std::conj(c.z);
    n += 2;
  }
  return true;
}

// Equations without linear terms are even: at -p their values are those at p and their
// Jacobian is negated, so Newton's step from -p is minus the step from p, bit for bit. Of each
// real ± pair (the cones give them as exact negations) one is polished and the other negated.
void polishHalfOfEachPair(const Equations& equations, Candidates& candidates) {
  Candidates half = candidates;
  int partner[kBasisSize];
  std::fill(partner, partner + kBasisSize, -1);
  const auto negated = [](const Candidate& a, const Candidate& b) {
    return a.x == -b.x && a.y == -b.y && a.z == -b.z;
  };
  for (int i = 0; i < kBasisSize; ++i) {
    if (!polishable(candidates[i]) || partner[i] >= 0) continue;
    for (int j = i + 1; j < kBasisSize; ++j)
      if (partner[j] < 0 && polishable(candidates[j]) && negated(candidates[i], candidates[j])) {
        partner[j] = i, half[j].real = false;
        break;
      }
  }
  polishRealCandidates(equations, half);
  for (int i = 0; i < kBasisSize; ++i) {
    if (!polishable(candidates[i])) continue;
    const Candidate& from = partner[i] >= 0 ? half[partner[i]] : half[i];
    const double sign = partner[i] >= 0 ? -1 : 1;
    candidates[i].x = sign * from.x, candidates[i].y = sign * from.y,
    candidates[i].z = sign * from.z;
  }
}

}  // namespace

bool structuredCandidates(const Equations& equations, Candidates& candidates, int& mostSolutions,
                          bool complexToo) {
  if (!withinSafeRange(equations)) return false;
  int row = 0, column = 0;
  const int rank = lowQuadraticRank(equations, row, column);
  Points found;
  if (rank == 0) {
    if (!threePlanes(equations, found)) return false;
    mostSolutions = 1;
  } else if (rank == 1) {
    if (!lineMeetingQuadric(equations, row, column, found)) return false;
    mostSolutions = 2;
  } else if (inAPlane(equations, found)) {
    mostSolutions = 4;
  } else if (withoutLinearTerms(equations) && onSharedLinesOfCones(equations, found)) {
    mostSolutions = kBasisSize;
  } else {
    return false;
  }
  clear(candidates);
  if (!asCandidates(found, complexToo, candidates)) return false;
  double c[kEquations][kCoefficients];
  for (int e = 0; e < kEquations; ++e)
    for (int i = 0; i < kCoefficients; ++i) c[e][i] = equations(e, i);
  // Newton's steps from compensated values: far from the origin (trilateration at map
  // coordinates) the equations' terms cancel by many orders of magnitude, and a value in plain
  // double would be noise. The reductions leave the points close to the roots, so a step that
  // is not a small correction (beside a near-double root) is not taken. Systems without linear
  // terms have no far offset to cancel: they take the kernels' steps, as cheap as theirs.
  const bool withoutLinear = mostSolutions == kBasisSize;
  if (withoutLinear) polishHalfOfEachPair(equations, candidates);
  for (Candidate& candidate : candidates) {
    if (withoutLinear) break;
    for (int step = 0; step < kStructuredPolishSteps && polishable(candidate); ++step) {
      const Vector at(candidate.x.real(), candidate.y.real(), candidate.z.real());
      const double p[3] = {at(0), at(1), at(2)};
      double value[kEquations], delta[3];
      for (int e = 0; e < kEquations; ++e) value[e] = compensatedValueAt(equations, e, at);
      newtonStepAt(c, p, value, delta);
      const double size = std::max(1.0, at.cwiseAbs().maxCoeff());
      const double change = std::max({std::abs(delta[0]), std::abs(delta[1]), std::abs(delta[2])});
      if (!(change <= kSmallCorrection * size)) break;
      candidate.x = p[0] - delta[0], candidate.y = p[1] - delta[1], candidate.z = p[2] - delta[2];
      if (change <= kPolished * size) break;
    }
  }
  if (!complexToo) return true;
  // The pairs listed for proofs, from a pencil's lines, are a few roundings short of what the
  // proofs need (a quadratic's pair on one line is not).
  for (int i = 0; rank > 1 && i + 1 < kBasisSize; ++i) {
    if (!provesPair(candidates[i])) continue;
    std::complex<double> p[3] = {candidates[i].x, candidates[i].y, candidates[i].z};
    for (int step = 0; step < kStructuredPolishSteps; ++step) {
      std::complex<double> monomials[kTermCount], value[kEquations], delta[3];
      monomialsAt(p[0], p[1], p[2], monomials);
      for (int e = 0; e < kEquations; ++e) sumOfTerms<false>(c[e], monomials, value[e]);
      newtonStepAt(c, p, value, delta);
      for (int k = 0; k < 3; ++k) p[k] -= delta[k];
    }
    if (!(std::isfinite(std::abs(p[0])) && std::isfinite(std::abs(p[1])) &&
          std::isfinite(std::abs(p[2]))))
      continue;
    candidates[i].x = p[0], candidates[i].y = p[1], candidates[i].z = p[2];
    candidates[i + 1].x = std::conj(p[0]), candidates[i + 1].y = std::conj(p[1]),
                   candidates[i + 1].z = std::conj(p[2]);
  }
  proveCandidates(equations, candidates, true);
  return true;
}

}  // namespace quorvane
