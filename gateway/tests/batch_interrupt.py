# SPDX-License-Identifier: BSD-3-Clause
"""Ctrl-C in a long quorvane_batch, sent as a real SIGINT to octave-cli: the call must end with
the error quorvane:interrupted, long before the batch would have finished, and the script
must run on after it (the session intact).

    batch_interrupt.py OCTAVE_CLI MODULE_DIRECTORY
"""
import signal
import subprocess
import sys
import time

octave, modules = sys.argv[1], sys.argv[2]
# 400,000 copies of the worked system take several seconds on one thread.
script = f"""
addpath ('{modules}');
C = repmat ([6 2 0 0 1 1 0 -7 -7 0 -2 -2 2 -2 1 1 1 -1 1 -1 -6 4 -2 -4 1 4 1 -1 -2 1]', 1, 4e5);
quorvane_batch (C(:, 1:10), 1);
disp ('started'); fflush (stdout);
t = tic;
try
  S = quorvane_batch (C, 1);
  printf ('finished after %.3f s\\n', toc (t));
catch failure
  printf ('caught %s after %.3f s\\n', failure.identifier, toc (t));
end_try_catch
disp ('alive'); fflush (stdout);
"""
host = subprocess.Popen([octave, "--no-history", "--norc", "--eval", script],
                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
lines = []
for line in host.stdout:
    lines.append(line.rstrip())
    if lines[-1] == "started":
        break
time.sleep(1.0)
sent = time.monotonic()
host.send_signal(signal.SIGINT)
answer = host.stdout.readline().rstrip()
latency = time.monotonic() - sent
lines += [answer] + [line.rstrip() for line in host.stdout]
code = host.wait()
print("\n".join(lines))
print(f"answer {latency:.3f} s after SIGINT; exit code {code}")
# The batch alone takes several seconds: an answer within 1.5 s of the signal is the poll's.
ok = (answer.startswith("caught quorvane:interrupted") and lines[-1] == "alive" and code == 0
      and latency < 1.5)
sys.exit(0 if ok else 1)
