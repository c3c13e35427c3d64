// SPDX-License-Identifier: BSD-3-Clause
// Two conics meet where their pencil's degenerate members do: det(a + t b) = 0 is a cubic, so
// one member at least is real, and a degenerate conic of rank two is a pair of lines, which an
// adjugate and a cross-product matrix take apart. Each line then meets a conic in the two
// roots of a quadratic. Where the points include real ones a real member consists of real
// lines; it is preferred, so that real points come out of real arithmetic and conjugate pairs
// from a real quadratic.
#include "fast/conics.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <complex>

namespace quorvane {
namespace {

using Complex = std::complex<double>;

// A member whose adjugate's largest diagonal entry falls below this, the member scaled to
// largest entry 1, is a double line or close to one: its lines cannot be told apart.
constexpr double kDistinctLines = 1e-6;
// A cubic whose coefficients are all below this (the conics scaled to largest entry 1) is zero
// to rounding: every member is degenerate, and the conics share a component.
constexpr double kVanishingPencil = 1e-12;
// A determinant this small beside the pencil's largest coefficient makes its conic a member
// in its own right (the cubic's root at infinity).
constexpr double kDegenerateConic = 1e-12;
// Each point must lie on both conics to within this, conics and point scaled to largest entry 1.
constexpr double kOnBothConics = 1e-8;

Conic adjugate(const Conic& m) {
  Conic adj;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      const int r0 = (j + 1) % 3, r1 = (j + 2) % 3, c0 = (i + 1) % 3, c1 = (i + 2) % 3;
      adj(i, j) = m(r0, c0) * m(r1, c1) - m(r0, c1) * m(r1, c0);
    }
  return adj;
}

double largestEntry(const Conic& m) {
  return m.cwiseAbs().maxCoeff();
}

// The real roots of t³ + a t² + b t + c, each with two Newton steps kept where they lower the
// value; returns how many.
int realCubicRoots(double a, double b, double c, double (&roots)[3]) {
  const double q = (a * a - 3 * b) / 9, r = (2 * a * a * a - 9 * a * b + 27 * c) / 54;
  int count = 0;
  if (r * r < q * q * q) {
    const double angle = std::acos(std::clamp(r / std::sqrt(q * q * q), -1.0, 1.0));
    const double scale = -2 * std::sqrt(q);
    constexpr double kThirdTurn = 2.0943951023931957;  // 2π / 3
    for (int k = 0; k < 3; ++k)
      roots[count++] = scale * std::cos(angle / 3 + k * kThirdTurn) - a / 3;
  } else {
    const double big = -std::copysign(std::cbrt(std::abs(r) + std::sqrt(r * r - q * q * q)), r);
    roots[count++] = big + (big != 0 ? q / big : 0) - a / 3;
  }
  for (int i = 0; i < count; ++i)
    for (int step = 0; step < 2; ++step) {
      const double t = roots[i];
      const double value = ((t + a) * t + b) * t + c, slope = (3 * t + 2 * a) * t + b;
      if (slope == 0) break;
      const double next = t - value / slope;
      const double nextValue = ((next + a) * next + b) * next + c;
      if (!(std::abs(nextValue) < std::abs(value))) break;
      roots[i] = next;
    }
  return count;
}

// A degenerate member of the pencil and the conic it is to be met with.
struct Member {
  Conic conic;      // scaled to largest entry 1
  Conic other;      // a or b: the one that differs from the member more
  Conic adj;        // the member's adjugate
  int diagonal;     // the index of its largest diagonal entry
  double distinct;  // that entry, in magnitude
  bool realLines;
};

Member memberOf(const Conic& conic, const Conic& other) {
  Member m{conic / largestEntry(conic), other, Conic(), 0, 0, false};
  m.adj = adjugate(m.conic);
  m.adj.diagonal().cwiseAbs().maxCoeff(&m.diagonal);
  m.distinct = std::abs(m.adj(m.diagonal, m.diagonal));
  m.realLines = m.adj(m.diagonal, m.diagonal) < 0;
  return m;
}

// The better member for splitting: real lines first, then the more clearly distinct lines.
bool betterMember(const Member& candidate, const Member& best) {
  if (candidate.realLines != best.realLines) return candidate.realLines;
  return candidate.distinct > best.distinct;
}

// The two lines of a degenerate member of rank two: with adj(c) = -p pᵀ, where p is where the
// lines cross, c + [p]× has rank one, its rows one line and its columns the other.
void splitIntoLines(const Member& member, Eigen::Vector3cd& first, Eigen::Vector3cd& second) {
  const Conic& c = member.conic;
  const Conic& adj = member.adj;
  const int i = member.diagonal;
  const double d = adj(i, i);
  const Eigen::Vector3cd p =
      d < 0 ? Eigen::Vector3cd(adj.col(i).cast<Complex>() / std::sqrt(-d))
            : Eigen::Vector3cd(adj.col(i).cast<Complex>() * Complex(0, 1 / std::sqrt(d)));
  Eigen::Matrix3cd rankOne = c.cast<Complex>();
  rankOne(0, 1) += p(2), rankOne(0, 2) -= p(1);
  rankOne(1, 0) -= p(2), rankOne(1, 2) += p(0);
  rankOne(2, 0) += p(1), rankOne(2, 1) -= p(0);
  Eigen::Index row = 0, column = 0;
  rankOne.cwiseAbs2().maxCoeff(&row, &column);
  first = rankOne.row(row).transpose();
  second = rankOne.col(column);
}

// xᵀ m y, the real m applied to complex vectors without a complex copy of it.
Complex bilinear(const Eigen::Vector3cd& x, const Conic& m, const Eigen::Vector3cd& y) {
  Complex sum = 0;
  for (int i = 0; i < 3; ++i) sum += x(i) * (m(i, 0) * y(0) + m(i, 1) * y(1) + m(i, 2) * y(2));
  return sum;
}

// The index of the entry of largest magnitude, compared by squares (no hypot).
int largestIndex(const Eigen::Vector3cd& x) {
  int largest = 0;
  for (int i = 1; i < 3; ++i)
    if (std::norm(x(i)) > std::norm(x(largest))) largest = i;
  return largest;
}

// l × e_axis.
Eigen::Vector3cd crossWithAxis(const Eigen::Vector3cd& l, int axis) {
  Eigen::Vector3cd result = Eigen::Vector3cd::Zero();
  const int next = (axis + 1) % 3, last = (axis + 2) % 3;
  result(next) = l(last);
  result(last) = -l(next);
  return result;
}

// The two points where line l meets conic s, as homogeneous vectors; false where the line
// lies on the conic.
bool lineMeetsConic(const Eigen::Vector3cd& l, const Conic& s, Eigen::Vector3cd& first,
                    Eigen::Vector3cd& second) {
  const int largest = largestIndex(l);
  const Eigen::Vector3cd p1 = crossWithAxis(l, (largest + 1) % 3);
  const Eigen::Vector3cd p2 = crossWithAxis(l, (largest + 2) % 3);
  // σ p1 + τ p2 on the conic: a σ² + 2b στ + c τ² = 0, with σ/τ = q/a = c/q, where q is
  // -(b + d) and d the root of b² - ac that does not cancel against b.
  const Complex a = bilinear(p1, s, p1), b = bilinear(p1, s, p2), c = bilinear(p2, s, p2);
  Complex d = std::sqrt(b * b - a * c);
  if ((std::conj(b) * d).real() < 0) d = -d;
  const Complex q = -(b + d);
  if (q == Complex(0)) return false;
  first = q * p1 + a * p2;
  second = c * p1 + q * p2;
  return true;
}

bool normalize(Eigen::Vector3cd& x) {
  const int largest = largestIndex(x);
  const Complex scale = x(largest);
  if (!(std::norm(scale) > 0)) return false;
  x /= scale;
  x(largest) = 1;
  return x.allFinite();
}

}  // namespace

