"""Systems per second of quorvane.dask on Dask's threaded scheduler and on a local cluster of
two worker processes, against one in-process solve_batch(threads=2). Run it with the
interpreter the module is installed in:

    build/venv/bin/python bench/dask_bench.py [--systems 1000000] [--chunk-systems 32768 ...]

The systems (products of planes: eight real solutions each) are written once as a stack of
.npy files per chunk size, and read back with dask.array.from_npy_stack, as a user's data
would come from storage; the in-process call gets them from memory. Each Dask figure is given
twice: "solved" stops at the number of rows per partition, so that the solutions stay where
they were computed (as when each worker writes its partitions to files), and "gathered"
brings every row back to this process as one pandas DataFrame. "from memory" sends the
array held by this process to the workers instead of reading it there.

The machine may be shared: beside the wall time, each line gives the CPU time that the run
took in this process (which holds the cluster's scheduler) and in the worker processes. That
one hardly depends on what else runs, and tells where the time beyond the solving goes. The
measurements take turns, round by round, so that a change of load hits each of them alike.
"""

import argparse
import os
import shutil
import tempfile
import time
import warnings

import dask.array as da
import distributed
import numpy as np
import quorvane
import quorvane.dask
from python_bench import products_of_planes


IDLE_SECONDS = 5


def load():
    return "load {:.2f} {:.2f} {:.2f}".format(*os.getloadavg())


def cpu_seconds(client):
    """CPU time of this process and of the cluster's workers (if any) so far."""
    workers = client.run(time.process_time).values() if client else ()
    return time.process_time() + sum(workers)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--systems", type=int, default=1_000_000)
    parser.add_argument("--chunk-systems", type=int, nargs="+",
                        default=[quorvane.dask.DEFAULT_CHUNK_SYSTEMS])
    parser.add_argument("--repeat", type=int, default=2)
    options = parser.parse_args()
    count, chunks = options.systems, options.chunk_systems
    systems = products_of_planes(count, seed=4)
    rows = len(quorvane.solve_batch(systems, threads=2)[0])
    print(f"{count:,} products of planes, {rows:,} solutions; best of {options.repeat}; "
          f"{os.cpu_count()} cores; {load()}", flush=True)
    # The threaded scheduler is measured on purpose while the cluster's client is up.
    warnings.filterwarnings("ignore", message="Running on a single-machine scheduler")

    stacks = tempfile.mkdtemp(prefix="quorvane-dask-bench-")
    start = time.perf_counter()
    try:
        for chunk in chunks:
            da.to_npy_stack(os.path.join(stacks, str(chunk)),
                            da.from_array(systems, chunks=(chunk, 3, 10)))

        def stored(chunk):
            return quorvane.dask.solve_batch(da.from_npy_stack(os.path.join(stacks, str(chunk))))

        def solved(frame, **where):
            assert frame.map_partitions(len).compute(**where).sum() == rows

        def gathered(frame, **where):
            assert len(frame.compute(**where)) == rows

        threads = {"scheduler": "threads", "num_workers": 2}
        from_memory = da.from_array(systems, chunks=(chunks[0], 3, 10))
        runs = {"in process, solve_batch(threads=2)":
                (lambda: quorvane.solve_batch(systems, threads=2), False)}
        runs.update({f"threads, chunks of {chunk}, solved":
                     (lambda chunk=chunk: solved(stored(chunk), **threads), False)
                     for chunk in chunks})
        runs.update({f"cluster, chunks of {chunk}, solved":
                     (lambda chunk=chunk: solved(stored(chunk)), True) for chunk in chunks})
        runs[f"cluster, chunks of {chunks[0]}, gathered"] = (lambda: gathered(stored(chunks[0])),
                                                              True)
        runs[f"cluster, chunks of {chunks[0]}, from memory, solved"] = (
            lambda: solved(quorvane.dask.solve_batch(from_memory)), True)

        with distributed.LocalCluster(n_workers=2, processes=True, threads_per_worker=1,
                                      dashboard_address=":0") as cluster, \
                distributed.Client(cluster) as client:
            print(f"cluster of 2 worker processes (1 thread each) started in "
                  f"{time.perf_counter() - start:.2f} s (with the .npy stacks written)")
            # Imports on the workers are not part of the rate.
            client.run(__import__, "quorvane.dask")
            idle_before = cpu_seconds(client)
            time.sleep(IDLE_SECONDS)
            idle = (cpu_seconds(client) - idle_before) / IDLE_SECONDS
            print(f"the idle cluster takes {idle:.3f} s CPU a second (event loops, heartbeats, "
                  f"the workers' profiler)", flush=True)
            wall = {label: [] for label in runs}
            cpu = {label: [] for label in runs}
            for _ in range(options.repeat):
                for label, (run, on_cluster) in runs.items():
                    cpu_before = cpu_seconds(client if on_cluster else None)
                    before = time.perf_counter()
                    run()
                    wall[label].append(time.perf_counter() - before)
                    cpu[label].append(cpu_seconds(client if on_cluster else None) - cpu_before)
                    print(f"  {label}: {wall[label][-1]:.2f} s, {cpu[label][-1]:.2f} s CPU "
                          f"({load()})", flush=True)
    finally:
        shutil.rmtree(stacks)

    reference_label = next(iter(runs))
    reference, reference_cpu = min(wall[reference_label]), min(cpu[reference_label])
    print(f"\n{'':46} {'wall':>8} {'systems/s':>11} {'share':>7} {'CPU':>8} {'CPU share':>9}")
    for label in runs:
        seconds, cpu_used = min(wall[label]), min(cpu[label])
        print(f"{label:46} {seconds:7.2f}s {count / seconds:11,.0f} {reference / seconds:7.1%} "
              f"{cpu_used:7.2f}s {reference_cpu / cpu_used:9.1%}")
    print(load())


if __name__ == "__main__":
    main()
