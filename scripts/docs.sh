#!/usr/bin/env bash
# Builds the documentation into build/docs/html: Doxygen's XML of the public headers for the
# C++ reference, then Sphinx. Every warning of either fails the build. The Python reference
# imports the installed module: with PYTHON set, that interpreter must have quorvane
# installed; without it, this script installs what the documentation needs (Debian's
# packages) and the module from this tree into build/venv, as scripts/test.sh does.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -n "${PYTHON:-}" ]; then
  python=$PYTHON
  if ! "$python" -c "import quorvane" 2>/dev/null; then
    echo "docs: $python (PYTHON) cannot import quorvane; install the module into it first" >&2
    exit 1
  fi
else
  python=build/venv/bin/python
  if ! command -v doxygen >/dev/null || ! /usr/bin/python3 -c "import sphinx, myst_parser" \
    2>/dev/null || ! /usr/bin/python3 -c "import pybind11, numpy" 2>/dev/null; then
    bash scripts/install-deps.sh python docs
  fi
  # The module as this tree builds it, so that the reference shows this tree's docstrings.
  /usr/bin/python3 -m venv --system-site-packages --clear build/venv
  "$python" -m pip install --no-build-isolation --no-index --quiet .
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
