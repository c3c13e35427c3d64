# SPDX-License-Identifier: BSD-3-Clause
"""Every real solution of three quadratic equations in x, y, z.

solve(c1, c2, c3) solves one system, solve_batch(coefficients) many at once on several
threads. Each equation is ten coefficients in the order 1, xy, xz, yz, x², y², z², x, y, z;
see help(quorvane.solve). quadric_coefficients, sphere_coefficients and quadric_matrix
convert 4 x 4 quadric matrices and spheres to that order and back; residuals measures points
in the equations; trilaterate finds a receiver from its ranges to anchors; three_point_poses
finds a calibrated camera's poses from the bearings of three known points, with pose_equations
and pose_from_depths its two steps. quorvane.dask, imported on its own and only where Dask is
installed, maps solve_batch over the chunks of a Dask array.
"""

# Under private names, so that dir(quorvane) shows the package's own names only.
import dataclasses as _dataclasses
import enum as _enum
import math as _math
import numbers as _numbers
import typing as _typing
from importlib.metadata import version as _installed_version

import numpy as _np

from . import _core
from ._quadric_form import quadric_coefficients, quadric_matrix, sphere_coefficients

__all__ = ["solve", "solve_batch", "Status", "PointKind", "SolveInfo", "quadric_coefficients",
           "quadric_matrix", "sphere_coefficients", "residuals", "trilaterate", "trilaterate_batch",
           "TrilaterationInfo", "pose_equations", "pose_from_depths", "three_point_poses",
           "PoseInfo"]
# The version of the installed distribution, which the build reads from CMakeLists.txt.
__version__ = _installed_version("quorvane")
del _installed_version


class Status(_enum.IntEnum):
    """What became of a system: `info.status` of solve, the status array of solve_batch."""

    SOLVED = 0
    """Every candidate was verified; the solutions were returned."""
    PARTIAL = 1
    """No try verified every candidate; the verified ones were returned."""
    DECLINED = 2
    """The method could not solve the system; nothing was returned."""
    BAD_INPUT = 3
    """A coefficient is NaN or infinite; see `info.argument`."""
    DEPENDENT_EQUATIONS = 4
    """The equations depend on each other: a curve of solutions, or none."""
    NO_REAL_SOLUTION = 5
    """Every candidate was verified and none is real within `imag_tol` (try complex=True)."""


class PointKind(_enum.IntEnum):
    """What a returned point is: `info.kind` of solve, the kind array of solve_batch."""

    ROOT = 0
    """A solution of the system: verified, and proved where certify=True was asked."""
    NEAR_DOUBLE = 1
    """A complex pair, or two real roots, that the input's precision cannot tell from one
    real double root: returned once, as its real point. Also a multiple root (a triple root),
    returned once, the status then PARTIAL; under an imag_tol wider than the default, the
    midpoint of two real points within it of each other."""
    APPROXIMATE = 2
    """Only under an imag_tol wider than the default: the real part of a complex solution
    whose every coordinate is within imag_tol of real, relative to max(1, the point's norm);
    returned once for a conjugate pair."""


# The library's codes for the coordinates a system was solved in, and for a rejected input:
# which argument (the options after the three equations) and why.
_PATHS = (None, "as_given", "centred", "first_change", "second_change")
_ARGUMENTS = ("c1", "c2", "c3", "options")
_PROBLEMS = (None, "too_few_coefficients", "not_finite", "bad_option")
_METHODS = ("standard", "fast")


@_dataclasses.dataclass(frozen=True)
class SolveInfo:
    """What solve(..., full_output=True) reports beside the points."""

    status: Status
    path: _typing.Optional[str]
    """Coordinates of the returned solutions: "as_given", "centred", "first_change",
    "second_change", or None when nothing was solved."""
    argument: _typing.Optional[str]
    """For BAD_INPUT, the rejected argument: "c1", "c2" or "c3"."""
    problem: _typing.Optional[str]
    """For BAD_INPUT, why: "not_finite"."""
    certified: bool = False
    """With certify=True: the real solution set is proved complete, the returned points are
    all the real solutions there are. False when not asked or not proved."""
    radius: _np.ndarray = _dataclasses.field(default_factory=lambda: _np.empty(0), compare=False)
    """(N,) float64, one per returned point: the half-width of a box around it (the same in
    every coordinate, absolute) proved to hold exactly one solution; NaN where not proved or
    certify=True was not asked."""
    kind: _np.ndarray = _dataclasses.field(default_factory=lambda: _np.empty(0, _np.int8),
                                           compare=False)
    """(N,) int8, one per returned point: its PointKind, e.g. info.kind == PointKind.ROOT."""

    @property
    def success(self) -> bool:
        """True when the system was solved, with or without real solutions."""
        return self.status in (Status.SOLVED, Status.NO_REAL_SOLUTION)


