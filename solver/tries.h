// SPDX-License-Identifier: BSD-3-Clause
// The records a call's tries share, and the steps that make and judge them. A call is read
// and scaled (preparation.cc), tried on the system as it stands and, where its candidates do
// not all verify, in other frames (tries.cc, frames.cc); each try's candidates are verified
// (verification.h, verification.cc) and close roots told apart (close_roots.cc); what verified is
// returned with a status (output.cc). The public calls are in entry_points.cc and batch.cc.
#pragma once

#include <Eigen/Core>
#include <array>
#include <cstddef>
#include <limits>

#include "action.h"
#include "compensated.h"
#include "coordinates.h"
#include "equations.h"
#include "quorvane/solver.h"
#include "scaling.h"
#include "verification.h"

namespace quorvane {

// Candidates this close to a root are good enough to centre the variables on, and to look
// for two close real roots behind.
inline constexpr double kPlausibleTolerance = 1e-2;

// One candidate of a try, in the variables of the scaled system.
struct Point {
  ComplexPoint at;
  bool real = false;        // counts as real under the caller's tolerance
  bool nanColumn = false;   // its eigenvector has no entry for 1
  bool checked = false;     // a complex point that must verify for the try to be complete
  bool unresolved = false;  // a candidate the try could not read: it is not complete
  bool multiple = false;    // a root where the Jacobian is singular, standing for its cluster
  bool inMultiple = false;  // another candidate of that cluster: not returned
  double error = kInfinity;
};

// The candidates of one try, in the eigen-solver's order.
struct Try {
  std::array<Point, kBasisSize> points;
  int count = 0;
  bool ran = false;  // the template gave candidates
  // A candidate of an earlier try could not be read, and this one has fewer than eight: the
  // root behind it may be missing.
  bool lostCandidate = false;
  // The fast method's non-real candidates, listed for proofs only.
  std::array<ComplexPoint, kBasisSize> forProof;
  std::array<double, kBasisSize> forProofRadius;  // proved as listed; NaN where not
  // The fast method's proofs at its real candidates, by point: a returned point that is one
  // of them exactly has its radius here already.
  std::array<Eigen::Vector3d, kBasisSize> provedReal;
  std::array<double, kBasisSize> provedRealRadius;
  int provedRealCount = 0;
  int forProofCount = 0;
  SolvePath path = SolvePath::none;
  int centringRounds = 0;
  // Candidates of a change of coordinates at or near infinity (frames.cc): those Newton's
  // method took to a root far out, and those it did not or that lay at infinity exactly.
  int farOutRoots = 0;
  int farOutUnreached = 0;
  // The isolated solutions the system can have, where the structure stage reduced it.
  bool structured = false;
  int mostSolutions = kMostSolutions;

