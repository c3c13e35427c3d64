#!/usr/bin/env bash
# Sets up a fresh Debian machine and runs every test: the normal build, the build under
# AddressSanitizer and UndefinedBehaviorSanitizer, an outside project that finds the installed
# package, the Python module installed into a virtual environment (its Dask part on a local
# cluster of two worker processes), the documentation (built with warnings as errors, then
# looked at in headless Chromium), the Windows module, and a minute of fuzzing. CTest runs
# the Octave tests of the MEX module in both builds, and in the normal build installs the
# Octave package into a temporary prefix and calls it. The Windows module is cross-built with
# MinGW-w64; CTest checks its export and import tables and calls it from a stand-in MATLAB
# under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${JOBS:-2}

bash scripts/install-deps.sh tests octave python dask docs windows wine fuzz

echo "== release build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"
# The fast method's kernels once more on the scalar path, as on a CPU without AVX2.
QUORVANE_FORCE_SCALAR=1 ctest --test-dir build --output-on-failure -j "$jobs" \
  -R '^(FastPath|FastBatch|RealEigen|Options|Accuracy)\.'

echo "== sanitizer build and tests"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_SANITIZE=ON \
  -DQUORVANE_BUILD_BENCHMARKS=OFF
cmake --build build-sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure -j "$jobs"

echo "== installed package from an outside project, static and shared"
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
# The shared library on its own: the library and nothing else of the tree.
cmake -S . -B build-shared -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
  -DQUORVANE_BUILD_TESTS=OFF -DQUORVANE_BUILD_BENCHMARKS=OFF -DQUORVANE_BUILD_EXAMPLES=OFF \
  -DQUORVANE_BUILD_OCTAVE=OFF -DQUORVANE_BUILD_TOOLS=OFF >/dev/null
cmake --build build-shared -j "$jobs" >/dev/null
cmake --install build --prefix "$prefix/static" >/dev/null
cmake --install build-shared --prefix "$prefix/shared" >/dev/null
for kind in static shared; do
  cmake -S tests/consumer -B "$prefix/consumer-$kind" -DCMAKE_PREFIX_PATH="$prefix/$kind" >/dev/null
  cmake --build "$prefix/consumer-$kind" >/dev/null
  "$prefix/consumer-$kind/consumer"
  # The same program built by pkg-config's flags alone.
  flags=$(PKG_CONFIG_PATH="$prefix/$kind/lib/pkgconfig" pkg-config --cflags --libs quorvane)
  # shellcheck disable=SC2086
  c++ -std=c++17 tests/consumer/main.cc -o "$prefix/pc-$kind" $flags -Wl,-rpath,"$prefix/$kind/lib"
  "$prefix/pc-$kind"
done
# The shared consumer needs libquorvane.so.<major>.<minor> of the project's version; the static
# one carries the solver.
fail() { echo "$1" >&2; exit 1; }
soversion=$(sed -n 's/^project(quorvane VERSION \([0-9]*\.[0-9]*\)\..*/\1/p' CMakeLists.txt)
readelf -d "$prefix/consumer-shared/consumer" | grep -q "NEEDED.*libquorvane\.so\.${soversion//./\\.}\]" ||
  fail "the shared consumer does not load libquorvane.so.$soversion"
if readelf -d "$prefix/consumer-static/consumer" | grep -q 'NEEDED.*libquorvane'; then
  fail "the static consumer loads libquorvane"
fi
# Only the public header's functions are exported from the shared library.
exported=$(nm -DC --defined-only "$prefix"/shared/lib/libquorvane.so | awk '$2 ~ /[TW]/' | cut -d' ' -f3-)
for name in solveBatch trilaterate residuals threePointPoses; do
  grep -q "^quorvane::$name(" <<<"$exported" || fail "$name is not exported"
done
public='^quorvane::\(solve\(ThreeQuadrics\|ThreeQuadricsComplex\|Batch\|BatchComplex\)'
public+='\|quadricCoefficients\|sphereCoefficients\|quadricMatrix\|residuals\|trilaterate'
public+='\|poseEquations\|poseFromDepths\|threePointPoses\)('
if grep -v "$public" <<<"$exported"; then
  fail "the shared library exports more than the public functions (above)"
fi
# Taken in by a parent project, quorvane leaves the parent's build type alone.
cmake -S tests/subproject -B "$prefix/subproject" -DQUORVANE_SOURCE_DIR="$root" >/dev/null
cmake --build "$prefix/subproject" -j "$jobs" >/dev/null
"$prefix/subproject/consumer"

echo "== python module in a virtual environment"
# Debian's interpreter, whatever comes first on PATH: it has Debian's numpy, pybind11 and
# pytest, which the environment sees through --system-site-packages. --no-index makes a
# missing build requirement fail at once instead of after pip's retries.
/usr/bin/python3 -m venv --system-site-packages --clear build/venv
build/venv/bin/python -m pip install --no-build-isolation --no-index --quiet .
status=0
build/venv/bin/python -m pytest -q -p no:cacheprovider python/tests || status=$?
if [ "$status" -eq 5 ]; then
  echo "pytest collected no tests" >&2
  exit 1
elif [ "$status" -ne 0 ]; then
  exit "$status"
fi
echo "== documentation: build with warnings as errors, rendered pages in headless Chromium"
PYTHON=build/venv/bin/python bash scripts/docs.sh
/usr/bin/python3 docs/check_rendered.py build/docs/html
echo "== Windows module: cross build, export and import tables, calls under Wine"
bash scripts/build-windows.sh
ctest --test-dir build-win --output-on-failure -j "$jobs"
# A check left unconfigured (say, for want of Wine) fails the run instead of passing unseen.
configured=$(ctest --test-dir build-win -N)
for check in mexw64_tables mexw64_batch_tables mexw64_trilaterate_tables \
  mexw64_tables_reject_default_link mexw64_wine; do
  grep -q ": ${check}\$" <<<"$configured" || { echo "not configured: $check" >&2; exit 1; }
done
echo "== fuzzing solveThreeQuadrics"
bash scripts/fuzz.sh "${FUZZ_SECONDS:-60}"
echo "all tests passed"
