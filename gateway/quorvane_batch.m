%QUORVANE_BATCH  Real solutions of many systems of three quadratic equations.
%   [S, K] = QUORVANE_BATCH(C) solves every system in C, each of three
%   equations as QUORVANE takes them:
%
%       c(1) + c(2)*x*y + c(3)*x*z + c(4)*y*z + c(5)*x^2 + c(6)*y^2 + c(7)*z^2
%            + c(8)*x + c(9)*y + c(10)*z = 0.
%
%   C is a real, full double array of size 30 x N (column k holds the first,
%   second and third equation of system k, ten coefficients each) or
%   10 x 3 x N (C(:, e, k) is equation e of system k). N may be zero.
%
%   S is 3 x M with one column (x; y; z) per real solution, and K is 1 x M:
%   K(j) is the number (from 1) of the system that S(:, j) solves. Columns
%   come system by system, and within a system in the order QUORVANE gives;
%   a system without real solutions has no column. With 'Method',
%   'standard', each column is exactly what QUORVANE returns for that system
%   alone, except that QUORVANE's NaN column for a solution at infinity is
%   left out; by default (the fast method) the same real points, checked
%   the same way, which may differ in the last digits and come in another
%   order within a system.
%
%   [S, K, R, P, V, T] = QUORVANE_BATCH(C, ...) also describes every column
%   and every system. R and P are 1 x M like K: R(j) is the half-width of a box
%   around S(:, j) (the same in every coordinate, absolute) proved to hold
%   exactly one solution, NaN where not proved (always without 'Certify');
%   P(j) is what the point is: 0 a root of the system; 1 a complex pair, or
%   two real roots, that the input's precision cannot tell from one real
%   double root, returned once as its real point; 2 (only under an 'ImagTol'
%   wider than the default) the real part of a complex solution within the
%   tolerance of real, returned once for a conjugate pair. V is a 1 x N
%   logical: V(k) is true when 'Certify' proved that system k's columns are
%   all its real solutions. T is 1 x N: T(k) is what became of system k, as
%   the field status of QUORVANE's second output names it: 0 'solved', 1
%   'partial' (some candidates failed their check; the verified ones are
%   returned), 2 'declined', 3 'bad_input' (a NaN or infinite coefficient),
%   4 'dependent_equations' (a curve of solutions, or none), 5
%   'no_real_solution'. A system without columns is thus told apart: no
%   real solution (5) from bad or dependent input (3, 4).
%
%   QUORVANE_BATCH(C, THREADS) uses at most THREADS threads (a whole number
%   from 1 to 4096); by default every core. Threads take a few systems at a
%   time, so a busy core does not hold up the others, and a batch of fewer
%   than 64 systems per thread starts fewer threads. The result does not
%   depend on the thread count.
%
%   QUORVANE_BATCH(C, NAME, VALUE, ...) and QUORVANE_BATCH(C, THREADS, NAME,
%   VALUE, ...) take options by name, after C and the optional thread count.
%   Names and text values are char row vectors ('Method'; in MATLAB a string
%   such as "Method" goes through char first), matched ignoring case; a later
%   pair overrides an earlier one of the same name.
%
%     'Method'   'fast' (default) or 'standard', ignoring case: how the
%                eigenvalues are found. 'fast' takes a fraction of the time
%                and finds the same real points, checked the same way (a
%                system it cannot vouch for, or a call with an 'ImagTol'
%                wider than the default, is solved the standard way); they
%                may differ in the last digits and come in another order
%                within a system. 'standard' is QUORVANE's method.
%     'ImagTol'  a real finite nonnegative double scalar, default 1e-4: a
%                solution counts as real when the imaginary part of its z is
%                strictly below it, and is returned as its real part. A wider
%                tolerance keeps near-real solutions of noisy data; 0 keeps
%                none.
%     'Refine'   true or false (a logical scalar, or 1 or 0), default false:
%                Newton steps on the original equations for every returned
%                solution, while they make it more accurate.
%     'Certify'  true or false (a logical scalar, or 1 or 0), default false:
%                prove every returned point by an interval Newton test, with
%                its rounding accounted for, on a box around it (R), and
%                prove each system's real solutions complete where the
%                proved boxes account for all eight solutions (V).
%
%   With 'Method', 'standard' and the other options at their defaults, each
%   column is exactly what QUORVANE returns (see above); otherwise what the
%   library's solveThreeQuadrics returns with those options.
%
%   Ctrl-C stops a running batch within a fraction of a second under Octave,
%   with the error quorvane:interrupted and nothing returned; the session
%   goes on (a script can catch the error). MATLAB offers no documented way
%   for a MEX function to poll its interrupt, so there Ctrl-C takes effect
%   when the call returns: split long batches into calls of a few seconds.
%
%   Errors have identifiers quorvane:inputCount, quorvane:outputCount,
%   quorvane:notDouble, quorvane:sparse, quorvane:complex,
%   quorvane:batchShape, quorvane:threads, quorvane:optionName (not one of
%   the names above), quorvane:optionValue (a name without its value),
%   quorvane:method, quorvane:imagTol, quorvane:refine, quorvane:certify (a
%   bad value),
%   quorvane:interrupted, quorvane:outOfMemory, quorvane:tooLong and
%   quorvane:internal.
%
%   Example: the system of HELP QUORVANE twice, 8 solutions each:
%
%       c = [6, 2, 0, 0, 1, 1, 0, -7, -7, 0, ...
%            -2, -2, 2, -2, 1, 1, 1, -1, 1, -1, ...
%            -6, 4, -2, -4, 1, 4, 1, -1, -2, 1]';
%       [S, K] = quorvane_batch([c, c])   % S is 3 x 16, K is [1 1 ... 2 2]
%       S = quorvane_batch([c, c], 2, 'Method', 'standard', 'Refine', true)
%       [S, K, R, P, V] = quorvane_batch([c, c], 'Certify', true)
%
%   See also QUORVANE.

