# SPDX-License-Identifier: BSD-3-Clause
"""Mixed garbage through solve and solve_batch: arguments of every type, shape and range,
options right and wrong. A call either raises TypeError or ValueError, or returns points that
each solve their equations for their kind, checked in long double. QUORVANE_GARBAGE_CALLS sets
how many calls (a few thousand by default; a long run takes 100,000)."""

import decimal
import fractions
import numbers
import os

import numpy as np
import pytest

import quorvane
from quorvane import PointKind

from systems import WORKED_EXAMPLE, product_of_planes

CALLS = int(os.environ.get("QUORVANE_GARBAGE_CALLS", "3000"))
SEED = int(os.environ.get("QUORVANE_GARBAGE_SEED", "20261210"))

LD = np.longdouble
CLD = np.clongdouble
# The library's own: no returned point leaves a relative residual above it.
RESIDUAL_TOLERANCE = 1e-8
LD_EPS = np.finfo(LD).eps
DOUBLE_MIN = np.finfo(np.float64).tiny
DOUBLE_ULP = 2.0 ** -52
DENORM_MIN = np.nextafter(0.0, 1.0)


def terms(c, p):
    """The ten terms of each equation at p (3, 10), in the order 1, xy, xz, yz, x², y², z²,
    x, y, z; c is (3, 10) long double, p three numbers of p's type."""
    x, y, z = p
    monomials = np.array([1, x * y, x * z, y * z, x * x, y * y, z * z, x, y, z])
    return c * monomials


def jacobian(c, p):
    x, y, z = p
    return np.array([[c[e, 1] * y + c[e, 2] * z + 2 * c[e, 4] * x + c[e, 7],
                      c[e, 1] * x + c[e, 3] * z + 2 * c[e, 5] * y + c[e, 8],
                      c[e, 2] * x + c[e, 3] * y + 2 * c[e, 6] * z + c[e, 9]] for e in range(3)])


def values_and_sizes(c, p):
    t = terms(c, p)
    return t.sum(axis=1), np.abs(t).sum(axis=1)


def newton_step(c, p):
    """p after one Newton step, or None where the Jacobian is singular in long double."""
    f, _ = values_and_sizes(c, p)
    j = jacobian(c, p)

    # Cramer's rule in long double (numpy's solvers stop at double).
    def det3(m):
        return (m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1])
                - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0])
                + m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]))
    d = det3(j)
    if d == 0 or not np.isfinite(abs(d)):
        return None
    step = []
    for v in range(3):
        m = j.copy()
        m[:, v] = f
        step.append(det3(m) / d)
    return p - np.array(step)


def solved(c, p, tolerance):
    f, size = values_and_sizes(c, p)
    return bool(np.all(np.abs(f) <= tolerance * size))


def rounds_a_root(c, given):
    """Newton's method in long double from a returned real point reaches, within a rounding of
    each coordinate, a root that leaves no residual beyond long double's own rounding (a point
    rounded from a root beside an ill-conditioned Jacobian, or whose coordinate lies below the
    normal range of double)."""
    p = given.astype(LD)
    for _ in range(8):
        if solved(c, p, 64 * LD_EPS):
            break
        p = newton_step(c, p)
        if p is None:
            return False
    if not solved(c, p, 64 * LD_EPS):
        return False
    rounding = np.abs(given).astype(LD) * LD(DOUBLE_ULP) + LD(DENORM_MIN)
    below = (np.abs(given) < DOUBLE_MIN) & (np.abs(p) < DOUBLE_MIN)
    return bool(np.all((np.abs(p - given) <= rounding) | below))


def real_point_solves(c, point):
    p = point.astype(LD)
    if solved(c, p, RESIDUAL_TOLERANCE):
        return True
    # Below the normal range a coordinate stands for any value there, zero among them.
    tiny = (point != 0) & (np.abs(point) < DOUBLE_MIN)
    if tiny.any() and solved(c, np.where(tiny, LD(0), p), RESIDUAL_TOLERANCE):
        return True
    return rounds_a_root(c, point)


def complex_point_solves(c, point):
    """Each equation within the tolerance of its terms' size, the coordinates' rounding
    allowed for; or Newton's method in complex long double reaches a root within a few
    roundings."""
    p = point.astype(CLD)
    size_of_point = np.abs(p).max()

    def ok(q):
        f, size = values_and_sizes(c, q)
        slope = np.abs(jacobian(c, q)).sum(axis=1)
        return bool(np.all(np.abs(f) <= RESIDUAL_TOLERANCE * size
                           + slope * size_of_point * LD(DOUBLE_ULP)))

    if ok(p):
        return True
    q = p
    for _ in range(8):
        q = newton_step(c, q)
        if q is None:
            return False
        if ok(q):
            break
    return ok(q) and bool(np.all(np.abs(q - p) <= 4 * DOUBLE_ULP * max(size_of_point, 1)))


