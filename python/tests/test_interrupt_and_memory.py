# SPDX-License-Identifier: BSD-3-Clause
"""Ctrl-C during a batch, and a batch's memory, each in a fresh interpreter."""

import subprocess
import sys
import textwrap

import pytest

# 300,000 random systems take seconds on one thread; SIGINT comes 0.5 s into the call.
INTERRUPTED_BATCH = textwrap.dedent("""
    import os, signal, sys, threading, time
    import numpy as np, quorvane
    systems = np.random.default_rng(4).normal(size=(300_000, 3, 10))
    sent = []
    def interrupt():
        time.sleep(0.5)
        sent.append(time.perf_counter())
        os.kill(os.getpid(), signal.SIGINT)
    threading.Thread(target=interrupt).start()
    started = time.perf_counter()
    try:
        quorvane.solve_batch(systems, threads=int(sys.argv[1]))
        print("completed", time.perf_counter() - started)
    except KeyboardInterrupt:
        print("interrupted", time.perf_counter() - sent[0])
""")


@pytest.mark.parametrize("threads", [1, 2])
def test_ctrl_c_stops_a_running_batch(threads):
    result = subprocess.run([sys.executable, "-c", INTERRUPTED_BATCH, str(threads)],
                            capture_output=True, text=True, timeout=300, check=True)
    outcome, seconds = result.stdout.split()
    assert outcome == "interrupted", result.stdout
    # Not a speed figure: the whole batch takes several seconds, a batch that ignored the
    # signal until its end would be seen here.
    assert float(seconds) < 1.5, result.stdout


# 400,000 systems without solutions: 96 MB of input that the call must read in place.
PEAK_MEMORY = textwrap.dedent("""
    import resource
    import numpy as np, quorvane
    systems = np.full((400_000, 3, 10), 0.0)
    before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
    points, index = quorvane.solve_batch(systems, threads=1)
    assert len(points) == 0
    print(resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - before)
""")


def test_float64_c_contiguous_input_is_not_copied():
    result = subprocess.run([sys.executable, "-c", PEAK_MEMORY], capture_output=True, text=True,
                            timeout=300, check=True)
    growth_kib = int(result.stdout)
    assert growth_kib < 48 * 1024, f"peak grew by {growth_kib} KiB for 96 MB of input"
