# SPDX-License-Identifier: BSD-3-Clause
import numpy as np
import pytest
import quorvane
from systems import WORKED_EXAMPLE, mixed_systems, same_bits, solve_one_by_one


@pytest.fixture(scope="module")
def systems():
    return mixed_systems(300, seed=3)


@pytest.fixture(scope="module")
def one_by_one(systems):
    return solve_one_by_one(quorvane.solve, systems)


def test_batch_equals_single_calls_element_for_element(systems, one_by_one):
    points, index = quorvane.solve_batch(systems, threads=1)
    assert points.dtype == np.float64 and index.dtype == np.int64
    assert same_bits(points, one_by_one[0])
    assert same_bits(index, one_by_one[1])
    unsolved = len(systems) - len(np.unique(index))
    assert unsolved >= 60, "the mix should hold systems without solutions"


@pytest.mark.parametrize("threads", [None, 1, 2, 3, 7, 299, 300, 301, 10_000, 2**70])
def test_thread_count_does_not_change_the_result(systems, one_by_one, threads):
    points, index = quorvane.solve_batch(systems, threads=threads)
    assert same_bits(points, one_by_one[0])
    assert same_bits(index, one_by_one[1])


@pytest.mark.parametrize("threads", [None, 1, 4])
def test_zero_systems_give_empty_arrays(threads):
    points, index = quorvane.solve_batch(np.zeros((0, 3, 10)), threads=threads)
    assert points.shape == (0, 3) and points.dtype == np.float64
    assert index.shape == (0,) and index.dtype == np.int64


LAYOUTS = {
    "nested lists": lambda s: s.tolist(),
    "Fortran order": np.asfortranarray,
    "transposed view": lambda s: np.ascontiguousarray(s.transpose(2, 1, 0)).transpose(2, 1, 0),
    "every second system": lambda s: np.repeat(s, 2, axis=0)[::2],
    "last axis reversed twice": lambda s: np.ascontiguousarray(s[:, :, ::-1])[:, :, ::-1],
    "float32": lambda s: s.astype(np.float32),
    "int32": lambda s: s.astype(np.int32),
}


@pytest.mark.parametrize("layout", LAYOUTS, ids=list(LAYOUTS))
def test_any_layout_or_dtype_is_converted_not_misread(layout):
    # Integer-valued coefficients, so every dtype holds them exactly.
    rng = np.random.default_rng(8)
    systems = np.concatenate([rng.integers(-9, 10, size=(40, 3, 10)), WORKED_EXAMPLE[None]])
    systems = systems.astype(np.float64)
    expected = quorvane.solve_batch(systems)
    given = LAYOUTS[layout](systems)
    result = quorvane.solve_batch(given, threads=2)
    assert same_bits(result[0], expected[0]) and same_bits(result[1], expected[1])
    assert len(expected[0]) >= 8


@pytest.mark.parametrize("coefficients", [
    np.zeros(10), np.zeros((10, 3)), np.zeros((2, 3, 9)), np.zeros((2, 2, 10)), np.zeros((2, 3, 11)),
    np.zeros((2, 3, 10, 1)), np.zeros(30), 1.0, [[[1.0] * 10] * 3, [[1.0] * 10] * 2],
])
def test_wrong_shapes_raise_value_error(coefficients):
    with pytest.raises(ValueError, match="coefficients"):
        quorvane.solve_batch(coefficients)


@pytest.mark.parametrize("coefficients", [
    np.zeros((2, 3, 10), dtype=np.complex128), np.full((1, 3, 10), "1"), None,
    np.array([[[object()] * 10] * 3]),
    # A non-number anywhere, even in the last system, which numpy's cast would take as NaN
    # (None), parse (text) or cut to its real part.
    [WORKED_EXAMPLE.tolist(), WORKED_EXAMPLE.tolist()[:2] + [[1.0] * 9 + [None]]],
    np.concatenate([WORKED_EXAMPLE[None].astype(object), np.full((1, 3, 10), "2", object)]),
    np.full((1, 3, 10), np.complex128(1), dtype=object),
    np.ma.masked_array(np.zeros((2, 3, 10)), mask=False),
])
def test_values_that_are_not_real_raise_type_error(coefficients):
    with pytest.raises(TypeError, match="coefficients"):
        quorvane.solve_batch(coefficients)


@pytest.mark.parametrize("threads, error", [
    (0, ValueError), (-1, ValueError), (-2**70, ValueError), (np.int64(0), ValueError),
    (2.0, TypeError), (1.5, TypeError), ("2", TypeError), ([2], TypeError), (True, TypeError),
    (False, TypeError), (np.True_, TypeError),
])
def test_bad_thread_counts_raise_naming_threads(threads, error):
    with pytest.raises(error, match="threads"):
        quorvane.solve_batch(WORKED_EXAMPLE[None], threads=threads)


def test_numpy_integers_are_thread_counts():
    points, _ = quorvane.solve_batch(WORKED_EXAMPLE[None], threads=np.int32(2))
    assert same_bits(points, quorvane.solve(*WORKED_EXAMPLE))


def test_leading_axes_are_kept_in_the_padded_form_and_flattened_in_the_flat_one(systems):
    stacked = systems[:24].reshape(2, 3, 4, 3, 10)
    flat_points, flat_index = quorvane.solve_batch(systems[:24])
    points, index = quorvane.solve_batch(stacked)
    assert same_bits(points, flat_points) and same_bits(index, flat_index)

    padded, count = quorvane.solve_batch(stacked, padded=True, threads=2)
    assert padded.shape == (2, 3, 4, 8, 3) and padded.dtype == np.float64
    assert count.shape == (2, 3, 4) and count.dtype == np.int64
    assert count.sum() == len(flat_points) and count.max() <= 8
    for leading in np.ndindex(2, 3, 4):
        system = np.ravel_multi_index(leading, (2, 3, 4))
        assert same_bits(padded[leading][:count[leading]], flat_points[flat_index == system])
        assert np.isnan(padded[leading][count[leading]:]).all()


def test_a_single_system_has_an_empty_leading_shape():
    points, count = quorvane.solve_batch(WORKED_EXAMPLE, padded=True)
    assert points.shape == (8, 3) and count.shape == () and count == 8
    assert same_bits(points, quorvane.solve(*WORKED_EXAMPLE))
    flat, index = quorvane.solve_batch(WORKED_EXAMPLE)
    assert same_bits(flat, points) and index.tolist() == [0] * 8


def test_complex_padded_batch_fills_with_complex_nan():
    stacked = np.stack([WORKED_EXAMPLE, WORKED_EXAMPLE * 0])
    points, count = quorvane.solve_batch(stacked, padded=True, complex=True)
    assert points.dtype == np.complex128 and count.tolist() == [8, 0]
    assert np.isnan(points[1].real).all() and np.isnan(points[1].imag).all()
    assert same_bits(points[0], quorvane.solve(*WORKED_EXAMPLE, complex=True))
