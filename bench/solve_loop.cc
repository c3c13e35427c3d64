// SPDX-License-Identifier: BSD-3-Clause
// Solves the first N random generic systems (or product-of-planes systems) in one of several
// ways, for instruction counts under valgrind --tool=callgrind, which repeat exactly where
// timings on a shared machine do not. bench/count_instructions.sh runs it. `fast` and
// `fastbatch` are the fast path's kernels one system at a time and four at once, each with
// the bare template path for the systems it declines; `fastcall` and `fastsolvebatch` are the
// whole fast method, verified, through the options call and through solveBatch (one thread).
// `fastcomplex` and `fastbatchcomplex` are `fast` and `fastbatch` with the non-real candidates
// as well (complexToo); `fastsolvebatchcertified` is `fastsolvebatch` with every point proved
// and completeness certified, to weigh the proofs against it. `setup` only draws and prepares the
// systems, which every mode does: its count is to be subtracted from theirs.
//
//   solve_loop verified|bare|floor|fast|fastbatch|fastcomplex|fastbatchcomplex|fastcall|
//              fastsolvebatch|fastsolvebatchcertified|setup generic|planes|p3p N
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "fast/fast_method.h"
#include "floor_of_method.h"
#include "systems.h"
#include "tries.h"

namespace {

using quorvane::testing::System;

struct Prepared {
  System system;
  quorvane::bench::TemplateAndAction linearAlgebra;
};

void appendRealCandidates(const quorvane::Candidates& candidates,
                          quorvane::SolutionList& solutions) {
  for (const quorvane::Candidate& c : candidates)
    if (c.real) solutions.push_back({c.x.real(), c.y.real(), c.z.real()});
}

void solveBare(const quorvane::Equations& equations, quorvane::SolutionList& solutions) {
  quorvane::Candidates candidates;
  if (quorvane::templateCandidates(equations, candidates))
    appendRealCandidates(candidates, solutions);
}

void solveFast(const quorvane::Equations& equations, quorvane::SolutionList& solutions,
               bool complexToo) {
  quorvane::Candidates candidates;
  if (quorvane::fastTemplateCandidates(equations, candidates, complexToo))
    appendRealCandidates(candidates, solutions);
  else
    solveBare(equations, solutions);
}

// Four systems at a time from `first`; the count must be a multiple of four.
void solveFastBatch(const Prepared* first, quorvane::SolutionList& solutions, bool complexToo) {
  std::array<quorvane::Equations, quorvane::kBatchLanes> equations;
  for (int lane = 0; lane < quorvane::kBatchLanes; ++lane) {
    const auto& e = first[lane].system.equations;
    equations[lane] = quorvane::stackEquations(e[0], e[1], e[2]);
  }
  std::array<quorvane::Candidates, quorvane::kBatchLanes> candidates;
  std::array<bool, quorvane::kBatchLanes> accepted;
  quorvane::fastTemplateCandidates4(equations, candidates, accepted, complexToo);
  for (int lane = 0; lane < quorvane::kBatchLanes; ++lane) {
    if (accepted[lane])
      appendRealCandidates(candidates[lane], solutions);
    else
      solveBare(equations[lane], solutions);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr,
                 "usage: %s verified|bare|floor|fast|fastbatch|fastcomplex|fastbatchcomplex|"
                 "fastcall|fastsolvebatch|fastsolvebatchcertified|setup generic|planes|p3p N\n",
                 argv[0]);
    return 2;
  }
  const char* mode = argv[1];
  const bool planes = !std::strcmp(argv[2], "planes");
  const bool p3p = !std::strcmp(argv[2], "p3p");
  const int count = std::atoi(argv[3]);
  std::mt19937_64 rng(1);
  std::normal_distribution<double> normal;
  std::vector<Prepared> prepared;
  while (static_cast<int>(prepared.size()) < count) {
    Prepared p;
    if (planes) {
      p.system = quorvane::testing::randomProductOfPlanes(rng);
    } else if (p3p) {
      p.system = quorvane::testing::randomPerspectiveThreePoint(rng);
    } else {
      for (auto& e : p.system.equations)
        e = Eigen::MatrixXd::NullaryExpr(10, 1, [&] { return normal(rng); });
    }
    if (quorvane::bench::templateAndAction(p.system, p.linearAlgebra)) prepared.push_back(p);
  }

  std::vector<double> laidOut;
  for (const Prepared& p : prepared)
    for (const auto& e : p.system.equations) laidOut.insert(laidOut.end(), e.data(), e.data() + 10);
  quorvane::SolveOptions fastOptions;
  fastOptions.method = quorvane::Method::fast;

  quorvane::SolutionList solutions;
  solutions.reserve(8);
  double checksum = 0;
  const bool certified = !std::strcmp(mode, "fastsolvebatchcertified");
  if (!std::strcmp(mode, "fastsolvebatch") || certified) {
    quorvane::BatchOptions options;
    options.threads = 1;
    options.solve = fastOptions;
    options.solve.certify = certified;
    options.reportEach = certified;
    quorvane::BatchSolutions batch;
    quorvane::solveBatch(laidOut.data(), prepared.size(), batch, options);
    for (const quorvane::Solution& s : batch.solutions) checksum += s.x;
    for (const quorvane::SolveReport& r : batch.reports) checksum += r.certified;
    std::printf("%g\n", checksum);
    return 0;
  }
  const bool complexToo =
      !std::strcmp(mode, "fastcomplex") || !std::strcmp(mode, "fastbatchcomplex");
  const bool batch = !std::strcmp(mode, "fastbatch") || !std::strcmp(mode, "fastbatchcomplex");
  for (std::size_t i = 0; i < prepared.size(); i += batch ? quorvane::kBatchLanes : 1) {
    const Prepared& p = prepared[i];
    const auto& e = p.system.equations;
    solutions.clear();
    if (!std::strcmp(mode, "verified")) {
      quorvane::solveThreeQuadrics(e[0], e[1], e[2], solutions);
    } else if (!std::strcmp(mode, "bare")) {
      solveBare(quorvane::stackEquations(e[0], e[1], e[2]), solutions);
    } else if (!std::strcmp(mode, "fastcall")) {
      const double* c = laidOut.data() + 30 * i;
      quorvane::solveThreeQuadrics(c, c + 10, c + 20, solutions, fastOptions);
    } else if (!std::strcmp(mode, "fast") || !std::strcmp(mode, "fastcomplex")) {
      solveFast(quorvane::stackEquations(e[0], e[1], e[2]), solutions, complexToo);
    } else if (batch) {
      if (i + quorvane::kBatchLanes <= prepared.size()) solveFastBatch(&p, solutions, complexToo);
    } else if (!std::strcmp(mode, "floor")) {
      checksum += quorvane::bench::floorOfMethod(p.linearAlgebra);
    }
    for (const quorvane::Solution& s : solutions) checksum += s.x;
  }
  std::printf("%g\n", checksum);
  return 0;
}
