# SPDX-License-Identifier: BSD-3-Clause
"""quorvane.dask on Dask's threaded scheduler and on a local cluster of two worker processes:
the same rows, bit for bit and in the same order, as one in-process solve_batch."""

import contextlib
import doctest
import importlib.util
import os
import signal
import time

import numpy as np
import pytest
import quorvane
from systems import mixed_systems, same_bits

dask = pytest.importorskip("dask")
da = pytest.importorskip("dask.array")
dd = pytest.importorskip("dask.dataframe")
distributed = pytest.importorskip("distributed")
quorvane_dask = pytest.importorskip("quorvane.dask")

# The threaded-scheduler tests run while the module's cluster is up, on purpose.
pytestmark = pytest.mark.filterwarnings("ignore:Running on a single-machine scheduler")

# Uneven chunks of 10,000 systems: empty ones, a single system, and one (4000 to 4300) of
# all-zero systems, which have no real solution.
UNEVEN_CHUNKS = (0, 1, 2999, 1000, 0, 300, 3700, 1, 1999)
NO_SOLUTION_CHUNK = slice(4000, 4300)
# Seconds after which a cluster that has stopped making progress fails the test instead of
# hanging the run; the computations take well under ten.
TIMEOUT = 300


@pytest.fixture(scope="module")
def systems():
    systems = mixed_systems(10_000, seed=14)
    systems[NO_SOLUTION_CHUNK] = 0
    return systems


@pytest.fixture(scope="module")
def in_process(systems):
    return quorvane.solve_batch(systems)


@contextlib.contextmanager
def local_cluster():
    """A client of a fresh cluster of two single-threaded worker processes, shut down however
    the block is left."""
    with distributed.LocalCluster(n_workers=2, processes=True, threads_per_worker=1,
                                  dashboard_address=":0") as cluster:
        with distributed.Client(cluster) as client:
            yield client


@pytest.fixture(scope="module")
def cluster_client():
    with local_cluster() as client:
        yield client


def computed(frame, where, request):
    if where == "cluster":
        return request.getfixturevalue("cluster_client").compute(frame).result(timeout=TIMEOUT)
    return frame.compute(scheduler=where, num_workers=2)


def assert_same_rows(frame, expected):
    points, system = expected
    assert list(frame.columns) == ["system", "x", "y", "z"]
    assert same_bits(frame[["x", "y", "z"]].to_numpy(), points)
    assert same_bits(frame["system"].to_numpy(), system)


@pytest.mark.parametrize("where", ["threads", "cluster"])
def test_uneven_chunks_give_the_in_process_rows(systems, in_process, where, request):
    coefficients = da.from_array(systems, chunks=(UNEVEN_CHUNKS, 3, 10))
    frame = quorvane_dask.solve_batch(coefficients)
    assert frame.npartitions == len(UNEVEN_CHUNKS)
    assert_same_rows(computed(frame, where, request), in_process)

    # Each partition holds the solutions of its own chunk of systems, none where there are none.
    ends = np.cumsum(UNEVEN_CHUNKS)
    expected_counts = np.diff(np.searchsorted(in_process[1], np.concatenate([[0], ends])))
    counts = computed(frame.map_partitions(len), where, request)
    assert counts.tolist() == expected_counts.tolist()
    no_solution = UNEVEN_CHUNKS.index(NO_SOLUTION_CHUNK.stop - NO_SOLUTION_CHUNK.start)
    assert counts[no_solution] == 0 and counts[0] == 0 and counts[4] == 0
    assert expected_counts.sum() == len(in_process[1]) > 20_000


# How the systems are given: the array, the options, and the partitions that follow.
GIVEN_AS = {
    "chunked along every axis":
        (lambda s: da.from_array(s, chunks=(2500, (1, 2), (4, 6))), {}, 4),
    "rechunked by chunk_systems":
        (lambda s: da.from_array(s, chunks=(6000, 3, 10)), {"chunk_systems": 777}, 13),
    "numpy array": (lambda s: s, {}, 1),
    "numpy array by chunk_systems": (lambda s: s, {"chunk_systems": 4096}, 3),
    "float32 Dask array":
        (lambda s: da.from_array(s.astype(np.float32), chunks=(3333, 3, 10)), {}, 4),
}


