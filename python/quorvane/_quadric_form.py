# SPDX-License-Identifier: BSD-3-Clause
"""The coefficient order from quadric matrices and spheres, and back, over stacked arrays."""

import numpy as np

# Entry (row, column) of the 4 x 4 matrix Q, rows and columns x, y, z, 1, that holds each of
# the coefficients of 1, xy, xz, yz, x², y², z², x, y, z; off the diagonal it holds half.
_ROWS = np.array([3, 0, 0, 1, 0, 1, 2, 0, 1, 2])
_COLUMNS = np.array([3, 1, 2, 2, 0, 1, 2, 3, 3, 3])
_ON_DIAGONAL = _ROWS == _COLUMNS

# numpy dtype kinds that become float64 keeping their meaning: booleans, integers, floats.
_REAL_KINDS = "biuf"


def _float64_array(value, name):
    if value is None:
        raise TypeError(f"{name} is None, not an array of real numbers")
    try:
        array = np.asarray(value)
    except ValueError as error:  # ragged nested sequences
        raise ValueError(f"{name}: {error}") from None
    if array.dtype.kind in _REAL_KINDS:
        return array.astype(np.float64, copy=False)
    if array.dtype.kind == "O":
        # Each through float(), which refuses None (astype would make it NaN) and complex.
        try:
            return np.frompyfunc(float, 1, 1)(array).astype(np.float64)
        except (TypeError, ValueError) as error:
            raise TypeError(f"{name} holds a value that is not a real number: {error}") from None
    raise TypeError(f"{name} has dtype {array.dtype}, which is not a real number type")


def _with_last_axes(array, name, axes, expected):
    if array.ndim < len(axes) or array.shape[-len(axes):] != axes:
        raise ValueError(f"{name} must have shape {expected}, not {array.shape}")
    return array


def quadric_coefficients(quadric):
    """Coefficients of the quadrics [x y z 1] Q [x y z 1]ᵀ = 0 given by 4 x 4 matrices.

    Parameters
    ----------
    quadric : array_like, shape (..., 4, 4)
        One matrix Q per quadric, rows and columns in the order x, y, z, 1, with any leading
        (batch) shape. Only the symmetric part (Q + Qᵀ) / 2 enters the equation, so Q need
        not be symmetric: the two entries of each off-diagonal pair are summed.

    Returns
    -------
    numpy.ndarray, float64, shape (..., 10)
        The coefficients of 1, xy, xz, yz, x², y², z², x, y, z, the order of :func:`solve`:
        ``Q[3, 3], Q[0, 1] + Q[1, 0], Q[0, 2] + Q[2, 0], Q[1, 2] + Q[2, 1], Q[0, 0], Q[1, 1],
        Q[2, 2], Q[0, 3] + Q[3, 0], Q[1, 3] + Q[3, 1], Q[2, 3] + Q[3, 2]``.

    Raises
    ------
    ValueError
        When `quadric` does not end in two axes of length 4, or is ragged.
    TypeError
        When `quadric` holds values that are not real numbers (complex, text, None).

    See Also
    --------
    quadric_matrix : the symmetric matrix of given coefficients.
    sphere_coefficients : the coefficients of spheres.

    Examples
    --------
    The unit sphere, x² + y² + z² - 1 = 0:

    >>> import numpy as np, quorvane
    >>> quorvane.quadric_coefficients(np.diag([1, 1, 1, -1])).tolist()
    [-1.0, 0.0, 0.0, 0.0, 1.0, 1.0, 1.0, 0.0, 0.0, 0.0]
    """
    q = _with_last_axes(_float64_array(quadric, "quadric"), "quadric", (4, 4), "(..., 4, 4)")
    entries = q[..., _ROWS, _COLUMNS]
    return np.where(_ON_DIAGONAL, entries, entries + q[..., _COLUMNS, _ROWS])


