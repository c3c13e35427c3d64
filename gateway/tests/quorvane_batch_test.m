## Tests of [S, K] = quorvane_batch(C, threads) called from Octave: the same columns as a loop
## of quorvane, both layouts, every thread count, state across calls and bad input.

## SPDX-License-Identifier: BSD-3-Clause

%!shared C, loopS, loopK
%! ## 300 systems: random ones (0 to 8 real solutions), the worked example, a cube's corners
%! ## (no xy term) and every tenth one degenerate (all zero, NaN, dependent).
%! rand ("seed", 7); randn ("seed", 7);
%! worked = [6, 2, 0, 0, 1, 1, 0, -7, -7, 0, -2, -2, 2, -2, 1, 1, 1, -1, 1, -1, ...
%!           -6, 4, -2, -4, 1, 4, 1, -1, -2, 1]';
%! corners = [-1, 0, 0, 0, 1, 0, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1, 0, 0, 0, 0, ...
%!            -1, 0, 0, 0, 0, 0, 1, 0, 0, 0]';
%! C = randn (30, 300);
%! C(:, 3:10:end) = repmat (worked, 1, 30);
%! C(:, 5:10:end) = repmat (corners, 1, 30);
%! C(:, 10:30:end) = 0;
%! C(7, 20:30:end) = NaN;
%! C(21:30, 30:30:end) = 2 * C(1:10, 30:30:end);
%! loopS = zeros (3, 0); loopK = zeros (1, 0);
%! for k = 1:columns (C)
%!   S = quorvane (C(1:10, k), C(11:20, k), C(21:30, k));
%!   S = S(:, ! any (isnan (S), 1));
%!   loopS = [loopS, S]; loopK = [loopK, k * ones(1, columns (S))];
%! endfor

## Bit for bit the columns of single calls, in system order, whatever the thread count.
%!test
%! assert (columns (loopS) > 600);
%! for threads = {{}, {1}, {2}, {3}, {7}, {300}, {4096}}
%!   [S, K] = quorvane_batch (C, threads{1}{:});
%!   assert (isequal (S, loopS) && isequal (K, loopK));
%! endfor
%! assert (! any (ismember (10:30:300, loopK)), "all-zero systems have no solutions");

## 10 x 3 x N is the same batch as 30 x N; a 10-row matrix of 3N columns too.
%!test
%! [S, K] = quorvane_batch (reshape (C, 10, 3, []), 2);
%! assert (isequal (S, loopS) && isequal (K, loopK));
%! [S, K] = quorvane_batch (reshape (C, 10, []), 2);
%! assert (isequal (S, loopS) && isequal (K, loopK));

## Empty batches, one output, and a big call followed by a small one.
%!test
%! [S, K] = quorvane_batch (zeros (30, 0));
%! assert (size (S), [3, 0]); assert (size (K), [1, 0]);
%! S = quorvane_batch (C);
%! assert (isequal (S, loopS));
%! [S, K] = quorvane_batch (C(:, 3));
%! assert (size (S), [3, 8]); assert (K, ones (1, 8));

## Bad input, each with its identifier.
%!test
%! bad = {{}, "quorvane:inputCount"; {C, 1, 1}, "quorvane:inputCount";
%!        {int8(C)}, "quorvane:notDouble"; {single(C)}, "quorvane:notDouble";
%!        {sparse(C)}, "quorvane:sparse"; {complex(C)}, "quorvane:complex";
%!        {C(1:29, :)}, "quorvane:batchShape"; {C(1:10, 1:4)}, "quorvane:batchShape";
%!        {C'}, "quorvane:batchShape"; {C, 0}, "quorvane:threads"; {C, 1.5}, "quorvane:threads";
%!        {C, -1}, "quorvane:threads"; {C, NaN}, "quorvane:threads"; {C, [1, 2]}, "quorvane:threads";
%!        {C, "2"}, "quorvane:threads"; {C, int32(2)}, "quorvane:threads";
%!        {C, 4097}, "quorvane:threads"};
%! for k = 1:rows (bad)
%!   try
%!     quorvane_batch (bad{k, 1}{:});
%!     error ("quorvane_batch accepted bad input %d", k);
%!   catch failure
%!     assert (failure.identifier, bad{k, 2});
%!   end_try_catch
%! endfor
%! try
%!   [a, b, c] = quorvane_batch (C);
%!   error ("three outputs accepted");
%! catch failure
%!   assert (failure.identifier, "quorvane:outputCount");
%! end_try_catch