@pytest.mark.parametrize("given", GIVEN_AS, ids=list(GIVEN_AS))
def test_any_chunking_or_input_type_gives_the_in_process_rows(systems, given):
    make, options, partitions = GIVEN_AS[given]
    given_systems = make(systems)
    frame = quorvane_dask.solve_batch(given_systems, threads=2, **options)
    assert frame.npartitions == partitions
    expected = quorvane.solve_batch(np.asarray(given_systems))
    assert_same_rows(frame.compute(scheduler="threads"), expected)


def test_docstring_example_runs_as_written():
    example = doctest.DocTestParser().get_doctest(quorvane_dask.solve_batch.__doc__, {},
                                                  "solve_batch", None, 0)
    runner = doctest.DocTestRunner()
    runner.run(example)
    assert len(example.examples) == 5
    assert runner.summarize(verbose=False) == (0, 5)


def test_zero_systems_give_an_empty_frame_of_the_right_types():
    frame = quorvane_dask.solve_batch(da.zeros((0, 3, 10), chunks=(5, 3, 10)))
    result = frame.compute(scheduler="sync")
    assert len(result) == 0
    assert result.dtypes.tolist() == [np.int64, np.float64, np.float64, np.float64]
    assert frame.dtypes.tolist() == result.dtypes.tolist()


def with_text_in_one_chunk(systems):
    bad = systems[:2000].astype(object)
    bad[1234, 1, 4] = "x"
    return bad


BAD_INPUT = {
    "text in one chunk": with_text_in_one_chunk,
    "complex number in one chunk": lambda s: np.where(np.arange(2000)[:, None, None] == 1999,
                                                      1j, s[:2000].astype(object)),
    "complex": lambda s: s[:2000].astype(np.complex128),
}


@pytest.mark.parametrize("where", ["threads", "cluster"])
@pytest.mark.parametrize("bad", BAD_INPUT, ids=list(BAD_INPUT))
def test_bad_chunk_raises_what_the_in_process_call_raises(systems, bad, where, request):
    bad_systems = BAD_INPUT[bad](systems)
    with pytest.raises((TypeError, ValueError)) as in_process:
        quorvane.solve_batch(bad_systems)
    frame = quorvane_dask.solve_batch(da.from_array(bad_systems, chunks=(500, 3, 10)))
    with pytest.raises(type(in_process.value)) as on_dask:
        computed(frame, where, request)
    assert str(on_dask.value) == str(in_process.value)
    assert "coefficients" in str(on_dask.value)


@pytest.mark.parametrize("shape", [(2, 3, 9), (2, 2, 10), (2, 3, 11), (2, 3, 10, 1), (30,), ()])
def test_wrong_shapes_raise_the_in_process_error_at_once(shape):
    with pytest.raises(ValueError) as in_process:
        quorvane.solve_batch(np.zeros(shape))
    for given in (da.zeros(shape), np.zeros(shape)):
        with pytest.raises(ValueError) as on_dask:
            quorvane_dask.solve_batch(given)
        assert str(on_dask.value) == str(in_process.value)


@pytest.mark.parametrize("shape", [(3, 10), (2, 2, 3, 10)])
def test_stacks_other_than_one_axis_of_systems_raise_at_once(shape):
    with pytest.raises(ValueError, match=r"\(n, 3, 10\)"):
        quorvane_dask.solve_batch(da.zeros(shape))


@pytest.mark.parametrize("keywords", [{"threads": 0}, {"threads": 1.5}, {"no_such_option": 1},
                                      {"certify": 1}])
def test_wrong_keywords_raise_the_in_process_error_at_once(keywords):
    with pytest.raises((TypeError, ValueError)) as in_process:
        quorvane.solve_batch(np.zeros((1, 3, 10)), **keywords)
    with pytest.raises(type(in_process.value)) as on_dask:
        quorvane_dask.solve_batch(da.zeros((4, 3, 10), chunks=2), **keywords)
    assert str(on_dask.value).split("\n")[0] == str(in_process.value).split("\n")[0]


