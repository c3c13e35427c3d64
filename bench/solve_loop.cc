// SPDX-License-Identifier: BSD-3-Clause
// Solves the first N random generic systems (or product-of-planes systems) in one of three
// ways, for instruction counts under valgrind --tool=callgrind, which repeat exactly where
// timings on a shared machine do not. bench/count_instructions.sh runs it.
//
//   solve_loop verified|bare|floor generic|planes N
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "floor_of_method.h"
#include "solve_paths.h"
#include "systems.h"

namespace {

using quorvane::testing::System;

struct Prepared {
  System system;
  quorvane::bench::TemplateAndAction linearAlgebra;
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
    if (quorvane::bench::templateAndAction(p.system, p.linearAlgebra)) prepared.push_back(p);
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
      checksum += quorvane::bench::floorOfMethod(p.linearAlgebra);
    }
    for (const quorvane::Solution& s : solutions) checksum += s.x;
  }
  std::printf("%g\n", checksum);
  return 0;
}
