#!/usr/bin/env bash
# Runs the benchmarks: the C++ solver beside the linear-algebra floor, with allocations per
# call, then the time per call from Octave beside a MEX function that does nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "${JOBS:-2}" --target solver_bench quorvane_mex quorvane_trivial_mex >/dev/null
./build/bench/solver_bench --benchmark_repetitions="${REPETITIONS:-5}" \
  --benchmark_report_aggregates_only=true "$@"
octave-cli --no-history --norc gateway/bench/time_per_call.m build/gateway
