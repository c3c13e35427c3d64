# SPDX-License-Identifier: BSD-3-Clause
"""Systems for the tests: the worked example, random ones with known solutions, degenerate ones."""

import numpy as np

# (x + y - 1)(x + y - 6), (x - y + z + 1)(x - y + z - 2), (x + 2y - z - 3)(x + 2y - z + 2).
WORKED_EXAMPLE = np.array([[6, 2, 0, 0, 1, 1, 0, -7, -7, 0],
                           [-2, -2, 2, -2, 1, 1, 1, -1, 1, -1],
                           [-6, 4, -2, -4, 1, 4, 1, -1, -2, 1]], dtype=np.float64)

# Its solutions in the order the solver gives them.
WORKED_SOLUTIONS = np.array([[-9, 15, 23], [4, -3, -5], [-6, 12, 20], [1, 0, -2],
                             [-4, 10, 13], [-1, 2, 5], [-4, 5, 8], [-1, 7, 10]], dtype=np.float64)


def product_of_planes(a, b):
    """Coefficients of (a0 + a1 x + a2 y + a3 z)(b0 + b1 x + b2 y + b3 z)."""
    return np.array([a[0] * b[0], a[1] * b[2] + a[2] * b[1], a[1] * b[3] + a[3] * b[1],
                     a[2] * b[3] + a[3] * b[2], a[1] * b[1], a[2] * b[2], a[3] * b[3],
                     a[1] * b[0] + a[0] * b[1], a[2] * b[0] + a[0] * b[2],
                     a[3] * b[0] + a[0] * b[3]])


def mixed_systems(count, seed):
    """`count` systems of shape (count, 3, 10): products of random planes (eight real
    solutions), generic random equations, and every fifth one degenerate (all zero, a NaN, an
    infinity, two proportional equations), which has none."""
    rng = np.random.default_rng(seed)
    systems = np.empty((count, 3, 10))
    for k in range(count):
        if k % 5 == 4:
            system = WORKED_EXAMPLE.copy()
            kind = (k // 5) % 4
            if kind == 0:
                system[:] = 0
            elif kind == 1:
                system[1, 3] = np.nan
            elif kind == 2:
                system[2, 0] = np.inf
            else:
                system[2] = -2 * system[0]
        elif k % 2 == 0:
            system = np.array([product_of_planes(rng.normal(size=4), rng.normal(size=4))
                               for _ in range(3)])
        else:
            system = rng.normal(size=(3, 10))
        systems[k] = system
    return systems


def solve_one_by_one(solve, systems):
    """(points, system) as single calls give them."""
    found = [solve(*system) for system in systems]
    points = np.concatenate([np.empty((0, 3))] + found)
    index = np.repeat(np.arange(len(systems), dtype=np.int64), [len(f) for f in found])
    return points, index


def same_bits(a, b):
    """Equal shape, dtype and every bit (NaN included)."""
    a, b = np.asarray(a), np.asarray(b)
    return a.shape == b.shape and a.dtype == b.dtype and a.tobytes() == b.tobytes()
