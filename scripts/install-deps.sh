#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing when all are there.
#   install-deps.sh [GROUP...]
# Besides what every build needs, the groups named (by default tests and octave): tests
# (GoogleTest, Google Benchmark, Arb for the tests' own check of proved boxes), octave (the Octave module), windows (the MinGW-w64 cross build
# of quorvane.mexw64), wine (running that module's tests), python (the Python module and its
# tests), dask (quorvane.dask, its tests on a local cluster, zarr for its how-to), docs (Sphinx,
# its theme and extensions, Doxygen, and Chromium to look at the built pages), fuzz (clang's
# libFuzzer), plot (gnuplot for the stability plot).
set -euo pipefail

packages=(cmake g++ make pkg-config libeigen3-dev)
declare -A groups=(
  [tests]="libgtest-dev googletest libbenchmark-dev libflint-arb-dev"
  [octave]="octave liboctave-dev"
  [windows]="g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64"
  [wine]="wine wine64"
  [python]="python3 python3-dev python3-venv python3-setuptools python3-wheel python3-numpy python3-pytest pybind11-dev python3-pybind11"
  [dask]="python3-dask python3-distributed python3-pandas python3-zarr"
  [docs]="python3-sphinx furo python3-sphinx-rtd-theme python3-breathe doxygen python3-myst-parser chromium chromium-driver"
  [fuzz]="clang libclang-rt-14-dev"
  [plot]="gnuplot-nox"
)
selected=("$@")
[ $# -gt 0 ] || selected=(tests octave)
for group in "${selected[@]}"; do
  if [ -z "${groups[$group]+set}" ]; then
    echo "unknown package group: $group (known: ${!groups[*]})" >&2
    exit 2
  fi
  read -ra members <<<"${groups[$group]}"
  packages+=("${members[@]}")
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