def approximate_point_is_near_a_complex_one(c, point, imag_tol):
    """An approximate point is the real part of a complex solution within imag_tol of real;
    a merged one lies within imag_tol of a solution, real or not."""
    complex_points, info = quorvane.solve(*c.astype(np.float64), complex=True, full_output=True)
    if info.status != quorvane.Status.SOLVED:
        return True  # the complex call may have missed it; nothing to compare with
    reach = 4 * imag_tol * max(1.0, np.abs(point).max())
    return any(np.abs(q.real - point).max() <= reach and np.abs(q.imag).max() <= reach
               for q in complex_points)


def check_points(system, points, kind, complex_, imag_tol):
    c = np.asarray(system, dtype=np.float64).astype(LD)
    assert len(points) <= 8
    assert len(kind) == len(points)
    for point, k in zip(points, kind):
        assert np.all(np.isfinite(point)), point
        if complex_:
            assert complex_point_solves(c, point), (system.tolist(), point)
        elif k == PointKind.APPROXIMATE or (k == PointKind.NEAR_DOUBLE and imag_tol > 1e-4):
            # Under a wider tolerance a near-double point may be the midpoint of two roots
            # within it of each other, merged.
            assert approximate_point_is_near_a_complex_one(c, point, imag_tol), (
                system.tolist(), point, k)
        else:
            assert real_point_solves(c, point), (system.tolist(), point, k)


# ---- Garbage, drawn from one generator.

def one_of(rng, choices):
    """One of a list of Python objects as it stands (numpy's choice would make them one dtype)."""
    return choices[rng.integers(len(choices))]


def awkward_number(rng):
    pick = rng.integers(12)
    if pick == 0:
        return 0.0
    if pick == 1:
        return float(rng.integers(-3, 4))
    if pick == 2:
        return float(one_of(rng, [DENORM_MIN, -DENORM_MIN, 3e-310, DOUBLE_MIN, -2.5e-320]))
    if pick == 3:
        return float(one_of(rng, [1e300, -1e300, 1.7e308, 1e154, -1e-154]))
    if pick == 4:
        return float(np.ldexp(rng.normal(), int(rng.integers(-1074, 1000))))
    return float(rng.normal() * 10.0 ** rng.integers(-8, 9))


def structured_system(rng):
    """A system with structure users bring: planes' products, spheres, no linear terms, a
    root cluster far out, repeated planes, a moved worked example."""
    pick = rng.integers(7)
    if pick == 0:
        return np.array([product_of_planes(rng.normal(size=4), rng.normal(size=4))
                         for _ in range(3)])
    if pick == 1:  # three spheres
        centres = rng.normal(size=(3, 3)) * 10.0 ** rng.integers(0, 7)
        receiver = centres.mean(axis=0) + rng.normal(size=3)
        rows = []
        for a in centres:
            r2 = np.sum((receiver - a) ** 2)
            rows.append([a @ a - r2, 0, 0, 0, 1, 1, 1, -2 * a[0], -2 * a[1], -2 * a[2]])
        return np.array(rows)
    if pick == 2:  # no linear terms
        system = rng.normal(size=(3, 10))
        system[:, 7:] = 0
        return system
    if pick == 3:  # a root shared, the planes repeated
        a = rng.normal(size=4)
        return np.array([product_of_planes(a, a), product_of_planes(a, rng.normal(size=4)),
                         product_of_planes(rng.normal(size=4), rng.normal(size=4))])
    if pick == 4:  # planes through a point far out
        centre = rng.normal(size=3) * 10.0 ** rng.integers(2, 7)
        planes = []
        for _ in range(6):
            n = rng.normal(size=3)
            planes.append(np.concatenate([[-(n @ centre) + rng.normal() * 1e-3], n]))
        return np.array([product_of_planes(planes[2 * e], planes[2 * e + 1]) for e in range(3)])
    if pick == 5:  # the worked example, scaled by awkward powers of two
        return WORKED_EXAMPLE * np.ldexp(1.0, rng.integers(-600, 600, size=(3, 1)))
    return rng.integers(-3, 4, size=(3, 10)).astype(np.float64)


def numeric_system(rng):
    pick = rng.integers(4)
    if pick == 0:
        system = np.array([[awkward_number(rng) for _ in range(10)] for _ in range(3)])
    elif pick == 1:
        system = rng.normal(size=(3, 10))
    else:
        system = structured_system(rng)
    # Now and then a zero coefficient, a subnormal, a NaN or an infinity in place.
    for _ in range(rng.integers(0, 3)):
        e, i = rng.integers(3), rng.integers(10)
        system[e, i] = one_of(rng, [0.0, DENORM_MIN, -3e-320, np.nan, np.inf, -np.inf, 1e308])
    return system


