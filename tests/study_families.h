// SPDX-License-Identifier: BSD-3-Clause
// The families of random systems of the accuracy study, each with its seed: the study
// (tools/stability_study.cc) measures them, and the tests of proved answers run the same ones.
#pragma once

#include <functional>
#include <random>
#include <vector>

#include "systems.h"

namespace quorvane::testing {

struct StudyFamily {
  const char* name;
  unsigned seed;
  std::function<System(std::mt19937_64&)> draw;
  double leastWithinBest;  // share of systems with every solution at its best point (--check)
  bool allKnown = true;    // every real solution is known, so a far column is a wrong one
};

namespace families {

inline System planeProducts(std::mt19937_64& rng) {
  return randomProductOfPlanes(rng);
}

inline System throughAPoint(std::mt19937_64& rng) {
  std::uniform_real_distribution<double> uniform(-3, 3);
  const Eigen::Vector3d p(uniform(rng), uniform(rng), uniform(rng));
  return randomSystemThrough(p, rng);
}

inline std::function<System(std::mt19937_64&)> clusterAt(double c) {
  return [c](std::mt19937_64& rng) { return randomClusterAround(Eigen::Vector3d(c, c, c), rng); };
}

inline std::function<System(std::mt19937_64&)> trilaterationAt(Eigen::Vector3d offset) {
  return [offset](std::mt19937_64& rng) { return randomTrilateration(offset, rng); };
}

inline std::function<System(std::mt19937_64&)> pairApart(double apart) {
  return [apart](std::mt19937_64& rng) { return randomCloseRootPair(apart, rng); };
}

inline std::function<System(std::mt19937_64&)> moved(System (*draw)(std::mt19937_64&), double by) {
  return [draw, by](std::mt19937_64& rng) { return movedBy(draw(rng), {by, -by, by}); };
}

}  // namespace families

inline std::vector<StudyFamily> studyFamilies() {
  using namespace families;
  const Eigen::Vector3d mapCoordinates(5e5, 4.5e6, 200);
  return {
      {"products of random planes", 20261208, planeProducts, 0.9},
      {"random systems through a point", 20261209, throughAPoint, 0.97, false},
      {"products of planes moved by 1e3", 20261210, moved(planeProducts, 1e3), 0.99},
      {"systems through a point moved by 1e3", 20261211, moved(throughAPoint, 1e3), 0.99, false},
      {"cluster in a unit ball at c = 0", 20261212, clusterAt(0), 0.9},
      {"cluster at c = 1e2", 20261213, clusterAt(1e2), 0.999},
      {"cluster at c = 1e3", 20261214, clusterAt(1e3), 0.999},
      {"cluster at c = 1e4", 20261215, clusterAt(1e4), 0.999},
      {"cluster at c = 1e5", 20261216, clusterAt(1e5), 0},
      {"cluster at c = 1e6", 20261217, clusterAt(1e6), 0},
      {"trilateration at O = 0", 20261218, trilaterationAt({0, 0, 0}), 0.999},
      {"trilateration at O = 1e4 m", 20261219, trilaterationAt({1e4, 1e4, 1e4}), 0.999},
      {"trilateration at O = 1e5 m", 20261220, trilaterationAt({1e5, 1e5, 1e5}), 0.999},
      {"trilateration at map coordinates", 20261221, trilaterationAt(mapCoordinates), 0.999},
      {"trilateration at O = 1e7 m", 20261222, trilaterationAt({1e7, 1e7, 1e7}), 0},
      {"pair 1e-3 apart", 20261223, pairApart(1e-3), 0.995},
      {"pair 1e-5 apart", 20261224, pairApart(1e-5), 0.99},
      {"pair 1e-7 apart", 20261225, pairApart(1e-7), 0},
      {"perspective from three points", 20261226, randomPerspectiveThreePoint, 0.999, false},
  };
}

}  // namespace quorvane::testing
