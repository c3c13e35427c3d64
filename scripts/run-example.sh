#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds, and solves the worked example.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "${JOBS:-2}" --target solve_worked_example >/dev/null
./build/examples/solve_worked_example
