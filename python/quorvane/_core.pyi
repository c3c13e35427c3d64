# SPDX-License-Identifier: BSD-3-Clause
import numpy as np
import numpy.typing as npt

def solve(c1: npt.ArrayLike, c2: npt.ArrayLike, c3: npt.ArrayLike) -> npt.NDArray[np.float64]: ...
def solve_batch(
    coefficients: npt.ArrayLike, threads: int | None = None
) -> tuple[npt.NDArray[np.float64], npt.NDArray[np.int64]]: ...
