## Tests of [S, K, R, P, V, T] = quorvane_batch(C, threads, name, value, ...) called from
## Octave: the same columns as a loop of quorvane, both layouts, every thread count, state
## across calls, the name-value options, the radii, kinds, certified flags and statuses, and
## bad input.

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

## With the standard method (quorvane's), bit for bit the columns of single calls, in system
## order, whatever the thread count.
%!test
%! assert (columns (loopS) > 600);
%! for threads = {{}, {1}, {2}, {3}, {7}, {300}, {4096}}
%!   [S, K] = quorvane_batch (C, threads{1}{:}, "Method", "standard");
%!   assert (isequal (S, loopS) && isequal (K, loopK));
%! endfor
%! assert (! any (ismember (10:30:300, loopK)), "all-zero systems have no solutions");

## 10 x 3 x N is the same batch as 30 x N; a 10-row matrix of 3N columns too.
%!test
%! [S, K] = quorvane_batch (reshape (C, 10, 3, []), 2, "Method", "standard");
%! assert (isequal (S, loopS) && isequal (K, loopK));
%! [S, K] = quorvane_batch (reshape (C, 10, []), 2, "Method", "standard");
%! assert (isequal (S, loopS) && isequal (K, loopK));

## Empty batches, one output, and a big call followed by a small one.
%!test
%! [S, K] = quorvane_batch (zeros (30, 0));
%! assert (size (S), [3, 0]); assert (size (K), [1, 0]);
%! S = quorvane_batch (C, "Method", "standard");
%! assert (isequal (S, loopS));
%! [S, K] = quorvane_batch (C(:, 3));
%! assert (size (S), [3, 8]); assert (K, ones (1, 8));