def _tolerance(name, value):
    """A tolerance as a float: a real number, finite and zero or positive (the library's range
    too, which it would report as BAD_INPUT for every system)."""
    if isinstance(value, (bool, _np.bool_)) or not isinstance(value, _numbers.Real):
        raise TypeError(f"{name} must be a real number, not {type(value).__name__}")
    try:
        tolerance = float(value)
    except OverflowError:
        raise ValueError(f"{name} must be finite and zero or positive, not an integer beyond "
                         f"the double range") from None
    if not (tolerance >= 0 and _math.isfinite(tolerance)):
        raise ValueError(f"{name} must be finite and zero or positive, not {tolerance}")
    return tolerance


def _flag(name, value):
    """A True-or-False option as a bool; numpy's bool too, but no other type."""
    if not isinstance(value, (bool, _np.bool_)):
        raise TypeError(f"{name} must be True or False, not {type(value).__name__}")
    return bool(value)


def _options(imag_tol, complex, refine, method, certify):
    """The keyword options as _core takes them, or TypeError / ValueError naming the one."""
    imag_tol = _tolerance("imag_tol", imag_tol)
    complex, refine, certify = (_flag("complex", complex), _flag("refine", refine),
                                _flag("certify", certify))
    if not isinstance(method, str):
        raise TypeError(f"method must be a string, not {type(method).__name__}")
    if method not in _METHODS:
        raise ValueError(f"method must be 'standard' or 'fast', not {method!r}")
    return imag_tol, complex, refine, method == "fast", certify


def _thread_count(threads):
    """threads as _core takes it: None, or an integer of at least 1. A bool is no count (True
    would be one thread), and a float is not truncated."""
    if threads is None:
        return None
    if isinstance(threads, (bool, _np.bool_)) or not isinstance(threads, _numbers.Integral):
        raise TypeError(
            f"threads must be a positive integer or None, not {type(threads).__name__}")
    if threads < 1:
        raise ValueError(
            f"threads must be a positive integer, or None for every core, not {threads}")
    return int(threads)


