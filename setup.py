# SPDX-License-Identifier: BSD-3-Clause
"""The compiled part of the Python module: the solver's sources and the binding."""

import pathlib
import re
import subprocess

import pybind11
from setuptools import Extension, setup

ROOT = pathlib.Path(__file__).parent


def project_version():
    """The version in CMakeLists.txt's project(), the one source of the version."""
    text = (ROOT / "CMakeLists.txt").read_text()
    match = re.search(r"project\(\s*quorvane\s+VERSION\s+([0-9][0-9.]*)", text)
    if match is None:
        raise RuntimeError("no project(quorvane VERSION ...) in CMakeLists.txt")
    return match.group(1)


def library_files():
    """The library's files as solver/sources.txt lists them, the list every build reads.

    The entries are relative to solver/ and become paths relative to the project, as
    setuptools wants them. A listed file that is missing, or an entry that is neither a source
    nor a header, stops the build here with the list named, rather than in the compiler.
    """
    entries = [line for line in (ROOT / "solver" / "sources.txt").read_text().splitlines()
               if line and not line.startswith("#")]
    if not entries:
        raise RuntimeError("solver/sources.txt lists no files")
    for entry in entries:
        if not entry.endswith((".cc", ".h")):
            raise RuntimeError(f"solver/sources.txt: {entry!r} is neither a .cc nor a .h file")
        if not (ROOT / "solver" / entry).is_file():
            raise RuntimeError(f"solver/sources.txt lists {entry}, which is not in solver/")
    return ["solver/" + entry for entry in entries]


def floating_point_flags():
    """GCC and Clang's floating-point flags from solver/floating_point_flags.txt, which every
    build reads and which says why they are needed."""
    path = ROOT / "solver" / "floating_point_flags.txt"
    lines = [line for line in path.read_text().splitlines() if line.startswith("gnu:")]
    if len(lines) != 1 or not lines[0][len("gnu:"):].split():
        raise RuntimeError(f"{path}: not one line 'gnu: <flags>'")
    return lines[0][len("gnu:"):].split()


def eigen_include_dirs():
    try:
        flags = subprocess.run(["pkg-config", "--cflags-only-I", "eigen3"], check=True,
                               capture_output=True, text=True).stdout.split()
        return [flag[2:] for flag in flags if flag.startswith("-I")] or ["/usr/include/eigen3"]
    except (OSError, subprocess.CalledProcessError):
        return ["/usr/include/eigen3"]


files = library_files()
core = Extension(
    "quorvane._core",
    # fast_batch_avx2.cc switches AVX2 on for its own functions only (a target pragma), so every
    # source takes the same flags and the module still runs on CPUs without AVX2.
    sources=["python/module.cc"] + [f for f in files if f.endswith(".cc")],
    # setuptools tracks no includes: without these a changed header would not rebuild.
    depends=[f for f in files if f.endswith(".h")],
    # solver/ too: the library's sources include its internal headers by paths relative to it,
    # from whichever subfolder they sit in themselves.
    include_dirs=["solver/include", "solver", pybind11.get_include()] + eigen_include_dirs(),
    language="c++",
    # -O3 as in the CMake release build, after Python's own -O2.
    # -g0 after Python's own -g, and -s: debug information would make the module some fifty
    # times its size, for no user of the package.
    extra_compile_args=["-std=c++17", "-O3", "-g0"] + floating_point_flags()
    + ["-fvisibility=hidden", "-pthread", "-Wall", "-Wextra", "-Wpedantic"],
    extra_link_args=["-pthread", "-s"],
)

setup(
    version=project_version(),
    package_dir={"": "python"},
    packages=["quorvane"],
    package_data={"quorvane": ["py.typed", "_core.pyi"]},
    ext_modules=[core],
    # Beside the CMake build, not in its way; two compilers at once.
    options={"build": {"build_base": "build/python"}, "build_ext": {"parallel": 2}},
    zip_safe=False,
)
