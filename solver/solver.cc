// SPDX-License-Identifier: BSD-3-Clause
#include "quorvane/solver.h"

#include <Eigen/SVD>
#include <array>
#include <cmath>
#include <limits>

#include "action.h"
#include "coordinates.h"
#include "equations.h"
#include "gauss_jordan.h"
#include "scaling.h"
#include "solve_paths.h"
#include "template.h"

namespace quorvane {
namespace {

// Relative residuals (see largestRelativeResidual). Correct candidates of the complex check
// sit below 1e-9 almost always and wrong ones above 1e-7. The real check is looser because
// dropping the imaginary parts (up to 1e-4 for z) costs their square.
constexpr double kComplexResidualTolerance = 1e-9;
constexpr double kRealResidualTolerance = 1e-8;
// A point whose homogeneous coordinate is this small against the others lies at infinity.
constexpr double kAtInfinityTolerance = 1e-8;
// Below this fraction of the largest singular value the three equations are dependent.
constexpr double kDependentEquationTolerance = 1e-10;

// Solutions of one try, in the coordinates of the scaled system.
struct Found {
  std::array<Solution, kBasisSize> points;
  int count = 0;
  bool complete = false;  // every real candidate satisfied the system that was solved
};

bool hasTenFiniteCoefficients(const Eigen::MatrixXd& equation) {
  if (equation.size() < kCoefficientCount) return false;
  for (int i = 0; i < kCoefficientCount; ++i)
    if (!std::isfinite(equation.data()[i])) return false;
  return true;
}

// The template copies each reduced equation's leading column and the seven shared ones, so
// it only stands for the system when the leading ones fell on x², xy and y², and the back
// substitution cleared above them there and nowhere else.
bool reducedOnLeadingBlock(const CoefficientMatrix& equations, const PivotColumns& pivots) {
  return equations.rows() == kEquations && pivots.count == kEquations && pivots.forward[0] == 0 &&
         pivots.forward[1] == 1 && pivots.forward[2] == 2 && pivots.backward[1] == 1 &&
         pivots.backward[2] == 2;
}

}  // namespace

bool templateCandidates(const Equations& equations, Candidates& candidates) {
  CoefficientMatrix reduced = coefficientMatrix(equations);
  PivotColumns pivots;
  gaussJordanReduce(reduced, pivots);
  if (!reducedOnLeadingBlock(reduced, pivots)) return false;
  ActionMatrix action;
  return actionMatrix(eliminationTemplate(reduced), action) && eigenCandidates(action, candidates);
}

namespace {

// Mixed eigenvectors (a double eigenvalue, solutions sharing z) and inaccurate ones give
// complex points that do not solve the system.
bool realCandidatesSolve(const Equations& equations, const Candidates& candidates) {
  for (const Candidate& c : candidates)
    if (c.real && !c.zeroDivisor &&
        !(largestRelativeResidual(equations, c.x, c.y, c.z) <= kComplexResidualTolerance))
      return false;
  return true;
}

void keepIfSolution(const Equations& equations, const Solution& p, Found& found) {
  const bool finite = std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
  if (finite && largestRelativeResidual(equations, p.x, p.y, p.z) <= kRealResidualTolerance)
    found.points[found.count++] = p;
}

Found solveAsGiven(const Equations& system) {
  Found found;
  Candidates candidates;
  if (!templateCandidates(system, candidates)) return found;
  found.complete = realCandidatesSolve(system, candidates);
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  for (const Candidate& c : candidates) {
    if (!c.real) continue;
    // An eigenvector without its entry for 1 stays a NaN column, as it always has.
    if (c.zeroDivisor)
      found.points[found.count++] = {nan, nan, nan};
    else
      keepIfSolution(system, {c.x.real(), c.y.real(), c.z.real()}, found);
  }
  return found;
}

Found solveInChangedCoordinates(const Equations& system, const CoordinateChange& change) {
  Found found;
  Equations changed =
      changedCoordinates(liftLinearCombinations(system, change.liftingPlanes), change.homography);
  const int exponent = scaleToUnitRange(changed).variableExponent;
  Candidates candidates;
  if (!changed.allFinite() || !templateCandidates(changed, candidates)) return found;
  found.complete = true;
  for (Candidate c : candidates) {
    if (!c.real || c.zeroDivisor) continue;
    // These coordinates are a detour of ours: polishing the candidates on the system that
    // was solved changes no result the template gives directly, and keeps the extra roots
    // of lifted equations where they are, for the check below to reject.
    if (!(refineByNewton(changed, c.x, c.y, c.z) <= kComplexResidualTolerance))
      found.complete = false;
    Eigen::Vector4cd changedPoint(std::ldexp(1.0, exponent) * c.x, std::ldexp(1.0, exponent) * c.y,
                                  std::ldexp(1.0, exponent) * c.z, 1.0);
    const Eigen::Vector4cd point = change.homography.cast<std::complex<double>>() * changedPoint;
    // Solutions at infinity of the system, and extra ones on the plane sent to infinity.
    if (!(std::abs(point(3)) > kAtInfinityTolerance * point.cwiseAbs().maxCoeff())) continue;
    keepIfSolution(
        system,
        {divideComplex(point(0), point(3)).real(), divideComplex(point(1), point(3)).real(),
         divideComplex(point(2), point(3)).real()},
        found);
  }
  return found;
}

// Equations that depend on each other leave a curve of solutions (or none), not points.
bool independent(const Equations& equations) {
  const auto singular = Eigen::JacobiSVD<Equations>(equations).singularValues();
  return singular(kEquationCount - 1) > kDependentEquationTolerance * singular(0);
}

}  // namespace

SolvePath solveReportingPath(const Eigen::MatrixXd& first, const Eigen::MatrixXd& second,
                             const Eigen::MatrixXd& third, SolutionList& solutions) {
  if (!hasTenFiniteCoefficients(first) || !hasTenFiniteCoefficients(second) ||
      !hasTenFiniteCoefficients(third))
    return SolvePath::declined;

  const Equations original = stackEquations(first, second, third);
  Equations system = original;
  const Scaling scaling = scaleToUnitRange(system);
  if (!system.allFinite()) return SolvePath::declined;

  // Each later try covers what the one before cannot take; if none verifies completely,
  // the one that verified the most solutions is returned.
  Found best = solveAsGiven(system);
  SolvePath path = SolvePath::asGiven, tried = SolvePath::asGiven;
  const bool tryOthers = !best.complete && independent(system);
  for (const CoordinateChange& change : coordinateChanges()) {
    if (!tryOthers || best.complete) break;
    tried = tried == SolvePath::asGiven ? SolvePath::firstChange : SolvePath::secondChange;
    const Found other = solveInChangedCoordinates(system, change);
    if (other.complete || other.count > best.count) best = other, path = tried;
  }

  const int exponent = scaling.variableExponent;
  for (int i = 0; i < best.count; ++i) {
    const Solution& p = best.points[i];
    const Solution s = {std::ldexp(p.x, exponent), std::ldexp(p.y, exponent),
                        std::ldexp(p.z, exponent)};
    // Coefficients that lost bits below the normal range changed the equations solved (a
    // constant of 1e-300 beside a coefficient of 1e300 becomes 0): check the originals.
    if (!scaling.exact && !std::isnan(s.x) &&
        !(largestRelativeResidualInFullRange(original, s.x, s.y, s.z, kRealResidualTolerance) <=
          kRealResidualTolerance))
      continue;
    solutions.push_back(s);
  }
  if (best.complete) return path;
  return best.count > 0 ? SolvePath::partial : SolvePath::declined;
}

void solveThreeQuadrics(const Eigen::MatrixXd& first, const Eigen::MatrixXd& second,
                        const Eigen::MatrixXd& third, SolutionList& solutions) {
  solveReportingPath(first, second, third, solutions);
}

}  // namespace quorvane