def solve(c1, c2, c3, *, imag_tol=1e-4, complex=False, refine=True, method="fast",
          certify=False, full_output=False):
    """Every real solution of three quadratic equations in x, y, z.

    Each argument holds the coefficients of one equation

        c[0] + c[1] xy + c[2] xz + c[3] yz + c[4] x² + c[5] y² + c[6] z²
             + c[7] x + c[8] y + c[9] z = 0,

    that is in the order 1, xy, xz, yz, x², y², z², x, y, z.

    Parameters
    ----------
    c1, c2, c3 : array_like
        Exactly ten real numbers each, in any shape (read in row-major order), dtype
        (booleans, integers, floats) and strides numpy accepts. Lists and object arrays may
        hold Python and numpy numbers (int, float, bool, Fraction, Decimal), not None, text
        or complex numbers. Not a masked array, whose mask could not be honoured: pass
        c.filled(value) or c.data.
    imag_tol : float, optional
        A solution counts as real when the imaginary part of its z is below this (1e-4 by
        default); its real parts are returned. Noisy data, where two close real solutions
        become a complex pair, may need a wider tolerance.
    complex : bool, optional
        Return every finite solution, real or not, as complex128 points; imag_tol plays no
        part then.
    refine : bool, optional
        Polish every solution by Newton steps on the original equations in compensated
        arithmetic (on by default: it costs a little time and gives the most accurate
        points). False, with method="standard", gives the points of the MEX command and the
        C++ three-argument call.
    method : str, optional
        "fast" (the default) or "standard": the fast method, as complete and as accurate as
        the standard one on every family measured and several times faster, takes the faster
        path where it can vouch for the result and the standard one elsewhere (always with
        complex=True, since the faster path finds real solutions only, and with an imag_tol
        wider than the default). "standard" gives the points of the MEX command and the C++
        three-argument call (with refine=False).
    certify : bool, optional
        Prove every returned point: an interval Newton (Krawczyk) test, with its rounding
        accounted for, on a box around the point that then holds exactly one solution
        (`info.radius`), and prove the real solution set complete where the proved boxes
        account for all eight solutions (`info.certified`). Off by default: it costs time.
    full_output : bool, optional
        Also return a SolveInfo telling what happened.

    Returns
    -------
    points : ndarray, shape (N, 3)
        One row (x, y, z) per solution, N from 0 to 8, in the solver's order (not sorted);
        float64, or complex128 with complex=True. A near-real complex pair gives two equal
        rows. Solutions at infinity are not points and are not returned.
    info : SolveInfo
        Only with full_output=True: `info.status` is a Status (SOLVED, NO_REAL_SOLUTION,
        PARTIAL, DECLINED, BAD_INPUT for NaN or infinite coefficients, DEPENDENT_EQUATIONS),
        `info.path` the coordinates the solutions were found in. Nothing is raised for these:
        the points are simply empty. Per point, aligned with its rows: `info.kind` (N,) int8
        of PointKind values and `info.radius` (N,) float64 (NaN where not proved); and
        `info.certified`, True when certify=True proved the real solutions complete.

    Raises
    ------
    TypeError
        An argument is None, a masked array, or holds something that is not a real number
        (None, complex, text, dates), naming the argument; or an option has the wrong type.
    ValueError
        An argument does not hold exactly ten values or is ragged, or holds an integer
        beyond the double range (10**400); imag_tol is negative, NaN, infinite or beyond the
        double range; method is not "standard" or "fast".

    Notes
    -----
    The GIL is released while the system is solved.

    Examples
    --------
    (x + y - 1)(x + y - 6) = 0, (x - y + z + 1)(x - y + z - 2) = 0,
    (x + 2y - z - 3)(x + 2y - z + 2) = 0, with eight real solutions:

    >>> import quorvane
    >>> system = ([6, 2, 0, 0, 1, 1, 0, -7, -7, 0],
    ...           [-2, -2, 2, -2, 1, 1, 1, -1, 1, -1],
    ...           [-6, 4, -2, -4, 1, 4, 1, -1, -2, 1])
    >>> points = quorvane.solve(*system)
    >>> points.shape
    (8, 3)
    >>> points[0].round(9).tolist()
    [4.0, -3.0, -5.0]
    >>> points, info = quorvane.solve(*system, full_output=True)
    >>> info.status
    <Status.SOLVED: 0>
    """
    imag_tol, complex, refine, fast, certify = _options(imag_tol, complex, refine, method,
                                                        certify)
    full_output = _flag("full_output", full_output)
    points, status, path, argument, problem, certified, radius, kind = _core.solve(
        c1, c2, c3, imag_tol, complex, refine, fast, certify)
    if not full_output:
        return points
    return points, SolveInfo(Status(status), _PATHS[path],
                             None if argument < 0 else _ARGUMENTS[argument], _PROBLEMS[problem],
                             bool(certified), radius, kind)


