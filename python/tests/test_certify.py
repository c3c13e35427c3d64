# SPDX-License-Identifier: BSD-3-Clause
"""certify=True, the kinds and radii of returned points and the certified flag, from solve,
solve_batch and quorvane.dask."""

import inspect

import numpy as np
import pytest
import quorvane
from quorvane import PointKind, Status
from systems import WORKED_EXAMPLE, mixed_systems, same_bits

# What the library proves once its certification is in; until then radii stay NaN,
# certified False, and a system without real solutions reports SOLVED.

# x² + 1 = 0, y² = 1, z² = 1: eight solutions (±i, ±1, ±1), none real.
NO_REAL = np.array([[1, 0, 0, 0, 1, 0, 0, 0, 0, 0],
                    [-1, 0, 0, 0, 0, 1, 0, 0, 0, 0],
                    [-1, 0, 0, 0, 0, 0, 1, 0, 0, 0]], dtype=np.float64)


def as_set(points):
    return sorted(tuple(np.round(p, 9)) for p in np.asarray(points).tolist())


def test_certify_is_a_keyword_only_option_off_by_default():
    for function in (quorvane.solve, quorvane.solve_batch):
        parameter = inspect.signature(function).parameters["certify"]
        assert parameter.kind is inspect.Parameter.KEYWORD_ONLY and parameter.default is False
    assert [(k.name, int(k)) for k in PointKind] == [("ROOT", 0), ("NEAR_DOUBLE", 1),
                                                     ("APPROXIMATE", 2)]
    assert "PointKind" in quorvane.__all__


@pytest.mark.parametrize("value", [1, 0, "yes", None, 1.0, np.array([True])])
def test_certify_takes_only_true_or_false(value):
    with pytest.raises(TypeError, match="certify"):
        quorvane.solve(*WORKED_EXAMPLE, certify=value)
    with pytest.raises(TypeError, match="certify"):
        quorvane.solve_batch(WORKED_EXAMPLE[None], certify=value)


@pytest.mark.parametrize("certify", [False, True, np.bool_(True)])
@pytest.mark.parametrize("options", [{}, {"complex": True}, {"method": "fast"},
                                     {"refine": False}, {"imag_tol": 1e-2}])
def test_full_output_describes_every_returned_point(certify, options):
    points, info = quorvane.solve(*WORKED_EXAMPLE, certify=certify, full_output=True, **options)
    assert len(points) == 8 and info.status is Status.SOLVED
    assert info.radius.shape == (8,) and info.radius.dtype == np.float64
    assert info.kind.shape == (8,) and info.kind.dtype == np.int8
    assert type(info.certified) is bool
    # The eight solutions are simple: genuine roots, whatever was asked.
    assert (info.kind == PointKind.ROOT).all()
    if not certify:
        assert np.isnan(info.radius).all() and info.certified is False
    # Certification proves the points; it finds the same ones.
    assert as_set(points.real) == as_set(quorvane.solve(*WORKED_EXAMPLE, **options).real)


@pytest.mark.parametrize("system", [WORKED_EXAMPLE * 0, np.where(np.eye(3, 10), np.nan, 1.0)])
def test_systems_without_points_have_empty_point_reports(system):
    for certify in (False, True):
        points, info = quorvane.solve(*system, certify=certify, full_output=True)
        assert points.shape == (0, 3) and info.certified is False
        assert info.radius.shape == (0,) and info.radius.dtype == np.float64
        assert info.kind.shape == (0,) and info.kind.dtype == np.int8


def test_solve_info_compares_by_status_and_path_not_by_arrays():
    _, a = quorvane.solve(*WORKED_EXAMPLE, full_output=True)
    _, b = quorvane.solve(*WORKED_EXAMPLE, full_output=True)
    assert a == b  # NaN radii would make array fields unequal, or raise


def single_reports(systems, **options):
    """Per system: (status, certified, radius, kind) of single calls."""
    reports = []
    for system in systems:
        _, info = quorvane.solve(*system, full_output=True, **options)
        reports.append((info.status, info.certified, info.radius, info.kind))
    return reports


@pytest.mark.parametrize("certify", [False, True])
def test_batch_reports_equal_those_of_single_calls(certify):
    systems = np.concatenate([mixed_systems(60, seed=11), NO_REAL[None], WORKED_EXAMPLE[None]])
    single = single_reports(systems, certify=certify)
    points, index, status, certified, radius, kind = quorvane.solve_batch(
        systems, threads=2, certify=certify, full_output=True)
    assert status.dtype == np.int8 and status.shape == (len(systems),)
    assert certified.dtype == np.bool_ and certified.shape == (len(systems),)
    assert radius.dtype == np.float64 and radius.shape == (len(points),)
    assert kind.dtype == np.int8 and kind.shape == (len(points),)
    assert status.tolist() == [s for s, _, _, _ in single]
    assert certified.tolist() == [c for _, c, _, _ in single]
    # Row for row: each row's radius and kind are those of its point in the single call.
    assert same_bits(radius, np.concatenate([r for _, _, r, _ in single]))
    assert same_bits(kind, np.concatenate([k for _, _, _, k in single]))
    assert same_bits(points, quorvane.solve_batch(systems, certify=certify)[0])


