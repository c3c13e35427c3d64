#!/usr/bin/env bash
# Instructions per call of the verified solver, the bare template path, the fast path's kernels
# (one system at a time and in batches of four, each with the bare path for what it declines),
# the whole fast method (the options call, and solveBatch on one thread) and
# the linear-algebra floor (25 x 25 LU with its solve, 8 x 8 eigen-decomposition), counted by
# callgrind: the difference between runs of 2N and N systems, less the same difference for
# drawing and preparing the systems alone (which every mode does), so that only the calls
# remain. BUILD_DIR names another build tree; QUORVANE_FORCE_SCALAR=1 counts the batches on
# the scalar path; MODES names the modes to count (all by default).
set -euo pipefail
cd "$(dirname "$0")/.."
n=${1:-500}
command -v valgrind >/dev/null || { echo "valgrind is needed" >&2; exit 1; }
build=${BUILD_DIR:-build}
cmake --build "$build" -j "${JOBS:-2}" --target solve_loop >/dev/null
source bench/callgrind_per_system.sh
for family in generic planes; do
  setup=$(perSystem solve_loop setup "$family")
  for mode in ${MODES:-floor bare verified fast fastbatch fastcomplex fastbatchcomplex fastcall fastsolvebatch}; do
    echo "$family $mode $(($(perSystem solve_loop "$mode" "$family") - setup)) instructions per call"
  done
done