def solve_batch(coefficients, *, threads=None, imag_tol=1e-4, complex=False, refine=True,
                method="fast", certify=False, padded=False, full_output=False):
    """Every real solution of many systems, on several threads.

    Parameters
    ----------
    coefficients : array_like, shape (..., 3, 10)
        A stack of systems: coefficients[i, j, e] is equation e of system (i, j), ten
        coefficients in the order of solve (1, xy, xz, yz, x², y², z², x, y, z). Any real
        dtype and strides will do, and the values solve takes (not a masked array). A float64
        C-contiguous array is read in place, without a copy, while the GIL is released: it
        must not be changed by another thread until the call returns (as for numpy's own
        functions that release the GIL).
    threads : int or None, optional
        Worker threads at most, a positive integer (Python's or numpy's; not a bool or a
        float); None for every core. Workers take a few systems at a time, so a busy core
        does not hold up the others; a small batch starts fewer threads (one per 64 systems
        at most).
    imag_tol, complex, refine, method, certify
        As for solve, for every system.
    padded : bool, optional
        Return (points, count) of shapes (..., 8, 3) and (...,) instead of the flat form.
    full_output : bool, optional
        Also return, after the points and their system numbers or counts, status and
        certified of every system and radius and kind of every point (see below).

    Returns
    -------
    points : ndarray, shape (M, 3)
        Flat form: every solution, float64 (complex128 with complex=True), in system order
        (row-major over the leading axes) and within a system in the order solve gives.
    system : ndarray of int64, shape (M,)
        Flat form: the index of each row's system in the flattened leading shape; use
        numpy.unravel_index(system, coefficients.shape[:-2]) for the leading indices.
    points : ndarray, shape (..., 8, 3)
        Padded form: system s's solutions are points[s][:count[s]]; the rest is NaN.
    count : ndarray of int64, shape (...,)
        Padded form: the number of solutions of every system.
    status : ndarray of int8, shape (...,)
        With full_output=True: Status values, e.g. status == Status.BAD_INPUT.
    certified : ndarray of bool, shape (...,)
        With full_output=True: True where certify=True proved the system's real solutions
        complete (as SolveInfo.certified).
    radius : ndarray of float64, shape (M,) or padded (..., 8)
        With full_output=True: each point's proved radius (as SolveInfo.radius), aligned with
        the rows of points; NaN where not proved, and in padded slots without a point.
    kind : ndarray of int8, shape (M,) or padded (..., 8)
        With full_output=True, last: each point's PointKind, aligned with the rows of points;
        -1 in padded slots without a point.

    Every solution equals, bit for bit, what solve returns for that system alone with the
    same options, whatever the thread count.

    Raises
    ------
    ValueError
        coefficients is not of shape (..., 3, 10) or holds an integer beyond the double range;
        threads is below 1; a bad option value.
    TypeError
        coefficients is a masked array or holds a value that is not a real number (None,
        complex, text); threads is not an integer or None (a bool or a float); an option of
        the wrong type.
    KeyboardInterrupt
        On Ctrl-C, within a fraction of a second; the workers stop and nothing is returned.

    Examples
    --------
    The system of solve twice and one without solutions:

    >>> import numpy as np, quorvane
    >>> system = [[6, 2, 0, 0, 1, 1, 0, -7, -7, 0],
    ...           [-2, -2, 2, -2, 1, 1, 1, -1, 1, -1],
    ...           [-6, 4, -2, -4, 1, 4, 1, -1, -2, 1]]
    >>> points, index = quorvane.solve_batch([system, np.zeros((3, 10)), system])
    >>> points.shape, np.bincount(index).tolist()
    ((16, 3), [8, 0, 8])
    >>> points, count = quorvane.solve_batch([[system, system]], padded=True)
    >>> points.shape, count.tolist()
    ((1, 2, 8, 3), [[8, 8]])
    """
    imag_tol, complex, refine, fast, certify = _options(imag_tol, complex, refine, method,
                                                        certify)
    return _core.solve_batch(coefficients, _thread_count(threads), imag_tol, complex, refine,
                             fast, certify, _flag("padded", padded),
                             _flag("full_output", full_output))


@_dataclasses.dataclass(frozen=True)
class TrilaterationInfo:
    """What trilaterate(..., full_output=True) reports beside the positions."""

    status: Status
    """SOLVED with at least one position; BAD_INPUT; DEPENDENT_EQUATIONS for anchors on one
    line (a circle of positions); DECLINED where the solve of the anchors' spheres was."""
    kind: _np.ndarray
    """(K,) int8, one per position: PointKind.ROOT where the ranges meet (three anchors) or
    fit there (more), PointKind.NEAR_DOUBLE where two mirror positions merged within
    range_tol or the ranges' spheres do not meet."""
    residual: _np.ndarray
    """(K,) float64, one per position: the root mean square of the range errors
    ``norm(position - anchor) - range`` over the anchors."""



