# SPDX-License-Identifier: BSD-3-Clause
"""pose_equations, pose_from_depths and three_point_poses against cameras placed first."""
import doctest

import numpy as np
import pytest
import quorvane

MAP_OFFSET = np.array([5e5, 4.5e6, 200.0])


def random_rotation(rng):
    """A rotation drawn uniformly, from a normalised Gaussian quaternion."""
    q = rng.normal(size=4)
    w, x, y, z = q / np.linalg.norm(q)
    return np.array([[1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)],
                     [2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)],
                     [2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)]])


def scene(rng, offset=np.zeros(3)):
    """A camera (rotation, translation), three points 2 to 10 m in front of it within a 90°
    field of view, one a row, moved `offset` from the world origin, their bearings of random
    lengths and their depths. The points are rounded to their coordinates there before the
    camera sees them, so that the scene is exact at those coordinates too."""
    rotation = random_rotation(rng)
    translation = rng.normal(size=3) * 3
    placed = np.column_stack([rng.uniform(-1, 1, (3, 2)), np.ones(3)]) * rng.uniform(2, 10, (3, 1))
    # Their differences from the offset are exact (Sterbenz).
    world = ((placed - translation) @ rotation + offset) - offset
    seen = world @ rotation.T + translation
    return (rotation, translation - rotation @ offset, world + offset,
            seen * rng.uniform(0.1, 10, (3, 1)), np.linalg.norm(seen, axis=1))


def largest_angle(rotation, translation, world, bearings):
    """The largest angle between where the pose puts each point and its bearing."""
    seen = world @ rotation.T + translation
    return np.arctan2(np.linalg.norm(np.cross(seen, bearings), axis=1),
                      np.sum(seen * bearings, axis=1)).max()


def nearest(rotations, rotation):
    return np.argmin(np.linalg.norm(rotations - rotation, axis=(1, 2)))


def test_random_cameras_are_among_the_poses_and_every_pose_sees_the_points():
    rng = np.random.default_rng(20261230)
    for _ in range(300):
        rotation, translation, world, bearings, _ = scene(rng)
        rotations, translations, info = quorvane.three_point_poses(bearings, world,
                                                                   full_output=True)
        assert info.status == quorvane.Status.SOLVED
        k = len(rotations)
        assert 1 <= k <= 4 and rotations.shape == (k, 3, 3) and translations.shape == (k, 3)
        assert info.depths.shape == (k, 3) and rotations.dtype == np.float64
        assert (info.depths > 0).all()
        for r, t, d in zip(rotations, translations, info.depths):
            assert largest_angle(r, t, world, bearings) < 1e-9
            np.testing.assert_allclose(r.T @ r, np.eye(3), rtol=0, atol=1e-12)
            assert np.linalg.det(r) == pytest.approx(1, abs=1e-12)
            np.testing.assert_allclose(np.linalg.norm(world + r.T @ t, axis=1), d, rtol=1e-9)
        j = nearest(rotations, rotation)
        np.testing.assert_allclose(rotations[j], rotation, rtol=0, atol=1e-9)
        np.testing.assert_allclose(translations[j], translation, rtol=0,
                                   atol=1e-9 * max(1, np.linalg.norm(translation)))


def test_map_coordinates_lose_nothing():
    rng = np.random.default_rng(20261231)
    for _ in range(300):
        rotation, translation, world, bearings, _ = scene(rng, MAP_OFFSET)
        rotations, translations = quorvane.three_point_poses(bearings, world)
        j = nearest(rotations, rotation)
        centre = -rotations[j].T @ translations[j]
        np.testing.assert_allclose(rotations[j], rotation, rtol=0, atol=1e-9)
        assert np.linalg.norm(centre + rotation.T @ translation) <= 1e-6


def test_pose_equations_have_the_law_of_cosines_and_the_depths_solve_them():
    # Bearings along x, at 45° to it and along z; points 5, 10 and 13 squared apart.
    c = quorvane.pose_equations([[1, 0, 0], [1, 1, 0], [0, 0, 2]], np.diag([1, 2, 3]))
    assert c.shape == (3, 10) and c.dtype == np.float64
    expected = np.zeros((3, 10))
    expected[:, 0] = [-5, -10, -13]
    expected[0, 1] = -np.sqrt(2)
    expected[[0, 0, 1, 1, 2, 2], [4, 5, 4, 6, 5, 6]] = 1
    np.testing.assert_allclose(c, expected, rtol=0, atol=1e-15)

    rng = np.random.default_rng(20261232)
    for _ in range(50):
        _, _, world, bearings, depths = scene(rng)
        c = quorvane.pose_equations(bearings, world)
        assert quorvane.residuals(c, [depths, -depths]).max() < 1e-13
        roots = quorvane.solve(*c)
        assert np.linalg.norm(roots - depths, axis=1).min() < 1e-9 * np.linalg.norm(depths)


def positive_depths(roots):
    """Each root with the sign that makes its depths positive, once (the system is even)."""
    kept = []
    for root in np.where(roots.max(axis=1, keepdims=True) < 0, -roots, roots):
        if (root > 0).all() and not any(np.linalg.norm(k - root) <= 1e-9 * np.linalg.norm(root)
                                        for k in kept):
            kept.append(root)
    return np.array(kept).reshape(-1, 3)


