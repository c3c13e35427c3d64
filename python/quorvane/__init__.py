# SPDX-License-Identifier: BSD-3-Clause
"""Every real solution of three quadratic equations in x, y, z.

solve(c1, c2, c3) solves one system, solve_batch(coefficients, threads=None) many at once on
several threads. Each equation is ten coefficients in the order 1, xy, xz, yz, x², y², z²,
x, y, z; see help(quorvane.solve). quadric_coefficients, sphere_coefficients and
quadric_matrix convert 4 x 4 quadric matrices and spheres to that order and back.
quorvane.dask, imported on its own and only where Dask is installed, maps solve_batch over
the chunks of a Dask array.
"""

from importlib.metadata import version as _installed_version

from ._core import solve, solve_batch
from ._quadric_form import quadric_coefficients, quadric_matrix, sphere_coefficients

__all__ = ["solve", "solve_batch", "quadric_coefficients", "quadric_matrix",
           "sphere_coefficients"]
# The version of the installed distribution, which the build reads from CMakeLists.txt.
__version__ = _installed_version("quorvane")
