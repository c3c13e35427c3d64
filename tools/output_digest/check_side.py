# SPDX-License-Identifier: BSD-3-Clause
"""Checks one side's results files against each other, where the interfaces promise to agree.

    python check_side.py DIR

compare.py holds two sides side by side; this holds the interfaces of one side against each
other: the overloads of one call, a batch against its single calls, the Python and Octave
modules against the C++ calls they wrap. Where these agree, each digest wrote what it
claims to have written (a writer that mixed up its arrays or options would fail here, and
two sides made by the same faulty writer would still compare equal). Exits 1 when a check
fails; a failure is either such a fault in a digest or an interface breaking its promise.
"""

import os
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import digest_format  # noqa: E402

NO_REAL_SOLUTION = 5  # the Python module's status for "solved, nothing real"


class Results:
    def __init__(self, path):
        self._reader = digest_format.Reader(path)
        self._names = self._reader.names()

    def get(self, name):
        if name not in self._names:
            raise KeyError(f"no section {name!r}")
        return {a.name: a.values() for a in self._reader.section(self._names.index(name))}

    def names(self):
        return self._names


def expanded(single, ids=None):
    """(points, system) of per-system results, as a batch lays them out."""
    count = single["count"]
    ids = np.arange(len(count)) if ids is None else ids
    return single["points"], np.repeat(ids, count)


def restricted(points, system, subset):
    keep = np.isin(system, subset)
    return points[keep], system[keep]


def same_bytes(a, b):
    a, b = np.ascontiguousarray(a), np.ascontiguousarray(b)
    return a.shape == b.shape and a.dtype == b.dtype and a.tobytes() == b.tobytes()