def test_three_point_poses_are_its_two_steps():
    # The depths' system solved with the same options, its positive solutions fitted one by
    # one: what the library's own call does, bit for bit.
    rng = np.random.default_rng(20261233)
    for refine in (False, True):
        for _ in range(20):
            _, _, world, bearings, _ = scene(rng)
            rotations, translations, info = quorvane.three_point_poses(
                bearings, world, refine=refine, full_output=True)
            roots = quorvane.solve(*quorvane.pose_equations(bearings, world), refine=refine)
            positive = positive_depths(roots)
            assert info.depths.tobytes() == positive.tobytes()
            for r, t, d in zip(rotations, translations, positive):
                rotation, translation = quorvane.pose_from_depths(bearings, world, d)
                assert r.tobytes() == rotation.tobytes()
                assert t.tobytes() == translation.tobytes()


def test_a_camera_above_an_isosceles_triangle_is_found():
    # Its depths (5, √26, √26) are a double root of the system; the triangle's mirror symmetry
    # swaps the other two poses, so there are three, each once.
    points = np.array([[0.0, 0, 0], [1, 0, 0], [0, 1, 0]])
    rotation, translation = np.diag([1.0, -1, -1]), np.array([0.0, 0, 5])
    rotations, translations = quorvane.three_point_poses(points @ rotation.T + translation,
                                                         points)
    assert len(rotations) == 3
    j = nearest(rotations, rotation)
    np.testing.assert_allclose(rotations[j], rotation, rtol=0, atol=1e-9)
    np.testing.assert_allclose(translations[j], translation, rtol=0, atol=1e-9)


def test_pose_from_depths_gives_the_camera_back():
    rng = np.random.default_rng(20261234)
    for _ in range(200):
        rotation, translation, world, bearings, depths = scene(rng)
        r, t = quorvane.pose_from_depths(bearings, world, depths)
        assert r.shape == (3, 3) and t.shape == (3,)
        np.testing.assert_allclose(r, rotation, rtol=0, atol=1e-12)
        np.testing.assert_allclose(t, translation, rtol=0,
                                   atol=1e-12 * max(1, np.linalg.norm(translation)))


def test_points_on_a_line_and_bearings_on_a_line_give_no_pose():
    rng = np.random.default_rng(20261235)
    _, _, world, bearings, _ = scene(rng)
    line = world.copy()
    line[2] = (line[0] + line[1]) / 2
    rotations, translations, info = quorvane.three_point_poses(bearings, line, full_output=True)
    assert rotations.shape == (0, 3, 3) and translations.shape == (0, 3)
    assert info.status == quorvane.Status.DEPENDENT_EQUATIONS
    parallel = np.tile([1.0, 2, 3], (3, 1))
    rotations, _, info = quorvane.three_point_poses(parallel, world, full_output=True)
    assert len(rotations) == 0 and info.status == quorvane.Status.NO_REAL_SOLUTION


GOOD = np.eye(3) + 0.5


@pytest.mark.parametrize("bearings, world_points, error, name", [
    (np.ones((2, 3)), GOOD, ValueError, "bearings"),
    (GOOD, np.ones(9), ValueError, "world_points"),
    ([[np.nan, 0, 1], [0, 1, 1], [1, 0, 1]], GOOD, ValueError, "bearings"),
    ([[0, 0, 0], [0, 1, 1], [1, 0, 1]], GOOD, ValueError, "bearings"),
    (GOOD, [[0, 0, 0], [np.inf, 1, 1], [1, 0, 1]], ValueError, "world_points"),
    ([[None, 0, 1], [0, 1, 1], [1, 0, 1]], GOOD, TypeError, "bearings"),
    (GOOD, GOOD * 1j, TypeError, "world_points"),
    (np.ma.masked_array(GOOD), GOOD, TypeError, "bearings"),
])
def test_what_is_no_pose_is_refused_naming_the_argument(bearings, world_points, error, name):
    for call in (quorvane.pose_equations, quorvane.three_point_poses,
                 lambda b, w: quorvane.pose_from_depths(b, w, [1, 2, 3])):
        with pytest.raises(error, match=name):
            call(bearings, world_points)


def test_bad_depths_and_options_are_refused():
    for depths in ([1, 2], [1, np.nan, 3], [[1, 2, 3]]):
        with pytest.raises(ValueError, match="depths"):
            quorvane.pose_from_depths(GOOD, np.eye(3), depths)
    for options, error, name in (({"imag_tol": -1}, ValueError, "imag_tol"),
                                 ({"imag_tol": np.inf}, ValueError, "imag_tol"),
                                 ({"method": "quick"}, ValueError, "method"),
                                 ({"refine": 1}, TypeError, "refine"),
                                 ({"full_output": "yes"}, TypeError, "full_output")):
        with pytest.raises(error, match=name):
            quorvane.three_point_poses(GOOD, np.eye(3), **options)


@pytest.mark.parametrize("function", ["pose_equations", "pose_from_depths", "three_point_poses"])
def test_docstring_examples_run_as_written(function):
    function = getattr(quorvane, function)
    test = doctest.DocTestParser().get_doctest(function.__doc__, {}, function.__name__, None, 0)
    assert test.examples
    assert doctest.DocTestRunner().run(test).failed == 0