def test_options_reach_every_chunk(systems):
    # certify and imag_tol change what the in-process call returns or proves: each chunk gets
    # them, and the rows are the in-process ones with the same options.
    options = {"certify": True, "imag_tol": 1e-2}
    frame = quorvane_dask.solve_batch(systems[:3000], chunk_systems=700, **options)
    expected = quorvane.solve_batch(systems[:3000], **options)
    assert_same_rows(frame.compute(scheduler="threads"), expected)
    assert len(expected[0]) != len(quorvane.solve_batch(systems[:3000])[0])


def test_unknown_sizes_and_bad_chunk_systems_are_refused(systems):
    coefficients = da.from_array(systems, chunks=(1000, 3, 10))
    filtered = coefficients[coefficients[:, 0, 0] > 0]
    with pytest.raises(ValueError, match="unknown chunk sizes.*compute_chunk_sizes"):
        quorvane_dask.solve_batch(filtered)
    with pytest.raises(ValueError, match="chunk_systems must be at least 1"):
        quorvane_dask.solve_batch(coefficients, chunk_systems=0)
    with pytest.raises(TypeError, match="integer"):
        quorvane_dask.solve_batch(coefficients, chunk_systems=2500.5)


PARQUET_ENGINES = [name for name in ("pyarrow", "fastparquet") if importlib.util.find_spec(name)]


@pytest.mark.parametrize("written_as", ["parquet", "csv"])
def test_zarr_store_to_files_of_solutions(systems, in_process, tmp_path, written_as):
    zarr = pytest.importorskip("zarr")
    if written_as == "parquet" and not PARQUET_ENGINES:
        pytest.skip("no Parquet engine: neither pyarrow nor fastparquet is installed "
                    "(Debian 12 packages neither)")
    store = str(tmp_path / "systems.zarr")
    zarr.open(store, mode="w", shape=systems.shape, chunks=(2500, 3, 10), dtype="f8")[:] = systems
    frame = quorvane_dask.solve_batch(da.from_zarr(store))
    threads = {"scheduler": "threads"}
    if written_as == "parquet":
        frame.to_parquet(tmp_path / "solutions", write_index=False, compute_kwargs=threads)
        back = dd.read_parquet(tmp_path / "solutions").compute(**threads)
    else:
        # Fewer than ten files, so that their names sort in partition order.
        frame.to_csv(str(tmp_path / "solutions-*.csv"), index=False, compute_kwargs=threads)
        back = dd.read_csv(str(tmp_path / "solutions-*.csv"),
                           float_precision="round_trip").compute(**threads)
    assert frame.npartitions == 4
    points, system = in_process
    assert np.array_equal(back[["x", "y", "z"]].to_numpy(), points, equal_nan=True)
    assert np.array_equal(back["system"].to_numpy(), system)


def test_killed_worker_still_gives_every_row(systems, in_process):
    def read_slowly(block):
        # Storage that takes a while: the run lasts seconds, so the kill lands within it.
        time.sleep(0.05)
        return block

    bounds = range(0, len(systems) + 1, 250)
    blocks = [da.from_delayed(dask.delayed(read_slowly)(systems[start:stop]),
                              shape=(stop - start, 3, 10), dtype=np.float64)
              for start, stop in zip(bounds[:-1], bounds[1:])]
    frame = quorvane_dask.solve_batch(da.concatenate(blocks))
    assert frame.npartitions == 40

    with local_cluster() as client:
        pids = client.run(os.getpid)
        running = client.persist(frame)
        partitions = distributed.futures_of(running)
        first_done, _ = distributed.wait(partitions, timeout=TIMEOUT,
                                         return_when="FIRST_COMPLETED")
        holder = client.who_has(next(iter(first_done)))
        killed = pids[next(iter(holder.values()))[0]]
        done_at_kill = sum(partition.done() for partition in partitions)
        os.kill(killed, signal.SIGKILL)

        assert_same_rows(client.compute(running).result(timeout=TIMEOUT), in_process)
        assert done_at_kill < len(partitions), "the kill should land while the run goes on"
        assert killed not in client.run(os.getpid).values()
