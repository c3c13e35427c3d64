# SPDX-License-Identifier: BSD-3-Clause
"""trilaterate, trilaterate_batch and residuals against receivers and points placed first."""
import doctest

import numpy as np
import pytest
import quorvane
from systems import WORKED_EXAMPLE

# A room 8 x 6 m whose ceiling, 3 m up, is at z = 203 in map coordinates.
OFFSET = np.array([5e5, 4.5e6, 200.0])
CEILING = 3.0
CORNERS = np.array([[0.5, 0.5], [7.5, 0.5], [0.5, 5.5], [7.5, 5.5], [4.0, 3.0]])


def room(rng, count, below, noise, on_walls=False):
    """Anchors near the ceiling's corners (with on_walls, the fourth and later on the walls at
    random heights), a receiver `below` the ceiling away from the walls, and its ranges with
    normal noise."""
    anchors = np.empty((count, 3))
    for k in range(count):
        anchors[k] = [*(CORNERS[k % 5] + rng.uniform(-0.3, 0.3, 2)), CEILING]
        if on_walls and k >= 3:
            anchors[k] = ([0, rng.uniform(0.5, 5.5), rng.uniform(0, CEILING)] if k % 2 else
                          [rng.uniform(0.5, 7.5), 6, rng.uniform(0, CEILING)])
    anchors += OFFSET
    receiver = OFFSET + [rng.uniform(0.5, 7.5), rng.uniform(0.5, 5.5), CEILING - below]
    ranges = np.linalg.norm(anchors - receiver, axis=1)
    if noise:
        ranges = ranges + rng.normal(0, noise, count)
    return anchors, ranges, receiver


def lower(positions):
    """The position on the room's side of the ceiling, as a user below it picks."""
    return positions[np.argmin(positions[:, 2])]


def test_exact_ranges_at_map_coordinates_give_the_receiver():
    rng = np.random.default_rng(20261209)
    errors = []
    for _ in range(1000):
        anchors, ranges, receiver = room(rng, 3, rng.uniform(0.002, CEILING), 0)
        positions, info = quorvane.trilaterate(anchors, ranges, full_output=True)
        assert info.status == quorvane.Status.SOLVED
        assert positions.shape in ((1, 3), (2, 3)) and positions.dtype == np.float64
        errors.append(np.linalg.norm(positions - receiver, axis=1).min())
    assert np.mean(np.array(errors) <= 1e-6) >= 0.999


def test_noisy_ranges_beside_the_ceiling_merge_within_the_range_tolerance():
    rng = np.random.default_rng(20261210)
    within = merged = 0
    for _ in range(1000):
        anchors, ranges, receiver = room(rng, 3, rng.uniform(0.002, 0.05), 1e-3)
        positions, info = quorvane.trilaterate(anchors, ranges, range_tol=4e-3, full_output=True)
        within += np.linalg.norm(lower(positions) - receiver) <= 0.05
        merged += len(positions) == 1 and info.kind[0] == quorvane.PointKind.NEAR_DOUBLE
    assert within >= 990
    assert merged >= 500


def test_five_anchors_give_one_least_squares_position():
    rng = np.random.default_rng(20261211)
    within = 0
    for _ in range(1000):
        anchors, ranges, receiver = room(rng, 5, rng.uniform(0.5, 2.5), 1e-3, on_walls=True)
        positions, info = quorvane.trilaterate(anchors, ranges, full_output=True)
        within += len(positions) == 1 and np.linalg.norm(positions[0] - receiver) <= 0.01
        assert info.residual[0] < 5e-3
    assert within >= 990


def test_the_same_positions_as_the_library_gives_in_cpp_and_octave():
    # The input and the positions of gateway/tests/quorvane_trilaterate_test.m.
    origin = np.array([5e5, 4.5e6, 203.0])
    anchors = origin + [[0, 0, 0], [7, 0, 0], [0, 5, 0], [7, 5, 0.5]]
    ranges = np.array([3.7426573867739412, 5.9140797830996163, 3.0005000000000002,
                       5.5916699437494746])
    three = quorvane.trilaterate(anchors[:3], ranges[:3])
    assert three.tolist() == [[500002.00222461671, 4500003.0004484067, 202.00205698605015],
                              [500002.00222461671, 4500003.0004484067, 203.99794301394985]]
    four, info = quorvane.trilaterate(anchors, ranges, full_output=True)
    assert four.tolist() == [[500002.00051890028, 4500002.999330054, 201.99825196404407]]
    assert info.residual.tolist() == [0.0011480398329142901]


