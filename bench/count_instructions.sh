#!/usr/bin/env bash
# Instructions per call of the verified solver, the bare template path and the linear-algebra
# floor (25 x 25 LU with its solve, 8 x 8 eigen-decomposition), counted by callgrind: the
# difference between runs of 2N and N systems, so that setting up the systems drops out.
set -euo pipefail
cd "$(dirname "$0")/.."
n=${1:-500}
command -v valgrind >/dev/null || { echo "valgrind is needed" >&2; exit 1; }
cmake --build build -j "${JOBS:-2}" --target solve_loop >/dev/null
count() {
  valgrind --tool=callgrind --callgrind-out-file=/dev/null ./build/bench/solve_loop "$@" 2>&1 |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}
for family in generic planes; do
  for mode in floor bare verified; do
    one=$(count "$mode" "$family" "$n")
    two=$(count "$mode" "$family" $((2 * n)))
    echo "$family $mode $(((two - one) / n)) instructions per call"
  done
done
