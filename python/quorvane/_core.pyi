# SPDX-License-Identifier: BSD-3-Clause
import numpy as np
import numpy.typing as npt

# The compiled half of the package; the public functions of quorvane check the options
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
def trilaterate(
    anchors: npt.ArrayLike, ranges: npt.ArrayLike, range_tol: float
) -> tuple[npt.NDArray[np.float64], npt.NDArray[np.int64], npt.NDArray[np.float64],
           npt.NDArray[np.int8], npt.NDArray[np.int8]]: ...
def residuals(coefficients: npt.ArrayLike, points: npt.ArrayLike) -> npt.NDArray[np.float64]: ...
def pose_equations(
    bearings: npt.ArrayLike, world_points: npt.ArrayLike
) -> npt.NDArray[np.float64]: ...
def pose_from_depths(
    bearings: npt.ArrayLike, world_points: npt.ArrayLike, depths: npt.ArrayLike
) -> tuple[npt.NDArray[np.float64], npt.NDArray[np.float64]]: ...
def three_point_poses(
    bearings: npt.ArrayLike, world_points: npt.ArrayLike, imag_tol: float, refine: bool,
    fast: bool
) -> tuple[npt.NDArray[np.float64], npt.NDArray[np.float64], npt.NDArray[np.float64], int]: ...
