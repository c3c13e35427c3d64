"""The compiled part of the Python module: the solver's sources and the binding."""

import glob
import subprocess

import pybind11
from setuptools import Extension, setup


def eigen_include_dirs():
    try:
        flags = subprocess.run(["pkg-config", "--cflags-only-I", "eigen3"], check=True,
                               capture_output=True, text=True).stdout.split()
        return [flag[2:] for flag in flags if flag.startswith("-I")] or ["/usr/include/eigen3"]
    except (OSError, subprocess.CalledProcessError):
        return ["/usr/include/eigen3"]


core = Extension(
    "quorvane._core",
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
    package_dir={"": "python"},
    packages=["quorvane"],
    package_data={"quorvane": ["py.typed", "_core.pyi"]},
    ext_modules=[core],
    # Beside the CMake build, not in its way; two compilers at once.
    options={"build": {"build_base": "build/python"}, "build_ext": {"parallel": 2}},
    zip_safe=False,
)
