// SPDX-License-Identifier: BSD-3-Clause
// For instruction counts under callgrind (bench/floor_ratios.sh): draws N systems of a family
// of floor_families.h and solves them one way. `floor` runs the linear-algebra floor on N
// random generic templates (`floorsetup` only makes them); `setup` only draws, which every
// other mode does.
//
//   floor_loop floor|floorsetup|fastcall|fastbatch|setup FAMILY N
#include <quorvane/solver.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "floor_families.h"
#include "floor_of_method.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s floor|floorsetup|fastcall|fastbatch|setup FAMILY N\n", argv[0]);
    return 2;
  }
  const std::string mode = argv[1];
  const int count = std::atoi(argv[3]);
  const quorvane::bench::FloorFamily* family = nullptr;
  for (const auto& f : quorvane::bench::floorFamilies())
    if (!std::strcmp(f.name, argv[2])) family = &f;
  if (!family) {
    std::fprintf(stderr, "no family %s\n", argv[2]);
    return 2;
  }
  double checksum = 0;
  if (mode == "floor" || mode == "floorsetup") {
    std::mt19937_64 rng(1);
    std::vector<quorvane::bench::TemplateAndAction> prepared;
    while (static_cast<int>(prepared.size()) < count) {
      quorvane::bench::TemplateAndAction t;
      if (quorvane::bench::templateAndAction(quorvane::testing::randomGenericSystem(rng), t))
        prepared.push_back(t);
    }
    if (mode == "floor")
      for (const auto& t : prepared) checksum += quorvane::bench::floorOfMethod(t);
    std::printf("%g\n", checksum);
    return 0;
  }
  const std::vector<double> systems = quorvane::bench::laidOutFamily(*family, count);
  quorvane::SolveOptions options;
  options.method = quorvane::Method::fast;
  if (mode == "fastcall") {
    quorvane::SolutionList solutions;
    for (int k = 0; k < count; ++k) {
      const double* c = systems.data() + 30 * k;
      solutions.clear();
      quorvane::solveThreeQuadrics(c, c + 10, c + 20, solutions, options);
      checksum += static_cast<double>(solutions.size());
    }
  } else if (mode == "fastbatch") {
    quorvane::BatchOptions batch;
    batch.solve = options;
    batch.threads = 1;
    quorvane::BatchSolutions out;
    quorvane::solveBatch(systems.data(), static_cast<std::size_t>(count), out, batch);
    checksum += static_cast<double>(out.solutions.size());
  } else if (mode != "setup") {
    std::fprintf(stderr, "no mode %s\n", mode.c_str());
    return 2;
  }
  std::printf("%g\n", checksum);
  return 0;
}