%!test
%! c = [6, 2, 0, 0, 1, 1, 0, -7, -7, 0, -2, -2, 2, -2, 1, 1, 1, -1, 1, -1, ...
%!      -6, 4, -2, -4, 1, 4, 1, -1, -2, 1]';
%! [S, K] = quorvane_batch ([c, zeros(30, 1), c], "Method", "standard");
%! assert (size (S), [3, 16]);
%! assert (K, [ones(1, 8), 3 * ones(1, 8)]);
%! assert (S(:, 1:8), S(:, 9:16));
%! assert (S(:, 1:8), quorvane (c(1:10), c(11:20), c(21:30)));
%!test
%! c = reshape ([6, 2, 0, 0, 1, 1, 0, -7, -7, 0, -2, -2, 2, -2, 1, 1, 1, -1, 1, -1, ...
%!               -6, 4, -2, -4, 1, 4, 1, -1, -2, 1], 10, 3);
%! [S, K] = quorvane_batch (cat (3, c, c), 2);
%! assert (size (S), [3, 16]);
%! assert (K, [ones(1, 8), 2 * ones(1, 8)]);
%!test
%! c = [6, 2, 0, 0, 1, 1, 0, -7, -7, 0, -2, -2, 2, -2, 1, 1, 1, -1, 1, -1, ...
%!      -6, 4, -2, -4, 1, 4, 1, -1, -2, 1]';
%! [S, K] = quorvane_batch ([c, c], 2, "Method", "fast", "Refine", true);
%! assert (K, [ones(1, 8), 2 * ones(1, 8)]);
%! ## Whole-number points, so that rounding makes the sort safe.
%! assert (S, round (S), 1e-9);
%! assert (sortrows (round (S(:, 9:16))'), sortrows (round (quorvane (c(1:10), c(11:20), c(21:30)))'));
%!test
%! c = [6, 2, 0, 0, 1, 1, 0, -7, -7, 0, -2, -2, 2, -2, 1, 1, 1, -1, 1, -1, ...
%!      -6, 4, -2, -4, 1, 4, 1, -1, -2, 1]';
%! [S, K, R, P, V] = quorvane_batch ([c, zeros(30, 1)], "Certify", true);
%! assert (size (S), [3, 8]);
%! assert (size (R), [1, 8]);
%! assert (P, zeros (1, 8));
%! assert (islogical (V) && isequal (size (V), [1, 2]) && ! V(2));
%!test
%! ## Each system's status: solved, bad input (NaN), dependent (zero) equations, no real point.
%! c = [6, 2, 0, 0, 1, 1, 0, -7, -7, 0, -2, -2, 2, -2, 1, 1, 1, -1, 1, -1, ...
%!      -6, 4, -2, -4, 1, 4, 1, -1, -2, 1]';
%! nan_system = c; nan_system(3) = NaN;
%! sphere = [1, 0, 0, 0, 1, 1, 1, 0, 0, 0]';
%! none = [sphere; c(11:30)];
%! [S, K, ~, ~, ~, T] = quorvane_batch ([c, nan_system, zeros(30, 1), none]);
%! assert (T, [0, 3, 4, 5]);
%! assert (K, ones (1, 8));
%!error <quorvane_batch: C is .*10 x 3 x N> quorvane_batch (zeros (3, 10))
%!error <thread count> quorvane_batch (zeros (30, 1), 0)
%!error <expected 'standard' or 'fast'> quorvane_batch (zeros (30, 1), "Method", "quick")
%!error <'Method', 'ImagTol', 'Refine' or 'Certify'> quorvane_batch (zeros (30, 1), "Threads", 2)
%!error <'Certify' .argument 4. is 2; expected true or false> quorvane_batch (zeros (30, 1), 1, "Certify", 2)

% SPDX-License-Identifier: BSD-3-Clause
