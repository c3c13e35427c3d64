// SPDX-License-Identifier: BSD-3-Clause
// The Krawczyk test in Arb's balls. Each Jacobian entry is linear in the point, so over the
// polydisc it lies in a disc around its value at the centre, of radius r times the sum of
// the magnitudes of its coefficients; with that, every row of (I - Y J(X))(X - c) lies in a
// disc of radius r · sum_j sup |(I - Y J(X))_ij| around 0, and K(X) inside X comes down to
//
//     |(Y f(c))_i| + r · sum_j (|(I - Y J(c))_ij| + r · sum_k |Y_ik| L_kj) < r   for each i,
//
// with L_kj the Lipschitz bound of entry (k, j). Every quantity is a ball holding the true
// value, and the comparison holds for the whole ball, so rounding cannot make a false claim
// pass.
#include "referee.h"

#include <acb.h>
#include <acb_mat.h>
#include <arb.h>

#include <cmath>

namespace quorvane::testing {
namespace {

// Far more than the doubles need: f(c) of double coefficients at a double point is then
// almost exact, and a tight claim fails only when it is false.
constexpr slong kPrecision = 128;
// The bounds on magnitudes need no more than a double's precision: every step rounds outwards.
constexpr slong kBoundPrecision = 64;

class Real {
 public:
  Real() { arb_init(value_); }
  explicit Real(double d) : Real() { arb_set_d(value_, d); }
  ~Real() { arb_clear(value_); }
  Real(const Real&) = delete;
  Real& operator=(const Real&) = delete;
  arb_ptr get() { return value_; }
  arb_srcptr get() const { return value_; }

 private:
  arb_t value_;
};

class Complex {
 public:
  Complex() { acb_init(value_); }
  explicit Complex(std::complex<double> d) : Complex() { acb_set_d_d(value_, d.real(), d.imag()); }
  ~Complex() { acb_clear(value_); }
  Complex(const Complex&) = delete;
  Complex& operator=(const Complex&) = delete;
  acb_ptr get() { return value_; }
  acb_srcptr get() const { return value_; }

 private:
  acb_t value_;
};

class Matrix {
 public:
  Matrix() { acb_mat_init(value_, 3, 3); }
  ~Matrix() { acb_mat_clear(value_); }
  Matrix(const Matrix&) = delete;
  Matrix& operator=(const Matrix&) = delete;
  acb_mat_struct* get() { return value_; }
  acb_ptr operator()(int i, int j) { return acb_mat_entry(value_, i, j); }

