# SPDX-License-Identifier: BSD-3-Clause
"""Very many systems on Dask: quorvane.solve_batch over the chunks of a Dask array.

solve_batch(coefficients) takes a Dask array of shape (n, 3, 10) and returns a lazy Dask
DataFrame with one row per real solution: columns system (the global index of the system),
x, y, z. Each chunk of systems is one task, solved by the in-process quorvane.solve_batch,
so the threaded scheduler and distributed clusters both run it; there is no scheduler of
our own.

Needs Dask's array and DataFrame parts (pandas), and distributed for clusters: the extra
quorvane[dask], or Debian's python3-dask, python3-pandas and python3-distributed.
"""

import operator

import numpy as np

try:
    import dask
    import dask.array as da
    import dask.dataframe as dd
    import pandas as pd
except ImportError as missing:
    raise ImportError(
        "quorvane.dask needs Dask's array and DataFrame parts (Dask and pandas): install the "
        "extra quorvane[dask], or on Debian python3-dask and python3-pandas "
        f"(and python3-distributed for clusters); {missing}") from missing

# The package's own solve_batch, which checks its keywords and fills in their defaults.
from . import solve_batch as _in_process_batch

__all__ = ["solve_batch", "DEFAULT_CHUNK_SYSTEMS"]

# Systems per chunk when the input is not yet a Dask array: 7.9 MB of coefficients and about
# half a second of one core. That hides the milliseconds a task costs a cluster, and leaves
# enough chunks to keep every worker busy to the end and to solve a lost worker's share again
# quickly.
DEFAULT_CHUNK_SYSTEMS = 32_768

_EQUATIONS, _COEFFICIENTS = 3, 10


def _solution_frame(system, points):
    return pd.DataFrame({"system": system, "x": points[:, 0], "y": points[:, 1],
                         "z": points[:, 2]})


def _solutions_of_chunk(systems, first_system, keywords):
    points, system = _in_process_batch(systems, **keywords)
    return _solution_frame(system + np.int64(first_system), points)


def solve_batch(coefficients, *, threads=1, chunk_systems=None, **keywords):
    """solve_batch(coefficients, *, threads=1, chunk_systems=None, **keywords) -> DataFrame

    Every real solution of very many systems, as a lazy Dask DataFrame.

    Parameters
    ----------
    coefficients : dask.array.Array of shape (n, 3, 10)
        System k, equation e is coefficients[k, e], ten coefficients in the order of
        quorvane.solve (1, xy, xz, yz, x², y², z², x, y, z). Chunked along the first axis:
        each chunk of systems is one task. Chunks along the other two axes are merged first.
        A numpy array (or anything numpy turns into one) is wrapped in chunks of
        `chunk_systems` systems. The chunk sizes along the first axis must be known.
    threads : int, optional
        Threads of the in-process solve_batch for each chunk. 1 by default, because Dask
        already runs one chunk per worker thread or process.
    chunk_systems : int, optional
        Systems per chunk: the input is rechunked to it along the first axis. None keeps a
        Dask array's chunks, and uses DEFAULT_CHUNK_SYSTEMS (32,768) for other input.
    **keywords
        Passed on to the in-process quorvane.solve_batch for each chunk (imag_tol, complex,
        refine, method, certify). They are checked once here, on zero systems, so that a
        wrong one fails now rather than on a worker.

    Returns
    -------
    dask.dataframe.DataFrame
        Columns system (int64), x, y, z (float64), one row per real solution, one partition
        per chunk. Computed, the rows are exactly, bit for bit and in the same order, those
        of quorvane.solve_batch on the whole array: system is the global index of the system
        each row solves (the chunk's offset plus the index within it). Each partition has
        its own index 0, 1, ... and the divisions are unknown, as after read_csv; the number
        of solutions is known only once computed. For numpy arrays:
        frame[["x", "y", "z"]].to_dask_array(lengths=True) and frame["system"].

    Raises
    ------
    ValueError
        Now, for a shape other than (n, 3, 10), unknown chunk sizes along the first axis or
        a chunk_systems below 1; and what the in-process call raises for the keywords.
    TypeError
        Now, for a chunk_systems that is not an integer.
    TypeError, ValueError
        When computed, what the in-process solve_batch raises for a chunk, with the same
        message (values that are not real numbers, say).

    Examples
    --------
    >>> import numpy as np, dask.array as da, quorvane.dask
    >>> system = [[6, 2, 0, 0, 1, 1, 0, -7, -7, 0],
    ...           [-2, -2, 2, -2, 1, 1, 1, -1, 1, -1],
    ...           [-6, 4, -2, -4, 1, 4, 1, -1, -2, 1]]
    >>> systems = da.from_array(np.array([system, np.zeros((3, 10)), system]), chunks=2)
    >>> frame = quorvane.dask.solve_batch(systems)
    >>> frame.npartitions, np.bincount(frame.system.compute()).tolist()
    (2, [8, 0, 8])
    """
    if chunk_systems is not None:
        # An integer, as for threads: no silent truncation of 1e4 or 2.5.
        chunk_systems = operator.index(chunk_systems)
        if chunk_systems < 1:
            raise ValueError(f"chunk_systems must be at least 1, not {chunk_systems}")
    if not isinstance(coefficients, da.Array):
        coefficients = np.asarray(coefficients)
    shape = tuple(coefficients.shape)
    # The in-process call's words for a shape it refuses; stacks of other than one leading
    # axis, which it takes, are not split into chunks here.
    if len(shape) < 2 or shape[-2:] != (_EQUATIONS, _COEFFICIENTS):
        raise ValueError(f"coefficients must have shape (..., 3, 10), not {shape}")
    if len(shape) != 3:
        raise ValueError(f"quorvane.dask takes coefficients of shape (n, 3, 10), not {shape}")
    if not isinstance(coefficients, da.Array):
        coefficients = da.from_array(coefficients, chunks=(
            chunk_systems or DEFAULT_CHUNK_SYSTEMS, _EQUATIONS, _COEFFICIENTS))
    if any(np.isnan(size) for size in coefficients.chunks[0]):
        raise ValueError("coefficients has unknown chunk sizes along its first axis; call "
                         "coefficients.compute_chunk_sizes() first")
    if chunk_systems is not None:
        coefficients = coefficients.rechunk({0: chunk_systems})
    if coefficients.numblocks[1:] != (1, 1):
        coefficients = coefficients.rechunk({1: -1, 2: -1})

    keywords = dict(keywords, threads=threads)
    _in_process_batch(np.zeros((0, _EQUATIONS, _COEFFICIENTS)), **keywords)

    first_systems = np.cumsum((0,) + coefficients.chunks[0][:-1]).tolist()
    blocks = coefficients.to_delayed().ravel()
    solve_chunk = dask.delayed(_solutions_of_chunk, pure=True)
    partitions = [solve_chunk(block, first, keywords)
                  for block, first in zip(blocks, first_systems)]
    meta = _solution_frame(np.empty(0, np.int64), np.empty((0, 3)))
    return dd.from_delayed(partitions, meta=meta, prefix="quorvane-solve-batch")
