# SPDX-License-Identifier: BSD-3-Clause
"""Compares two sides' results files byte for byte, interface by interface.

    python compare.py OLD_DIR NEW_DIR [--systems FILE] [--max-reports N]

Each directory holds results-cpp.bin, results-python.bin and results-octave.bin (written by
output_digest, digest.py and digest.m). Every section (one interface with one set of
options) must be in both, in the same order, with the same arrays: same names, kinds,
shapes and bytes. For a section that differs it names the first system whose output
differs and prints both sides' outputs for it; the exit status is 1 when anything differs.
"""

import argparse
import os
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import digest_format  # noqa: E402

RESULTS = ("results-cpp.bin", "results-python.bin", "results-octave.bin")
REPORT_FIELDS = {6: "status path argument problem method centringRounds",
                 4: "status path argument problem"}


# Arrays with a row per point, in the order the points came; "subset" lists the systems of a
# section that solved only some; "batch status" belongs to a whole batch. Every other array
# has one row per system solved.
FLAT = ("points", "system", "system1")
NOT_PER_SYSTEM = FLAT + ("subset", "batch status")


class Side:
    """One section of one side, with the system of every row."""

    def __init__(self, arrays):
        self.arrays = {a.name: a for a in arrays}
        self.order = [a.name for a in arrays]

    def values(self, name):
        return self.arrays[name].values() if name in self.arrays else None

    def per_system_ids(self):
        """The system index of each row of the arrays that hold one row per system."""
        ids = self.values("subset")
        if ids is not None:
            return ids
        for name in self.order:
            if name not in NOT_PER_SYSTEM:
                return np.arange(self.arrays[name].shape[0])
        return None

    def row_systems(self):
        """The system index of each flat point row, where the section tells it."""
        system = self.values("system")
        if system is not None:
            return system.astype(np.int64)
        system1 = self.values("system1")
        if system1 is not None:
            # Octave numbers from 1, in doubles; anything not a whole number stays apart.
            whole = np.isfinite(system1) & (system1 == np.round(system1))
            return np.where(whole, system1 - 1, -2).astype(np.int64)
        count = self.values("count")
        ids = self.per_system_ids()
        if count is not None and ids is not None and len(ids) == len(count):
            return np.repeat(ids, np.maximum(count, 0))
        return None


def first_differing_row(a, b):
    """The first row of the leading axis where a and b differ in bytes or in length, or None
    when their rows agree (and so the difference is in the shape of a row)."""
    rows_a, rows_b = a.shape[0] if a.shape else 1, b.shape[0] if b.shape else 1
    width_a = len(a.raw) // rows_a if rows_a else 0
    width_b = len(b.raw) // rows_b if rows_b else 0
    if width_a != width_b and rows_a and rows_b:
        return 0
    common = min(rows_a, rows_b)
    if common and width_a:
        va = np.frombuffer(a.raw, dtype=np.uint8)[:common * width_a].reshape(common, width_a)
        vb = np.frombuffer(b.raw, dtype=np.uint8)[:common * width_b].reshape(common, width_b)
        unequal = np.nonzero((va != vb).any(axis=1))[0]
        if len(unequal):
            return int(unequal[0])
    return common if rows_a != rows_b else None


def first_differing_system(old, new):
    """The first system (index into the systems file) whose output differs, or None when the
    difference is in something that belongs to no system (a batch status)."""
    candidates = []
    for name in old.order:
        a, b = old.arrays[name], new.arrays.get(name)
        if b is None or name == "batch status" or (a.header() == b.header() and a.raw == b.raw):
            continue
        row = first_differing_row(a, b)
        if row is None:
            continue
        for side in (old, new):
            if name in FLAT:
                ids = side.row_systems()
            elif name == "subset":
                ids = side.values("subset")
            else:
                ids = side.per_system_ids()
            if ids is not None and len(ids):
                # Past one side's end: the other side's row there, else that side's last.
                candidates.append(int(ids[min(row, len(ids) - 1)]))
    candidates = [c for c in candidates if c >= 0]
    return min(candidates) if candidates else None


def rows_as_bytes(array):
    rows = array.shape[0] if array.shape else 1
    width = len(array.raw) // rows if rows else 0
    return np.frombuffer(array.raw, dtype=np.uint8).reshape(rows, width)