 private:
  acb_mat_t value_;
};

bool finite(const RefereeEquations& equations) {
  for (const auto& e : equations)
    for (double c : e)
      if (!std::isfinite(c)) return false;
  return true;
}

bool finite(const RefereePoint& p) {
  for (const std::complex<double>& v : p)
    if (!std::isfinite(v.real()) || !std::isfinite(v.imag())) return false;
  return true;
}

// Which coefficient multiplies each variable in the derivative by each variable:
// d/dx = c1 y + c2 z + 2 c4 x + c7, d/dy = c1 x + c3 z + 2 c5 y + c8,
// d/dz = c2 x + c3 y + 2 c6 z + c9; kTerm[j][v] is the coefficient index of variable v in
// d/dj, kTwice[j][v] whether it is doubled, kLinear[j] the constant term.
constexpr int kTerm[3][3] = {{4, 1, 2}, {1, 5, 3}, {2, 3, 6}};
constexpr bool kTwice[3][3] = {{true, false, false}, {false, true, false}, {false, false, true}};
constexpr int kLinear[3] = {7, 8, 9};

}  // namespace

bool refereeProvesUniqueRoot(const RefereeEquations& equations, const RefereePoint& centre,
                             double radius) {
  if (!finite(equations) || !finite(centre) || !std::isfinite(radius) || !(radius > 0))
    return false;
  const slong prec = kPrecision;
  Complex c[3];
  for (int v = 0; v < 3; ++v) acb_set_d_d(c[v].get(), centre[v].real(), centre[v].imag());

  // f(c) and J(c), and L, the Lipschitz bounds of J's entries per unit of radius.
  Matrix jacobian, inverse, product, contraction;
  Complex value[3], step[3], term;
  Real lipschitz[3][3];
  for (int e = 0; e < 3; ++e) {
    const auto& k = equations[e];
    Complex monomial;
    acb_set_d(value[e].get(), k[0]);
    const int first[6] = {0, 0, 1, 0, 1, 2}, second[6] = {1, 2, 2, 0, 1, 2};
    for (int m = 0; m < 6; ++m) {
      acb_mul(monomial.get(), c[first[m]].get(), c[second[m]].get(), prec);
      Real coefficient(k[1 + m]);
      acb_addmul_arb(value[e].get(), monomial.get(), coefficient.get(), prec);
    }
    for (int v = 0; v < 3; ++v) {
      Real coefficient(k[7 + v]);
      acb_addmul_arb(value[e].get(), c[v].get(), coefficient.get(), prec);
    }
    for (int j = 0; j < 3; ++j) {
      acb_ptr entry = jacobian(e, j);
      acb_set_d(entry, k[kLinear[j]]);
      arb_zero(lipschitz[e][j].get());
      for (int v = 0; v < 3; ++v) {
        Real coefficient(k[kTerm[j][v]]);
        if (kTwice[j][v]) arb_mul_2exp_si(coefficient.get(), coefficient.get(), 1);
        acb_addmul_arb(entry, c[v].get(), coefficient.get(), prec);
        arb_abs(coefficient.get(), coefficient.get());
        arb_add(lipschitz[e][j].get(), lipschitz[e][j].get(), coefficient.get(), kBoundPrecision);
      }
    }
  }

  // Y: any matrix will do for the proof; the inverse of J(c)'s midpoint makes it tight.
  acb_mat_get_mid(product.get(), jacobian.get());
  if (!acb_mat_approx_inv(inverse.get(), product.get(), prec)) return false;
  acb_mat_get_mid(inverse.get(), inverse.get());
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      if (!acb_is_finite(inverse(i, j))) return false;

  // I - Y J(c), and Y f(c).
  acb_mat_mul(product.get(), inverse.get(), jacobian.get(), prec);
  acb_mat_one(contraction.get());
  acb_mat_sub(contraction.get(), contraction.get(), product.get(), prec);
  for (int i = 0; i < 3; ++i) {
    acb_zero(step[i].get());
    for (int k = 0; k < 3; ++k) acb_addmul(step[i].get(), inverse(i, k), value[k].get(), prec);
  }

  const slong boundPrec = kBoundPrecision;
  const Real r(radius);
  Real bound, row, magnitude, spread, inverseSize[3][3];
  for (int i = 0; i < 3; ++i)
    for (int k = 0; k < 3; ++k) acb_abs(inverseSize[i][k].get(), inverse(i, k), boundPrec);
  for (int i = 0; i < 3; ++i) {
    arb_zero(row.get());  // sum_j sup |(I - Y J(X))_ij|
    for (int j = 0; j < 3; ++j) {
      acb_abs(magnitude.get(), contraction(i, j), boundPrec);
      arb_add(row.get(), row.get(), magnitude.get(), boundPrec);
      arb_zero(spread.get());
      for (int k = 0; k < 3; ++k)
        arb_addmul(spread.get(), inverseSize[i][k].get(), lipschitz[k][j].get(), boundPrec);
      arb_addmul(row.get(), spread.get(), r.get(), boundPrec);
    }
    acb_abs(bound.get(), step[i].get(), boundPrec);
    arb_addmul(bound.get(), row.get(), r.get(), boundPrec);
    if (!arb_lt(bound.get(), r.get())) return false;
  }
  return true;
}

bool refereeProvesDisjoint(const RefereeBox& a, const RefereeBox& b) {
  if (!finite(a.centre) || !finite(b.centre) || !std::isfinite(a.radius) ||
      !std::isfinite(b.radius))
    return false;
  const slong prec = kPrecision;
  Real reach(a.radius), other(b.radius), distance;
  arb_add(reach.get(), reach.get(), other.get(), prec);
  for (int v = 0; v < 3; ++v) {
    Complex p(a.centre[v]), q(b.centre[v]);
    acb_sub(p.get(), p.get(), q.get(), prec);
    acb_abs(distance.get(), p.get(), prec);
    if (arb_gt(distance.get(), reach.get())) return true;
  }
  return false;
}

RootReality refereeRealityOf(const RefereeBox& box) {
  bool real = true;
  for (const std::complex<double>& v : box.centre) {
    // Both doubles: the comparison is exact.
    if (std::fabs(v.imag()) > box.radius) return RootReality::nonReal;
    real &= v.imag() == 0;
  }
  return real ? RootReality::real : RootReality::unknown;
}

bool refereeProvesComplete(const RefereeEquations& equations,
                           const std::vector<RefereeBox>& boxes) {
  if (boxes.size() != static_cast<std::size_t>(kMostSolutions)) return false;
  for (const RefereeBox& box : boxes)
    if (!refereeProvesUniqueRoot(equations, box.centre, box.radius)) return false;
  return refereeProvesPairwiseDisjoint(boxes);
}

namespace {

// Whether rows e and f have proportional quadratic parts: every 2 x 2 minor vanishes. Products
// of two doubles are exact in 128 bits, so each minor is decided exactly.
bool proportionalQuadratics(const RefereeEquations& equations, int e, int f) {
  for (int i = 1; i <= 6; ++i)
    for (int j = 1; j < i; ++j) {
      Real a(equations[e][i]), b(equations[f][j]), c(equations[e][j]), d(equations[f][i]);
      Real ad, bc;
      arb_mul(ad.get(), a.get(), b.get(), kPrecision);
      arb_mul(bc.get(), c.get(), d.get(), kPrecision);
      if (!arb_equal(ad.get(), bc.get()) || !arb_is_exact(ad.get())) return false;
    }
  return true;
}

}  // namespace

int refereeMostSolutions(const RefereeEquations& equations) {
  bool allZero = true, someZero = false;
  for (const auto& e : equations) {
    bool zero = true;
    for (int i = 1; i <= 6; ++i) zero = zero && e[i] == 0;
    allZero = allZero && zero, someZero = someZero || zero;
  }
  if (allZero) return 1;
  int proportionalPairs = 0;
  for (int e = 0; e < 3; ++e)
    for (int f = 0; f < e; ++f) proportionalPairs += proportionalQuadratics(equations, e, f);
  // Every pair proportional: rank one, a line meeting a quadric. One equation without quadratic
  // terms, or one pair proportional (a combination of them is): a plane and two quadrics, two
  // conics in the plane.
  if (proportionalPairs == 3) return 2;
  if (someZero || proportionalPairs > 0) return 4;
  return kMostSolutions;
}

bool refereeProvesPairwiseDisjoint(const std::vector<RefereeBox>& boxes) {
  for (std::size_t i = 0; i < boxes.size(); ++i)
    for (std::size_t j = 0; j < i; ++j)
      if (!refereeProvesDisjoint(boxes[i], boxes[j])) return false;
  return true;
}

bool refereeMatchesRealRoots(const std::vector<RefereeBox>& complete, const SolutionList& points) {
  std::vector<const RefereeBox*> real;
  for (const RefereeBox& box : complete) {
    const RootReality reality = refereeRealityOf(box);
    if (reality == RootReality::unknown) return false;
    if (reality == RootReality::real) real.push_back(&box);
  }
  if (real.size() != points.size()) return false;
  std::vector<bool> taken(real.size(), false);
  for (const Solution& s : points) {
    const double p[3] = {s.x, s.y, s.z};
    bool found = false;
    for (std::size_t b = 0; b < real.size() && !found; ++b) {
      if (taken[b]) continue;
      bool inside = true;
      // |p - c| <= r for the whole ball of the difference, so rounding cannot put a point
      // outside the box inside it.
      for (int v = 0; v < 3 && inside; ++v) {
        Real difference(p[v]), centre(real[b]->centre[v].real()), r(real[b]->radius);
        arb_sub(difference.get(), difference.get(), centre.get(), kPrecision);
        arb_abs(difference.get(), difference.get());
        inside = arb_le(difference.get(), r.get());
      }
      if (inside) found = taken[b] = true;
    }
    if (!found) return false;
  }
  return true;
}

}  // namespace quorvane::testing
