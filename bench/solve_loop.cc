// Solves the first N random generic systems (or product-of-planes systems) in one of three
// ways, for instruction counts under valgrind --tool=callgrind, which repeat exactly where
// timings on a shared machine do not. bench/count_instructions.sh runs it.
//
//   solve_loop verified|bare|floor generic|planes N
#include <Eigen/Eigenvalues>
#include <Eigen/LU>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "gauss_jordan.h"
#include "scaling.h"
#include "solve_paths.h"
#include "systems.h"
#include "template.h"

namespace {

using quorvane::testing::System;

struct Prepared {
  System system;
  quorvane::EliminationTemplate elimination;
  quorvane::ActionMatrix action;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s verified|bare|floor generic|planes N\n", argv[0]);
    return 2;
  }
  const char* mode = argv[1];
  const bool planes = !std::strcmp(argv[2], "planes");
  const int count = std::atoi(argv[3]);
  std::mt19937_64 rng(1);
  std::normal_distribution<double> normal;
  std::vector<Prepared> prepared;
  while (static_cast<int>(prepared.size()) < count) {
    Prepared p;
    if (planes) {
      p.system = quorvane::testing::randomProductOfPlanes(rng);
    } else {
      for (auto& e : p.system.equations)
        e = Eigen::MatrixXd::NullaryExpr(10, 1, [&] { return normal(rng); });
    }
    quorvane::Equations equations = quorvane::stackEquations(
        p.system.equations[0], p.system.equations[1], p.system.equations[2]);
    quorvane::scaleToUnitRange(equations);
    quorvane::CoefficientMatrix reduced = quorvane::coefficientMatrix(equations);
    quorvane::PivotColumns pivots;
    quorvane::gaussJordanReduce(reduced, pivots);
    if (reduced.rows() != 3) continue;
    p.elimination = quorvane::eliminationTemplate(reduced);
    if (quorvane::actionMatrix(p.elimination, p.action)) prepared.push_back(p);
  }

  quorvane::SolutionList solutions;
  solutions.reserve(8);
  double checksum = 0;
  for (const Prepared& p : prepared) {
    const auto& e = p.system.equations;
    solutions.clear();
    if (!std::strcmp(mode, "verified")) {
      quorvane::solveThreeQuadrics(e[0], e[1], e[2], solutions);
    } else if (!std::strcmp(mode, "bare")) {
      quorvane::Candidates candidates;
      if (quorvane::templateCandidates(quorvane::stackEquations(e[0], e[1], e[2]), candidates))
        for (const quorvane::Candidate& c : candidates)
          if (c.real) solutions.push_back({c.x.real(), c.y.real(), c.z.real()});
    } else {
      const Eigen::PartialPivLU<Eigen::MatrixXd> lu(p.elimination.leftCols<25>());
      const Eigen::MatrixXd reduced = lu.solve(p.elimination.rightCols<8>());
      const Eigen::EigenSolver<quorvane::ActionMatrix> eigen(p.action, true);
      checksum += reduced(0, 0) + eigen.eigenvectors()(0, 0).real();
    }
    for (const quorvane::Solution& s : solutions) checksum += s.x;
  }
  std::printf("%g\n", checksum);
  return 0;
}