## Bad input, each with its identifier.
%!test
%! bad = {{}, "quorvane:inputCount";
%!        {int8(C)}, "quorvane:notDouble"; {single(C)}, "quorvane:notDouble";
%!        {sparse(C)}, "quorvane:sparse"; {complex(C)}, "quorvane:complex";
%!        {C(1:29, :)}, "quorvane:batchShape"; {C(1:10, 1:4)}, "quorvane:batchShape";
%!        {C'}, "quorvane:batchShape"; {C, 0}, "quorvane:threads"; {C, 1.5}, "quorvane:threads";
%!        {C, -1}, "quorvane:threads"; {C, NaN}, "quorvane:threads"; {C, [1, 2]}, "quorvane:threads";
%!        {C, int32(2)}, "quorvane:threads"; {C, true}, "quorvane:threads";
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
%!   [a, b, c, d, e, f, g] = quorvane_batch (C);
%!   error ("seven outputs accepted");
%! catch failure
%!   assert (failure.identifier, "quorvane:outputCount");
%!   assert (! isempty (strfind (failure.message, "at most six outputs")));
%! end_try_catch

## The same real points per system, each within 1e-6 relative of its match, in any order
## (sorting would not do: points may share a coordinate up to rounding).
%!function assert_same_points (S, K, expectedS, expectedK)
%!  assert (isequal (K, expectedK), "not the same number of points per system");
%!  for k = unique (K)
%!    left = S(:, K == k);
%!    for b = expectedS(:, expectedK == k)
%!      [distance, nearest] = min (sqrt (sum ((left - b) .^ 2, 1)));
%!      assert (distance <= 1e-6 * max (1, norm (b)), "system %d: no point near (%g, %g, %g)", ...
%!              k, b);
%!      left(:, nearest) = [];
%!    endfor
%!  endfor
%!endfunction

## Each point's largest equation value relative to the size of its terms.
%!function r = relative_residuals (C, S, K)
%!  r = zeros (1, columns (S));
%!  for j = 1:columns (S)
%!    p = S(:, j);
%!    terms = [1; p(1) * p(2); p(1) * p(3); p(2) * p(3); p .^ 2; p];
%!    c = reshape (C(:, K(j)), 10, 3);
%!    r(j) = max (abs (c' * terms) ./ (abs (c') * abs (terms)));
%!  endfor
%!endfunction

## 'Method', 'fast', the default, finds the points of the standard method, whatever the
## thread count; on the worked example its eight known ones.
%!test
%! [S, K] = quorvane_batch (C, "Method", "fast");
%! assert_same_points (S, K, loopS, loopK);
%! [S0, K0] = quorvane_batch (C);
%! assert (isequal (S0, S) && isequal (K0, K));
%! [S3, K3] = quorvane_batch (C, 3, "method", "FAST");
%! assert (isequal (S3, S) && isequal (K3, K));
%! worked = [-9,  4, -6,  1, -4, -1, -4, -1
%!           15, -3, 12,  0, 10,  2,  5,  7
%!           23, -5, 20, -2, 13,  5,  8, 10];
%! [S, K] = quorvane_batch (C(:, [3, 3]), "Method", "fast");
%! assert_same_points (S, K, [worked, worked], [ones(1, 8), 2 * ones(1, 8)]);
%! ## Whole-number points, so that rounding makes the sort safe.
%! assert (S, round (S), 1e-9);
%! assert (sortrows (round (S(:, 1:8))'), sortrows (worked'));

## Options at their defaults, given or overridden by later pairs, change nothing.
%!test
%! [defaultS, defaultK] = quorvane_batch (C);
%! for options = {{"Method", "fast"}, {"ImagTol", 1e-4, "Refine", false}, ...
%!                {"Method", "standard", "mEthOd", "Fast"}, {2, "REFINE", 0, "imagtol", 1e-4}, ...
%!                {"Refine", true, "ImagTol", 1, "Refine", false, "ImagTol", 1e-4}}
%!   [S, K] = quorvane_batch (C, options{1}{:});
%!   assert (isequal (S, defaultS) && isequal (K, defaultK));
%! endfor

## A wider 'ImagTol' keeps near-real points. Beside the worked example's first two
## equations, z^2 + 1e-6 = 0 makes every solution 1e-3 away from real.
%!test
%! near = [6, 2, 0, 0, 1, 1, 0, -7, -7, 0, -2, -2, 2, -2, 1, 1, 1, -1, 1, -1, ...
%!         1e-6, 0, 0, 0, 0, 0, 1, 0, 0, 0]';
%! assert (size (quorvane_batch (near)), [3, 0]);
%! S = quorvane_batch (near, "ImagTol", 1e-2);
%! assert (columns (S) >= 4);
%! ## The real parts: z = 0 and (x, y) where x + y is 1 or 6 and x - y is -1 or 2.
%! assert (abs (S(3, :)) < 1e-9);
%! assert (ismember (round (2 * (S(1, :) + S(2, :))), [2, 12]));
%! assert (ismember (round (2 * (S(1, :) - S(2, :))), [-2, 4]));
%! ## Never fewer points per system than the default tolerance gives.
%! [~, K] = quorvane_batch (C, "ImagTol", 1e-2);
%! assert (all (accumarray (K', 1, [300, 1]) >= accumarray (loopK', 1, [300, 1])));

## 'Refine', true moves no point away from its system: residuals no larger.
%!test
%! [S, K] = quorvane_batch (C, "Refine", true);
%! assert (isequal (K, loopK));
%! assert_same_points (S, K, loopS, loopK);
%! refined = relative_residuals (C, S, K);
%! plain = relative_residuals (C, loopS, loopK);
%! for k = unique (K)
%!   assert (max (refined(K == k)) <= max (plain(K == k)), "system %d", k);
%! endfor

## Bad options, each with its identifier, and a message that names what was expected.
%!test
%! bad = {{C, "Method"}, "quorvane:optionValue", "'Method' .argument 2. has no value";
%!        {C, 2, "Refine"}, "quorvane:optionValue", "name-value pairs";
%!        {C, "ImagTol", 1e-3, "method"}, "quorvane:optionValue", "argument 4";
%!        {C, "Speed", 1}, "quorvane:optionName", ...
%!        "'Speed'.*'Method', 'ImagTol', 'Refine' or 'Certify'";
%!        {C, "2"}, "quorvane:optionName", "'2'";
%!        {C, 1, 1}, "quorvane:optionName", "argument 3";
%!        {C, "", 1}, "quorvane:optionName", "char with 0 elements";
%!        {C, 2, {"Method"}, "fast"}, "quorvane:optionName", "argument 3 .cell";
%!        {C, ["Met"; "hod"], "fast"}, "quorvane:optionName", "char with 6";
%!        {C, "Method", "quick"}, "quorvane:method", "'quick'; expected 'standard' or 'fast'";
%!        {C, "Method", 1}, "quorvane:method", "is 1;";
%!        {C, "Method", ["fa"; "st"]}, "quorvane:method", "char with 4 elements";
%!        {C, "Method", "fast "}, "quorvane:method", "'fast '";
%!        {C, "ImagTol", -1}, "quorvane:imagTol", "is -1; expected a real finite nonnegative";
%!        {C, "ImagTol", NaN}, "quorvane:imagTol", "is nan;";
%!        {C, "ImagTol", Inf}, "quorvane:imagTol", "is inf;";
%!        {C, "ImagTol", [1, 2] * 1e-3}, "quorvane:imagTol", "double with 2 elements";
%!        {C, "ImagTol", single(1e-3)}, "quorvane:imagTol", "single";
%!        {C, "ImagTol", complex(1e-3, 0)}, "quorvane:imagTol", "complex double";
%!        {C, "ImagTol", sparse(1e-3)}, "quorvane:imagTol", "sparse double";
%!        {C, "ImagTol", "1e-3"}, "quorvane:imagTol", "'1e-3'";
%!        {C, "Refine", 2}, "quorvane:refine", "is 2; expected true or false";
%!        {C, "Refine", 0.5}, "quorvane:refine", "0.5";
%!        {C, "Refine", NaN}, "quorvane:refine", "is nan;";
%!        {C, "Refine", [true, false]}, "quorvane:refine", "logical with 2 elements";
%!        {C, "Refine", int8(1)}, "quorvane:refine", "int8";
%!        {C, "Refine", "true"}, "quorvane:refine", "'true'";
%!        {C, 2, "Method", "fast", "ImagTol", -1}, "quorvane:imagTol", "argument 6";
%!        {int8(C), "Method", "fast"}, "quorvane:notDouble", "C is int8";
%!        {C, 0, "Method", "fast"}, "quorvane:threads", "thread count"};
%! for k = 1:rows (bad)
%!   try
%!     quorvane_batch (bad{k, 1}{:});
%!     error ("quorvane_batch accepted bad option %d", k);
%!   catch failure
%!     assert (failure.identifier, bad{k, 2});
%!     assert (! isempty (regexp (failure.message, bad{k, 3}, "once")), ...
%!             "case %d: message \"%s\"", k, failure.message);
%!   end_try_catch
%! endfor
%! try
%!   quorvane_batch ();
%!   error ("no arguments accepted");
%! catch failure
%!   assert (! isempty (strfind (failure.message, "name-value options ('Method', 'ImagTol', 'Ref")));
%! end_try_catch
%! ## Accepted after all those: true, 1, 0, a tiny tolerance, and a zero one (under which no
%! ## point counts as real, since the test is strict).
%! for options = {{"Refine", 1}, {"Refine", true}, {"Refine", false}, {"ImagTol", 1e-300}}
%!   [S, K] = quorvane_batch (C(:, 3), options{1}{:});
%!   assert (size (S), [3, 8]);
%! endfor
%! assert (size (quorvane_batch (C(:, 3), "ImagTol", 0)), [3, 0]);

## R, P and V: a radius and a kind per column of S, a logical certified flag per system. Without
## 'Certify' nothing is proved: every radius NaN, every flag false. The worked example's eight
## points are roots (kind 0) whatever is asked.
%!test
%! worked = C(:, 3);
%! for options = {{}, {"Certify", false}, {"Certify", true}, {3, "certify", 1, "Method", "fast"}}
%!   [S, K, R, P, V] = quorvane_batch ([worked, zeros(30, 1), worked], options{1}{:});
%!   assert (size (S), [3, 16]);
%!   assert (isa (R, "double") && isequal (size (R), [1, 16]));
%!   assert (isa (P, "double") && isequal (P, zeros (1, 16)));
%!   assert (islogical (V) && isequal (size (V), [1, 3]));
%!   ## Each system's points are described as a batch of it alone describes them.
%!   assert (isequaln (R(K == 1), R(K == 3)));
%!   [~, ~, R1, P1, V1] = quorvane_batch (worked, options{1}{:});
%!   assert (isequaln (R1, R(K == 1)) && isequal (P1, P(K == 1)) && V1 == V(1));
%!   assert (! V(2), "a system without points is not certified");
%! endfor
%! [S, K, R, P, V] = quorvane_batch (C, 2, "Method", "standard");
%! assert (isequal (S, loopS) && isequal (K, loopK));
%! assert (all (isnan (R)) && isequal (size (R), size (K)) && isequal (size (P), size (K)));
%! assert (all (ismember (P, [0, 1, 2])));
%! assert (isequal (V, false (1, 300)));
%! ## The 10 x 3 x N layout gives a flag per system too; an empty batch empty rows.
%! [~, ~, ~, ~, V] = quorvane_batch (reshape (C, 10, 3, []), "Certify", true);
%! assert (islogical (V) && isequal (size (V), [1, 300]));
%! [S, K, R, P, V] = quorvane_batch (zeros (30, 0), "Certify", true);
%! assert (isequal (size (R), [1, 0]) && isequal (size (P), [1, 0]));
%! assert (islogical (V) && isequal (size (V), [1, 0]));

## 'Certify' proves points and moves none away: the same points per system; three or four
## outputs are enough for the radii and kinds.
%!test
%! [S, K, R] = quorvane_batch (C, "Certify", true);
%! assert_same_points (S, K, loopS, loopK);
%! assert (isequal (size (R), size (K)));
%! [S4, K4, R4, P4] = quorvane_batch (C, "Certify", true);
%! assert (isequal (S4, S) && isequal (K4, K) && isequaln (R4, R) && isequal (size (P4), size (K)));

## A bad 'Certify' value, with its identifier and what was expected.
%!test
%! worked = C(:, 3);
%! bad = {{worked, "Certify"}, "quorvane:optionValue", "'Certify' .argument 2. has no value";
%!        {worked, "Certify", 2}, "quorvane:certify", "is 2; expected true or false";
%!        {worked, "Certify", NaN}, "quorvane:certify", "is nan;";
%!        {worked, "Certify", [true, true]}, "quorvane:certify", "logical with 2 elements";
%!        {worked, "Certify", int8(1)}, "quorvane:certify", "int8";
%!        {worked, "Certify", "on"}, "quorvane:certify", "'on'";
%!        {worked, "Certify", {}}, "quorvane:certify", "cell with 0 elements";
%!        {worked, 2, "Refine", true, "Certify", 0.5}, "quorvane:certify", "argument 6"};
%! for k = 1:rows (bad)
%!   try
%!     [S, K, R, P, V] = quorvane_batch (bad{k, 1}{:});
%!     error ("quorvane_batch accepted bad 'Certify' %d", k);
%!   catch failure
%!     assert (failure.identifier, bad{k, 2});
%!     assert (! isempty (regexp (failure.message, bad{k, 3}, "once")), ...
%!             "case %d: message \"%s\"", k, failure.message);
%!   end_try_catch
%! endfor

## What the library proves once its certification is in; known failures until then.
%!test
%! ## The worked example: eight points, each in a proved box below 1e-6, the set complete.
%! [S, K, R, P, V] = quorvane_batch ([C(:, 3), C(:, 3)], "Certify", true);
%! assert (size (S), [3, 16]);
%! assert (all (isfinite (R) & R > 0 & R < 1e-6));
%! assert (isequal (P, zeros (1, 16)) && isequal (V, true (1, 2)));
%!test
%! ## x^2 + 1 = 0, y^2 = 1, z^2 = 1: no real point, and that is proved.
%! none = [1, 0, 0, 0, 1, 0, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1, 0, 0, 0, 0, ...
%!         -1, 0, 0, 0, 0, 0, 1, 0, 0, 0]';
%! [S, K, R, P, V] = quorvane_batch (none, "Certify", true);
%! assert (size (S), [3, 0]);
%! assert (V);

## Each system of a batch is what quorvane with the same options gives it alone: the columns bit
## for bit, and the kinds, radii, certified flag and status its info struct tells.
%!test
%! names = {"solved", "partial", "declined", "bad_input", "dependent_equations", "no_real_solution"};
%! for options = {{"Method", "fast"}, {"Method", "standard", "Certify", true}, {"ImagTol", 1e-2}}
%!   [S, K, R, P, V, T] = quorvane_batch (C, 2, options{1}{:});
%!   assert (isequal (size (T), [1, columns(C)]) && all (ismember (T, 0:5)));
%!   for k = 1:columns (C)
%!     [Sk, info] = quorvane (C(1:10, k), C(11:20, k), C(21:30, k), options{1}{:});
%!     here = K == k;
%!     assert (isequal (Sk, S(:, here)), "system %d, columns", k);
%!     assert (isequal (info.kind, P(here)) && isequaln (info.radius, R(here)), "system %d", k);
%!     assert (isequal (info.certified, V(k)) && strcmp (info.status, names{T(k) + 1}), ...
%!             "system %d: status %s, T %d", k, info.status, T(k));
%!   endfor
%! endfor
%! ## The degenerate systems of C: all zero (dependent), NaN (bad input).
%! assert (T(10:30:end), 4 * ones (1, 10));
%! assert (T(20:30:end), 3 * ones (1, 10));
