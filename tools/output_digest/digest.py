# SPDX-License-Identifier: BSD-3-Clause
"""The Python module's outputs on a systems file, raw, for compare.py.

    python digest.py SYSTEMS RESULTS [--subset K]

solve_batch runs on every system; solve, one call per system, on K of them (10,000 by
default) spread evenly through the file (every N // K-th system), since each call costs the
interpreter's time as well. The arrays are written with .tobytes(), as numpy holds them;
reports are the status codes and the codes of `path`, `argument` and `problem`.
"""

import argparse
import os
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import digest_format  # noqa: E402

import quorvane  # noqa: E402

# Options of solve and solve_batch, by name; solve's defaults include refine=True.
OPTION_SETS = [
    ("default", {}),
    ("refine=False", {"refine": False}),
    ("imag_tol=1e-3", {"imag_tol": 1e-3}),
    ("imag_tol=1e-2,refine=False", {"imag_tol": 1e-2, "refine": False}),
    ("method=fast", {"method": "fast"}),
    ("method=fast,refine=False", {"method": "fast", "refine": False}),
    ("method=fast,imag_tol=1e-3", {"method": "fast", "imag_tol": 1e-3}),
    ("complex", {"complex": True}),
    ("complex,refine=False", {"complex": True, "refine": False}),
    ("complex,method=fast", {"complex": True, "method": "fast"}),
]

# SolveInfo's texts as numbers, so that a report is a row of integers like the C++ one. A
# text not listed gets its own code, which differs from every listed one.
PATHS = {None: 0, "as_given": 1, "centred": 2, "first_change": 3, "second_change": 4}
ARGUMENTS = {None: -1, "c1": 0, "c2": 1, "c3": 2, "options": 3}
PROBLEMS = {None: 0, "too_few_coefficients": 1, "not_finite": 2, "bad_option": 3}
UNKNOWN = 99


def code(table, value):
    if value not in table:
        print(f"  unknown report value {value!r}", file=sys.stderr)
        return UNKNOWN
    return table[value]


def solve_each(systems, subset, options):
    counts, reports, points = [], [], []
    for k in subset:
        c1, c2, c3 = systems[k]
        p, info = quorvane.solve(c1, c2, c3, full_output=True, **options)
        counts.append(len(p))
        reports.append((int(info.status), code(PATHS, info.path),
                        code(ARGUMENTS, info.argument), code(PROBLEMS, info.problem)))
        points.append(p)
    dtype = np.complex128 if options.get("complex") else np.float64
    joined = np.concatenate(points) if points else np.zeros((0, 3), dtype)
    return [("subset", np.asarray(subset, dtype=np.int64)),
            ("count", np.asarray(counts, dtype=np.int64)),
            ("report", np.asarray(reports, dtype=np.int64).reshape(-1, 4)),
            ("points", joined)]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("systems")
    parser.add_argument("results")
    parser.add_argument("--subset", type=int, default=10000)
    args = parser.parse_args()

    systems = np.fromfile(args.systems, dtype="<f8")
    if systems.size == 0 or systems.size % 30:
        sys.exit(f"{args.systems} is not a whole number of 30-double systems")
    systems = systems.reshape(-1, 3, 10)
    n = len(systems)
    stride = max(1, n // max(1, args.subset))
    subset = np.arange(0, n, stride)[:args.subset]
    print(f"  quorvane {quorvane.__version__} from {quorvane.__file__}", file=sys.stderr)

    out = digest_format.Writer(args.results)
    for name, options in OPTION_SETS:
        out.section(f"python solve {{{name}}}", solve_each(systems, subset, options))
        print(f"  python solve {{{name}}}", file=sys.stderr)
    for name, options in OPTION_SETS:
        for threads in (1, 2):
            points, system, status, *_ = quorvane.solve_batch(systems, threads=threads,
                                                              full_output=True, **options)
            section = f"python solve_batch {{{name}, threads={threads}}}"
            out.section(section, [("points", points), ("system", system), ("status", status)])
            print(f"  {section}", file=sys.stderr)
    # The padded form, and an input that is not C-contiguous (so the module copies it first).
    for name, options in (OPTION_SETS[0], OPTION_SETS[4], OPTION_SETS[7]):
        points, count, status, *_ = quorvane.solve_batch(systems, threads=2, padded=True,
                                                         full_output=True, **options)
        section = f"python solve_batch padded {{{name}, threads=2}}"
        out.section(section, [("padded points", points.reshape(n, 8, 3)), ("count", count),
                              ("status", status)])
        print(f"  {section}", file=sys.stderr)
    points, system = quorvane.solve_batch(np.asfortranarray(systems), threads=2)
    out.section("python solve_batch Fortran order {default, threads=2}",
                [("points", points), ("system", system)])
    print("  python solve_batch Fortran order {default, threads=2}", file=sys.stderr)

    # The coefficient helpers, on the same numbers as the C++ digest gives its own.
    # Hostile systems overflow here, as they are meant to; numpy's warnings would only be noise.
    flat = systems.reshape(n, 30)
    with np.errstate(all="ignore"):
        helpers = [
            ("quadric matrix", quorvane.quadric_matrix(systems).reshape(n, 48)),
            ("quadric coefficients",
             quorvane.quadric_coefficients(flat[:, :16].reshape(n, 4, 4).transpose(0, 2, 1))),
            ("sphere coefficients", quorvane.sphere_coefficients(flat[:, 7:10], flat[:, 0])),
        ]
    out.section("python coefficient helpers", helpers)
    print("  python coefficient helpers", file=sys.stderr)
    out.close()


if __name__ == "__main__":
    main()