def test_batches_give_each_receiver_what_one_call_gives():
    rng = np.random.default_rng(20261212)
    scenes = [room(rng, 4, rng.uniform(0.002, 2.5), 1e-3) for _ in range(12)]
    anchors = np.array([s[0] for s in scenes]).reshape(3, 4, 4, 3)
    ranges = np.array([s[1] for s in scenes]).reshape(3, 4, 4)
    ranges[1, 2, 0] = np.nan
    positions, count, residual, kind, status = quorvane.trilaterate_batch(
        anchors, ranges, full_output=True)
    assert positions.shape == (3, 4, 2, 3) and count.shape == (3, 4)
    assert residual.shape == kind.shape == (3, 4, 2) and status.shape == (3, 4)
    assert status[1, 2] == quorvane.Status.BAD_INPUT and count[1, 2] == 0
    for index in np.ndindex(3, 4):
        if index == (1, 2):
            continue
        alone, info = quorvane.trilaterate(anchors[index], ranges[index], full_output=True)
        k = count[index]
        assert k == len(alone)
        assert positions[index][:k].tobytes() == alone.tobytes()
        assert np.isnan(positions[index][k:]).all() and (kind[index][k:] == -1).all()
        assert residual[index][:k].tobytes() == info.residual.tobytes()
    only, count = quorvane.trilaterate_batch(anchors, ranges)
    assert only.tobytes() == positions.tobytes()


@pytest.mark.parametrize("anchors, ranges, error", [
    (np.zeros((2, 3)), np.ones(2), ValueError),
    (np.zeros((3, 2)), np.ones(3), ValueError),
    (np.eye(3), np.ones(4), ValueError),
    (np.eye(3), [1, -1, 1], ValueError),
    (np.eye(3), [1, np.inf, 1], ValueError),
    (np.eye(3), [1, None, 1], TypeError),
    (np.eye(3), ["1", "1", "1"], TypeError),
    (np.eye(3) * 1j, np.ones(3), TypeError),
    (np.ma.masked_array(np.eye(3)), np.ones(3), TypeError),
])
def test_what_is_no_trilateration_is_refused(anchors, ranges, error):
    with pytest.raises(error):
        quorvane.trilaterate(anchors, ranges)


@pytest.mark.parametrize("range_tol, error", [(-1, ValueError), (np.inf, ValueError),
                                              (np.nan, ValueError), ("1", TypeError),
                                              (True, TypeError)])
def test_bad_range_tolerances_are_refused(range_tol, error):
    with pytest.raises(error, match="range_tol"):
        quorvane.trilaterate(np.eye(3), np.ones(3), range_tol=range_tol)


def test_anchors_on_a_line_give_no_position():
    positions, info = quorvane.trilaterate([[0, 0, 0], [1, 0, 0], [2, 0, 0]], [1, 1, 2 ** 0.5],
                                           full_output=True)
    assert positions.shape == (0, 3)
    assert info.status == quorvane.Status.DEPENDENT_EQUATIONS


def test_residuals_measure_each_point_in_each_equation():
    system = np.array(WORKED_EXAMPLE, dtype=float)
    points = quorvane.solve(*system)
    r = quorvane.residuals(system, points)
    assert r.shape == (8, 3) and r.dtype == np.float64 and r.max() < 1e-13
    assert quorvane.residuals(system, [[0, 0, 0]]).tolist() == [[1.0, 1.0, 1.0]]
    x, y, z = 0.5, -1.25, 3
    monomials = np.array([1, x * y, x * z, y * z, x * x, y * y, z * z, x, y, z])
    terms = system[1] * monomials
    assert quorvane.residuals(system, [[x, y, z]])[0, 1] == pytest.approx(
        abs(terms.sum()) / np.abs(terms).sum(), rel=1e-15)
    complex_points = quorvane.solve(*system, complex=True)
    assert quorvane.residuals(system, complex_points).max() < 1e-13
    assert quorvane.residuals(system, np.empty((0, 3))).shape == (0, 3)
    with pytest.raises(ValueError, match="coefficients"):
        quorvane.residuals(system[:2], points)
    with pytest.raises(ValueError, match="points"):
        quorvane.residuals(system, points[:, :2])
    with pytest.raises(TypeError, match="points"):
        quorvane.residuals(system, [[None, 0, 0]])


@pytest.mark.parametrize("function", ["trilaterate", "residuals"])
def test_docstring_examples_run_as_written(function):
    function = getattr(quorvane, function)
    test = doctest.DocTestParser().get_doctest(function.__doc__, {}, function.__name__, None, 0)
    assert test.examples
    assert doctest.DocTestRunner().run(test).failed == 0