def trilaterate(anchors, ranges, *, range_tol=0.0, full_output=False):
    """Where a receiver is, from its ranges to three or more anchors.

    Parameters
    ----------
    anchors : array_like, shape (N, 3)
        The anchors' positions, one a row, N >= 3, in any units and coordinates (map
        coordinates too: the work is done in a frame centred on the anchors, so offsets of
        1e6 and more lose nothing).
    ranges : array_like, shape (N,)
        The measured range to each anchor, in the same units.
    range_tol : float, optional
        The largest error expected in a range (for noisy ranges, a few times their standard
        deviation). Two mirror positions whose midpoint is within range_tol of every range
        cannot be told apart and come back once, as the least-squares position between them.
        By default only what the ranges' rounding cannot tell apart merges.
    full_output : bool, optional
        Also return a TrilaterationInfo with the status and each position's kind and
        residual.

    Returns
    -------
    positions : ndarray, shape (K, 3)
        K = 0, 1 or 2, best first. Three anchors: the two positions mirrored in the anchors'
        plane, or one where they merge or the spheres miss each other (the position nearest
        to meeting them all). Which mirror is the receiver the ranges cannot tell (below a
        ceiling, take the lower). Four or more: the least-squares position (Gauss-Newton on
        the range errors), and its mirror too where it fits as well (anchors in one plane).
    info : TrilaterationInfo
        With full_output=True.

    The positions are bit for bit those of trilaterate in C++ and quorvane_trilaterate in
    Octave and MATLAB.

    Raises
    ------
    ValueError
        anchors not of shape (N, 3) with N >= 3, ranges not of shape (N,), a coordinate or
        range that is not finite or beyond the double range, a negative range, a bad
        range_tol.
    TypeError
        Values that are not real numbers (None, text, complex), masked arrays, a range_tol
        that is not a real number.

    Examples
    --------
    A receiver 1 m below a ceiling at map coordinates, with exact ranges:

    >>> import numpy as np, quorvane
    >>> origin = np.array([5e5, 4.5e6, 203.0])
    >>> anchors = origin + [[0, 0, 0], [7, 0, 0], [0, 5, 0]]
    >>> receiver = origin + [2, 3, -1]
    >>> ranges = np.linalg.norm(anchors - receiver, axis=1)
    >>> positions = quorvane.trilaterate(anchors, ranges)
    >>> below = positions[np.argmin(positions[:, 2])]
    >>> bool(np.linalg.norm(below - receiver) < 1e-6)
    True
    """
    full_output = _flag("full_output", full_output)
    positions, count, residual, kind, status = _core.trilaterate(
        anchors, ranges, _tolerance("range_tol", range_tol))
    if positions.ndim != 2:
        raise ValueError(f"anchors must have shape (N, 3) for one receiver, not "
                         f"{tuple(_np.shape(anchors))}; use trilaterate_batch for stacks")
    _raise_for_bad_trilateration(int(status))
    k = int(count)
    if not full_output:
        return positions[:k].copy()
    return positions[:k].copy(), TrilaterationInfo(Status(int(status)), kind[:k].copy(),
                                                   residual[:k].copy())


def _raise_for_bad_trilateration(status):
    if status == Status.BAD_INPUT:
        raise ValueError("anchors and ranges must be finite, with every range zero or positive "
                         "and at least three anchors")


def trilaterate_batch(anchors, ranges, *, range_tol=0.0, full_output=False):
    """trilaterate for a stack of receivers.

    Parameters
    ----------
    anchors : array_like, shape (..., N, 3)
        Each receiver's anchors, N >= 3 for all.
    ranges : array_like, shape (..., N)
        Each receiver's ranges.
    range_tol : float, optional
        As for trilaterate, for every receiver.
    full_output : bool, optional
        Also return residual, kind and status.

    Returns
    -------
    positions : ndarray, shape (..., 2, 3)
        Receiver i's positions are positions[i][:count[i]], as trilaterate gives them; the
        rest is NaN.
    count : ndarray of int64, shape (...)
    residual : ndarray, shape (..., 2)
        With full_output=True: each position's residual; NaN in padded slots.
    kind : ndarray of int8, shape (..., 2)
        With full_output=True: each position's PointKind; -1 in padded slots.
    status : ndarray of int8, shape (...)
        With full_output=True: each receiver's Status; a receiver with bad input (a NaN
        range, say) has status BAD_INPUT and no position, and the others are unaffected.

    Raises
    ------
    ValueError
        Shapes that do not match, N below 3, an integer beyond the double range, a bad
        range_tol.
    TypeError
        Values that are not real numbers, masked arrays.
    KeyboardInterrupt
        On Ctrl-C, within a fraction of a second; nothing is returned.
    """
    full_output = _flag("full_output", full_output)
    positions, count, residual, kind, status = _core.trilaterate(
        anchors, ranges, _tolerance("range_tol", range_tol))
    if full_output:
        return positions, count, residual, kind, status
    return positions, count


