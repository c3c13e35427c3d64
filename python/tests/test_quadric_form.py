# SPDX-License-Identifier: BSD-3-Clause
"""The coefficient helpers against the expanded polynomials, round trips and bad input."""

import doctest

import numpy as np
import pytest
import quorvane


def expanded(c, points):
    """c[0] + c[1] xy + c[2] xz + c[3] yz + c[4] x² + c[5] y² + c[6] z² + c[7] x + c[8] y
    + c[9] z at points of shape (..., 3), written out term by term."""
    x, y, z = points[..., 0], points[..., 1], points[..., 2]
    c = np.moveaxis(c, -1, 0)
    return (c[0] + c[1] * x * y + c[2] * x * z + c[3] * y * z + c[4] * x * x + c[5] * y * y
            + c[6] * z * z + c[7] * x + c[8] * y + c[9] * z)


def quadric_value(q, points):
    h = np.concatenate([points, np.ones(points.shape[:-1] + (1,))], axis=-1)
    return np.einsum("...i,...ij,...j->...", h, q, h)


def test_coefficients_of_matrices_give_their_values_at_random_points():
    # 200 matrices of a (20, 10) stack, not symmetric, each at its own random point.
    rng = np.random.default_rng(15)
    q = rng.uniform(-3, 3, size=(20, 10, 4, 4))
    points = rng.uniform(-3, 3, size=(20, 10, 3))
    c = quorvane.quadric_coefficients(q)
    assert c.shape == (20, 10, 10) and c.dtype == np.float64
    np.testing.assert_allclose(expanded(c, points), quadric_value(q, points), rtol=0, atol=1e-11)


def test_sphere_coefficients_give_squared_distance_minus_squared_radius():
    rng = np.random.default_rng(16)
    centres = rng.uniform(-10, 10, size=(50, 3))
    radii = rng.uniform(0, 10, size=50)
    points = rng.uniform(-10, 10, size=(50, 3))
    c = quorvane.sphere_coefficients(centres, radii)
    assert c.shape == (50, 10)
    np.testing.assert_allclose(expanded(c, points),
                               np.sum((points - centres) ** 2, axis=-1) - radii ** 2,
                               rtol=0, atol=1e-10)
    # A scalar radius broadcasts against every centre.
    np.testing.assert_array_equal(quorvane.sphere_coefficients(centres, 2.5),
                                  quorvane.sphere_coefficients(centres, np.full(50, 2.5)))


def test_round_trips():
    rng = np.random.default_rng(17)
    c = rng.normal(size=(7, 3, 10))
    q = quorvane.quadric_matrix(c)
    assert q.shape == (7, 3, 4, 4)
    np.testing.assert_array_equal(q, np.swapaxes(q, -1, -2))
    np.testing.assert_array_equal(quorvane.quadric_coefficients(q), c)
    points = rng.normal(size=(7, 3, 3))
    np.testing.assert_allclose(quadric_value(q, points), expanded(c, points), atol=1e-12)
    general = rng.normal(size=(5, 4, 4))
    np.testing.assert_allclose(quorvane.quadric_matrix(quorvane.quadric_coefficients(general)),
                               (general + np.swapaxes(general, -1, -2)) / 2, rtol=1e-15)


def test_each_coefficient_lands_on_its_entries():
    # (row, column) of Q for 1, xy, xz, yz, x², y², z², x, y, z.
    entries = [(3, 3), (0, 1), (0, 2), (1, 2), (0, 0), (1, 1), (2, 2), (0, 3), (1, 3), (2, 3)]
    for i, (row, column) in enumerate(entries):
        expected = np.zeros((4, 4))
        expected[row, column] += 1
        expected[column, row] += 1
        np.testing.assert_array_equal(quorvane.quadric_matrix(2.0 * np.eye(10)[i]), expected)


def test_stacks_and_spheres_solve_as_one_system():
    anchors = np.array([[0.0, 0, 0], [4, 0, 0], [0, 3, 0]])
    receiver = np.array([1.25, 0.5, 2])
    spheres = quorvane.sphere_coefficients(anchors, np.linalg.norm(anchors - receiver, axis=1))
    points = quorvane.solve(*spheres)
    points = points[np.argsort(points[:, 2])]
    np.testing.assert_allclose(points, [[1.25, 0.5, -2], [1.25, 0.5, 2]], atol=1e-9)
    # The same spheres through their matrices.
    points_via_matrices = quorvane.solve(
        *quorvane.quadric_coefficients(quorvane.quadric_matrix(spheres)))
    np.testing.assert_array_equal(np.sort(points_via_matrices, axis=0), np.sort(points, axis=0))


@pytest.mark.parametrize("call, error, message", [
    (lambda: quorvane.quadric_coefficients(np.eye(3)), ValueError, "quadric must have shape"),
    (lambda: quorvane.quadric_coefficients(np.zeros(16)), ValueError, r"\(16,\)"),
    (lambda: quorvane.quadric_coefficients([[1, 2], [3]]), ValueError, "quadric"),
    (lambda: quorvane.quadric_coefficients(np.eye(4) * 1j), TypeError, "quadric has dtype"),
    (lambda: quorvane.quadric_coefficients(None), TypeError, "quadric is None"),
    (lambda: quorvane.quadric_matrix(np.zeros(9)), ValueError, "coefficients must have shape"),
    (lambda: quorvane.quadric_matrix(np.zeros((10, 3))), ValueError, r"\(10, 3\)"),
    (lambda: quorvane.quadric_matrix(["a"] * 10), TypeError, "coefficients has dtype"),
    (lambda: quorvane.quadric_matrix([1, None] * 5), TypeError, "coefficients holds"),
    (lambda: quorvane.sphere_coefficients([0, 0], 1), ValueError, "centre must have shape"),
    (lambda: quorvane.sphere_coefficients(np.zeros((4, 3)), [1, 2]), ValueError, "radius of shape"),
    (lambda: quorvane.sphere_coefficients([0, 0, 0], "1"), TypeError, "radius has dtype"),
    (lambda: quorvane.sphere_coefficients([0, 0, 1j], 1), TypeError, "centre has dtype"),
])
def test_bad_input_names_the_argument(call, error, message):
    with pytest.raises(error, match=message):
        call()


@pytest.mark.parametrize("function", [quorvane.quadric_coefficients, quorvane.quadric_matrix,
                                      quorvane.sphere_coefficients])
def test_docstring_examples_run_as_written(function):
    for section in ("Parameters", "Returns", "Raises", "Examples"):
        assert f"\n    {section}\n    ---" in function.__doc__
    test = doctest.DocTestParser().get_doctest(function.__doc__, {}, function.__name__, None, 0)
    runner = doctest.DocTestRunner(optionflags=doctest.NORMALIZE_WHITESPACE)
    runner.run(test)
    assert runner.summarize(verbose=False) == (0, len(test.examples))
    assert len(test.examples) >= 2


def test_version_is_the_cmake_project_version():
    import importlib.metadata
    import pathlib
    import re
    cmake = (pathlib.Path(__file__).parents[2] / "CMakeLists.txt").read_text()
    version = re.search(r"project\(quorvane VERSION ([0-9.]+)", cmake).group(1)
    assert quorvane.__version__ == version
    assert importlib.metadata.version("quorvane") == version
    assert importlib.metadata.metadata("quorvane")["License"] == "BSD-3-Clause"
