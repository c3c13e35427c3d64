## octave-cli --no-history --norc gateway/bench/time_per_call.m MODULE_DIR [CALLS [RUNS]]
## Time per call of quorvane from Octave (tic/toc over CALLS calls, median of RUNS runs), for
## the worked example, a system without real solutions and a rejected call; beside them the
## host's floor: a MEX function built the same way that does nothing (trivial_mex, in the
## same folder) and an empty loop of the same length.

## SPDX-License-Identifier: BSD-3-Clause

options = argv ();
addpath (options{1});
calls = 20000;
runs = 7;
if (numel (options) > 1)
  calls = str2double (options{2});
endif
if (numel (options) > 2)
  runs = str2double (options{3});
endif

c1 = [6, 2, 0, 0, 1, 1, 0, -7, -7, 0];
c2 = [-2, -2, 2, -2, 1, 1, 1, -1, 1, -1];
c3 = [-6, 4, -2, -4, 1, 4, 1, -1, -2, 1];
none = [20, 0, 0, 0, 1, -1, 1, 0, 0, 0];
bad = int32 (c3);
quorvane (c1, c2, c3);

names = {"worked example (8 solutions)", "no real solution (3 x 0)", ...
         "rejected input (try/catch)", "trivial MEX function", "empty loop"};
seconds = zeros (runs, numel (names));
## One loop written out per case: a function handle in the loop would add its own call cost.
for run = 1:runs
  tic;
  for i = 1:calls
    S = quorvane (c1, c2, c3);
  endfor
  seconds(run, 1) = toc;
  tic;
  for i = 1:calls
    S = quorvane (c1, c2, none);
  endfor
  seconds(run, 2) = toc;
  tic;
  for i = 1:calls
    try
      S = quorvane (c1, c2, bad);
    catch
    end_try_catch
  endfor
  seconds(run, 3) = toc;
  tic;
  for i = 1:calls
    S = trivial_mex (c1, c2, c3);
  endfor
  seconds(run, 4) = toc;
  tic;
  for i = 1:calls
  endfor
  seconds(run, 5) = toc;
endfor

printf ("%d calls, %d runs; microseconds per call (median, min, max)\n", calls, runs);
perCall = 1e6 * seconds / calls;
for k = 1:numel (names)
  printf ("  %-30s %8.2f %8.2f %8.2f\n", names{k}, median (perCall(:, k)),
          min (perCall(:, k)), max (perCall(:, k)));
endfor