def differing_systems(old, new):
    """Every system whose output differs, as a sorted array; None when the section does not
    tell (its flat rows are not in system order)."""
    found = []
    for name in old.order:
        a, b = old.arrays[name], new.arrays.get(name)
        if b is None or name in FLAT or name == "batch status":
            continue
        if a.header() == b.header() and a.raw == b.raw:
            continue
        ids_a, ids_b = old.per_system_ids(), new.per_system_ids()
        if ids_a is None or ids_b is None or not np.array_equal(ids_a, ids_b) or \
                a.header() != b.header():
            return None
        unequal = (rows_as_bytes(a) != rows_as_bytes(b)).any(axis=1)
        found.append(ids_a[unequal])
    if "points" in old.arrays and "points" in new.arrays:
        sa, sb = old.row_systems(), new.row_systems()
        pa, pb = old.arrays["points"], new.arrays["points"]
        if sa is None or sb is None or pa.kind != pb.kind or len(sa) != pa.shape[0] or \
                len(sb) != pb.shape[0]:
            return None
        if (np.diff(sa) < 0).any() or (np.diff(sb) < 0).any() or (sa < 0).any() or \
                (sb < 0).any():
            return None
        systems = int(max(sa.max(initial=-1), sb.max(initial=-1))) + 1
        ca, cb = np.bincount(sa, minlength=systems), np.bincount(sb, minlength=systems)
        found.append(np.nonzero(ca != cb)[0])
        same_count = np.nonzero((ca == cb) & (ca > 0))[0]
        counts = ca[same_count]
        within = np.arange(counts.sum()) - np.repeat(np.cumsum(counts) - counts, counts)
        rows_a = np.repeat((np.cumsum(ca) - ca)[same_count], counts) + within
        rows_b = np.repeat((np.cumsum(cb) - cb)[same_count], counts) + within
        unequal = (rows_as_bytes(pa)[rows_a] != rows_as_bytes(pb)[rows_b]).any(axis=1)
        found.append(np.repeat(same_count, counts)[unequal])
    return np.unique(np.concatenate(found)) if found else np.zeros(0, dtype=np.int64)


def hexed(v):
    return v.tobytes().hex()


def describe(side, system):
    """What one side returned for one system: counts, reports, points in full and in hex."""
    lines = []
    ids = side.per_system_ids()
    row = None
    if ids is not None:
        where = np.nonzero(ids == system)[0]
        row = int(where[0]) if len(where) else None
    for name in side.order:
        if name in FLAT or name == "subset":
            continue
        v = side.values(name)
        if name == "batch status":
            lines.append(f"    batch status: {v.tolist()}")
        elif row is not None and v.ndim >= 1 and row < len(v):
            text = v[row].tolist()
            label = REPORT_FIELDS.get(v.shape[1], "") if name == "report" and v.ndim == 2 else ""
            lines.append(f"    {name}{' (' + label + ')' if label else ''}: {text}")
            if name == "padded points":
                lines.append(f"      hex: {hexed(v[row])}")
    systems = side.row_systems()
    if systems is not None and "points" in side.arrays:
        points = side.values("points")
        rows = np.nonzero(systems[:len(points)] == system)[0]
        lines.append(f"    points ({len(rows)}):")
        for r in rows:
            p = points[r]
            lines.append("      " + "  ".join(f"{x!r}" for x in p.tolist()) + f"   hex {hexed(p)}")
    return lines