bool conicIntersections(const Conic& a, const Conic& b, ProjectivePoints& points) {
  const double sizeA = largestEntry(a), sizeB = largestEntry(b);
  if (!(sizeA > 0 && sizeB > 0)) return false;
  const Conic first = a / sizeA, second = b / sizeB;
  // det(first + t second), coefficients from t⁰ up.
  const double pencil[4] = {first.determinant(), (adjugate(first) * second).trace(),
                            (adjugate(second) * first).trace(), second.determinant()};
  const double largest = std::max(
      {std::abs(pencil[0]), std::abs(pencil[1]), std::abs(pencil[2]), std::abs(pencil[3])});
  if (!(largest > kVanishingPencil)) return false;
  Member members[5];
  int count = 0;
  // With the leading coefficient the larger of the two ends, the cubic's roots are not all
  // large; members far out are scaled back by their root.
  const bool reversed = std::abs(pencil[3]) < std::abs(pencil[0]);
  const Conic& p = reversed ? second : first;
  const Conic& q = reversed ? first : second;
  const double lead = reversed ? pencil[0] : pencil[3];
  if (std::abs(lead) > kDegenerateConic * largest) {
    const double c2 = (reversed ? pencil[1] : pencil[2]) / lead;
    const double c1 = (reversed ? pencil[2] : pencil[1]) / lead;
    const double c0 = (reversed ? pencil[3] : pencil[0]) / lead;
    double roots[3];
    const int real = realCubicRoots(c2, c1, c0, roots);
    for (int i = 0; i < real; ++i) {
      const double t = roots[i];
      if (!std::isfinite(t)) continue;
      // p + t q, met with q where p weighs more and with p where q does.
      members[count++] = std::abs(t) <= 1 ? memberOf(p + t * q, q) : memberOf(p / t + q, p);
    }
  } else {
    members[count++] = memberOf(q, p);
  }
  if (std::abs(pencil[reversed ? 3 : 0]) <= kDegenerateConic * largest)
    members[count++] = memberOf(p, q);
  if (count == 0) return false;
  const Member* best = &members[0];
  for (int i = 1; i < count; ++i)
    if (betterMember(members[i], *best)) best = &members[i];
  if (!(best->distinct > kDistinctLines)) return false;
  Eigen::Vector3cd lines[2];
  splitIntoLines(*best, lines[0], lines[1]);
  for (int i = 0; i < 2; ++i)
    if (!lineMeetsConic(lines[i], best->other, points[2 * i], points[2 * i + 1])) return false;
  for (Eigen::Vector3cd& x : points) {
    if (!normalize(x)) return false;
    if (!(std::norm(bilinear(x, first, x)) <= kOnBothConics * kOnBothConics &&
          std::norm(bilinear(x, second, x)) <= kOnBothConics * kOnBothConics))
      return false;
  }
  return true;
}

}  // namespace quorvane
