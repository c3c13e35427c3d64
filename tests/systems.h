// SPDX-License-Identifier: BSD-3-Clause
// Systems with known solutions, and the monomials the method works with, for the tests and
// benchmarks.
#pragma once

#include <quorvane/solver.h>

#include <Eigen/Dense>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "compensated.h"
#include "equations.h"

namespace quorvane::testing {

/// Ten coefficients in the input order 1, xy, xz, yz, x², y², z², x, y, z.
using Equation = Eigen::MatrixXd;

struct System {
  std::array<Equation, 3> equations;
  std::vector<Eigen::Vector3d> solutions;  ///< the known real solutions, where known
};

inline Equation equation(std::initializer_list<double> coefficients) {
  Equation e(10, 1);
  int i = 0;
  for (double c : coefficients) e(i++) = c;
  return e;
}

/// (x + y - 1)(x + y - 6) = 0, (x - y + z + 1)(x - y + z - 2) = 0,
/// (x + 2y - z - 3)(x + 2y - z + 2) = 0, with its eight solutions in the eigen-solver's order.
inline System workedExample() {
  System s;
  s.equations = {equation({6, 2, 0, 0, 1, 1, 0, -7, -7, 0}),
                 equation({-2, -2, 2, -2, 1, 1, 1, -1, 1, -1}),
                 equation({-6, 4, -2, -4, 1, 4, 1, -1, -2, 1})};
  s.solutions = {{-9, 15, 23}, {4, -3, -5}, {-6, 12, 20}, {1, 0, -2},
                 {-4, 10, 13}, {-1, 2, 5},  {-4, 5, 8},   {-1, 7, 10}};
  return s;
}

/// The coefficients of a0 + a·p times b0 + b·p (plane = (a0, a1, a2, a3) for a0 + a1 x + ...).
inline Equation productOfPlanes(const Eigen::Vector4d& a, const Eigen::Vector4d& b) {
  return equation({a(0) * b(0), a(1) * b(2) + a(2) * b(1), a(1) * b(3) + a(3) * b(1),
                   a(2) * b(3) + a(3) * b(2), a(1) * b(1), a(2) * b(2), a(3) * b(3),
                   a(1) * b(0) + a(0) * b(1), a(2) * b(0) + a(0) * b(2),
                   a(3) * b(0) + a(0) * b(3)});
}

/// Value of the equation at (x, y, z).
inline double evaluate(const Equation& e, const Eigen::Vector3d& p) {
  const double x = p.x(), y = p.y(), z = p.z();
  return e(0) + e(1) * x * y + e(2) * x * z + e(3) * y * z + e(4) * x * x + e(5) * y * y +
         e(6) * z * z + e(7) * x + e(8) * y + e(9) * z;
}

/// The equation's value divided by the sum of its terms' magnitudes at p.
inline double relativeResidual(const Equation& e, const Eigen::Vector3d& p) {
  const double x = p.x(), y = p.y(), z = p.z();
  const double terms[10] = {1, x * y, x * z, y * z, x * x, y * y, z * z, x, y, z};
  double size = 0;
  for (int i = 0; i < 10; ++i) size += std::abs(e(i) * terms[i]);
  return size > 0 ? std::abs(evaluate(e, p)) / size : std::abs(evaluate(e, p));
}

/// The smallest change of a double coordinate: a true solution may lie that far away.
inline long double roundingOf(double v) {
  if (v == 0) return 0;
  return std::fmax(std::fabs(v) * 0x1p-52L, std::numeric_limits<double>::denorm_min());
}

/// The relative residual in long double, so that neither huge coefficients nor huge points
/// overflow. What rounding the point to doubles can change counts in full, not scaled by
/// `tolerance`: a point within rounding of a root passes (a true coordinate of 1e-400 is 0
/// in double). `at`: where to evaluate, when not at s itself (a long double point that s
/// rounds).
inline long double residualInLongDouble(const Equation& c, const Solution& s, long double tolerance,
                                        const long double* at = nullptr) {
  const long double x = at ? at[0] : s.x, y = at ? at[1] : s.y, z = at ? at[2] : s.z;
  const long double terms[10] = {1, x * y, x * z, y * z, x * x, y * y, z * z, x, y, z};
  long double value = 0, size = 0;
  for (int i = 0; i < 10; ++i) {
    value += c(i) * terms[i];
    size += std::fabs(c(i) * terms[i]);
  }
  const long double dx = c(1) * y + c(2) * z + 2 * c(4) * x + c(7);
  const long double dy = c(1) * x + c(3) * z + 2 * c(5) * y + c(8);
  const long double dz = c(2) * x + c(3) * y + 2 * c(6) * z + c(9);
  size += (std::fabs(dx) * roundingOf(s.x) + std::fabs(dy) * roundingOf(s.y) +
           std::fabs(dz) * roundingOf(s.z)) /
          tolerance;
  return size > 0 ? std::fabs(value) / size : std::fabs(value);
}

/// Two planes (a0 + a1 x + a2 y + a3 z) per equation.
using PlanePairs = std::array<std::array<Eigen::Vector4d, 2>, 3>;

/// Where one plane from each equation meets the others: bit e of `choice` picks equation e's.
inline Eigen::Vector3d meetingPoint(const PlanePairs& planes, int choice) {
  Eigen::Matrix3d normals;
  Eigen::Vector3d offsets;
  for (int e = 0; e < 3; ++e) {
    const Eigen::Vector4d& plane = planes[e][(choice >> e) & 1];
    normals.row(e) = plane.tail<3>().transpose();
    offsets(e) = -plane(0);
  }
  return normals.partialPivLu().solve(offsets);
}

/// Three equations with independent standard normal coefficients.
inline System randomGenericSystem(std::mt19937_64& rng) {
  std::normal_distribution<double> normal;
  System system;
  for (auto& e : system.equations)
    e = Eigen::MatrixXd::NullaryExpr(10, 1, [&] { return normal(rng); });
  return system;
}

/// Three random equations, each a product of two random planes: eight real solutions, one
/// per choice of a plane from each equation.
/// The planes' constant terms are multiplied by `offset`, and so is the solutions' size.
inline System randomProductOfPlanes(std::mt19937_64& rng, double offset = 1) {
  std::normal_distribution<double> normal;
  PlanePairs planes;
  System system;
  for (int e = 0; e < 3; ++e) {
    for (auto& plane : planes[e]) {
      plane = Eigen::Vector4d::NullaryExpr([&] { return normal(rng); });
      plane(0) *= offset;
    }
    system.equations[e] = productOfPlanes(planes[e][0], planes[e][1]);
  }
  for (int choice = 0; choice < 8; ++choice)
    system.solutions.push_back(meetingPoint(planes, choice));
  return system;
}

/// Three random equations with their constant terms set so that all vanish at `point`.
inline System randomSystemThrough(const Eigen::Vector3d& point, std::mt19937_64& rng) {
  std::normal_distribution<double> normal;
  System system;
  for (Equation& e : system.equations) {
    e = Eigen::MatrixXd::NullaryExpr(10, 1, [&] { return normal(rng); });
    e(0) = 0;
    e(0) = -evaluate(e, point);
  }
  system.solutions.push_back(point);
  return system;
}

/// Each equation multiplied by its own factor 10^s, s uniform in [-decades, decades].
inline System scaledEquations(System system, double decades, std::mt19937_64& rng) {
  std::uniform_real_distribution<double> exponent(-decades, decades);
  for (Equation& e : system.equations) e *= std::pow(10.0, exponent(rng));
  return system;
}

/// (x - a1)(x - a2) = 0, (y - b1)(y - b2) = 0, (z - c1)(z - c2) = 0 mixed by a random
/// invertible combination of the equations: no xy term anywhere, eight corners.
inline System randomMixedAxisAlignedPlanes(std::mt19937_64& rng) {
  std::uniform_real_distribution<double> root(-2, 2);
  std::normal_distribution<double> normal;
  double roots[3][2];
  std::array<Equation, 3> axisAligned;
  for (int v = 0; v < 3; ++v) {
    roots[v][0] = root(rng), roots[v][1] = root(rng);
    Eigen::Vector4d a = Eigen::Vector4d::Zero(), b = Eigen::Vector4d::Zero();
    a(0) = -roots[v][0], b(0) = -roots[v][1];
    a(1 + v) = b(1 + v) = 1;
    axisAligned[v] = productOfPlanes(a, b);
  }
  Eigen::Matrix3d mix;
  do mix = Eigen::Matrix3d::NullaryExpr([&] { return normal(rng); });
  while (std::abs(mix.determinant()) < 0.1);
  System system;
  for (int e = 0; e < 3; ++e)
    system.equations[e] =
        mix(e, 0) * axisAligned[0] + mix(e, 1) * axisAligned[1] + mix(e, 2) * axisAligned[2];
  for (int corner = 0; corner < 8; ++corner)
    system.solutions.emplace_back(roots[0][corner & 1], roots[1][(corner >> 1) & 1],
                                  roots[2][(corner >> 2) & 1]);
  return system;
}

/// Equations even in (x, y) (only 1, xy, x², y², z², z) through three random points, hence
/// through their mirror images (-x, -y, z) too: pairs of solutions share z.
inline System randomEvenSystem(std::mt19937_64& rng) {
  std::uniform_real_distribution<double> uniform(-2, 2);
  std::normal_distribution<double> normal;
  System system;
  Eigen::Matrix<double, 3, 6> constraints;  // rows: monomials 1, xy, x², y², z², z at a point
  for (int i = 0; i < 3; ++i) {
    const Eigen::Vector3d p(uniform(rng), uniform(rng), uniform(rng));
    constraints.row(i) << 1, p.x() * p.y(), p.x() * p.x(), p.y() * p.y(), p.z() * p.z(), p.z();
    system.solutions.push_back(p);
    system.solutions.emplace_back(-p.x(), -p.y(), p.z());
  }
  const Eigen::MatrixXd kernel = constraints.fullPivLu().kernel();
  for (Equation& e : system.equations) {
    const Eigen::VectorXd c =
        kernel * Eigen::VectorXd::NullaryExpr(kernel.cols(), [&] { return normal(rng); });
    e = equation({c(0), c(1), 0, 0, c(2), c(3), c(4), 0, 0, c(5)});
  }
  return system;
}

/// Three spheres through a random point: it and its mirror image in the plane of the
/// centres are the two real solutions; the others lie at infinity.
inline System randomSpheresThrough(std::mt19937_64& rng) {
  std::normal_distribution<double> normal;
  const Eigen::Vector3d p = Eigen::Vector3d::NullaryExpr([&] { return normal(rng); });
  Eigen::Vector3d centres[3];
  System system;
  for (int e = 0; e < 3; ++e) {
    const Eigen::Vector3d c = 2 * Eigen::Vector3d::NullaryExpr([&] { return normal(rng); });
    centres[e] = c;
    const double constant = c.squaredNorm() - (p - c).squaredNorm();
    system.equations[e] =
        equation({constant, 0, 0, 0, 1, 1, 1, -2 * c.x(), -2 * c.y(), -2 * c.z()});
  }
  const Eigen::Vector3d normal3 =
      (centres[1] - centres[0]).cross(centres[2] - centres[0]).normalized();
  system.solutions.push_back(p);
  system.solutions.push_back(p - 2 * normal3.dot(p - centres[0]) * normal3);
  return system;
}

inline Eigen::Vector3d point(const Solution& s) {
  return {s.x, s.y, s.z};
}

/// The largest relative residual of the returned finite solutions (NaN columns skipped).
inline double largestResidualOfFinite(const System& system, const SolutionList& returned) {
  double worst = 0;
  for (const Solution& s : returned) {
    if (std::isnan(s.x) && std::isnan(s.y) && std::isnan(s.z)) continue;
    for (const Equation& e : system.equations) {
      const double r = relativeResidual(e, point(s));
      if (!(r <= worst)) worst = r;
    }
  }
  return worst;
}

inline SolutionList solve(const System& system) {
  SolutionList solutions;
  solveThreeQuadrics(system.equations[0], system.equations[1], system.equations[2], solutions);
  return solutions;
}

/// Distance from `known` to the nearest returned solution, relative to known's size (at
/// least 1); infinite when nothing was returned.
inline double nearestRelativeError(const SolutionList& returned, const Eigen::Vector3d& known) {
  double best = std::numeric_limits<double>::infinity();
  for (const Solution& s : returned) {
    const double error = (point(s) - known).lpNorm<Eigen::Infinity>() /
                         std::max(1.0, known.lpNorm<Eigen::Infinity>());
    if (error < best) best = error;
  }
  return best;
}

/// The largest nearestRelativeError over the system's known solutions.
inline double largestRelativeError(const SolutionList& returned,
                                   const std::vector<Eigen::Vector3d>& known) {
  double worst = 0;
  for (const Eigen::Vector3d& k : known) worst = std::max(worst, nearestRelativeError(returned, k));
  return worst;
}

/// Three random planes through points within `spread` of `centre`, paired with three more:
/// the eight intersections of a product-of-planes system, all within `radius` of `centre`
/// (drawn again until they are).
inline System randomClusterAround(const Eigen::Vector3d& centre, std::mt19937_64& rng,
                                  double radius = 1) {
  std::normal_distribution<double> normal;
  std::uniform_real_distribution<double> offset(-0.3 * radius, 0.3 * radius);
  for (;;) {
    PlanePairs planes;
    for (auto& pair : planes)
      for (Eigen::Vector4d& plane : pair) {
        const Eigen::Vector3d normal3 = Eigen::Vector3d::NullaryExpr([&] { return normal(rng); });
        const Eigen::Vector3d through =
            centre + Eigen::Vector3d::NullaryExpr([&] { return offset(rng); });
        plane << -normal3.dot(through), normal3;
      }
    System system;
    bool inside = true;
    for (int choice = 0; choice < 8 && inside; ++choice) {
      const Eigen::Vector3d p = meetingPoint(planes, choice);
      inside = (p - centre).norm() <= radius;
      system.solutions.push_back(p);
    }
    if (!inside) continue;
    for (int e = 0; e < 3; ++e) system.equations[e] = productOfPlanes(planes[e][0], planes[e][1]);
    return system;
  }
}

/// Three spheres around `anchors` through `receiver`, with exact ranges: the receiver and its
/// mirror image in the anchors' plane are the two real solutions.
inline System rangesFrom(const std::array<Eigen::Vector3d, 3>& anchors,
                         const Eigen::Vector3d& receiver) {
  System system;
  for (int e = 0; e < 3; ++e) {
    const Eigen::Vector3d& a = anchors[e];
    const double range = (receiver - a).norm();
    system.equations[e] = equation(
        {a.squaredNorm() - range * range, 0, 0, 0, 1, 1, 1, -2 * a.x(), -2 * a.y(), -2 * a.z()});
  }
  const Eigen::Vector3d normal3 =
      (anchors[1] - anchors[0]).cross(anchors[2] - anchors[0]).normalized();
  system.solutions.push_back(receiver);
  system.solutions.push_back(receiver - 2 * normal3.dot(receiver - anchors[0]) * normal3);
  return system;
}

/// Trilateration: three spheres around anchors within `extent` of `offset`, with the ranges
/// to a receiver within `extent` of it. The receiver and its mirror image in the anchors'
/// plane are the two real solutions.
inline System randomTrilateration(const Eigen::Vector3d& offset, std::mt19937_64& rng,
                                  double extent = 100) {
  std::uniform_real_distribution<double> uniform(-extent, extent);
  const auto near = [&] {
    return Eigen::Vector3d(offset + Eigen::Vector3d::NullaryExpr([&] { return uniform(rng); }));
  };
  const Eigen::Vector3d receiver = near();
  std::array<Eigen::Vector3d, 3> anchors;
  for (Eigen::Vector3d& a : anchors) a = near();
  return rangesFrom(anchors, receiver);
}

/// GPS-like spheres: a receiver on the Earth's surface (radius 6.371e6 m, origin at the
/// Earth's centre) and three satellites at 2.656e7 m from the centre, within 60 degrees of its
/// zenith, with exact ranges. The receiver and its mirror image in the satellites' plane are
/// the two real solutions.
inline System randomGpsLikeSpheres(std::mt19937_64& rng) {
  std::normal_distribution<double> normal;
  const auto direction = [&] {
    return Eigen::Vector3d(Eigen::Vector3d::NullaryExpr([&] { return normal(rng); })).normalized();
  };
  const Eigen::Vector3d up = direction();
  const Eigen::Vector3d receiver = 6.371e6 * up;
  std::array<Eigen::Vector3d, 3> satellites;
  for (Eigen::Vector3d& a : satellites) {
    Eigen::Vector3d d;
    do d = direction();
    while (d.dot(up) < 0.5);
    a = 2.656e7 * d;
  }
  return rangesFrom(satellites, receiver);
}

/// Products of random planes in which the two points that differ only in the first
/// equation's plane lie `apart` from each other, the other six well apart.
inline System randomCloseRootPair(double apart, std::mt19937_64& rng) {
  std::normal_distribution<double> normal;
  const auto randomPlane = [&] {
    return Eigen::Vector4d(Eigen::Vector4d::NullaryExpr([&] { return normal(rng); }));
  };
  PlanePairs planes;
  for (int e = 1; e < 3; ++e) planes[e] = {randomPlane(), randomPlane()};
  planes[0][0] = randomPlane();
  // Line of the second and third equations' first planes, and where the first plane cuts it.
  Eigen::Matrix3d normals;
  normals << planes[0][0].tail<3>().transpose(), planes[1][0].tail<3>().transpose(),
      planes[2][0].tail<3>().transpose();
  const Eigen::Vector3d meeting = normals.partialPivLu().solve(
      -Eigen::Vector3d(planes[0][0](0), planes[1][0](0), planes[2][0](0)));
  const Eigen::Vector3d along = planes[1][0].tail<3>().cross(planes[2][0].tail<3>()).normalized();
  const Eigen::Vector3d normal3 = Eigen::Vector3d::NullaryExpr([&] { return normal(rng); });
  planes[0][1] << -normal3.dot(meeting + apart * along), normal3;
  System system;
  for (int e = 0; e < 3; ++e) system.equations[e] = productOfPlanes(planes[e][0], planes[e][1]);
  for (int choice = 0; choice < 8; ++choice)
    system.solutions.push_back(meetingPoint(planes, choice));
  return system;
}

/// The system with its variables moved: its solutions become p + offset. The coefficients
/// are rounded once from their exact values.
inline System movedBy(System system, const Eigen::Vector3d& offset) {
  for (Equation& e : system.equations) {
    Equations one = Equations::Zero();
    one.row(0) = e.reshaped().head<10>().transpose();
    e = translatedEquations(one, -offset).row(0).transpose();
  }
  for (Eigen::Vector3d& p : system.solutions) p += offset;
  return system;
}

/// Replaces each known solution with the point Newton's method reaches from it on the
/// rounded coefficients, in compensated arithmetic: the best answer the input allows. False
/// when Newton's method stalls short of a root from one of them, or takes two of them to
/// one point: rounding the coefficients moved two close real roots apart or into a complex
/// pair, and the known solutions are not the input's.
inline bool withBestPoints(System& system) {
  Equations equations;
  for (int e = 0; e < 3; ++e) equations.row(e) = system.equations[e].reshaped().head<10>();
  bool converged = true;
  const std::vector<Eigen::Vector3d> exact = system.solutions;
  for (Eigen::Vector3d& p : system.solutions) {
    ComplexPoint at = p.cast<std::complex<double>>();
    converged &= refineCompensated(equations, at) <= 1e-13;
    p = at.real();
  }
  // Two known roots that Newton's method takes to one point: the rounded input has one
  // root there (or two elsewhere), not these two.
  for (std::size_t i = 0; i < exact.size(); ++i)
    for (std::size_t j = 0; j < i; ++j)
      if (exact[i] != exact[j] && system.solutions[i] == system.solutions[j]) converged = false;
  return converged;
}

/// Perspective from three points: a camera at the origin sees three points 1 to 10 away in
/// front of it (z > 0) along unit bearings b_i; their distances (x, y, z) = (d1, d2, d3)
/// solve d_i² + d_j² - 2 (b_i · b_j) d_i d_j = |X_i - X_j|² for the three pairs. The true
/// A plane and two quadrics through four points of it, whose only solutions those points are:
/// each quadric is a member of the pencil of the points' line pairs, lifted to products of
/// planes through them. With `asProportionalPair`, the plane stands in the system only as a
/// combination: its row is the first quadric times -2 plus the plane (quadratic parts
/// proportional exactly), as with two spheres among the equations.
inline System randomFourPointsInAPlane(std::mt19937_64& rng, bool asProportionalPair = false) {
  std::normal_distribution<double> normal;
  const auto vector = [&] { return Eigen::Vector3d::NullaryExpr([&] { return normal(rng); }); };
  const Eigen::Vector3d n = vector().normalized(), origin = vector();
  const Eigen::Vector3d u = n.cross(vector()).normalized(), v = n.cross(u);
  std::array<Eigen::Vector3d, 4> p;
  for (auto& q : p) q = origin + 2 * normal(rng) * u + 2 * normal(rng) * v;
  // A plane through a and b and a point off the plane, as (offset, normal).
  const auto through = [&](const Eigen::Vector3d& a, const Eigen::Vector3d& b) {
    const Eigen::Vector3d off = a + (1 + std::abs(normal(rng))) * n + 0.5 * vector();
    const Eigen::Vector3d m = (b - a).cross(off - a).normalized();
    return Eigen::Vector4d(-m.dot(a), m.x(), m.y(), m.z());
  };
  System s;
  const Equation plane = equation({-n.dot(origin), 0, 0, 0, 0, 0, 0, n.x(), n.y(), n.z()});
  for (int k = 1; k < 3; ++k)
    s.equations[k] = productOfPlanes(through(p[0], p[1]), through(p[2], p[3])) +
                     normal(rng) * productOfPlanes(through(p[0], p[2]), through(p[1], p[3])) +
                     normal(rng) * productOfPlanes(through(p[0], p[3]), through(p[1], p[2]));
  s.equations[0] = asProportionalPair ? Equation(-2 * s.equations[1] + plane) : plane;
  s.solutions.assign(p.begin(), p.end());
  return s;
}

/// distances and their negatives are two of the real solutions; up to three more pairs may be.
inline System randomPerspectiveThreePoint(std::mt19937_64& rng) {
  std::normal_distribution<double> normal;
  std::uniform_real_distribution<double> distance(1, 10);
  Eigen::Vector3d points[3], bearings[3];
  double distances[3];
  for (int i = 0; i < 3; ++i) {
    Eigen::Vector3d b;
    do b = Eigen::Vector3d::NullaryExpr([&] { return normal(rng); });
    while (!(b.z() > 0.3 * b.norm()));
    bearings[i] = b.normalized();
    distances[i] = distance(rng);
    points[i] = distances[i] * bearings[i];
  }
  const auto cosine = [&](int i, int j) { return bearings[i].dot(bearings[j]); };
  const auto apart = [&](int i, int j) { return (points[i] - points[j]).squaredNorm(); };
  System system;
  system.equations = {equation({-apart(0, 1), -2 * cosine(0, 1), 0, 0, 1, 1, 0, 0, 0, 0}),
                      equation({-apart(0, 2), 0, -2 * cosine(0, 2), 0, 1, 0, 1, 0, 0, 0}),
                      equation({-apart(1, 2), 0, 0, -2 * cosine(1, 2), 0, 1, 1, 0, 0, 0})};
  const Eigen::Vector3d truth(distances[0], distances[1], distances[2]);
  system.solutions = {truth, -truth};
  return system;
}

/// Returned finite points farther than `tolerance` · max(1, |p|) from every known solution.
inline int farColumns(const SolutionList& returned, const std::vector<Eigen::Vector3d>& known,
                      double tolerance = 1e-6) {
  int far = 0;
  for (const Solution& s : returned) {
    if (std::isnan(s.x) || std::isnan(s.y) || std::isnan(s.z)) continue;
    const Eigen::Vector3d p = point(s);
    double nearest = std::numeric_limits<double>::infinity();
    for (const Eigen::Vector3d& k : known)
      nearest = std::min(nearest, (p - k).lpNorm<Eigen::Infinity>());
    far += !(nearest <= tolerance * std::max(1.0, p.lpNorm<Eigen::Infinity>()));
  }
  return far;
}

}  // namespace quorvane::testing
