// SPDX-License-Identifier: BSD-3-Clause
// The families the fast method is weighed on against the linear-algebra floor, shared by the
// timing benchmark (floor_bench.cc) and the instruction counts (floor_loop.cc).
#pragma once

#include <array>
#include <random>
#include <vector>

#include "systems.h"

namespace quorvane::bench {

struct FloorFamily {
  const char* name;  // one word, for the command line and the table
  testing::System (*draw)(std::mt19937_64&);
};

inline const std::array<FloorFamily, 8>& floorFamilies() {
  using namespace testing;
  static const std::array<FloorFamily, 8> families = {{
      {"generic", randomGenericSystem},
      {"p3p", randomPerspectiveThreePoint},
      {"trilateration",
       [](std::mt19937_64& rng) {
         return randomTrilateration({0, 0, 0}, rng);
       }},
      {"map_trilateration",
       [](std::mt19937_64& rng) {
         return randomTrilateration({5e5, 4.5e6, 200}, rng);
       }},
      {"gps", randomGpsLikeSpheres},
      {"cluster_1e3",
       [](std::mt19937_64& rng) {
         return randomClusterAround({1e3, 1e3, 1e3}, rng);
       }},
      {"pair_1e-5", [](std::mt19937_64& rng) { return randomCloseRootPair(1e-5, rng); }},
      {"moved_example",
       [](std::mt19937_64&) {
         return movedBy(workedExample(), {3.25, -2.5, 5.75});
       }},
  }};
  return families;
}

/// `count` systems of a family, 30 coefficients each, laid out as solveBatch reads them.
inline std::vector<double> laidOutFamily(const FloorFamily& family, int count, unsigned seed = 1) {
  std::mt19937_64 rng(seed);
  std::vector<double> laid;
  for (int i = 0; i < count; ++i) {
    const testing::System s = family.draw(rng);
    for (const auto& e : s.equations) laid.insert(laid.end(), e.data(), e.data() + 10);
  }
  return laid;
}

}  // namespace quorvane::bench
