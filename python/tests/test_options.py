# SPDX-License-Identifier: BSD-3-Clause
"""Keyword options, the status of a call, complex solutions and the signatures users see."""

import inspect
import types

import numpy as np
import pytest
import quorvane
from quorvane import Status, _core
from systems import WORKED_EXAMPLE, mixed_systems, same_bits

# x² = s, y² = 1, z² = t: the eight sign choices of (±√s, ±1, ±√t), real or not as s and t are.
def squares(s, t):
    return np.array([[-s, 0, 0, 0, 1, 0, 0, 0, 0, 0],
                     [-1, 0, 0, 0, 0, 1, 0, 0, 0, 0],
                     [-t, 0, 0, 0, 0, 0, 1, 0, 0, 0]], dtype=np.float64)


def as_set(points):
    return sorted(tuple(np.round(p, 9)) for p in np.asarray(points).tolist())


def test_signatures_are_readable_with_keyword_only_options():
    solve = inspect.signature(quorvane.solve)
    assert list(solve.parameters)[:3] == ["c1", "c2", "c3"]
    batch = inspect.signature(quorvane.solve_batch)
    for signature in (solve, batch):
        for name, default in [("imag_tol", 1e-4), ("complex", False), ("refine", True),
                              ("method", "fast"), ("full_output", False)]:
            parameter = signature.parameters[name]
            assert parameter.kind is inspect.Parameter.KEYWORD_ONLY and parameter.default == default
    assert batch.parameters["threads"].default is None and batch.parameters["padded"].default is False


def test_public_names_are_the_documented_ones():
    # quorvane.dask, where Dask is installed, is a submodule beside them once imported.
    try:
        import quorvane.dask  # noqa: F401
    except ImportError:
        pass
    public = {name for name in dir(quorvane) if not name.startswith("_")}
    submodules = {name for name in public
                  if isinstance(getattr(quorvane, name), types.ModuleType)
                  and getattr(quorvane, name).__name__ == f"quorvane.{name}"}
    assert public - submodules == set(quorvane.__all__)
    assert all(hasattr(quorvane, name) for name in quorvane.__all__)
    # Helpers imported for the package's own use stay out of sight, under private names too.
    assert not hasattr(quorvane, "_installed_version")


# The library's own NO_REAL_SOLUTION, which it is yet to report.

# (system, status, argument, number of points)
STATUS_TABLE = [
    (WORKED_EXAMPLE, Status.SOLVED, None, 8),
    (squares(1, 1), Status.SOLVED, None, 8),  # no xy term anywhere: the eight corners
    pytest.param(squares(1, -1), Status.NO_REAL_SOLUTION, None, 0),
    pytest.param(squares(-1, -1), Status.NO_REAL_SOLUTION, None, 0),
    (np.where(np.arange(30).reshape(3, 10) == 14, np.nan, WORKED_EXAMPLE), Status.BAD_INPUT,
     "c2", 0),
    (np.where(np.arange(30).reshape(3, 10) == 29, -np.inf, WORKED_EXAMPLE), Status.BAD_INPUT,
     "c3", 0),
    (np.stack([WORKED_EXAMPLE[0], WORKED_EXAMPLE[1], 3 * WORKED_EXAMPLE[0]]),
     Status.DEPENDENT_EQUATIONS, None, 0),
]


@pytest.mark.parametrize("system, status, argument, found", STATUS_TABLE)
def test_full_output_tells_what_became_of_the_system(system, status, argument, found):
    points, info = quorvane.solve(*system, full_output=True)
    assert info.status is status and info.argument == argument and len(points) == found
    assert info.success == (status in (Status.SOLVED, Status.NO_REAL_SOLUTION))
    assert (info.path is None) == (status in (Status.BAD_INPUT, Status.DEPENDENT_EQUATIONS))
    if status is Status.BAD_INPUT:
        assert info.problem == "not_finite"
    assert same_bits(points, quorvane.solve(*system))
    # The batch gives each system's status in its place.
    _, count, statuses, *_ = quorvane.solve_batch(np.stack([system, WORKED_EXAMPLE]),
                                                  padded=True, full_output=True)
    assert statuses.dtype == np.int8 and statuses.tolist() == [status, Status.SOLVED]
    assert count.tolist() == [found, 8]


def test_complex_request_gives_every_finite_solution_as_complex_points():
    points = quorvane.solve(*squares(1, -4), complex=True)
    assert points.dtype == np.complex128 and points.shape == (8, 3)
    expected = [(x, y, z) for x in (-1, 1) for y in (-1, 1) for z in (-2j, 2j)]
    key = lambda p: (round(p[0].real), round(p[1].real), round(p[2].imag))  # noqa: E731
    assert np.allclose(sorted(points.tolist(), key=key), sorted(expected, key=key), rtol=0,
                       atol=1e-9)
    real = quorvane.solve(*WORKED_EXAMPLE)
    both = quorvane.solve(*WORKED_EXAMPLE, complex=True)
    assert np.abs(both.imag).max() < 1e-9 and as_set(both.real) == as_set(real)