def wrapped(rng, system):
    """One system dressed as some array_like: lists, other dtypes and shapes, or garbage."""
    pick = rng.integers(24)
    if pick == 0:
        return system.tolist()
    if pick == 1:
        return system.astype(np.float32)
    if pick == 2:
        return system.reshape(3, 2, 5)
    if pick == 3:
        return np.asfortranarray(np.repeat(system, 2, axis=1))[:, ::2]
    if pick == 4:
        return system.astype(np.int64)
    if pick == 5:
        return [[fractions.Fraction(v).limit_denominator(1000) if np.isfinite(v) else v
                 for v in row] for row in system]
    if pick == 6:
        return [[decimal.Decimal(repr(v)) for v in row] for row in system]
    if pick == 7:
        return system[:, : rng.integers(0, 10)]
    if pick == 8:
        garbage = system.tolist()
        garbage[rng.integers(3)][rng.integers(10)] = one_of(
            rng, [None, "1.0", 1j, b"x", 10 ** 400, -10 ** 400, [1, 2], object()])
        return garbage
    if pick == 9:
        return np.ma.masked_array(system)
    if pick == 10:
        return system.astype(bool)
    return system


def options(rng):
    """Keyword options, right ones mostly; now and then one of the wrong type or range."""
    valid = {"imag_tol": [0.0, 1e-4, 1e-3, 1e-2, 1e-6, 1], "complex": [True, False, np.bool_(True)],
             "refine": [True, False, np.bool_(False)], "method": ["fast", "standard"],
             "certify": [True, False]}
    wrong = {"imag_tol": [-1.0, np.nan, np.inf, "1e-3", None, 10 ** 400, True],
             "complex": [1, "yes", None], "refine": [0, None], "method": ["Fast", "", 1, None],
             "certify": ["no", 1.0]}
    keywords = {}
    for name in valid:
        if rng.integers(2) == 0:
            keywords[name] = one_of(rng, wrong[name] if rng.integers(25) == 0 else valid[name])
    return keywords


def options_are_valid(keywords):
    tol = keywords.get("imag_tol", 1e-4)
    if isinstance(tol, (bool, np.bool_)) or not isinstance(tol, numbers.Real):
        return False
    try:
        if not (np.isfinite(float(tol)) and float(tol) >= 0):
            return False
    except OverflowError:
        return False
    for flag in ("complex", "refine", "certify"):
        if not isinstance(keywords.get(flag, False), (bool, np.bool_)):
            return False
    return keywords.get("method", "fast") in ("fast", "standard")


def test_mixed_garbage_raises_only_documented_errors_and_every_point_solves():
    rng = np.random.default_rng(SEED)
    np.seterr(all="ignore")  # casts of huge values to float32 and int64 are part of the draw
    counts = {"returned": 0, "points": 0, "refused": 0}
    for call in range(CALLS):
        keywords = options(rng)
        batch = rng.integers(5) == 0
        systems = [numeric_system(rng) for _ in range(rng.integers(1, 4) if batch else 1)]
        arguments = [wrapped(rng, s) for s in systems]
        try:
            if batch:
                stack = arguments if rng.integers(2) else np.array(systems)
                result = quorvane.solve_batch(stack, full_output=True, **keywords)
            else:
                result = quorvane.solve(*arguments[0], full_output=True, **keywords)
        except (TypeError, ValueError):
            counts["refused"] += 1
            continue
        # A call that goes through had valid options and arguments that read as numbers.
        assert options_are_valid(keywords), (call, keywords)
        complex_ = bool(keywords.get("complex", False))
        imag_tol = float(keywords.get("imag_tol", 1e-4))
        if batch:
            points, index, status, certified, radius, kind = result
            read = np.asarray(stack, dtype=np.float64).reshape(-1, 3, 10)
            for s in range(len(read)):
                mine = index == s
                check_points(read[s], points[mine], kind[mine], complex_, imag_tol)
                counts["points"] += int(mine.sum())
        else:
            points, info = result
            read = np.array([np.asarray(a, dtype=np.float64).reshape(-1)
                             for a in (arguments[0][0], arguments[0][1], arguments[0][2])])
            check_points(read, points, info.kind, complex_, imag_tol)
            counts["points"] += len(points)
        counts["returned"] += 1
    print(counts)
    # The draw reaches both sides: calls that go through, with points, and calls refused.
    assert counts["returned"] > CALLS // 4 and counts["refused"] > CALLS // 10
    assert counts["points"] > CALLS