def residuals(coefficients, points):
    """Each point's relative residual in each of the three equations.

    Parameters
    ----------
    coefficients : array_like, shape (3, 10)
        The system, one equation a row, in the order of solve (1, xy, xz, yz, x², y², z², x,
        y, z).
    points : array_like, shape (M, 3)
        Points, real or complex (as solve returns them).

    Returns
    -------
    ndarray, shape (M, 3)
        ``r[j, e] = abs(f_e(p_j)) / sum_i abs(c_ei m_i(p_j))``: equation e's value at point j
        over the sum of its terms' magnitudes there, the measure the solver verifies with
        (the value's magnitude where every term vanishes). Free of the equations' and the variables' scale: a root gives
        a few 1e-16, a point off the solutions order one. Computed in double with the terms
        summed in coefficient order, as residuals in C++ and quorvane_residuals in Octave.

    Examples
    --------
    >>> import quorvane
    >>> system = [[6, 2, 0, 0, 1, 1, 0, -7, -7, 0],
    ...           [-2, -2, 2, -2, 1, 1, 1, -1, 1, -1],
    ...           [-6, 4, -2, -4, 1, 4, 1, -1, -2, 1]]
    >>> bool(quorvane.residuals(system, quorvane.solve(*system)).max() < 1e-13)
    True
    >>> quorvane.residuals(system, [[0, 0, 0]]).tolist()
    [[1.0, 1.0, 1.0]]
    """
    return _core.residuals(coefficients, points)


def pose_equations(bearings, world_points):
    """The equations of the depths of three world points along the camera's bearings to them.

    The depths x, y, z of the points from the camera centre meet the law of cosines in each
    triangle camera centre, point i, point j::

        d_i² + d_j² - 2 (b_i · b_j) d_i d_j - |X_i - X_j|² = 0

    for the pairs (0, 1), (0, 2), (1, 2), with b_i the unit bearings.

    Parameters
    ----------
    bearings : array_like, shape (3, 3)
        The directions, in the camera's frame, along which the camera sees the points, one a
        row, finite and nonzero, of any length (they are normalised): pixel coordinates
        (u, v, 1) taken through the inverse calibration will do.
    world_points : array_like, shape (3, 3)
        The points, one a row, in the same order, in any units and coordinates; only their
        differences enter, so map coordinates lose nothing.

    Returns
    -------
    ndarray, shape (3, 10)
        float64, one equation a row in the order of solve (1, xy, xz, yz, x², y², z², x, y,
        z): ``solve(*pose_equations(bearings, world_points))`` gives the depths. Each real
        solution's negative solves the system too.

    Raises
    ------
    ValueError
        An argument not of shape (3, 3) or not finite, a zero bearing.
    TypeError
        Values that are not real numbers (None, text, complex), masked arrays.

    Examples
    --------
    Bearings along the axes to points 1, 2 and 3 along them:

    >>> import numpy as np, quorvane
    >>> c = quorvane.pose_equations(np.eye(3), np.diag([1.0, 2.0, 3.0]))
    >>> c.shape, c[:, 0].tolist()   # minus the points' squared distances from each other
    ((3, 10), [-5.0, -10.0, -13.0])
    """
    return _core.pose_equations(bearings, world_points)


