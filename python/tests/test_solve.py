# SPDX-License-Identifier: BSD-3-Clause
import datetime
import doctest
from concurrent.futures import ThreadPoolExecutor
from decimal import Decimal
from fractions import Fraction

import numpy as np
import pytest
import quorvane
from systems import WORKED_EXAMPLE, WORKED_SOLUTIONS, mixed_systems, same_bits


def test_worked_example_gives_its_eight_solutions_in_solver_order():
    # The standard method in the eigen-solver's order; the fast one, the default, in
    # ascending z.
    points = quorvane.solve(*WORKED_EXAMPLE, method="standard")
    assert points.dtype == np.float64 and points.shape == (8, 3)
    assert points.flags.c_contiguous
    np.testing.assert_allclose(points, WORKED_SOLUTIONS, rtol=0, atol=1e-9)
    fast = quorvane.solve(*WORKED_EXAMPLE)
    assert fast.dtype == np.float64 and fast.flags.c_contiguous
    order = np.argsort(np.asarray(WORKED_SOLUTIONS)[:, 2], kind="stable")
    np.testing.assert_allclose(fast, np.asarray(WORKED_SOLUTIONS)[order], rtol=0, atol=1e-9)


@pytest.mark.parametrize("function", [quorvane.solve, quorvane.solve_batch])
def test_docstring_example_runs_as_written(function):
    assert "1, xy, xz, yz, x², y², z², x, y, z" in function.__doc__
    test = doctest.DocTestParser().get_doctest(function.__doc__, {}, function.__name__, None, 0)
    runner = doctest.DocTestRunner(optionflags=doctest.NORMALIZE_WHITESPACE)
    runner.run(test)
    assert runner.summarize(verbose=False) == (0, len(test.examples))
    assert len(test.examples) >= 3


def strided(values):
    holder = np.full(2 * len(values), np.nan)
    holder[::2] = values
    return holder[::2]


def reversed_view(values):
    return np.ascontiguousarray(values[::-1])[::-1]


def mixed_objects(values):
    # The worked example's x² coefficients are all 1, so a bool holds them.
    assert values[4] == 1
    held = [np.float32(values[0])] + [int(v) for v in values[1:]]
    held[4] = np.bool_(True)
    return np.array(held, dtype=object)


# Each turns one equation's ten float64 coefficients into another form of the same numbers.
SAME_NUMBERS = {
    "list": lambda c: c.tolist(),
    "tuple of ints": lambda c: tuple(int(v) for v in c),
    "int64 array": lambda c: c.astype(np.int64),
    "int8 array": lambda c: c.astype(np.int8),
    "float32 array": lambda c: c.astype(np.float32),
    "column (10, 1)": lambda c: c.reshape(10, 1),
    "row (1, 10)": lambda c: c.reshape(1, 10),
    "Fortran-ordered (2, 5)": lambda c: np.asfortranarray(c.reshape(2, 5)),
    "transposed (5, 2)": lambda c: c.reshape(2, 5).T.copy().T,
    "every second element": strided,
    "negative stride": reversed_view,
    "Fractions": lambda c: [Fraction(int(v)) for v in c],
    "numpy scalars": lambda c: [np.int16(v) for v in c],
    "Decimals": lambda c: [Decimal(int(v)) for v in c],
    "object array of mixed numbers": lambda c: mixed_objects(c),
}


@pytest.mark.parametrize("form", SAME_NUMBERS, ids=list(SAME_NUMBERS))
def test_any_form_of_the_same_numbers_gives_the_same_bits(form):
    reference = quorvane.solve(*WORKED_EXAMPLE)
    converted = [SAME_NUMBERS[form](equation.copy()) for equation in WORKED_EXAMPLE]
    before = [c.copy() for c in converted if isinstance(c, np.ndarray)]
    assert same_bits(quorvane.solve(*converted), reference)
    after = [c for c in converted if isinstance(c, np.ndarray)]
    assert all(same_bits(a, b) for a, b in zip(after, before)), "input was changed"


def test_transposed_two_dimensional_arrays_are_read_in_row_major_order():
    # Stored in memory as the worked example's columns; read row by row it is another system.
    first = WORKED_EXAMPLE[0].reshape(5, 2).T
    assert not first.flags.c_contiguous
    other = quorvane.solve(first, WORKED_EXAMPLE[1], WORKED_EXAMPLE[2])
    assert same_bits(other, quorvane.solve(first.ravel(), WORKED_EXAMPLE[1], WORKED_EXAMPLE[2]))
    assert not same_bits(other, quorvane.solve(*WORKED_EXAMPLE))