def test_wider_tolerance_keeps_a_near_real_pair():
    # x² = 1, y² = 1, x² + z² = 1 - ε²: z = ±ε i with ε = 1.1e-4, not real at 1e-4. Its
    # real parts (z = 0) leave ε² in the last equation, within the verification's bound.
    system = squares(1, 1)
    system[2] = [1.1e-4**2 - 1, 0, 0, 0, 1, 0, 1, 0, 0, 0]
    assert quorvane.solve(*system).shape == (0, 3)
    # Each conjugate pair comes back once, as its real part.
    points = quorvane.solve(*system, imag_tol=1e-3)
    assert points.shape == (4, 3) and np.allclose(points[:, 2], 0, atol=1e-9)
    assert as_set(points) == as_set([(x, y, 0.0) for x in (-1, 1) for y in (-1, 1)])


@pytest.mark.parametrize("method", ["standard", "fast"])
@pytest.mark.parametrize("refine", [False, True])
def test_every_method_and_refinement_finds_the_worked_solutions(method, refine):
    points = quorvane.solve(*WORKED_EXAMPLE, method=method, refine=refine)
    assert as_set(points) == as_set(quorvane.solve(*WORKED_EXAMPLE, method="standard"))


def test_complex_points_come_the_standard_way_whatever_the_method():
    # The fast path finds real solutions only: asked for complex ones it must not drop them.
    systems = mixed_systems(40, seed=5)
    for system in systems:
        standard = quorvane.solve(*system, complex=True, method="standard")
        assert same_bits(quorvane.solve(*system, complex=True, method="fast"), standard)
        assert same_bits(quorvane.solve(*system, complex=True), standard)
    assert any((np.abs(quorvane.solve(*s, complex=True).imag) > 1e-3).any() for s in systems)


# (keyword, value, error, text naming it)
BAD_OPTIONS = [
    ("imag_tol", "1e-3", TypeError, "imag_tol"),
    ("imag_tol", None, TypeError, "imag_tol"),
    ("imag_tol", True, TypeError, "imag_tol"),
    ("imag_tol", -1e-3, ValueError, "imag_tol"),
    ("imag_tol", np.nan, ValueError, "imag_tol"),
    ("imag_tol", np.inf, ValueError, "imag_tol must be finite and zero or positive, not inf"),
    ("imag_tol", -np.inf, ValueError, "imag_tol"),
    ("imag_tol", 10**400, ValueError, "imag_tol must be finite .* beyond the double range"),
    ("full_output", "x", TypeError, "full_output must be True or False, not str"),
    ("complex", 1, TypeError, "complex"),
    ("refine", "yes", TypeError, "refine"),
    ("method", "quick", ValueError, "method"),
    ("method", 1, TypeError, "method"),
]


@pytest.mark.parametrize("keyword, value, error, name", BAD_OPTIONS)
def test_bad_options_raise_naming_the_option(keyword, value, error, name):
    with pytest.raises(error, match=name):
        quorvane.solve(*WORKED_EXAMPLE, **{keyword: value})
    with pytest.raises(error, match=name):
        quorvane.solve_batch(WORKED_EXAMPLE[None], **{keyword: value})
    with pytest.raises(TypeError):
        quorvane.solve(*WORKED_EXAMPLE, 1e-4)  # options are keyword-only


def test_options_the_library_refuses_have_names_in_its_report():
    # The package refuses imag_tol=inf before the library sees it; the library refuses it too,
    # with codes that the package's tables must name.
    points, status, path, argument, problem, *_ = _core.solve(*WORKED_EXAMPLE, np.inf, False,
                                                              True, True, False)
    assert len(points) == 0 and status == Status.BAD_INPUT and path == 0
    assert quorvane._ARGUMENTS[argument] == "options"
    assert quorvane._PROBLEMS[problem] == "bad_option"


@pytest.mark.parametrize("options", [
    {}, {"refine": False}, {"imag_tol": 1e-2}, {"complex": True}, {"method": "fast"},
    {"method": "fast", "complex": True},
])
def test_batch_with_options_equals_single_calls_with_them(options):
    systems = mixed_systems(80, seed=21)
    single = [quorvane.solve(*s, **options) for s in systems]
    points, index = quorvane.solve_batch(systems, threads=2, **options)
    assert same_bits(points, np.concatenate([np.empty((0, 3), points.dtype)] + single))
    assert index.tolist() == [k for k, p in enumerate(single) for _ in p]


def test_extension_carries_no_debug_information():
    # With debug information the module is some fifty times larger (tens of megabytes).
    import os
    from quorvane import _core
    assert os.path.getsize(_core.__file__) < 4_000_000
    with open(_core.__file__, "rb") as module:
        assert b".debug_info" not in module.read()


def test_batch_flags_and_numbers_beyond_the_double_range_raise_naming_them():
    with pytest.raises(TypeError, match="padded must be True or False, not str"):
        quorvane.solve_batch(WORKED_EXAMPLE[None], padded="x")
    huge = [10**400, *WORKED_EXAMPLE[0][1:]]
    with pytest.raises(ValueError, match="c1 holds an integer beyond the double range"):
        quorvane.solve(huge, *WORKED_EXAMPLE[1:])
    with pytest.raises(ValueError, match="coefficients holds an integer beyond the double range"):
        quorvane.solve_batch([[huge, *WORKED_EXAMPLE[1:].tolist()]])
    with pytest.raises(ValueError, match="range_tol must be finite"):
        quorvane.trilaterate(np.eye(3), [1.0, 1, 1], range_tol=10**400)
