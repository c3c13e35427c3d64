## Tests of quorvane_trilaterate: receivers placed first at map coordinates, the positions the
## library gives for one fixed input (the same in C++ and Python), and its bad input.

## SPDX-License-Identifier: BSD-3-Clause

%!shared o, A, r3, r4
%! o = [5e5; 4.5e6; 203];
%! A = o + [0, 7, 0, 7; 0, 0, 5, 5; 0, 0, 0, 0.5];
%! ## Ranges to o + (2, 3, -1) with errors of 1, -2, 0.5 and 1.5 mm.
%! r3 = [3.7426573867739412, 5.9140797830996163, 3.0005000000000002];
%! r4 = [r3, 5.5916699437494746];

## Exact ranges below a ceiling: both mirror positions, the receiver among them.
%!test
%! rand ("seed", 21);
%! for k = 1:200
%!   receiver = o + [8 * rand; 6 * rand; -0.002 - 2.9 * rand];
%!   R = sqrt (sum ((A(:, 1:3) - receiver) .^ 2, 1));
%!   [P, K, E] = quorvane_trilaterate (A(:, 1:3), R);
%!   assert (size (P), [3, 2]);
%!   [~, j] = min (P(3, :));
%!   assert (norm (P(:, j) - receiver) < 1e-6);
%!   assert (K, [0, 0]);
%!   assert (all (E < 1e-9));
%! endfor

## The library's positions for the fixed input, bit for bit as C++ and Python give them.
%!test
%! [P, K, E] = quorvane_trilaterate (A(:, 1:3), r3);
%! assert (P, [500002.00222461671, 500002.00222461671; 4500003.0004484067, 4500003.0004484067;
%!             202.00205698605015, 203.99794301394985]);
%! assert (K, [0, 0]);
%! [P, K, E] = quorvane_trilaterate (A, r4);
%! assert (P, [500002.00051890028; 4500002.999330054; 201.99825196404407]);
%! assert (E, 0.0011480398329142901);

## A receiver 5 mm below the ceiling with noisy ranges: one position, merged within 4 mm.
%!test
%! receiver = o + [3; 2; -0.005];
%! R = sqrt (sum ((A(:, 1:3) - receiver) .^ 2, 1)) + [-1e-3, 1e-3, -0.5e-3];
%! assert (columns (quorvane_trilaterate (A(:, 1:3), R)), 2);
%! [P, K] = quorvane_trilaterate (A(:, 1:3), R, 4e-3);
%! assert (columns (P), 1);
%! assert (K, 1);
%! assert (norm (P - receiver) < 0.05);

## Bad input, each with its identifier.
%!test
%! bad = {{A}, "quorvane:inputCount"; {A, r4, 0, 1}, "quorvane:inputCount";
%!        {single(A), r4}, "quorvane:notDouble"; {complex(A), r4}, "quorvane:complex";
%!        {A(:, 1:2), r3(1:2)}, "quorvane:anchors"; {A', r4}, "quorvane:anchors";
%!        {[A(:, 1:2), [NaN; 0; 0]], r3}, "quorvane:anchors"; {A, r3}, "quorvane:ranges";
%!        {A(:, 1:3), [1, -1, 1]}, "quorvane:ranges"; {A(:, 1:3), [1, Inf, 1]}, "quorvane:ranges";
%!        {A(:, 1:3), r3, -1}, "quorvane:rangeTol"; {A(:, 1:3), r3, Inf}, "quorvane:rangeTol";
%!        {A(:, 1:3), r3, [1, 2]}, "quorvane:rangeTol"};
%! for k = 1:rows (bad)
%!   try
%!     quorvane_trilaterate (bad{k, 1}{:});
%!     error ("quorvane_trilaterate accepted bad input %d", k);
%!   catch failure
%!     assert (failure.identifier, bad{k, 2});
%!   end_try_catch
%! endfor
%! try
%!   [a, b, c, d] = quorvane_trilaterate (A, r4);
%!   error ("four outputs accepted");
%! catch failure
%!   assert (failure.identifier, "quorvane:outputCount");
%! end_try_catch

## Anchors on one line: a circle of positions, none returned.
%!test
%! P = quorvane_trilaterate ([0, 1, 2; 0, 0, 0; 0, 0, 0], [1, 1, sqrt(2)]);
%! assert (size (P), [3, 0]);
