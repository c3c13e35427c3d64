# SPDX-License-Identifier: BSD-3-Clause
"""The compiled part of the Python module: the solver's sources and the binding."""

import glob
import pathlib
import re
import subprocess

import pybind11
from setuptools import Extension, setup


def project_version():
    """The version in CMakeLists.txt's project(), the one source of the version."""
    text = (pathlib.Path(__file__).parent / "CMakeLists.txt").read_text()
    match = re.search(r"project\(\s*quorvane\s+VERSION\s+([0-9][0-9.]*)", text)
    if match is None:
        raise RuntimeError("no project(quorvane VERSION ...) in CMakeLists.txt")
    return match.group(1)


def eigen_include_dirs():
    try:
        flags = subprocess.run(["pkg-config", "--cflags-only-I", "eigen3"], check=True,
                               capture_output=True, text=True).stdout.split()
        return [flag[2:] for flag in flags if flag.startswith("-I")] or ["/usr/include/eigen3"]
    except (OSError, subprocess.CalledProcessError):
        return ["/usr/include/eigen3"]


core = Extension(
    "quorvane._core",
    # fast_batch_avx2.cc switches AVX2 on for its own functions only (a target pragma), so every
    # source takes the same flags and the module still runs on CPUs without AVX2.
    sources=["python/module.cc"] + sorted(glob.glob("solver/*.cc")),
    # setuptools tracks no includes: without these a changed header would not rebuild.
    depends=sorted(glob.glob("solver/**/*.h", recursive=True)),
    include_dirs=["solver/include", pybind11.get_include()] + eigen_include_dirs(),
    language="c++",
    # The solver's rounding is part of its contract: no fused multiply-add, no fast math. -O3
    # as in the CMake release build, after Python's own -O2.
    # -g0 after Python's own -g, and -s: debug information would make the module some fifty
    # times its size, for no user of the package.
    extra_compile_args=["-std=c++17", "-O3", "-g0", "-ffp-contract=off", "-fno-fast-math",
                        "-fvisibility=hidden", "-pthread", "-Wall", "-Wextra", "-Wpedantic"],
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
