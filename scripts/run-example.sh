#!/usr/bin/env bash
# Sets up a fresh Debian machine (Octave included), builds the MEX module, and solves the
# worked example from Octave.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "${JOBS:-2}" --target quorvane_mex >/dev/null
octave-cli --no-history --norc examples/worked_example.m build/gateway
