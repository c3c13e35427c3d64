# SPDX-License-Identifier: BSD-3-Clause
"""Per-system time from Python: solve in a Python loop against solve_batch on 1 thread and on
every core. Run it with the interpreter the module is installed in:

    build/venv/bin/python bench/python_bench.py [--systems 2000] [--repeat 5]
"""

import argparse
import os
import timeit

import numpy as np
import quorvane


def products_of_planes(count, seed):
    """Each equation (a0 + a·p)(b0 + b·p) with random planes: eight real solutions a system."""
    rng = np.random.default_rng(seed)
    a, b = rng.normal(size=(2, count, 3, 4))
    pair = lambda i, j: a[..., i] * b[..., j] + a[..., j] * b[..., i]
    square = lambda i: a[..., i] * b[..., i]
    return np.stack([square(0), pair(1, 2), pair(1, 3), pair(2, 3), square(1), square(2),
                     square(3), pair(1, 0), pair(2, 0), pair(3, 0)], axis=-1)


def best_seconds(statement, repeat):
    return min(timeit.repeat(statement, number=1, repeat=repeat))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--systems", type=int, default=2000)
    parser.add_argument("--repeat", type=int, default=5)
    options = parser.parse_args()
    systems = products_of_planes(options.systems, seed=2)
    equations = [tuple(s) for s in systems]
    found = sum(len(quorvane.solve(*e)) for e in equations)
    print(f"{options.systems} products of planes, {found} solutions; best of {options.repeat}, "
          f"{os.cpu_count()} cores")

    per_system = lambda seconds: f"{seconds / options.systems * 1e6:8.2f} µs per system"
    loop = best_seconds(lambda: [quorvane.solve(*e) for e in equations], options.repeat)
    print(f"solve in a Python loop        {per_system(loop)}")
    for threads in (1, None):
        seconds = best_seconds(lambda: quorvane.solve_batch(systems, threads=threads),
                               options.repeat)
        print(f"solve_batch, threads={str(threads):5}  {per_system(seconds)}")
    empty = np.zeros((0, 3, 10))
    calls = 20000
    fixed = min(timeit.repeat(lambda: quorvane.solve_batch(empty, threads=1), number=calls,
                              repeat=options.repeat)) / calls
    print(f"solve_batch of no systems     {fixed * 1e6:8.2f} µs per call")


if __name__ == "__main__":
    main()