BAD_ARGUMENTS = [
    ([1.0] * 9, ValueError),
    ([1.0] * 11, ValueError),
    (np.zeros((3, 10)), ValueError),
    (np.ones((2, 10)), ValueError),
    ([], ValueError),
    (5.0, ValueError),
    (np.zeros((3, 3)), ValueError),
    ([[1, 2, 3, 4, 5], [6, 7, 8, 9]], ValueError),
    ("ten values", TypeError),
    (["1"] * 10, TypeError),
    (np.ones(10, dtype=np.complex128), TypeError),
    ([1j] + [1.0] * 9, TypeError),
    (None, TypeError),
    ([object()] * 10, TypeError),
    ([1.0] * 9 + ["x"], TypeError),
    ({}, TypeError),
    (np.array([datetime.datetime(2024, 1, 1)] * 10, dtype="datetime64[s]"), TypeError),
    (np.zeros(10, dtype=[("a", np.float64)]), TypeError),
    # Held in object arrays, which numpy's cast to float64 would make NaN, parse as text or
    # cut to their real part.
    ([None] + [1.0] * 9, TypeError),
    ([[1.0] * 5, [2.0] * 4 + [None]], TypeError),
    (np.array(["1.5"] + [1.0] * 9, dtype=object), TypeError),
    (np.array([b"1"] + [1.0] * 9, dtype=object), TypeError),
    (np.array([np.complex64(1)] + [1.0] * 9, dtype=object), TypeError),
    (np.array([np.datetime64(1, "s")] + [1.0] * 9, dtype=object), TypeError),
    (np.array([[1.0]] + [1.0] * 9, dtype=object), TypeError),
    (np.ma.masked_array(np.ones(10)), TypeError),
]


@pytest.mark.parametrize("value, error", BAD_ARGUMENTS)
@pytest.mark.parametrize("position", [0, 1, 2])
def test_bad_arguments_raise_naming_the_argument(value, error, position):
    arguments = list(WORKED_EXAMPLE)
    arguments[position] = value
    with pytest.raises(error, match=f"c{position + 1}"):
        quorvane.solve(*arguments)


def test_masked_arrays_are_refused_rather_than_their_mask_ignored():
    masked = np.ma.masked_array(WORKED_EXAMPLE[0], mask=np.arange(10) == 3)
    with pytest.raises(TypeError, match=r"c1 is a masked array.*\.filled\("):
        quorvane.solve(masked, *WORKED_EXAMPLE[1:])
    with pytest.raises(TypeError, match=r"coefficients is a masked array.*\.filled\("):
        quorvane.solve_batch(np.ma.masked_array(WORKED_EXAMPLE[None]))
    # Its data, passed explicitly, is an ordinary array.
    assert same_bits(quorvane.solve(masked.filled(0), *WORKED_EXAMPLE[1:]),
                     quorvane.solve(*WORKED_EXAMPLE))


@pytest.mark.parametrize("change", [
    lambda s: s * 0,
    lambda s: np.where(np.arange(10) == 4, np.nan, s),
    lambda s: np.where(np.arange(10) == 0, -np.inf, s),
    lambda s: np.stack([s[0], s[1], 3 * s[0]]),
])
def test_declined_systems_give_an_empty_float64_array(change):
    points = quorvane.solve(*change(WORKED_EXAMPLE))
    assert points.shape == (0, 3) and points.dtype == np.float64


def test_calls_from_several_python_threads_give_the_serial_results():
    systems = mixed_systems(60, seed=5)
    serial = [quorvane.solve(*s) for s in systems]
    with ThreadPoolExecutor(max_workers=4) as pool:
        for _ in range(3):
            threaded = list(pool.map(lambda s: quorvane.solve(*s), systems))
            assert all(same_bits(a, b) for a, b in zip(threaded, serial))
    assert sum(len(p) == 0 for p in serial) >= 10 and sum(len(p) == 8 for p in serial) >= 10


def test_points_solve_their_equations_beside_tiny_coordinates_and_a_triple_root():
    # Found by mixed garbage: a complex pair at z = 87 ± 754i beside x = 6e-52 that solved
    # nothing came back under every imag_tol; three equations with a triple root at the origin
    # gave the other roots only.
    far_apart = ([0, 0, 9.9375208593847182e-05, -246.04210889427472, 0, -8.3397217572747673e-17,
                  0, -6.5988390873517539e+19, 2.9876281870901199e-13, 0],
                 [0, 0, 0, 0, 0, 0, -1.5769766227112713e-12, 0, -266761620512174.75, 0],
                 [0, 0, 0, 0, 537.81114608710482, -0.93187141357050107, 0, -108819054697.98659,
                  0, 0])
    for imag_tol in (1e-4, 1e-2, 0.0):
        points, info = quorvane.solve(*far_apart, complex=True, imag_tol=imag_tol,
                                      full_output=True)
        assert len(points) >= 1
        assert quorvane.residuals(far_apart, points).max() <= 1e-12
        assert info.status != quorvane.Status.SOLVED
    triple = ([0, -2, 0, 1, -1, -1, 0, 1, 0, 1], [0, 2, 0, -1, 0, -1, 1, 0, -1, 0],
              [0, 2, -1, -1, -1, 1, 1, -2, 1, -2])
    points, info = quorvane.solve(*triple, full_output=True)
    at_origin = np.flatnonzero(np.all(points == 0, axis=1))
    assert len(points) == 4 and len(at_origin) == 1
    assert info.kind[at_origin[0]] == quorvane.PointKind.NEAR_DOUBLE
    assert info.status == quorvane.Status.PARTIAL
    assert len(quorvane.solve(*triple, complex=True)) == 6
