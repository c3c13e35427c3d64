// SPDX-License-Identifier: BSD-3-Clause
#include "fast/eigenvectors.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <type_traits>

#include "fast/characteristic_polynomial.h"

namespace quorvane {
namespace {

constexpr double kUnitRoundoff = 0x1p-53;
// The expansion sums up to a dozen products of three entries per coefficient, and Horner's
// rule adds sixteen roundings more: a generous multiple of u times the expansion on
// magnitudes bounds what rounding changed in a value of the polynomial.
constexpr double kRoundingFactor = 32 * kUnitRoundoff;
// A critical value must exceed its rounding bound this many times for its sign, and with it
// the count of real roots beside it, to be trusted.
constexpr double kCriticalValueMargin = 4;
// A root whose rounding may have moved it by more than this, relative to its size (at least
// 1), is left to the eigen-solver; below it, Newton's steps on the equations recover the
// digits the polynomial lost.
constexpr double kRootErrorTolerance = 1e-4;
// Critical points whose quadratic model puts a complex pair nearer than this to the real axis
// are searched for the pair. Two real roots a few 1e-5 apart can show as a pair some 1e-4 off
// the axis here, where the eigen-solver still reads them as near-real: a pair counts as clearly
// complex only beyond kClearlyComplex times the read-out's tolerance, and anything nearer is
// left to the standard path.
constexpr double kNearRealSearch = 3e-3;
constexpr int kComplexNewtonSteps = 30;
constexpr double kComplexNewtonSettled = 0x1p-46;
constexpr double kClearlyComplex = 30;
// Two adjacent real eigenvalues that rounding leaves too close to read apart are taken as a
// pair only where every other root is this many times their gap away.
constexpr double kIsolatedPair = 100;
// A critical value of a minimum of |p| below this many times its rounding bound leaves the
// pair beside it for Newton's method on the equations to decide, however far off the axis: a
// pair 8e-3 off at z = 313 (2.7e-5 relative) whose critical value was 6.4 times its bound was
// two real roots 1e-7 apart.
constexpr double kDoubtfulCriticalMargin = 1e4;
// Rounding limits a near-double root to about the square root of u.
constexpr double kNearRealPairSettled = 1e-7;
// A pair is pinned down once Newton's last step moved it by less than this fraction of its
// distance from the real axis: that distance is then known well enough to tell on which side
// of the read-out's tolerance, and of kClearlyComplex times it, the pair lies.
constexpr double kPinnedDownFraction = 0.1;
// The cluster test's radius is the mean's magnitude (at least 1) over this: the standard
// path's ratio for a cluster far out (its kClusterRatio). Its test bounds the largest distance
// from the mean; this one bounds |the mean of (λ - mean)²|, which never exceeds that
// distance's square, so every cluster the standard path would find is left to it.
constexpr double kMeanOverClusterRadius = 16;

template <typename T>
T valueAt(const double (&coefficients)[kPolynomialDegree + 1], T x) {
  T value = coefficients[kPolynomialDegree];
  for (int i = kPolynomialDegree - 1; i >= 0; --i) value = value * x + coefficients[i];
  return value;
}

template <typename T>
void valueAndSlopeAt(const double (&coefficients)[kPolynomialDegree + 1], T x, T& value, T& slope) {
  value = coefficients[kPolynomialDegree];
  slope = 0.0;
  for (int i = kPolynomialDegree - 1; i >= 0; --i) {
    slope = slope * x + value;
    value = value * x + coefficients[i];
  }
}

double secondDerivativeAt(const double (&coefficients)[kPolynomialDegree + 1], double x) {
  double value = 0;
  for (int i = kPolynomialDegree; i >= 2; --i) value = value * x + i * (i - 1) * coefficients[i];
  return value;
}

double roundingBoundAt(const RealRootsOfAction& r, double x) {
  return kRoundingFactor * valueAt(r.absolutePolynomial, std::abs(x));
}

template <typename T, int N>
T polynomialAt(const double (&coefficients)[N], T x) {
  T value = coefficients[N - 1];
  for (int i = N - 2; i >= 0; --i) value = value * x + coefficients[i];
  return value;
}

double squaredMagnitude(double v) {
  return v * v;
}
double squaredMagnitude(std::complex<double> v) {
  return std::norm(v);
}

std::complex<double> ratio(std::complex<double> a, std::complex<double> b) {
  return divideComplex(a, b);
}
double ratio(double a, double b) {
  return a / b;
}

// The null vector of P(λ) as (x, y, 1): the cross product of the two rows that span the most.
template <typename T>
bool nullVector(const PolynomialEntries<double>& p, T lambda, T& x, T& y) {
  const T rows[3][3] = {
      {polynomialAt(p.p00, lambda), polynomialAt(p.p01, lambda), polynomialAt(p.p02, lambda)},
      {polynomialAt(p.p10, lambda), polynomialAt(p.p11, lambda), polynomialAt(p.p12, lambda)},
      {polynomialAt(p.p20, lambda), polynomialAt(p.p21, lambda), polynomialAt(p.p22, lambda)}};
  constexpr int kPairs[3][2] = {{0, 1}, {0, 2}, {1, 2}};
  T best[3] = {0.0, 0.0, 0.0};
  double largest = -1;
  for (const auto& pair : kPairs) {
    const T* a = rows[pair[0]];
    const T* b = rows[pair[1]];
    const T cross[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                        a[0] * b[1] - a[1] * b[0]};
    const double size =
        squaredMagnitude(cross[0]) + squaredMagnitude(cross[1]) + squaredMagnitude(cross[2]);
    if (size > largest) {
      largest = size;
      for (int i = 0; i < 3; ++i) best[i] = cross[i];
    }
  }
  if (best[2] == T(0.0)) return false;
  x = ratio(best[0], best[2]);
  y = ratio(best[1], best[2]);
  return true;
}

template <typename T>
void setCandidate(const PolynomialEntries<double>& p, T lambda, Candidate& c) {
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  T x, y;
  c.zeroDivisor = !nullVector(p, lambda, x, y);
  c.real = true;
  c.imaginaryPart = std::abs(std::imag(lambda));
  if (c.zeroDivisor) {
    c.x = c.y = c.z = {nan, nan};
    return;
  }
  c.x = x, c.y = y, c.z = lambda;
}

// The complex root nearest the critical point c, by Newton's steps from the quadratic model's
// prediction c + i·√(2 p(c) / p''(c)); `lastStep` tells how far it still moved at the end.
// Beside a near-double root rounding keeps the steps from vanishing.
bool complexRootNear(const RealRootsOfAction& r, double c, double offset,
                     std::complex<double>& root, double& lastStep) {
  std::complex<double> z(c, offset);
  lastStep = 0;
  for (int step = 0; step < kComplexNewtonSteps; ++step) {
    std::complex<double> value, slope;
    valueAndSlopeAt(r.polynomial, z, value, slope);
    if (value == 0.0) break;
    const std::complex<double> change = value / slope;
    z -= change;
    lastStep = std::abs(change);
    if (lastStep <= kComplexNewtonSettled * std::abs(z)) break;
  }
  root = z;
  return std::isfinite(z.real()) && std::isfinite(z.imag()) && std::isfinite(lastStep);
}

}  // namespace

// All eight eigenvalues close together against their distance from the origin (their
// variance, from the polynomial's two top coefficients, below the square of the mean's
// magnitude over kMeanOverClusterRadius):
// a cluster far out, whose real roots may read as complex. Only the standard path, which sees
// every eigenvalue, can check that.
bool clusteredFarOut(const double (&polynomial)[kPolynomialDegree + 1]) {
  const double sum = -polynomial[kPolynomialDegree - 1];
  const double sumOfPairs = polynomial[kPolynomialDegree - 2];
  const double mean = sum / kPolynomialDegree;
  const double variance = (sum * sum - 2 * sumOfPairs) / kPolynomialDegree - mean * mean;
  const double radius = std::max(1.0, std::abs(mean)) / kMeanOverClusterRadius;
  return !(std::abs(variance) >= radius * radius);
}

bool realEigenCandidates(const RealRootsOfAction& r, Candidates& candidates,
                         ListedEigenvalues* listed) {
  if (!r.ok || clusteredFarOut(r.polynomial)) return false;
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  for (Candidate& c : candidates) c = {{nan, nan}, {nan, nan}, {nan, nan}, false, nan, false};
  const PolynomialEntries<double> entries = polynomialEntries(r.actionRows, false);

  // A root that rounding may have moved by more than the tolerance, or a critical value
  // within rounding of zero, between two adjacent real roots: two close real roots (or a
  // double root, or a near-real pair that rounding split), which Newton's method on the
  // equations and the split of close roots tell apart. A rough root beside no such pair
  // declines; a critical value within rounding that no two found roots bracket is listed
  // below as an undecided pair.
  bool rough[kPolynomialDegree] = {};
  for (int i = 0; i < kPolynomialDegree; ++i) {
    if (!r.rootFound[i]) continue;
    const double root = r.roots[i];
    double value, slope;
    valueAndSlopeAt(r.polynomial, root, value, slope);
    // How far rounding may have moved the root: its value's rounding over the slope.
    rough[i] = !(roundingBoundAt(r, root) <=
                 kRootErrorTolerance * std::max(1.0, std::abs(root)) * std::abs(slope));
  }
  // The gap from root i to root i + 1, where both were found.
  const auto gap = [&](int i) {
    return i >= 0 && i + 1 < kPolynomialDegree && r.rootFound[i] && r.rootFound[i + 1]
               ? r.roots[i + 1] - r.roots[i]
               : std::numeric_limits<double>::infinity();
  };
  // Two close real roots are both rough; one rough root beside a smooth one is near roots
  // that were not found (a near-double point or a complex pair).
  bool closePair[kPolynomialDegree - 1] = {};
  double criticalValue[kPolynomialDegree - 1];
  for (int i = 0; i < kPolynomialDegree - 1; ++i) {
    const bool bracketed = r.rootFound[i] && r.rootFound[i + 1];
    criticalValue[i] = bracketed || r.criticalFound[i] ? valueAt(r.polynomial, r.critical[i]) : 0;
    if (!bracketed) continue;
    closePair[i] =
        (rough[i] && rough[i + 1]) ||
        !(std::abs(criticalValue[i]) > kCriticalValueMargin * roundingBoundAt(r, r.critical[i]));
  }
  // Three or more close together are beyond the split of a pair, and so is a pair with another
  // root nearer than kIsolatedPair times its gap: the read-out at either root may then start
  // Newton's method nearer to that root's point than to its own. Its neighbours must have been
  // found for that to be known: where one was not, a near-double point or a complex pair may
  // lie beside the pair.
  const auto foundOrBeyond = [&](int i) {
    return i < 0 || i >= kPolynomialDegree || r.rootFound[i];
  };
  for (int i = 0; i < kPolynomialDegree - 1; ++i)
    if (closePair[i] &&
        !(foundOrBeyond(i - 1) && foundOrBeyond(i + 2) && gap(i - 1) >= kIsolatedPair * gap(i) &&
          gap(i + 1) >= kIsolatedPair * gap(i) &&
          (i + 1 == kPolynomialDegree - 1 || !closePair[i + 1])))
      return false;
  int count = 0;
  for (int i = 0; i < kPolynomialDegree; ++i) {
    if (!r.rootFound[i]) continue;
    const bool close = (i > 0 && closePair[i - 1]) || (i < kPolynomialDegree - 1 && closePair[i]);
    if (rough[i] && !close) return false;
    const double root = r.roots[i];
    if (listed) listed->values[count] = root;
    setCandidate(entries, root, candidates[count]);
    candidates[count++].closeRoot = close;
  }

  for (int i = 0; i < kPolynomialDegree - 1; ++i) {
    if (!r.criticalFound[i] || closePair[i]) continue;
    const double c = r.critical[i];
    const double value = criticalValue[i];
    // A critical value within rounding of zero hides a double root, two close real roots or
    // a complex pair. Where no other root is near, the pair is listed undecided, from where
    // the polynomial's quadratic model at the rounding bound puts it, for Newton's method on
    // the equations to tell which (a complex start, so that a complex pair can show itself);
    // anywhere else only the eigen-solver can tell.
    const double bound = roundingBoundAt(r, c);
    const double curvature = secondDerivativeAt(r.polynomial, c);
    if (!(std::abs(value) > kCriticalValueMargin * bound)) {
      const double width = std::sqrt(2 * kCriticalValueMargin * bound / std::abs(curvature));
      if (!(width > 0 && width < kNearRealSearch * std::max(1.0, std::abs(c))) ||
          count + 2 > kBasisSize)
        return false;
      for (int j = 0; j < kPolynomialDegree; ++j)
        if (r.rootFound[j] && !(std::abs(r.roots[j] - c) >= kIsolatedPair * width)) return false;
      const std::complex<double> upper(c, width);
      if (listed) listed->values[count] = upper, listed->values[count + 1] = std::conj(upper);
      setCandidate(entries, upper, candidates[count++]);
      setCandidate(entries, std::conj(upper), candidates[count++]);
      candidates[count - 2].real = candidates[count - 1].real = false;
      continue;
    }
    const double square = 2 * value / curvature;
    // Only a minimum of |p| that stays off zero has a complex pair beside it. The bound covers
    // the polynomial's own rounding, not the action matrix's: a pair whose minimum is not far
    // above it may stand for two real roots however far off the axis it shows.
    const bool doubtful = !(std::abs(value) > kDoubtfulCriticalMargin * bound);
    if (!(square > 0 && (square < kNearRealSearch * kNearRealSearch || doubtful))) continue;
    std::complex<double> root;
    double lastStep;
    if (!complexRootNear(r, c, std::sqrt(square), root, lastStep)) return false;
    const double imaginary = std::abs(root.imag());
    // Clearly off the real axis: not wanted. Within the read-out's tolerance of it: a near-real
    // pair. In between: two close real roots that rounding pushed off the axis, or a complex
    // pair, which only the equations can tell apart; it is listed, not real, for the caller to
    // refine. A pair not pinned down is left to the eigen-solver.
    const bool settled = lastStep < kPinnedDownFraction * imaginary;
    if (imaginary > kClearlyComplex * kRealEigenvalueTolerance && settled && !doubtful) continue;
    const bool nearReal = imaginary < kRealEigenvalueTolerance &&
                          lastStep <= kNearRealPairSettled * std::max(1.0, std::abs(root));
    const bool undecided = !(imaginary < kRealEigenvalueTolerance) && settled;
    if (!nearReal && !undecided) return false;
    if (count + 2 > kBasisSize) return false;
    const std::complex<double> upper(root.real(), std::abs(root.imag()));
    if (listed) listed->values[count] = upper, listed->values[count + 1] = std::conj(upper);
    setCandidate(entries, upper, candidates[count++]);
    setCandidate(entries, std::conj(upper), candidates[count++]);
    candidates[count - 2].real = candidates[count - 1].real = nearReal;
  }
  if (listed) listed->count = count;
  return true;
}

namespace {

// A factor of the characteristic polynomial, coefficients from λ⁰ up.
struct Deflated {
  double c[kPolynomialDegree + 1];
  int degree;
};

// q / (λ - r) without the remainder, by synthetic division from the leading coefficient: stable
// as long as the roots go in ascending magnitude.
void divideByRoot(Deflated& q, double r) {
  double carry = q.c[q.degree];
  for (int i = q.degree - 1; i >= 0; --i) {
    const double next = q.c[i] + r * carry;
    q.c[i] = carry;
    carry = next;
  }
  --q.degree;
}

// q / (λ - z)(λ - z̄) without the remainder: with q = Σ a_k λ^k, the quotient's b_{k-2} is
// a_k + t b_{k-1} - s b_k for the factor λ² - tλ + s.
void divideByPair(Deflated& q, std::complex<double> z) {
  const double t = 2 * z.real(), s = std::norm(z);
  double quotient[kPolynomialDegree + 1];
  double above = 0, twoAbove = 0;
  for (int k = q.degree; k >= 2; --k) {
    const double b = q.c[k] + t * above - s * twoAbove;
    quotient[k - 2] = b;
    twoAbove = above, above = b;
  }
  q.degree -= 2;
  for (int k = 0; k <= q.degree; ++k) q.c[k] = quotient[k];
}

}  // namespace

bool deflatedByListed(const RealRootsOfAction& r, const ListedEigenvalues& listed,
                      double (&deflated)[kPolynomialDegree + 1], int& degree) {
  Deflated q;
  for (int i = 0; i <= kPolynomialDegree; ++i) q.c[i] = r.polynomial[i];
  q.degree = kPolynomialDegree;
  std::complex<double> known[kPolynomialDegree];
  const int count = listed.count;
  // By insertion into ascending magnitude, for the division from the top.
  for (int i = 0; i < count; ++i) {
    int j = i;
    for (; j > 0 && std::norm(known[j - 1]) > std::norm(listed.values[i]); --j)
      known[j] = known[j - 1];
    known[j] = listed.values[i];
  }
  for (int i = 0; i < count; ++i) {
    if (known[i].imag() == 0) divideByRoot(q, known[i].real());
    if (known[i].imag() > 0) divideByPair(q, known[i]);
  }
  for (int i = 0; i <= kPolynomialDegree; ++i) deflated[i] = i <= q.degree ? q.c[i] : 0.0;
  degree = q.degree;
  // The real roots are all listed: what is left has even degree and only conjugate pairs.
  return q.degree % 2 == 0;
}

}  // namespace quorvane
