"""Every real solution of three quadratic equations in x, y, z.

solve(c1, c2, c3) solves one system, solve_batch(coefficients, threads=None) many at once on
several threads. Each equation is ten coefficients in the order 1, xy, xz, yz, x², y², z²,
x, y, z; see help(quorvane.solve). quorvane.dask, imported on its own and only where Dask is
installed, maps solve_batch over the chunks of a Dask array.
"""

from ._core import solve, solve_batch

__all__ = ["solve", "solve_batch"]
__version__ = "0.1.0"
