## Tests of the coefficient helpers against the expanded polynomials at random points, their
## round trips, their bad input, and spheres solved by quorvane.

## SPDX-License-Identifier: BSD-3-Clause

%!shared expanded, quadricValue
%! ## Each equation (row of C) at each point (row of P), written out term by term.
%! expanded = @(C, P) C(:, 1) + C(:, 2) .* P(:, 1) .* P(:, 2) + C(:, 3) .* P(:, 1) .* P(:, 3) ...
%!   + C(:, 4) .* P(:, 2) .* P(:, 3) + C(:, 5) .* P(:, 1) .^ 2 + C(:, 6) .* P(:, 2) .^ 2 ...
%!   + C(:, 7) .* P(:, 3) .^ 2 + C(:, 8) .* P(:, 1) + C(:, 9) .* P(:, 2) + C(:, 10) .* P(:, 3);
%! quadricValue = @(Q, p) [p, 1] * Q * [p, 1]';

## 200 random matrices, not symmetric, each at a random point; one at a time and stacked.
%!test
%! rand ("seed", 15);
%! Q = 6 * rand (4, 4, 200) - 3;
%! P = 6 * rand (200, 3) - 3;
%! C = quorvane_quadric_coefficients (Q);
%! assert (size (C), [200, 10]);
%! values = arrayfun (@(k) quadricValue (Q(:, :, k), P(k, :)), (1:200)');
%! assert (expanded (C, P), values, 1e-11);
%! assert (quorvane_quadric_coefficients (Q(:, :, 7)), C(7, :));

%!test
%! rand ("seed", 16);
%! centres = 20 * rand (50, 3) - 10;
%! radii = 10 * rand (50, 1);
%! P = 20 * rand (50, 3) - 10;
%! C = quorvane_sphere_coefficients (centres, radii);
%! assert (size (C), [50, 10]);
%! assert (expanded (C, P), sum ((P - centres) .^ 2, 2) - radii .^ 2, 1e-10);
%! assert (quorvane_sphere_coefficients (centres(3, :)', radii(3)), C(3, :));
%! assert (quorvane_sphere_coefficients (centres, 2.5), ...
%!         quorvane_sphere_coefficients (centres, 2.5 * ones (1, 50)));

## Coefficients to matrix and back is exact; each coefficient lands on its two entries.
%!test
%! randn ("seed", 17);
%! for k = 1:100
%!   c = randn (1, 10);
%!   Q = quorvane_quadric_matrix (c);
%!   assert (Q, Q');
%!   assert (quorvane_quadric_coefficients (Q), c);
%!   p = randn (1, 3);
%!   assert (quadricValue (Q, p), expanded (c, p), 1e-12);
%! endfor
%! entries = [4, 4; 1, 2; 1, 3; 2, 3; 1, 1; 2, 2; 3, 3; 1, 4; 2, 4; 3, 4];
%! for i = 1:10
%!   expected = zeros (4);
%!   expected(entries(i, 1), entries(i, 2)) += 1;
%!   expected(entries(i, 2), entries(i, 1)) += 1;
%!   assert (quorvane_quadric_matrix (2 * ((1:10) == i)), expected);
%! endfor

## Three spheres about anchors in the plane z = 0 meet in a point and its mirror image.
%!test
%! anchors = [0, 0, 0; 4, 0, 0; 0, 3, 0];
%! receiver = [1.25, 0.5, 2];
%! c = quorvane_sphere_coefficients (anchors, sqrt (sum ((anchors - receiver) .^ 2, 2)));
%! S = quorvane (c(1, :), c(2, :), c(3, :));
%! assert (sortrows (S', 3), [1.25, 0.5, -2; 1.25, 0.5, 2], 1e-9);

## Bad input: the identifier and the argument named.
%!error <expected one argument> quorvane_quadric_coefficients ()
%!error <Q is 3 x 3; expected 4 x 4> quorvane_quadric_coefficients (eye (3))
%!error <Q is char> quorvane_quadric_coefficients ("abcd")
%!error <Q is double; expected a real> quorvane_quadric_coefficients (1i * eye (4))
%!error <C has 9 elements> quorvane_quadric_matrix (1:9)
%!error <C has 20 elements> quorvane_quadric_matrix (ones (2, 10))
%!error <C is cell> quorvane_quadric_matrix (num2cell (1:10))
%!error <CENTRE is 2 x 2> quorvane_sphere_coefficients (eye (2), 1)
%!error <RADIUS has 2 values; expected 1 or 3> quorvane_sphere_coefficients (eye (3), [1, 2])
%!error <RADIUS is char> quorvane_sphere_coefficients ([0, 0, 0], "1")
%!error <expected two arguments> quorvane_sphere_coefficients ([0, 0, 0])
%!test
%! calls = {@() quorvane_quadric_coefficients (), @() quorvane_quadric_coefficients (eye (3)), ...
%!          @() quorvane_quadric_matrix ({}), @() quorvane_sphere_coefficients (1i * [1, 2, 3], 1)};
%! identifiers = {"quorvane:inputCount", "quorvane:shape", "quorvane:notReal", "quorvane:notReal"};
%! for k = 1:numel (calls)
%!   try
%!     calls{k} ();
%!     error ("no error from call %d", k);
%!   catch err
%!     assert (err.identifier, identifiers{k});
%!   end_try_catch
%! endfor

## quorvane_residuals: zero at the worked system's integer roots, one at the origin (the
## constant alone), scale-free, NaN where a coordinate is, and tiny at what quorvane returns.
%!test
%! c1 = [6, 2, 0, 0, 1, 1, 0, -7, -7, 0];
%! c2 = [-2, -2, 2, -2, 1, 1, 1, -1, 1, -1];
%! c3 = [-6, 4, -2, -4, 1, 4, 1, -1, -2, 1];
%! roots = [-9, 4, -6, 1, -4, -1, -4, -1; 15, -3, 12, 0, 10, 2, 5, 7; 23, -5, 20, -2, 13, 5, 8, 10];
%! R = quorvane_residuals (c1, c2, c3, [roots, [0; 0; 0], [1; 2; NaN]]);
%! assert (size (R), [3, 10]);
%! assert (R(:, 1:8), zeros (3, 8));
%! assert (R(:, 9), [1; 1; 1]);
%! assert (all (isnan (R(:, 10))));
%! p = [0.5; -1.25; 3];
%! assert (quorvane_residuals (c1, 2^40 * c2, c3, p), quorvane_residuals (c1, c2, c3, p));
%! assert (quorvane_residuals (c1, c2, c3, p)(1), 11.8125 / 21.3125, eps);
%! S = quorvane (c1, c2, c3);
%! assert (max (max (quorvane_residuals (c1, c2, c3, S))) < 1e-13);
%!error id=quorvane:inputCount quorvane_residuals (1, 2, 3)
%!error id=quorvane:tooFewCoefficients quorvane_residuals (1:9, 1:10, 1:10, [0; 0; 0])
%!error id=quorvane:points quorvane_residuals (1:10, 1:10, 1:10, [0, 0, 0])
