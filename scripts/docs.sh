#!/usr/bin/env bash
# Builds the documentation into build/docs/html: Doxygen's XML of the public headers for the
# C++ reference, then Sphinx. Every warning of either fails the build. The Python reference
# imports the installed module, so the interpreter (PYTHON, by default build/venv's, which
# scripts/test.sh makes) must have quorvane installed.
set -euo pipefail
cd "$(dirname "$0")/.."
python=${PYTHON:-build/venv/bin/python}

if ! "$python" -c "import quorvane" 2>/dev/null; then
  echo "docs: $python cannot import quorvane; install the module first, for example:" >&2
  echo "  /usr/bin/python3 -m venv --system-site-packages --clear build/venv" >&2
  echo "  build/venv/bin/python -m pip install --no-build-isolation --no-index ." >&2
  exit 1
fi

rm -rf build/docs
mkdir -p build/docs
# Doxygen's input is the public headers, taken from the list of the library's files that every
# build reads (entries under include/).
QUORVANE_PUBLIC_HEADERS=$(sed -n 's|^include/|solver/include/|p' solver/sources.txt | tr '\n' ' ')
if [ -z "${QUORVANE_PUBLIC_HEADERS// /}" ]; then
  echo "docs: solver/sources.txt lists no public header (include/...)" >&2
  exit 1
fi
export QUORVANE_PUBLIC_HEADERS
doxygen docs/Doxyfile
"$python" -m sphinx -b html -W --keep-going -q -d build/docs/doctrees docs build/docs/html
echo "docs: build/docs/html/index.html"