  int verified() const {
    int n = 0;
    for (int i = 0; i < count; ++i)
      n += points[i].real && !points[i].nanColumn && points[i].error <= kForwardTolerance;
    return n;
  }
  bool complete() const {
    if (!ran || lostCandidate) return false;
    for (int i = 0; i < count; ++i)
      if (points[i].unresolved) return false;
    for (int i = 0; i < count; ++i)
      if ((points[i].real || points[i].checked) && !points[i].nanColumn &&
          !(points[i].error <= kForwardTolerance))
        return false;
    return true;
  }
};

// Where a try's variables sit in those of the scaled system: translated to `centre`, then
// (optionally) through a projective change, then scaled by a power of two.
struct Frame {
  const Eigen::Vector3d* centre = nullptr;
  const CoordinateChange* change = nullptr;
};

// How a try judges its candidates: real when the imaginary part of z is below the tolerance
// (in the scaled variables), and checked as the complex points they are where a wider
// tolerance lets real parts miss the equations, or where complex points are returned.
struct Judging {
  double imaginaryTolerance;
  bool complexPoints;
  // The calls with options: a candidate that counts as real by its z but is a verified
  // complex solution (x or y far from real) counts as the complex solution it is, and under
  // a wider tolerance every coordinate must be within it. The three-argument call judges by
  // z alone.
  bool everyCoordinate = false;
  double relativeTolerance = 0;  // the caller's tolerance, relative to max(1, |point|)
  // The fast method's kernels in place of the template, in a frame other than the system as
  // it stands (the template still where they decline).
  bool fastKernels = false;
  bool forProofs = false;  // the kernels list non-real candidates for the proofs too
};

// The fast method's candidates for a system as it stands: computed for this call alone, or
// beforehand in a batch's lanes.
struct FastStart {
  bool accepted = false;
  const Candidates* candidates = nullptr;
  // From the structure stage: an exact reduction whose system has at most `mostSolutions`
  // isolated solutions.
  bool structured = false;
  int mostSolutions = kMostSolutions;
  // Solutions clustered far from the origin around `centre` (clusterCentre), where the kernels
  // could not tell them apart as the system stands: they run around the cluster instead.
  bool clustered = false;
  Eigen::Vector3d centre = Eigen::Vector3d::Zero();
};

/// Whether a call with these options takes the fast method. A tolerance wider than the default
/// asks for the near-real candidates the standard way lists (noisy ranges under a ceiling give
/// a pair 1e-2 off the real space), which the fast method does not list: such calls go the
/// standard way.
inline bool fastMethodApplies(const SolveOptions& options) {
  return options.method == Method::fast && !(options.imaginaryTolerance > kRealEigenvalueTolerance);
}

/// Whether the solutions cluster far from the origin, and where (see tries.cc).
bool clusterCentre(const Equations& system, Eigen::Vector3d& centre);

/// The fast method's start on a system as it stands: the structure stage, else (unless the
/// solutions cluster far out) the kernels.
FastStart fastStart(const Equations& system, bool certify, Candidates& candidates);

// Where the returned points go.
struct Output {
  SolutionList* real = nullptr;
  ComplexSolutionList* complex = nullptr;
  bool nanColumns = false;  // the three-argument call's NaN column for a zero divisor
};

// A system read and scaled to order one, ready for the tries.
struct Prepared {
  Equations original, system;
  Scaling scaling{0, true};
  SolveReport report;
  bool ready = false;  // otherwise `report` is the whole answer
};

// ---- Preparation (preparation.cc)

/// The three equations read from ten coefficients each and scaled to order one; a report of
/// bad input instead where a coefficient is not finite.
Prepared prepare(const std::array<const double*, kEquationCount>& arguments);

/// True when every option is within its range; otherwise false, and `report` is the call's
/// whole answer (badInput, badOption, the options' argument number).
bool optionsInRange(const SolveOptions& options, SolveReport& report);

/// The first ten entries of each Eigen argument, or the report of one that is too short.
bool readArguments(const Eigen::MatrixXd& first, const Eigen::MatrixXd& second,
                   const Eigen::MatrixXd& third, std::array<const double*, 3>& arguments,
                   SolveReport& report);

// ---- The tries (tries.cc, frames.cc)

/// The template method alone on equations of order one: reduction, template, action
/// matrix, eigenvectors. False when it declines.
bool templateCandidates(const Equations& equations, Candidates& candidates);

/// The best try for a scaled system whose variables are the caller's over 2^exponent; the
/// imaginary tolerance in `options` is the caller's. `fastStart`: the fast method's
/// candidates if already computed (null: computed here where the fast method is asked for).
Try solveScaled(const Equations& system, int exponent, const SolveOptions& options,
                bool complexPoints, bool everyCoordinate, SolveReport& report,
                const FastStart* fastStart);

/// The template in one frame, its candidates brought back to the scaled system's variables
/// and checked there. The first try, on the system as it stands, keeps its candidates as
/// computed; the others refine theirs. `fast` takes the fast method's candidates instead of
/// the template's (on the system as it stands only).
Try solveInFrame(const Equations& system, const Frame& frame, const Judging& judging,
                 const FastStart* fast = nullptr);

/// Where to translate the variables next, from a try's candidates; false when none is finite.
bool centreOf(const Try& t, Eigen::Vector3d& centre);

// ---- Verification: verification.h

// ---- Close roots (close_roots.cc)

/// Two real roots behind a near-double root near `near`, each verified; false when there
/// are none (a complex pair, or one double root).
bool splitPair(const Equations& system, const Eigen::Vector3d& near, Eigen::Vector3d& first,
               Eigen::Vector3d& second);

/// Near-real pairs and points reached twice, checked for two real roots behind them.
void separateCloseRoots(const Equations& system, Try& t);

/// Of two verified real points refined to one root, the second no longer counts as verified.
void discountRootsReachedTwice(Try& t);

/// A cluster of unverified candidates around a real root where the Jacobian is singular (a
/// multiple root) resolved to that root, returned once; the rest of the cluster leaves the
/// try incomplete.
void resolveMultipleRoots(const Equations& system, Try& t);

// ---- Output (output.cc)

/// The points of a prepared system's best try appended to `output`, and its report.
SolveReport solvePrepared(const Prepared& prepared, const SolveOptions& options,
                          const Output& output, const FastStart* fastStart = nullptr);

/// Whether a term of the scaled system may have underflowed at a real point, so that the
/// checks in double may not have seen it.
bool underflowMayHide(const Equations& system, const ComplexPoint& at);

/// The options checked, then prepare, then solvePrepared where the system is ready.
SolveReport solveSystem(const std::array<const double*, kEquationCount>& arguments,
                        const SolveOptions& options, const Output& output);

// ---- Entry points that the tests and benchmarks reach too (entry_points.cc, batch.cc)

/// The three-argument solveThreeQuadrics, also telling what became of the call.
SolveReport solveReportingPath(const Eigen::MatrixXd& first, const Eigen::MatrixXd& second,
                               const Eigen::MatrixXd& third, SolutionList& solutions);

/// `count` systems of 30 coefficients each, 30 apart from `first`, each solved as the
/// raw-pointer solveThreeQuadrics (or solveThreeQuadricsComplex) with `options` solves it,
/// bit for bit; the solutions are appended in order, `reports[k]` is system k's report and
/// `ends[k]` the list's size after it. With the fast method, four systems at a time share the
/// lane kernels.
void solveConsecutive(const double* first, std::size_t count, const SolveOptions& options,
                      SolutionList& solutions, SolveReport* reports, std::size_t* ends);
void solveConsecutive(const double* first, std::size_t count, const SolveOptions& options,
                      ComplexSolutionList& solutions, SolveReport* reports, std::size_t* ends);

}  // namespace quorvane