def pose_from_depths(bearings, world_points, depths):
    """The camera pose that puts each world point at its depth along its bearing.

    The rotation between the world triangle and the camera's is the least-squares fit by the
    SVD of the centred triangles (Kabsch), a proper rotation; the translation maps the world
    points' mean onto the camera points' mean. Depths that are not exactly those of the points
    (noisy ones) give the rigid motion that fits the two triangles best.

    Parameters
    ----------
    bearings, world_points : array_like, shape (3, 3)
        As for pose_equations, one a row.
    depths : array_like, shape (3,)
        The distance of each point from the camera centre, finite.

    Returns
    -------
    rotation : ndarray, shape (3, 3)
        World to camera: a world point X is at ``rotation @ X + translation`` in the camera's
        frame.
    translation : ndarray, shape (3,)
        The world origin in the camera's frame; the camera centre in the world is
        ``-rotation.T @ translation``.

    Raises
    ------
    ValueError
        An argument of the wrong shape or not finite, a zero bearing.
    TypeError
        Values that are not real numbers, masked arrays.

    Examples
    --------
    A camera at the world origin looking along the world's axes:

    >>> import numpy as np, quorvane
    >>> rotation, translation = quorvane.pose_from_depths(np.eye(3), np.diag([1.0, 2.0, 3.0]),
    ...                                                   [1, 2, 3])
    >>> bool(np.allclose(rotation, np.eye(3)) and np.allclose(translation, 0))
    True
    """
    return _core.pose_from_depths(bearings, world_points, depths)


@_dataclasses.dataclass(frozen=True)
class PoseInfo:
    """What three_point_poses(..., full_output=True) reports beside the poses."""

    status: Status
    """SOLVED with at least one pose; NO_REAL_SOLUTION where no pose puts all three points in
    front of the camera (bearings no camera can have); DEPENDENT_EQUATIONS for world points on
    one line (the camera may turn about it); PARTIAL with the poses of the verified solutions;
    DECLINED where the solve of the depths was."""
    depths: _np.ndarray
    """(K, 3) float64, one row per pose: the points' distances from its camera centre, all
    positive."""


def three_point_poses(bearings, world_points, *, imag_tol=1e-4, refine=True, method="fast",
                      full_output=False):
    """Every pose of a calibrated camera that sees three known points along given bearings.

    The depths' system of pose_equations is solved as solve does, each solution is taken with
    the sign that makes all three depths positive (the system is even; one with depths of
    both signs is no pose), once, and pose_from_depths gives the pose of each.

    Parameters
    ----------
    bearings : array_like, shape (3, 3)
        The directions in the camera's frame, one a row, finite and nonzero, of any length.
    world_points : array_like, shape (3, 3)
        The points, one a row, in the bearings' order, in any units and coordinates (map
        coordinates too: the fit is done about the points' mean).
    imag_tol, refine, method
        As for solve, for the depths' system.
    full_output : bool, optional
        Also return a PoseInfo with the status and each pose's depths.

    Returns
    -------
    rotations : ndarray, shape (K, 3, 3)
        K from 0 to 4, in the solver's order. World to camera: world point X is at
        ``rotations[k] @ X + translations[k]`` in pose k's camera frame.
    translations : ndarray, shape (K, 3)
    info : PoseInfo
        With full_output=True.

    The poses are bit for bit those of threePointPoses in C++ with the same options.

    Raises
    ------
    ValueError
        An argument not of shape (3, 3) or not finite, a zero bearing, a bad imag_tol or
        method.
    TypeError
        Values that are not real numbers, masked arrays, options of the wrong type.

    Examples
    --------
    A camera about 5 m from three points, turned half a turn about x:

    >>> import numpy as np, quorvane
    >>> points = np.array([[0.0, 0, 0], [2, 0, 0], [0, 1, 0.5]])
    >>> rotation, translation = np.diag([1.0, -1, -1]), np.array([0.3, -0.2, 5])
    >>> bearings = points @ rotation.T + translation
    >>> rotations, translations = quorvane.three_point_poses(bearings, points)
    >>> errors = [np.abs(r - rotation).max() + np.abs(t - translation).max()
    ...           for r, t in zip(rotations, translations)]
    >>> bool(min(errors) < 1e-12)
    True
    """
    full_output = _flag("full_output", full_output)
    imag_tol, _, refine, fast, _ = _options(imag_tol, False, refine, method, False)
    rotations, translations, depths, status = _core.three_point_poses(
        bearings, world_points, imag_tol, refine, fast)
    if not full_output:
        return rotations, translations
    return rotations, translations, PoseInfo(Status(status), depths)
