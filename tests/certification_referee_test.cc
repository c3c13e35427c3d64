// SPDX-License-Identifier: BSD-3-Clause
// The solver's proofs against the referee, over the accuracy study's families: every box the
// solver calls proved must be proved again in Arb, and every claim of a complete real
// solution set must be borne out by the complex call's eight boxes. Prints the certified
// share per family. QUORVANE_REFEREE_SYSTEMS sets the systems per family (10,000 unless
// told; the sanitizer build runs fewer).
#include <gtest/gtest.h>
#include <quorvane/solver.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "certification_check.h"
#include "study_families.h"

namespace quorvane::testing {
namespace {

using C = std::complex<double>;

int systemsPerFamily() {
  const char* text = std::getenv("QUORVANE_REFEREE_SYSTEMS");
  return text ? std::max(1, std::atoi(text)) : 10000;
}

// The worked example's eight roots, as a call would report them.
struct WorkedCall {
  System system = workedExample();
  RefereeEquations equations = refereeEquations(system.equations);
  SolutionList real;
  ComplexSolutionList all;
  SolveReport realReport, complexReport;
  WorkedCall() {
    for (const Eigen::Vector3d& p : system.solutions) {
      real.push_back({p.x(), p.y(), p.z()});
      all.push_back({C(p.x()), C(p.y()), C(p.z())});
    }
    realReport.points = complexReport.points = 8;
    realReport.radius.fill(1e-6);
    complexReport.radius.fill(1e-6);
    realReport.certified = complexReport.certified = true;
  }
};

TEST(CertificationCheck, TrueProofsPass) {
  ProofCache cache;
  const WorkedCall call;
  const ProofFindings findings = checkProofs(call.equations, call.real, call.realReport, cache);
  EXPECT_EQ(findings.proved, 8);
  EXPECT_EQ(findings.falseProofs, 0);
  EXPECT_FALSE(findings.badReport);
  EXPECT_EQ(checkProofs(call.equations, call.all, call.complexReport, cache).falseProofs, 0);
  EXPECT_TRUE(confirmsComplete(call.equations, call.all, call.complexReport, call.real,
                               call.realReport, cache));
}

TEST(CertificationCheck, FalseProofsAreCounted) {
  ProofCache cache;
  WorkedCall call;
  call.real[2].x += 1e-5;  // the box no longer reaches the root
  call.all[5].y += C(0, 3e-6);
  call.realReport.radius[6] = kNotProved;
  ProofFindings findings = checkProofs(call.equations, call.real, call.realReport, cache);
  EXPECT_EQ(findings.proved, 7);
  EXPECT_EQ(findings.falseProofs, 1);
  EXPECT_TRUE(findings.badReport);  // claimed complete with a point unproved
  EXPECT_EQ(checkProofs(call.equations, call.all, call.complexReport, cache).falseProofs, 1);
  EXPECT_FALSE(confirmsComplete(call.equations, call.all, call.complexReport, call.real,
                                call.realReport, cache));
}

TEST(CertificationCheck, ACompleteClaimNeedsEveryRealPointAndAllEightBoxes) {
  ProofCache cache;
  WorkedCall call;
  SolutionList missing = call.real;
  missing.pop_back();
  EXPECT_FALSE(confirmsComplete(call.equations, call.all, call.complexReport, missing,
                                call.realReport, cache));
  // One root's point twice and another's not at all: the polydisc that would hold both boxes
  // of different roots holds two roots, so the points do not match the boxes.
  SolutionList twice = call.real;
  twice[1] = twice[0];
  EXPECT_FALSE(confirmsComplete(call.equations, call.all, call.complexReport, twice,
                                call.realReport, cache));
  // A point a little off its box's centre, proved with its own radius, still names that root.
  SolutionList nudged = call.real;
  nudged[3].y += 3e-6;
  SolveReport nudgedReport = call.realReport;
  nudgedReport.radius[3] = 1e-5;
  EXPECT_TRUE(
      confirmsComplete(call.equations, call.all, call.complexReport, nudged, nudgedReport, cache));
  SolveReport seven = call.complexReport;
  seven.points = 7;
  ComplexSolutionList sevenPoints(call.all.begin(), call.all.end() - 1);
  EXPECT_FALSE(
      confirmsComplete(call.equations, sevenPoints, seven, call.real, call.realReport, cache));
  SolveReport unproved = call.complexReport;
  unproved.radius[3] = kNotProved;
  EXPECT_FALSE(
      confirmsComplete(call.equations, call.all, unproved, call.real, call.realReport, cache));
  // A report of more points than were returned.
  SolveReport tooMany = call.realReport;
  tooMany.points = 8;
  EXPECT_TRUE(checkProofs(call.equations, missing, tooMany, cache).badReport);
}

TEST(CertificationCheck, FewerSolutionsFromTheQuadraticPartsRank) {
  std::mt19937_64 rng(7);
  const System spheres = randomSpheresThrough(rng);
  RefereeEquations equations = refereeEquations(spheres.equations);
  EXPECT_EQ(refereeMostSolutions(equations), 2);
  EXPECT_EQ(refereeMostSolutions(WorkedCall().equations), 8);
  RefereeEquations planes{};
  for (int e = 0; e < 3; ++e) planes[e][7 + e] = 1, planes[e][0] = -e;
  EXPECT_EQ(refereeMostSolutions(planes), 1);
  // One unit of rounding off a sphere's x² coefficient: the other two spheres still make a
  // plane, in which two conics meet in up to four points, two of them far out.
  RefereeEquations nearly = equations;
  nearly[1][4] = std::nextafter(nearly[1][4], 2.0);
  EXPECT_EQ(refereeMostSolutions(nearly), 4);
  RefereeEquations apart = nearly;
  apart[2][5] = std::nextafter(apart[2][5], 2.0);
  EXPECT_EQ(refereeMostSolutions(apart), 8);
  // A plane among quadrics.
  RefereeEquations plane = WorkedCall().equations;
  for (int i = 1; i <= 6; ++i) plane[0][i] = 0;
  EXPECT_EQ(refereeMostSolutions(plane), 4);

  // Both real roots proved in disjoint boxes make the set complete with no complex call; one
  // of them, or the same root twice, does not.
  ProofCache cache;
  SolutionList real;
  for (const Eigen::Vector3d& p : spheres.solutions) real.push_back({p.x(), p.y(), p.z()});
  SolveReport report;
  report.points = 2;
  report.radius[0] = report.radius[1] = 1e-8;
  report.certified = true;
  const ComplexSolutionList none;
  const SolveReport noComplex;
  EXPECT_TRUE(confirmsComplete(equations, none, noComplex, real, report, cache));
  SolutionList twice = {real[0], real[0]};
  EXPECT_FALSE(confirmsComplete(equations, none, noComplex, twice, report, cache));
  SolveReport one = report;
  one.points = 1;
  EXPECT_FALSE(confirmsComplete(equations, none, noComplex, {real[0]}, one, cache));
  EXPECT_FALSE(confirmsComplete(nearly, none, noComplex, real, report, cache));
}

struct Tally {
  int certified = 0, proved = 0, points = 0;
  double percent(int n) const { return 100.0 * certified / n; }
};

// The study's families, and systems in a plane, which the fast method proves complete with
// four solutions at most.
const std::vector<StudyFamily>& refereeFamilies() {
  static const std::vector<StudyFamily> families = [] {
    std::vector<StudyFamily> all = studyFamilies();
    all.push_back({"four points in a plane", 20261209,
                   [](std::mt19937_64& rng) { return randomFourPointsInAPlane(rng); }, 0.99});
    all.push_back({"four points in a plane of two proportional equations", 20261210,
                   [](std::mt19937_64& rng) { return randomFourPointsInAPlane(rng, true); }, 0.99});
    return all;
  }();
  return families;
}

class CertificationReferee : public ::testing::TestWithParam<int> {};

TEST_P(CertificationReferee, EveryProofHolds) {
  const StudyFamily family = refereeFamilies()[GetParam()];
  const int systems = systemsPerFamily();
  std::mt19937_64 rng(family.seed);
  Tally standard, fast, complex;
  int falseProofs = 0, unconfirmed = 0, badReports = 0;
  for (int n = 0; n < systems; ++n) {
    const System system = family.draw(rng);
    const RefereeEquations equations = refereeEquations(system.equations);
    ProofCache cache;
    const double* a = system.equations[0].data();
    const double* b = system.equations[1].data();
    const double* c = system.equations[2].data();
    SolveOptions options;
    options.certify = true;
    ComplexSolutionList all;
    const SolveReport complexReport = solveThreeQuadricsComplex(a, b, c, all, options);
    const ProofFindings complexFindings = checkProofs(equations, all, complexReport, cache);
    falseProofs += complexFindings.falseProofs;
    badReports += complexFindings.badReport;
    complex.proved += complexFindings.proved;
    complex.points += complexReport.points;
    if (complexReport.certified) {
      ++complex.certified;
      unconfirmed += !confirmsAllEight(equations, all, complexReport, cache);
    }
    for (const Method method : {Method::standard, Method::fast}) {
      Tally& tally = method == Method::standard ? standard : fast;
      options.method = method;
      SolutionList real;
      const SolveReport report = solveThreeQuadrics(a, b, c, real, options);
      const ProofFindings findings = checkProofs(equations, real, report, cache);
      falseProofs += findings.falseProofs;
      badReports += findings.badReport;
      tally.proved += findings.proved;
      tally.points += report.points;
      if (report.certified) {
        ++tally.certified;
        unconfirmed += !confirmsComplete(equations, all, complexReport, real, report, cache);
      }
    }
  }
  std::printf(
      "%s: %d systems; certified complete: standard %.2f %%, fast %.2f %%, complex %.2f %%; "
      "points proved: %d of %d, %d of %d, %d of %d\n",
      family.name, systems, standard.percent(systems), fast.percent(systems),
      complex.percent(systems), standard.proved, standard.points, fast.proved, fast.points,
      complex.proved, complex.points);
  RecordProperty("systems", systems);
  RecordProperty("certified_standard_percent", std::to_string(standard.percent(systems)));
  RecordProperty("certified_fast_percent", std::to_string(fast.percent(systems)));
  RecordProperty("certified_complex_percent", std::to_string(complex.percent(systems)));
  EXPECT_EQ(falseProofs, 0) << "boxes the referee could not prove";
  EXPECT_EQ(unconfirmed, 0) << "complete sets the complex call's boxes do not bear out";
  EXPECT_EQ(badReports, 0) << "reports that do not fit the points returned";
}

std::string testName(const ::testing::TestParamInfo<int>& info) {
  std::string name;
  for (const char ch : std::string(refereeFamilies()[info.param].name))
    name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(StudyFamilies, CertificationReferee,
                         ::testing::Range(0, static_cast<int>(refereeFamilies().size())), testName);

}  // namespace
}  // namespace quorvane::testing
