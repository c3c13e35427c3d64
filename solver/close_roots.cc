// SPDX-License-Identifier: BSD-3-Clause
// Two real roots close together, which the eigen-solver sees as one near-double root, told
// apart; and one root reached twice, which leaves another unfound.
#include <Eigen/SVD>
#include <algorithm>
#include <cmath>

#include "tries.h"

namespace quorvane {
namespace {

// Refined points this close (relative) are one root reached twice.
constexpr double kSameRootTolerance = 1e-12;
// Verified points this close (relative) whose steps Kantorovich's condition does not vouch
// for may be copies of one multiple root (a triple root's came back verified 1e-8 apart);
// distinct roots this close are beyond what the input's rounding tells apart.
constexpr double kCopiesApart = 1e-6;
// Newton's method from the two roots of the pair's quadratic must land further apart than
// this fraction of the distance between the starts; closer, both fell to the same root and
// nothing was shown.
constexpr double kDistinctRootsFraction = 0.25;

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

bool sameRoot(const ComplexPoint& a, const ComplexPoint& b) {
  return largestMagnitude(a - b) <=
         kSameRootTolerance * std::max({1.0, largestMagnitude(a), largestMagnitude(b)});
}

}  // namespace

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
  if (!(apart > kDistinctRootsFraction * std::abs(t[0] - t[1]) * n.lpNorm<Eigen::Infinity>()))
    return false;
  first = roots[0], second = roots[1];
  return true;
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

// A root where the Jacobian is singular (a triple root, say) is to the eigen-solver a cluster
// of candidates spread by the cube root of the rounding, near real, none of which verifies:
// the forward error is a Newton step, which shrinks only linearly there. The cluster's mean is far
// more accurate than its members (the sum of a cluster of eigenvalues is well conditioned where
// each one is not), and Newton's method from it, with the singular direction left out of each step,
// settles on a point whose relative residual is the input's rounding. That point comes back
// once, as a near-double point, not proved; the others of the cluster are
// not returned, and the try stays incomplete, since how many roots it stands for is not shown.
void resolveMultipleRoots(const Equations& system, Try& t) {
  constexpr int kMostSteps = 100;
  // Jacobians this near singular (smallest over largest singular value) at the point found.
  constexpr double kSingular = 1e-6;
  // A verified real point whose Newton step Kantorovich's condition does not vouch for may be
  // one of such a cluster too: copies of a triple root 1e-8 off, each with a step of 1e-11
  // beside a Jacobian singular to 1e-15. Such points count as unverified here; where they
  // resolve to no multiple root they stay as they were.
  // Only points with another such point that close are asked (most systems have none), and
  // in real arithmetic, z first: every call with options comes this way.
  std::array<bool, kBasisSize> verifiedReal{}, close{}, unvouched{};
  for (int i = 0; i < t.count; ++i) {
    const Point& p = t.points[i];
    verifiedReal[i] = p.real && !p.nanColumn && p.error <= kForwardTolerance && isReal(p.at);
  }
  for (int i = 0; i < t.count; ++i) {
    if (!verifiedReal[i]) continue;
    const Eigen::Vector3d at = t.points[i].at.real();
    const double copies = kCopiesApart * std::max(1.0, at.cwiseAbs().maxCoeff());
    for (int j = i + 1; j < t.count; ++j)
      if (verifiedReal[j] && std::abs(t.points[j].at(2).real() - at(2)) <= copies &&
          (t.points[j].at.real() - at).cwiseAbs().maxCoeff() <= copies)
        close[i] = close[j] = true;
  }
  for (int i = 0; i < t.count; ++i) {
    const Point& p = t.points[i];
    unvouched[i] = close[i] && !kantorovichHoldsAt(system, p.at,
                                                   p.error * std::max(1.0, largestMagnitude(p.at)));
  }
  const auto candidate = [&](int i) {
    const Point& p = t.points[i];
    return !p.nanColumn && !p.multiple && !p.inMultiple &&
           (!(p.error <= kForwardTolerance) || unvouched[i]) &&
           largestMagnitude(ComplexPoint(p.at.imag().cast<std::complex<double>>())) <=
               kPlausibleTolerance * std::max(1.0, largestMagnitude(p.at));
  };
  const double reach = sameRootReach(t);
  for (int i = 0; i < t.count; ++i) {
    if (!candidate(i)) continue;
    const ComplexPoint& first = t.points[i].at;
    const double near = kPlausibleTolerance * std::max(1.0, largestMagnitude(first));
    std::array<int, kBasisSize> cluster;
    int size = 0;
    ComplexPoint sum = ComplexPoint::Zero();
    for (int j = i; j < t.count; ++j)
      if (candidate(j) && largestMagnitude(ComplexPoint(t.points[j].at - first)) <= near)
        cluster[size++] = j, sum += t.points[j].at;
    if (size < 2) continue;
    // Unvouched points alone make a cluster only where they are copies of one root, far
    // closer than any two roots the first-order steps could tell apart.
    bool allUnvouched = true;
    for (int k = 0; k < size; ++k) allUnvouched = allUnvouched && unvouched[cluster[k]];
    if (allUnvouched) {
      const double copies = kCopiesApart * std::max(1.0, largestMagnitude(first));
      bool close = true;
      for (int k = 1; k < size; ++k)
        close = close && largestMagnitude(ComplexPoint(t.points[cluster[k]].at - first)) <= copies;
      if (!close) continue;
    }
    Eigen::Vector3d p = (sum / static_cast<double>(size)).real();
    Eigen::Matrix3d jacobian;
    Eigen::Vector3d value;
    Eigen::JacobiSVD<Eigen::Matrix3d> svd;
    double lastStep = kInfinity;
    for (int step = 0; step < kMostSteps; ++step) {
      equationValuesAndJacobian(system, p, value, jacobian);
      svd.compute(jacobian, Eigen::ComputeFullU | Eigen::ComputeFullV);
      svd.setThreshold(kSingular);
      const Eigen::Vector3d move = svd.solve(value);
      const double length = move.lpNorm<Eigen::Infinity>();
      if (!move.allFinite() || !(length < lastStep)) break;
      p -= move, lastStep = length;
      if (length <= 0x1p-52 * std::max(1.0, p.lpNorm<Eigen::Infinity>())) break;
    }
    if (!(lastStep <= kForwardTolerance * std::max(1.0, p.lpNorm<Eigen::Infinity>()))) continue;
    // Beside a root at the origin every point leaves a relative residual of order one, as
    // its terms shrink with it: there the origin itself is the root, exactly, or none is.
    if (p.lpNorm<Eigen::Infinity>() <= kForwardTolerance) p.setZero();
    if (!(largestRelativeResidual(system, p(0), p(1), p(2)) <= kDoubleRootResidual)) continue;
    equationValuesAndJacobian(system, p, value, jacobian);
    svd.compute(jacobian);
    const auto& s = svd.singularValues();
    if (!(s(2) <= kSingular * s(0))) continue;
    // A root found already is no multiple root to add.
    const ComplexPoint at = p.cast<std::complex<double>>();
    bool known = false;
    for (int j = 0; j < t.count; ++j) {
      const bool inCluster =
          std::find(cluster.begin(), cluster.begin() + size, j) != cluster.begin() + size;
      known = known || (!inCluster && t.points[j].real && t.points[j].error <= kForwardTolerance &&
                        !apartInZ(t.points[j].at, at, reach) && sameRoot(t.points[j].at, at));
    }
    if (known) continue;
    Point& root = t.points[cluster[0]];
    root.at = at, root.real = true, root.checked = false, root.multiple = true;
    root.error = 0;
    for (int k = 1; k < size; ++k) {
      Point& other = t.points[cluster[k]];
      other.inMultiple = true, other.unresolved = true, other.real = false, other.checked = false;
    }
  }
}

}  // namespace quorvane
