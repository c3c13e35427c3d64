# SPDX-License-Identifier: BSD-3-Clause
import numpy as np
import numpy.typing as npt

# The compiled half of the package; quorvane.solve and quorvane.solve_batch check the options
# and call these with every argument given.
def solve(
    c1: npt.ArrayLike, c2: npt.ArrayLike, c3: npt.ArrayLike, imag_tol: float, complex: bool,
    refine: bool, fast: bool, certify: bool
) -> tuple[npt.NDArray[np.float64] | npt.NDArray[np.complex128], int, int, int, int, bool,
           npt.NDArray[np.float64], npt.NDArray[np.int8]]: ...
def solve_batch(
    coefficients: npt.ArrayLike, threads: int | None, imag_tol: float, complex: bool,
    refine: bool, fast: bool, certify: bool, padded: bool, full_output: bool
) -> tuple[npt.NDArray, ...]: ...