def test_padded_batch_reports_keep_the_leading_axes():
    systems = np.concatenate([mixed_systems(22, seed=4), NO_REAL[None], WORKED_EXAMPLE[None]])
    stacked = systems.reshape(2, 3, 4, 3, 10)
    _, index, status, certified, radius, kind = quorvane.solve_batch(
        systems, certify=True, full_output=True)
    points, count, pstatus, pcertified, pradius, pkind = quorvane.solve_batch(
        stacked, certify=True, padded=True, full_output=True, threads=2)
    assert pstatus.shape == pcertified.shape == count.shape == (2, 3, 4)
    assert pradius.shape == pkind.shape == (2, 3, 4, 8)
    assert pradius.dtype == np.float64 and pkind.dtype == np.int8
    assert same_bits(pstatus.ravel(), status) and same_bits(pcertified.ravel(), certified)
    for leading in np.ndindex(2, 3, 4):
        k, n = np.ravel_multi_index(leading, (2, 3, 4)), count[leading]
        assert same_bits(pradius[leading][:n], radius[index == k])
        assert same_bits(pkind[leading][:n], kind[index == k])
        # Slots without a point: NaN radius, kind -1 (no PointKind).
        assert np.isnan(pradius[leading][n:]).all() and (pkind[leading][n:] == -1).all()


def test_batch_of_one_system_and_of_none():
    points, count, status, certified, radius, kind = quorvane.solve_batch(
        WORKED_EXAMPLE, padded=True, full_output=True)
    assert status.shape == certified.shape == () and count == 8
    assert radius.shape == kind.shape == (8,) and (kind == PointKind.ROOT).all()
    result = quorvane.solve_batch(np.zeros((0, 3, 10)), certify=True, full_output=True)
    assert [a.shape for a in result] == [(0, 3), (0,), (0,), (0,), (0,), (0,)]
    assert [a.dtype for a in result[2:]] == [np.int8, np.bool_, np.float64, np.int8]
    # Without full_output, certify changes nothing of the form.
    assert len(quorvane.solve_batch(WORKED_EXAMPLE[None], certify=True)) == 2


@pytest.mark.parametrize("method", ["standard", "fast"])
def test_certify_proves_the_worked_example(method):
    points, info = quorvane.solve(*WORKED_EXAMPLE, certify=True, method=method,
                                  full_output=True)
    assert len(points) == 8 and info.certified is True
    assert np.isfinite(info.radius).all() and (info.radius > 0).all()
    assert (info.radius < 1e-6).all()
    _, _, _, certified, radius, _ = quorvane.solve_batch(
        np.stack([WORKED_EXAMPLE, WORKED_EXAMPLE]), certify=True, method=method,
        full_output=True)
    assert certified.tolist() == [True, True] and np.isfinite(radius).all()


def test_no_real_solution_is_the_library_s_status():
    points, info = quorvane.solve(*NO_REAL, full_output=True)
    assert points.shape == (0, 3) and info.status is Status.NO_REAL_SOLUTION and info.success
    _, _, status, *_ = quorvane.solve_batch(np.stack([NO_REAL, WORKED_EXAMPLE]),
                                            full_output=True)
    assert status.tolist() == [Status.NO_REAL_SOLUTION, Status.SOLVED]
    # Certified too: the eight proved boxes are all the solutions, and none is real.
    _, info = quorvane.solve(*NO_REAL, certify=True, full_output=True)
    assert info.status is Status.NO_REAL_SOLUTION and info.certified is True


def test_wider_tolerance_marks_near_real_points_approximate():
    # x² = 1, y² = 1, x² + z² = 1 - ε²: z = ±ε i with ε = 1.1e-4, real only under 1e-3.
    system = NO_REAL.copy()
    system[0, 0] = -1
    system[2] = [1.1e-4**2 - 1, 0, 0, 0, 1, 0, 1, 0, 0, 0]
    points, info = quorvane.solve(*system, imag_tol=1e-3, full_output=True)
    assert len(points) == 4 and (info.kind == PointKind.APPROXIMATE).all()
    assert np.isnan(info.radius).all()
