// SPDX-License-Identifier: BSD-3-Clause
// The shares of systems the fast method proves complete, against what the solver sets out
// to reach. Whether the claims are true is the referee's test (certification_referee_test);
// this one counts them. QUORVANE_REFEREE_SYSTEMS sets the systems per family.
#include <gtest/gtest.h>
#include <quorvane/solver.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "study_families.h"

namespace quorvane::testing {
namespace {

double certifiedShare(const char* familyName) {
  const char* text = std::getenv("QUORVANE_REFEREE_SYSTEMS");
  const int systems = text ? std::max(1, std::atoi(text)) : 10000;
  for (const StudyFamily& family : studyFamilies()) {
    if (std::strcmp(family.name, familyName)) continue;
    std::mt19937_64 rng(family.seed);
    SolveOptions options;
    options.certify = true;
    options.method = Method::fast;
    int certified = 0;
    for (int n = 0; n < systems; ++n) {
      const System system = family.draw(rng);
      SolutionList real;
      certified += solveThreeQuadrics(system.equations[0].data(), system.equations[1].data(),
                                      system.equations[2].data(), real, options)
                       .certified;
    }
    const double share = double(certified) / systems;
    std::printf("%s: %d of %d certified complete (%.2f %%)\n", familyName, certified, systems,
                100 * share);
    return share;
  }
  ADD_FAILURE() << "no study family " << familyName;
  return 0;
}

TEST(CertificationTargets, GenericSystems) {
  EXPECT_GE(certifiedShare("random systems through a point"), 0.999);
}

TEST(CertificationTargets, ProductsOfPlanes) {
  EXPECT_GE(certifiedShare("products of random planes"), 0.995);
}

TEST(CertificationTargets, PerspectiveFromThreePoints) {
  EXPECT_GE(certifiedShare("perspective from three points"), 0.995);
}

}  // namespace
}  // namespace quorvane::testing