def python_status(report_status, count, complex_request):
    """What the Python module reports for a C++ report's status and count."""
    status = np.array(report_status, dtype=np.int8)
    if not complex_request:
        status[(status == 0) & (count == 0)] = NO_REAL_SOLUTION
    return status


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    root = sys.argv[1]
    cpp = Results(os.path.join(root, "results-cpp.bin"))
    py = Results(os.path.join(root, "results-python.bin"))
    octave = Results(os.path.join(root, "results-octave.bin"))
    failures = []
    checks = 0

    def check(label, ok):
        nonlocal checks
        checks += 1
        print(f"{'ok  ' if ok else 'FAIL'} {label}")
        if not ok:
            failures.append(label)

    cpp_sets = ["default", "refine", "imag1e-3", "imag1e-2,refine", "fast", "fast,refine",
                "fast,imag1e-3"]
    # The three overloads of the options call.
    for o in cpp_sets:
        pointer = cpp.get(f"cpp pointer {{{o}}}")
        for other in ("array", "eigen"):
            r = cpp.get(f"cpp {other} {{{o}}}")
            check(f"cpp {other} {{{o}}} = cpp pointer {{{o}}}",
                  all(same_bytes(pointer[k], r[k]) for k in ("count", "report", "points")))

    # The three-argument call: the options call's points, with NaN points for solutions at
    # infinity in between.
    three = cpp.get("cpp three-argument")
    default = cpp.get("cpp pointer {default}")
    points, system = expanded(three)
    finite = ~np.isnan(points).all(axis=1)
    check("cpp three-argument without its NaN points = cpp pointer {default}",
          same_bytes(points[finite], default["points"]) and
          same_bytes(system[finite], expanded(default)[1]))
    print(f"     ({int((~finite).sum())} NaN points in the three-argument call)")

    # Batches against the single calls with the same options, on one and two threads.
    for o in ("default", "fast", "fast,refine"):
        for kind, single_name in (("batch", f"cpp pointer {{{o}}}"),
                                  ("batch complex", f"cpp complex {{{o}}}")):
            single = cpp.get(single_name)
            points, system = expanded(single)
            for threads in (1, 2):
                b = cpp.get(f"cpp {kind} {{{o}, threads {threads}}}")
                check(f"cpp {kind} {{{o}, threads {threads}}} = {single_name}",
                      same_bytes(b["points"], points) and same_bytes(b["system"], system) and
                      same_bytes(b["report"], single["report"]) and
                      b["batch status"].tolist() == [0])
    short = cpp.get("cpp batch short {threads 2}")
    points, system = expanded(default)
    check("cpp batch short {threads 2} = cpp pointer {default}",
          same_bytes(short["points"], points) and same_bytes(short["system"], system))

    # Python: solve_batch against solve, against itself, and both against the C++ calls.
    py_to_cpp = {  # Python options -> the C++ single call with the same options
        "default": "cpp pointer {refine}",
        "refine=False": "cpp pointer {default}",
        "imag_tol=1e-3": None,
        "imag_tol=1e-2,refine=False": None,
        "method=fast": "cpp pointer {fast,refine}",
        "method=fast,refine=False": "cpp pointer {fast}",
        "method=fast,imag_tol=1e-3": None,
        "complex": "cpp complex {refine}",
        "complex,refine=False": "cpp complex {default}",
        "complex,method=fast": "cpp complex {fast,refine}",
    }
    for o, cpp_name in py_to_cpp.items():
        single = py.get(f"python solve {{{o}}}")
        subset = single["subset"]
        s_points, s_system = expanded(single, subset)
        batches = [py.get(f"python solve_batch {{{o}, threads={t}}}") for t in (1, 2)]
        check(f"python solve_batch {{{o}}}: threads=1 = threads=2",
              all(same_bytes(batches[0][k], batches[1][k]) for k in ("points", "system",
                                                                      "status")))
        b = batches[0]
        check(f"python solve {{{o}}} = python solve_batch {{{o}}} on the subset",
              same_bytes(restricted(b["points"], b["system"], subset)[0], s_points) and
              same_bytes(b["status"][subset], single["report"][:, 0].astype(np.int8)))
        if cpp_name:
            c = cpp.get(cpp_name)
            points, system = expanded(c)
            status = python_status(c["report"][:, 0], c["count"], o.startswith("complex"))
            check(f"python solve_batch {{{o}}} = {cpp_name}",
                  same_bytes(b["points"], points) and same_bytes(b["system"], system) and
                  same_bytes(b["status"], status))
            check(f"python solve {{{o}}} paths = {cpp_name} paths on the subset",
                  same_bytes(single["report"][:, 1], c["report"][subset, 1]))
    for o in ("default", "method=fast", "complex"):
        padded = py.get(f"python solve_batch padded {{{o}, threads=2}}")
        flat = py.get(f"python solve_batch {{{o}, threads=2}}")
        rows = padded["padded points"]
        count = padded["count"]
        taken = np.concatenate([rows[k, :count[k]] for k in range(len(count))])
        rest_nan = all(np.isnan(rows[k, count[k]:]).all() for k in range(len(count)))
        check(f"python solve_batch padded {{{o}}} = the flat form",
              same_bytes(taken, flat["points"]) and rest_nan and
              same_bytes(np.repeat(np.arange(len(count)), count), flat["system"]) and
              same_bytes(padded["status"], flat["status"]))
    fortran = py.get("python solve_batch Fortran order {default, threads=2}")
    flat = py.get("python solve_batch {default, threads=2}")
    check("python solve_batch of a Fortran-ordered array = of the C-ordered one",
          same_bytes(fortran["points"], flat["points"]) and
          same_bytes(fortran["system"], flat["system"]))

    # Octave against the C++ calls.
    q = octave.get("octave quorvane")
    subset = q["subset"]
    points, system = expanded(three)
    kept = restricted(points, system, subset)
    check("octave quorvane = cpp three-argument on the subset",
          same_bytes(q["points"], kept[0]) and same_bytes(q["count"], three["count"][subset]))
    octave_to_cpp = {
        "default": "default", "threads 1": "default", "threads 2": "default",
        "Method fast": "fast", "threads 1, Method fast": "fast",
        "threads 2, Method fast": "fast", "ImagTol 1e-3": "imag1e-3", "Refine true": "refine",
        "threads 2, ImagTol 1e-2, Refine true": "imag1e-2,refine",
        "Method fast, Refine true": "fast,refine", "Method fast, ImagTol 1e-3": "fast,imag1e-3",
    }
    for o, cpp_set in octave_to_cpp.items():
        b = octave.get(f"octave quorvane_batch {{{o}}}")
        points, system = expanded(cpp.get(f"cpp pointer {{{cpp_set}}}"))
        check(f"octave quorvane_batch {{{o}}} = cpp pointer {{{cpp_set}}}",
              same_bytes(b["points"], points) and same_bytes(b["system1"], system + 1.0))
    b = octave.get("octave quorvane_batch 10x3xN {threads 2}")
    d = octave.get("octave quorvane_batch {default}")
    check("octave quorvane_batch of 10 x 3 x N = of 30 x N",
          same_bytes(b["points"], d["points"]) and same_bytes(b["system1"], d["system1"]))

    # The coefficient helpers: the same formulas in C++ and in numpy.
    c, p = cpp.get("cpp coefficient helpers"), py.get("python coefficient helpers")
    for name in ("quadric matrix", "quadric coefficients", "sphere coefficients"):
        equal = (c[name] == p[name]) | (np.isnan(c[name]) & np.isnan(p[name]))
        check(f"coefficient helpers, {name}: C++ = Python ({int((~equal).sum())} numbers apart)",
              bool(equal.all()))

    print(f"{checks - len(failures)} of {checks} checks agree")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
