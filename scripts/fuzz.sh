#!/usr/bin/env bash
# Builds the libFuzzer target with clang, AddressSanitizer and UndefinedBehaviorSanitizer,
# and fuzzes solveThreeQuadrics for the given number of seconds (default 60) from the seed
# corpus in fuzz/corpus. New inputs go to a scratch corpus, not into the repository.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
bash scripts/install-deps.sh fuzz
CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_SANITIZE=ON \
  -DQUORVANE_BUILD_FUZZER=ON -DQUORVANE_BUILD_TESTS=OFF -DQUORVANE_BUILD_BENCHMARKS=OFF \
  -DQUORVANE_BUILD_OCTAVE=OFF -DQUORVANE_BUILD_TOOLS=OFF -DQUORVANE_BUILD_EXAMPLES=OFF >/dev/null
cmake --build build-fuzz -j "${JOBS:-2}" --target solve_fuzzer >/dev/null
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ./build-fuzz/fuzz/solve_fuzzer -max_total_time="$seconds" -max_len=241 -len_control=0 -print_final_stats=1 \
  -artifact_prefix=build-fuzz/ "$scratch" fuzz/corpus
