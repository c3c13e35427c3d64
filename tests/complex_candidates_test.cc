// SPDX-License-Identifier: BSD-3-Clause
// The fast method's candidates of the non-real eigenvalues (fastTemplateCandidates with
// complexToo), which serve the proofs of completeness: each pair's proved polydisc holds the
// known complex solution, or the standard template's; the listed candidates must not change.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <random>
#include <vector>

#include "certification.h"
#include "compensated.h"
#include "fast/eigenvectors.h"
#include "fast/fast_method.h"
#include "fast/nonreal_roots.h"
#include "fast/steps.h"
#include "scaling.h"
#include "systems.h"
#include "tries.h"

namespace quorvane {
namespace {

using Complex = std::complex<double>;

struct Scaled {
  Equations equations;
  int exponent;  // the variables are the caller's over 2^exponent
};

Scaled scaled(const testing::System& system) {
  Scaled s{stackEquations(system.equations[0], system.equations[1], system.equations[2]), 0};
  s.exponent = scaleToUnitRange(s.equations).variableExponent;
  return s;
}

// Each equation a random combination of u² - t_u u + s_u, v² - ..., w² - ..., for planes u, v,
// w in x, y, z: the solutions are the eight choices of a root of each quadratic, complex
// wherever one of them is, mapped back through the planes.
struct KnownSystem {
  testing::System system;
  std::vector<ComplexPoint> solutions;
};

KnownSystem randomQuadricsInPlanes(std::mt19937_64& rng) {
  std::normal_distribution<double> normal;
  std::uniform_real_distribution<double> uniform(0.2, 2);
  Eigen::Matrix4d planes = Eigen::Matrix4d::NullaryExpr([&] { return normal(rng); });
  testing::Equation quadratics[3];
  Complex roots[3][2];
  for (int k = 0; k < 3; ++k) {
    const Eigen::Vector4d plane = planes.row(k).transpose();
    const double centre = normal(rng), spread = uniform(rng);
    // Two conjugate roots for the first quadratic always, for the others at random.
    const bool conjugate = k == 0 || rng() % 2 == 0;
    const double t = 2 * centre, s = centre * centre + (conjugate ? 1 : -1) * spread * spread;
    roots[k][0] = conjugate ? Complex(centre, spread) : Complex(centre + spread);
    roots[k][1] = conjugate ? Complex(centre, -spread) : Complex(centre - spread);
    testing::Equation q = testing::productOfPlanes(plane, plane);
    q(0) += s - t * plane(0);
    for (int i = 0; i < 3; ++i) q(7 + i) -= t * plane(1 + i);
    quadratics[k] = q;
  }
  KnownSystem known;
  const Eigen::Matrix3d mixing = Eigen::Matrix3d::NullaryExpr([&] { return normal(rng); });
  for (int e = 0; e < 3; ++e)
    known.system.equations[e] =
        mixing(e, 0) * quadratics[0] + mixing(e, 1) * quadratics[1] + mixing(e, 2) * quadratics[2];
  const Eigen::Matrix3cd normals = planes.block<3, 3>(0, 1).cast<Complex>();
  for (int choice = 0; choice < 8; ++choice) {
    ComplexPoint values;
    for (int k = 0; k < 3; ++k) values(k) = roots[k][(choice >> k) & 1] - planes(k, 0);
    known.solutions.push_back(normals.partialPivLu().solve(values));
  }
  return known;
}

bool listed(const Candidate& c) {
  return std::isfinite(c.z.real());
}

ComplexPoint pointOf(const Candidate& c, int exponent = 0) {
  return ComplexPoint(c.x, c.y, c.z) * std::ldexp(1.0, exponent);
}

double relativeDistance(const ComplexPoint& a, const ComplexPoint& b) {
  return (a - b).cwiseAbs().maxCoeff() / std::max(1.0, largestMagnitude(b));
}

// The largest relative distance from a point of `found` to the nearest of `expected`, matched
// one to one; infinite where the counts differ.
double setDistance(const std::vector<ComplexPoint>& found, std::vector<ComplexPoint> expected) {
  if (found.size() != expected.size()) return std::numeric_limits<double>::infinity();
  double largest = 0;
  for (const ComplexPoint& f : found) {
    std::size_t nearest = 0;
    for (std::size_t j = 1; j < expected.size(); ++j)
      if (relativeDistance(f, expected[j]) < relativeDistance(f, expected[nearest])) nearest = j;
    largest = std::max(largest, relativeDistance(f, expected[nearest]));
    expected.erase(expected.begin() + nearest);
  }
  return largest;
}

// The non-real entries after the listed real ones: conjugate pairs, positive imaginary part
// first, flagged as the read-out flags them; returns how many there are.
int checkedPairs(const Candidates& candidates, int first) {
  int count = 0;
  for (int i = first; i < kBasisSize && listed(candidates[i]); i += 2, count += 2) {
    const Candidate& upper = candidates[i];
    EXPECT_LT(i + 1, kBasisSize);
    if (i + 1 >= kBasisSize) break;
    const Candidate& lower = candidates[i + 1];
    EXPECT_GT(upper.z.imag(), 0) << i;
    EXPECT_EQ(lower.x, std::conj(upper.x)) << i;
    EXPECT_EQ(lower.y, std::conj(upper.y)) << i;
    EXPECT_EQ(lower.z, std::conj(upper.z)) << i;
    for (const Candidate* c : {&upper, &lower}) {
      EXPECT_FALSE(c->real || c->zeroDivisor) << i;
      EXPECT_EQ(c->imaginaryPart, std::abs(upper.z.imag())) << i;
    }
  }
  for (int i = first + count; i < kBasisSize; ++i) EXPECT_FALSE(listed(candidates[i])) << i;
  return count;
}

// The radius proved around a pair's candidate as the caller gets it: the test at the candidate
// (for the fast method's own pairs, its radius, which must be the library's test there, bit for
// bit), else the test after Newton's method from it; `at` is the point proved.
double provedAround(const Equations& equations, const Candidate& c, ComplexPoint& at) {
  at = pointOf(c);
  const double atCandidate = provedRadius(equations, at);
  if (c.forProofOnly) {
    EXPECT_EQ(std::isnan(c.proofRadius), std::isnan(atCandidate));
    if (!std::isnan(atCandidate)) {
      EXPECT_EQ(c.proofRadius, atCandidate);
    }
  }
  if (!std::isnan(atCandidate)) return atCandidate;
  refineCompensated(equations, at);
  return provedRadius(equations, at);
}

// Whether `solution` lies in the polydisc of `radius` around `at`, up to `slack` for the
// rounding of the solution itself.
bool inside(const ComplexPoint& solution, const ComplexPoint& at, double radius, double slack) {
  return (solution - at).cwiseAbs().maxCoeff() <= radius + slack;
}

int listedCount(const Candidates& candidates) {
  int count = 0;
  for (const Candidate& c : candidates) count += listed(c) || c.zeroDivisor;
  return count;
}

// How many leading entries the call without complexToo lists.
int leadingListed(const Candidates& candidates) {
  int count = 0;
  while (count < kBasisSize && (listed(candidates[count]) || candidates[count].zeroDivisor))
    ++count;
  return count;
}

// The steps' reciprocal is 1 / z to a few roundings wherever |z|² is a normal double, and for
// z on either axis.
TEST(ComplexCandidates, ReciprocalsHoldAtEveryScale) {
  for (const Complex direction : {Complex(3, 4), Complex(-5, 0), Complex(0, 2), Complex(1, -1)})
    for (const int exponent : {-500, -460, -100, 0, 100, 460, 500}) {
      const Complex z = direction * std::ldexp(1.0, exponent);
      const nonreal::Complex<double> inverse = nonreal::reciprocalOf<double>({z.real(), z.imag()});
      const Complex product = Complex(inverse.re, inverse.im) * z;
      EXPECT_LT(std::abs(product - 1.0), 0x1p-50) << direction << " " << exponent;
    }
}

TEST(ComplexCandidates, FindTheKnownSolutionsOfQuadricsInPlanes) {
  std::mt19937_64 rng(31);
  int accepted = 0, complete = 0, pairs = 0, provedAsListed = 0;
  constexpr int kSystems = 500;
  for (int n = 0; n < kSystems; ++n) {
    const KnownSystem known = randomQuadricsInPlanes(rng);
    const Scaled s = scaled(known.system);
    Candidates candidates;
    if (!fastTemplateCandidates(s.equations, candidates, true)) continue;
    ++accepted;
    const int real = leadingListed(candidates) - checkedPairs(candidates, 0);
    EXPECT_EQ(real, 0) << n;  // every solution is complex here
    if (listedCount(candidates) != kBasisSize) continue;
    ++complete;
    std::vector<ComplexPoint> found;
    for (const Candidate& c : candidates) found.push_back(pointOf(c, s.exponent));
    // Read off the eigenvectors, not refined: near the solutions, not at them.
    EXPECT_LT(setDistance(found, known.solutions), 0.1) << n;
    const double scale = std::ldexp(1.0, s.exponent);
    for (int i = 0; i < kBasisSize; i += 2) {
      pairs += candidates[i].forProofOnly;
      provedAsListed += !std::isnan(candidates[i].proofRadius);
      ComplexPoint at;
      const double radius = provedAround(s.equations, candidates[i], at);
      // Not proved: the system is not claimed complete (a few in a thousand pairs).
      if (std::isnan(radius)) continue;
      double nearest = std::numeric_limits<double>::infinity();
      const ComplexPoint inCallers = at * scale;
      ComplexPoint solution;
      for (const ComplexPoint& k : known.solutions)
        if ((k - inCallers).cwiseAbs().maxCoeff() < nearest)
          nearest = (k - inCallers).cwiseAbs().maxCoeff(), solution = k;
      EXPECT_TRUE(inside(solution / scale, at, radius, 1e-13 * largestMagnitude(at)))
          << n << " " << i << " " << nearest / scale << " " << radius;
      EXPECT_TRUE(offTheRealSpace(at, radius)) << n << " " << i;
    }
  }
  EXPECT_GT(accepted, kSystems * 9 / 10);
  EXPECT_GT(complete, accepted * 99 / 100);
  // The rest are proved after Newton's method, or not at all.
  EXPECT_GT(provedAsListed, pairs * 97 / 100);
}

TEST(ComplexCandidates, AgreeWithTheStandardCandidatesOnRandomSystems) {
  std::mt19937_64 rng(32);
  int accepted = 0, complete = 0, pairs = 0, provedAsListed = 0;
  constexpr int kSystems = 1000;
  for (int n = 0; n < kSystems; ++n) {
    const Equations equations = scaled(testing::randomGenericSystem(rng)).equations;
    Candidates standard, plain, fast;
    ASSERT_TRUE(templateCandidates(equations, standard));
    if (!fastTemplateCandidates(equations, plain)) continue;
    ASSERT_TRUE(fastTemplateCandidates(equations, fast, true)) << n;
    ++accepted;
    const int first = leadingListed(plain);
    if (first + checkedPairs(fast, first) != kBasisSize) continue;
    ++complete;
    std::vector<ComplexPoint> found, expected;
    for (const Candidate& c : fast) {
      // The pairs the real read-out lists for the caller to refine, refined as the caller does.
      ComplexPoint p = pointOf(c);
      if (&c - fast.data() < first && !c.real) refineCompensated(equations, p);
      found.push_back(p);
    }
    for (const Candidate& c : standard) {
      ComplexPoint p = pointOf(c);
      refineCompensated(equations, p);
      expected.push_back(p);
    }
    EXPECT_LT(setDistance(found, expected), 1e-2) << n;
    // Each pair's polydisc holds the standard template's refined point, and that point alone.
    for (int i = first; i < kBasisSize; i += 2) {
      ++pairs;
      provedAsListed += !std::isnan(fast[i].proofRadius);
      ComplexPoint at;
      const double radius = provedAround(equations, fast[i], at);
      if (std::isnan(radius)) continue;
      int holding = 0;
      for (const ComplexPoint& e : expected)
        holding += inside(e, at, radius, 1e-13 * std::max(1.0, largestMagnitude(at)));
      EXPECT_EQ(holding, 1) << n << " " << i;
    }
  }
  EXPECT_GT(accepted, kSystems * 99 / 100);
  EXPECT_GT(complete, accepted * 99 / 100);
  EXPECT_GT(provedAsListed, pairs * 99 / 100);
}

bool sameBits(const Candidate& a, const Candidate& b) {
  const double av[7] = {a.x.real(), a.x.imag(), a.y.real(),     a.y.imag(),
                        a.z.real(), a.z.imag(), a.imaginaryPart};
  const double bv[7] = {b.x.real(), b.x.imag(), b.y.real(),     b.y.imag(),
                        b.z.real(), b.z.imag(), b.imaginaryPart};
  return std::memcmp(av, bv, sizeof av) == 0 && a.real == b.real && a.zeroDivisor == b.zeroDivisor;
}

// The call without complexToo lists what it always did and leaves the rest NaN; the call with it
// lists the same entries bit for bit in front of its own. Products of planes have all eight
// solutions real: nothing is added there.
TEST(ComplexCandidates, LeaveTheListedCandidatesAsTheyWere) {
  std::mt19937_64 rng(33);
  int compared = 0, added = 0;
  for (int n = 0; n < 3000; ++n) {
    const bool planes = n % 3 == 0;
    const Equations equations =
        scaled(planes ? testing::randomProductOfPlanes(rng) : testing::randomGenericSystem(rng))
            .equations;
    Candidates plain, fast;
    const bool accepted = fastTemplateCandidates(equations, plain);
    ASSERT_EQ(fastTemplateCandidates(equations, fast, true), accepted) << n;
    if (!accepted) continue;
    ++compared;
    const int count = leadingListed(plain);
    for (int i = 0; i < kBasisSize; ++i) {
      if (i < count) {
        EXPECT_TRUE(sameBits(plain[i], fast[i])) << n << " " << i;
      } else {
        EXPECT_FALSE(listed(plain[i]) || plain[i].real || plain[i].zeroDivisor) << n << " " << i;
        EXPECT_TRUE(std::isnan(plain[i].imaginaryPart)) << n << " " << i;
      }
    }
    if (planes) {
      EXPECT_EQ(count, kBasisSize) << n;
    }
    added += listedCount(fast) - count;
  }
  EXPECT_GT(compared, 2900);
  EXPECT_GT(added, 2000 * 4);
}

// The radii the fast method proves at its candidates are the library's test at those points,
// bit for bit (output.cc takes them in its place): at every polished real candidate and at
// both candidates of every pair listed for proofs.
TEST(ComplexCandidates, CarryTheLibrarysProofRadii) {
  std::mt19937_64 rng(35);
  int real = 0, pairs = 0;
  for (int n = 0; n < 600; ++n) {
    const Equations equations =
        scaled(n % 2 ? testing::randomProductOfPlanes(rng) : testing::randomGenericSystem(rng))
            .equations;
    Candidates fast;
    if (!fastTemplateCandidates(equations, fast, true)) continue;
    for (int i = 0; i < kBasisSize; ++i) {
      const Candidate& c = fast[i];
      const bool tested = polishable(c) || (c.forProofOnly && !c.zeroDivisor);
      const double radius = provedRadius(equations, pointOf(c));
      if (!tested) {
        EXPECT_TRUE(std::isnan(c.proofRadius)) << n << " " << i;
        continue;
      }
      real += polishable(c) && !std::isnan(radius);
      pairs += c.forProofOnly && !std::isnan(radius);
      EXPECT_EQ(std::isnan(c.proofRadius), std::isnan(radius)) << n << " " << i;
      if (!std::isnan(radius)) {
        EXPECT_EQ(c.proofRadius, radius) << n << " " << i;
      }
    }
  }
  EXPECT_GT(real, 2000);
  EXPECT_GT(pairs, 1000);
}

// Listed eigenvalues that leave out two real roots: the deflation then keeps them, and neither
// may come back as a non-real pair; what is added must still be the system's solutions.
TEST(ComplexCandidates, NeverPresentAMissedRealRootAsANonRealPair) {
  std::mt19937_64 rng(34);
  int tried = 0;
  for (int n = 0; n < 500; ++n) {
    const Equations equations = scaled(testing::randomGenericSystem(rng)).equations;
    double reduced[kEquations][kCoefficients];
    if (!reducedForFastPath(equations, reduced)) continue;
    RealRootsOfAction roots;
    realRootsOfActionScalar(reduced, roots);
    Candidates candidates;
    ListedEigenvalues all;
    if (!realEigenCandidates(roots, candidates, &all)) continue;
    if (all.count < 2 || all.values[0].imag() != 0 || all.values[1].imag() != 0) continue;
    ++tried;
    const Complex missed[2] = {all.values[0], all.values[1]};
    ListedEigenvalues fewer;
    fewer.count = all.count - 2;
    std::copy(all.values + 2, all.values + all.count, fewer.values);
    Candidates out = candidates;
    complexEigenCandidates(roots, fewer, out);
    proveCandidates(equations, out);
    for (int i = fewer.count; i < kBasisSize; ++i) {
      if (sameBits(out[i], candidates[i])) continue;  // not written
      ASSERT_TRUE(listed(out[i])) << n << " " << i;
      EXPECT_GE(out[i].imaginaryPart, kRealEigenvalueTolerance) << n << " " << i;
      for (const Complex m : missed) {
        EXPECT_GT(std::abs(out[i].z - m), 1e-3 * std::max(1.0, std::abs(m))) << n << " " << i;
        // A proof there holds a non-real solution: never the missed real root.
        if (!std::isnan(out[i].proofRadius)) {
          EXPECT_GT(std::abs(out[i].z - m), out[i].proofRadius) << n << " " << i;
          EXPECT_TRUE(offTheRealSpace(pointOf(out[i]), out[i].proofRadius)) << n << " " << i;
        }
      }
    }
  }
  EXPECT_GT(tried, 100);
}

}  // namespace
}  // namespace quorvane