def quadric_matrix(coefficients):
    """The symmetric 4 x 4 matrices Q of equations given by their ten coefficients.

    The inverse of :func:`quadric_coefficients` on symmetric matrices: each off-diagonal
    coefficient is split in equal halves between Q[i, j] and Q[j, i], so that
    ``quadric_coefficients(quadric_matrix(c))`` gives `c` back exactly.

    Parameters
    ----------
    coefficients : array_like, shape (..., 10)
        Coefficients of 1, xy, xz, yz, x², y², z², x, y, z, with any leading (batch) shape.

    Returns
    -------
    numpy.ndarray, float64, shape (..., 4, 4)
        Symmetric Q, rows and columns x, y, z, 1, with [x y z 1] Q [x y z 1]ᵀ equal to the
        equation's value at (x, y, z).

    Raises
    ------
    ValueError
        When the last axis of `coefficients` does not have length 10, or it is ragged.
    TypeError
        When `coefficients` holds values that are not real numbers (complex, text, None).

    Examples
    --------
    x y - 1 = 0, a hyperbolic cylinder:

    >>> import quorvane
    >>> quorvane.quadric_matrix([-1, 1, 0, 0, 0, 0, 0, 0, 0, 0]).tolist()
    [[0.0, 0.5, 0.0, 0.0], [0.5, 0.0, 0.0, 0.0], [0.0, 0.0, 0.0, 0.0], [0.0, 0.0, 0.0, -1.0]]
    """
    c = _float64_array(coefficients, "coefficients")
    c = _with_last_axes(c, "coefficients", (10,), "(..., 10)")
    entries = np.where(_ON_DIAGONAL, c, 0.5 * c)
    q = np.zeros(c.shape[:-1] + (4, 4))
    q[..., _ROWS, _COLUMNS] = entries
    q[..., _COLUMNS, _ROWS] = entries
    return q


def sphere_coefficients(centre, radius):
    """Coefficients of the spheres ``|(x, y, z) - centre|² - radius² = 0``.

    Three spheres about known anchors with measured ranges as radii make a system for
    :func:`solve` (trilateration): it gives the two positions mirrored in the anchors' plane,
    or one where they meet.

    Parameters
    ----------
    centre : array_like, shape (..., 3)
        Centres (x, y, z), with any leading (batch) shape.
    radius : array_like, shape (...)
        Radii, broadcast against the leading shape of `centre`; only radius² enters.

    Returns
    -------
    numpy.ndarray, float64, shape (..., 10)
        ``|centre|² - radius², 0, 0, 0, 1, 1, 1, -2 cx, -2 cy, -2 cz`` in the order 1, xy,
        xz, yz, x², y², z², x, y, z.

    Raises
    ------
    ValueError
        When the last axis of `centre` does not have length 3, or `radius` does not broadcast
        against the rest of its shape.
    TypeError
        When `centre` or `radius` holds values that are not real numbers.

    Examples
    --------
    Ranges from three anchors to the point (1, 2, 3), and its mirror image in z = 0:

    >>> import numpy as np, quorvane
    >>> anchors = np.array([[0, 0, 0], [5, 0, 0], [0, 5, 0]])
    >>> ranges = np.linalg.norm(anchors - [1, 2, 3], axis=1)
    >>> spheres = quorvane.sphere_coefficients(anchors, ranges)
    >>> spheres.shape
    (3, 10)
    >>> points = quorvane.solve(*spheres)
    >>> np.round(points[np.argsort(points[:, 2])], 9).tolist()
    [[1.0, 2.0, -3.0], [1.0, 2.0, 3.0]]
    """
    centres = _with_last_axes(_float64_array(centre, "centre"), "centre", (3,), "(..., 3)")
    radii = _float64_array(radius, "radius")
    try:
        shape = np.broadcast_shapes(centres.shape[:-1], radii.shape)
    except ValueError:
        raise ValueError(f"radius of shape {radii.shape} does not broadcast against the centres "
                         f"of shape {centres.shape}") from None
    centres = np.broadcast_to(centres, shape + (3,))
    c = np.zeros(shape + (10,))
    c[..., 0] = np.sum(centres * centres, axis=-1) - radii * radii
    c[..., 4:7] = 1
    c[..., 7:10] = -2 * centres
    return c