def compare_section(name, old_arrays, new_arrays, family_of, detailed):
    """(same, lines): a section's verdict, and for a differing one what differs; `detailed`
    adds both sides' outputs for the first differing system."""
    old, new = Side(old_arrays), Side(new_arrays)
    headers_old = [a.header() for a in old_arrays]
    headers_new = [a.header() for a in new_arrays]
    same = headers_old == headers_new and all(a.raw == b.raw
                                              for a, b in zip(old_arrays, new_arrays))
    if same:
        return True, []
    system = first_differing_system(old, new)
    every = differing_systems(old, new)
    family = (lambda k: f" ({family_of(k)})") if family_of else (lambda k: "")
    head = f"DIFFERENT: {name}"
    if every is not None and len(every):
        head += f": {len(every)} systems differ"
    if system is not None:
        head += f", the first is system {system}{family(system)}"
    lines = [head]
    if not detailed:
        return False, lines
    for a in old_arrays:
        b = new.arrays.get(a.name)
        if b is None:
            lines.append(f"  array {a.name!r} only in the old side")
        elif a.header() != b.header():
            lines.append(f"  array {a.name!r}: old {a.kind} {a.shape}, new {b.kind} {b.shape}")
        elif a.raw != b.raw:
            lines.append(f"  array {a.name!r}: bytes differ")
    for b in new_arrays:
        if b.name not in old.arrays:
            lines.append(f"  array {b.name!r} only in the new side")
    if every is not None and len(every) and family_of:
        kinds = {}
        for k in every:
            kinds[family_of(int(k))] = kinds.get(family_of(int(k)), 0) + 1
        lines.append("  by family: " + ", ".join(
            f"{n} {f}" for f, n in sorted(kinds.items(), key=lambda i: -i[1])))
    if system is None:
        lines.append("  the difference belongs to no single system")
        for label, side in (("old", old), ("new", new)):
            if "batch status" in side.arrays:
                lines.append(f"  {label} batch status: {side.values('batch status').tolist()}")
    else:
        for label, side in (("old", old), ("new", new)):
            lines.append(f"  {label}, system {system}:")
            lines.extend(describe(side, system))
    return False, lines[:60]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("old")
    parser.add_argument("new")
    parser.add_argument("--systems", help="the systems file, to name a system's family")
    parser.add_argument("--max-reports", type=int, default=5,
                        help="differing sections described in full (the rest are listed)")
    args = parser.parse_args()

    family_of = None
    if args.systems and os.path.exists(args.systems + ".families"):
        families = np.fromfile(args.systems + ".families", dtype=np.uint8)
        with open(args.systems + ".families.txt") as f:
            family_names = dict(line.rstrip("\n").split(" ", 1) for line in f if line.strip())
        family_of = lambda k: family_names.get(str(families[k]), "?") if k < len(families) else "?"

    sections = differing = 0
    compared = 0
    described = 0
    for results in RESULTS:
        old_path, new_path = os.path.join(args.old, results), os.path.join(args.new, results)
        for path in (old_path, new_path):
            if not os.path.exists(path):
                print(f"missing {path}")
                return 2
        old, new = digest_format.Reader(old_path), digest_format.Reader(new_path)
        if not old.sections:
            print(f"{old_path} holds no section")
            return 2
        old_names, new_names = old.names(), new.names()
        for path, names in ((old_path, old_names), (new_path, new_names)):
            if len(set(names)) != len(names):
                print(f"{path} holds a section name twice")
                return 2
        if old_names != new_names:
            print(f"DIFFERENT: {results} has other sections")
            print(f"  only old: {sorted(set(old_names) - set(new_names))}")
            print(f"  only new: {sorted(set(new_names) - set(old_names))}")
            if set(old_names) == set(new_names):
                print("  (the same sections in another order)")
            differing += 1
        new_index = {name: i for i, name in enumerate(new_names)}
        points = 0
        for i, name in enumerate(old_names):
            sections += 1
            if name not in new_index:
                continue
            arrays = old.section(i)
            compared += sum(len(a.raw) for a in arrays)
            points += sum(a.shape[0] for a in arrays if a.name == "points")
            same, lines = compare_section(name, arrays, new.section(new_index[name]), family_of,
                                          described < args.max_reports)
            if not same:
                differing += 1
                described += 1
                print("\n".join(lines))
        print(f"{results}: {len(old_names)} sections, {points} points in the old side's lists")
        if points == 0:
            print(f"  no points at all in {old_path}: nothing was really compared")
            return 2

    n = None
    if args.systems:
        n = os.path.getsize(args.systems) // 240
    print(f"systems: {n if n is not None else '?'}, interfaces compared: {sections}, "
          f"bytes compared: {compared} per side")
    if differing:
        print(f"NOT identical: {differing} of {sections} interfaces differ")
        return 1
    print("identical")
    return 0


if __name__ == "__main__":
    sys.exit(main())
