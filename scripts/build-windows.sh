#!/usr/bin/env bash
# Installs Debian's MinGW-w64 toolchain when it is missing and cross-builds the module for MATLAB
# on 64-bit Windows, build-win/gateway/windows/quorvane.mexw64 beside quorvane.m, with its
# test programs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh windows
cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release
cmake --build build-win -j "${JOBS:-2}"
echo "built build-win/gateway/windows/quorvane.mexw64"
