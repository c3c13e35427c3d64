## Tests of quorvane(c1, c2, c3) called from Octave: known solutions, shapes, state across
## calls, bad input and unloading; the name-value options and the info struct.

## SPDX-License-Identifier: BSD-3-Clause

%!shared c1, c2, c3, expected, residuals, withConstant
%! ## (x + y - 1)(x + y - 6), (x - y + z + 1)(x - y + z - 2), (x + 2y - z - 3)(x + 2y - z + 2)
%! c1 = [6, 2, 0, 0, 1, 1, 0, -7, -7, 0];
%! c2 = [-2, -2, 2, -2, 1, 1, 1, -1, 1, -1];
%! c3 = [-6, 4, -2, -4, 1, 4, 1, -1, -2, 1];
%! ## Its eight solutions, in the order the eigen-solver finds them.
%! expected = [-9,  4, -6,  1, -4, -1, -4, -1
%!             15, -3, 12,  0, 10,  2,  5,  7
%!             23, -5, 20, -2, 13,  5,  8, 10];
%! ## Each equation's value at each column of S: one row per equation.
%! residuals = @(S, cs) cell2mat (cellfun (@(c) c(:)' * [ones(1, columns (S)); ...
%!   S(1,:) .* S(2,:); S(1,:) .* S(3,:); S(2,:) .* S(3,:); S .^ 2; S], cs, ...
%!   "UniformOutput", false)');
%! ## Beside the first two equations, x^2 - y^2 + z^2 + m = 0 cuts the four lines they share
%! ## in 8 real points for m = -20, in 2 for m = 5 and in none for m = 20.
%! withConstant = @(m) [m, 0, 0, 0, 1, -1, 1, 0, 0, 0];

%!test
%! S = quorvane (c1, c2, c3);
%! assert (size (S), [3, 8]);
%! assert (S, expected, 1e-9);
%! assert (max (abs (residuals (S, {c1, c2, c3})(:))) < 1e-9);

## The number of real solutions follows the realness of z; each one solves the system.
%!test
%! cases = [-20, 8; 5, 2; 20, 0];
%! for k = 1:rows (cases)
%!   third = withConstant (cases(k, 1));
%!   S = quorvane (c1, c2, third);
%!   assert (size (S), [3, cases(k, 2)]);
%!   assert (all (abs (residuals (S, {c1, c2, third})(:)) < 1e-8));
%! endfor

## Only the first ten elements in storage order count, whatever the shape.
%!test
%! S = quorvane (c1, c2, c3);
%! shapes = {@(c) c(:), @(c) reshape (c, 2, 5), @(c) reshape (c, 5, 1, 2), ...
%!           @(c) [c, NaN, Inf, 1e300], @(c) reshape ([c, -c], 10, 2), ...
%!           @(c) [c(:), magic(10)], @(c) c + zeros (1, 10)};
%! for k = 1:numel (shapes)
%!   assert (quorvane (shapes{k}(c1), shapes{k}(c2), shapes{k}(c3)), S);
%! endfor
%! assert (quorvane (c1', reshape (c2, 2, 5), [c3, 1:20]), S);

## Each call returns its own solutions only, also without an output variable.
%!test
%! first = quorvane (c1, c2, c3);
%! assert (size (quorvane (c1, c2, withConstant (20))), [3, 0]);
%! assert (size (quorvane (c1, c2, withConstant (5))), [3, 2]);
%! assert (quorvane (c1, c2, c3), first);
%! quorvane (c1, c2, withConstant (5));
%! assert (size (ans), [3, 2]);
%! quorvane (c1, c2, withConstant (20));
%! assert (size (ans), [3, 0]);
%! assert (class (ans), "double");

## Scaling an equation by a nonzero factor keeps its solutions.
%!test
%! for factor = [-1, 2, -0.5, 1e3, 1e-3, -7.25]
%!   assert (quorvane (factor * c1, c2, c3), expected, 1e-8);
%!   assert (quorvane (c1, factor * c2, c3), expected, 1e-8);
%!   assert (quorvane (c1, c2, factor * c3), expected, 1e-8);
%! endfor

%!error id=quorvane:inputCount quorvane ()
%!error id=quorvane:inputCount quorvane (c1)
%!error id=quorvane:inputCount quorvane (c1, c2)
%!error id=quorvane:optionName quorvane (c1, c2, c3, c3)
%!error id=quorvane:outputCount [a, b, c] = quorvane (c1, c2, c3)
%!error <third coefficient array \(argument 3\) is int32 with 10 elements; expected a real full double array> quorvane (c1, c2, int32 (c3))
%!error <first coefficient array \(argument 1\) is double with 9 elements; expected at least ten> quorvane (c1(1:9), c2, c3)

## Every bad argument, in every position, raises its own error; the next good call works.
%!test
%! bad = {int8(c1), "quorvane:notDouble"; uint8(c1), "quorvane:notDouble";
%!        int16(c1), "quorvane:notDouble"; uint16(c1), "quorvane:notDouble";
%!        int32(c1), "quorvane:notDouble"; uint32(c1), "quorvane:notDouble";
%!        int64(c1), "quorvane:notDouble"; uint64(c1), "quorvane:notDouble";
%!        single(c1), "quorvane:notDouble"; c1 > 0, "quorvane:notDouble";
%!        "0123456789", "quorvane:notDouble"; num2cell(c1), "quorvane:notDouble";
%!        struct("c", num2cell (c1)), "quorvane:notDouble"; @sin, "quorvane:notDouble";
%!        sparse(c1), "quorvane:sparse"; sparse(c1 > 0), "quorvane:notDouble";
%!        complex(c1, 0), "quorvane:complex"; c1 + 1i, "quorvane:complex";
%!        complex(1:3), "quorvane:complex"; sparse(c1 + 1i), "quorvane:sparse";
%!        [], "quorvane:tooFewCoefficients"; zeros(1, 0), "quorvane:tooFewCoefficients";
%!        7, "quorvane:tooFewCoefficients"; c1(1:9), "quorvane:tooFewCoefficients";
%!        magic(3), "quorvane:tooFewCoefficients"};
%! names = {"first", "second", "third"};
%! for k = 1:rows (bad)
%!   for position = 1:3
%!     inputs = {c1, c2, c3};
%!     inputs{position} = bad{k, 1};
%!     try
%!       quorvane (inputs{:});
%!       error ("test:noError", "case %d at argument %d raised no error", k, position);
%!     catch failure
%!       assert (failure.identifier, bad{k, 2});
%!       assert (strncmp (failure.message, ["quorvane: " names{position}], 10 + numel (names{position})));
%!     end_try_catch
%!     assert (quorvane (c1, c2, c3), expected, 1e-9);
%!   endfor
%! endfor

## clear really unloads the module; the next call loads it afresh.
%!test
%! S = quorvane (c1, c2, c3);
%! module = which ("quorvane");
%! assert (! isempty (strfind (fileread ("/proc/self/maps"), module)));
%! clear -f quorvane
%! assert (isempty (strfind (fileread ("/proc/self/maps"), module)));
%! assert (quorvane (c1, c2, c3), S);
%! assert (! isempty (strfind (fileread ("/proc/self/maps"), module)));

## help quorvane reads the help text beside the module.
%!test
%! text = help ("quorvane");
%! assert (! isempty (strfind (text, "1, xy, xz, yz, x^2, y^2, z^2, x, y, z")));

## The help text tells what a system without any xy term gives: its solutions, found in other
## coordinates (x^2 = 1, y^2 = 1, z^2 = 1: the eight corners), not 3 x 0.
%!test
%! text = strrep (help ("quorvane"), "\n%", "");
%! assert (! isempty (strfind (text, "eight corners")));
%! S = quorvane ([-1, 0, 0, 0, 1, 0, 0, 0, 0, 0], [-1, 0, 0, 0, 0, 1, 0, 0, 0, 0], ...
%!               [-1, 0, 0, 0, 0, 0, 1, 0, 0, 0]);
%! assert (size (S), [3, 8]);

## A second output describes the call and leaves S as it was; the struct has its fields.
%!test
%! [S, info] = quorvane (c1, c2, c3);
%! assert (isequal (S, quorvane (c1, c2, c3)));
%! assert (fieldnames (info), {"status"; "kind"; "radius"; "certified"; "path"; "argument"});
%! assert ({info.status, info.path, info.argument, info.certified}, {"solved", "as_given", 0, false});
%! assert (info.kind, zeros (1, 8));
%! assert (size (info.radius), [1, 8]);
%! assert (all (isnan (info.radius)));
%! assert (islogical (info.certified));

## The status tells apart every case in which S is 3 x 0.
%!test
%! for position = 1:3
%!   inputs = {c1, c2, c3};
%!   inputs{position}(4) = (-1) ^ position * Inf;
%!   [S, info] = quorvane (inputs{:});
%!   assert ({size(S), info.status, info.argument, info.path}, {[3, 0], "bad_input", position, ""});
%! endfor
%! [S, info] = quorvane (c1, 2 * c1, c3);
%! assert ({size(S), info.status}, {[3, 0], "dependent_equations"});
%! [S, info] = quorvane (c1, c2, withConstant (20));
%! assert ({size(S), info.status, size(info.kind)}, {[3, 0], "no_real_solution", [1, 0]});
%! [S, info] = quorvane (c1, c2, withConstant (5));
%! assert ({size(S), info.status, info.kind}, {[3, 2], "solved", [0, 0]});

## Each option does what it says; names ignore case and a later pair overrides an earlier one.
%!test
%! [S, info] = quorvane (c1, c2, c3, "certify", true, "METHOD", "Fast");
%! assert (sortrows (round (S)'), sortrows (expected'));
%! assert (S, round (S), 1e-9);
%! assert (info.certified && all (info.radius > 0 & info.radius < 1e-6));
%! [~, info] = quorvane (c1, c2, c3, "Certify", true, "Certify", 0);
%! assert (! info.certified && all (isnan (info.radius)));
%! refined = quorvane (c1, c2, c3, "Refine", true);
%! assert (max (abs (residuals (refined, {c1, c2, c3})(:))) <= max (abs (residuals (expected, {c1, c2, c3})(:))) + 1e-12);
%! ## ImagTol 0 keeps no near-real complex pair; with 'standard' the columns are the one-output call's.
%! assert (isequal (quorvane (c1, c2, c3, "Method", "standard", "ImagTol", 1e-4), quorvane (c1, c2, c3)));

## A near-real complex pair: twice with one output, once (kind 1) with a second output.
%!test
%! ## z^2 - 2z + 1 + 2^-52 + xy = 0 has z = 1 +- 1.5e-8 i where xy = 0: three such pairs.
%! a = [0, 0, 0, 0, 1, 0, 0, -1, 0, 0];             # x^2 - x = 0
%! b = [0, 0, 0, 0, 0, 1, 0, 0, -2, 0];             # y^2 - 2y = 0
%! c = [1 + 2^-52, 1, 0, 0, 0, 0, 1, 0, 0, -2];
%! one = quorvane (a, b, c);
%! [S, info] = quorvane (a, b, c);
%! assert (columns (one), 6);
%! assert (sortrows (round (one)'), sortrows (round ([S, S])'));
%! assert ({info.status, info.kind}, {"solved", [1, 1, 1]});
%! assert (sortrows (round (S)'), [0, 0, 1; 0, 2, 1; 1, 0, 1]);
%! assert (S, round (S), 1e-7);

## Options are read afresh on each call: nothing of one call's options reaches the next.
%!test
%! [~, info] = quorvane (c1, c2, c3, "Certify", true);
%! assert (info.certified);
%! [S, info] = quorvane (c1, c2, c3);
%! assert (! info.certified && isequal (S, quorvane (c1, c2, c3)));

## Bad options: each its own identifier, and a message naming the argument and what was expected.
%!error <option 'ImagTol' \(argument 4\) has no value> quorvane (c1, c2, c3, "ImagTol")
%!error id=quorvane:optionName quorvane (c1, c2, c3, "Threads", 2)
%!error id=quorvane:optionName quorvane (c1, c2, c3, 1e-4, "ImagTol")
%!error <'Method' \(argument 5\) is 'quick'; expected 'standard' or 'fast'> quorvane (c1, c2, c3, "Method", "quick")
%!error id=quorvane:imagTol quorvane (c1, c2, c3, "ImagTol", -1)
%!error id=quorvane:imagTol quorvane (c1, c2, c3, "ImagTol", NaN)
%!error id=quorvane:imagTol quorvane (c1, c2, c3, "ImagTol", Inf)
%!error id=quorvane:imagTol quorvane (c1, c2, c3, "ImagTol", [1e-4, 1e-3])
%!error id=quorvane:imagTol quorvane (c1, c2, c3, "ImagTol", "1e-4")
%!error id=quorvane:refine quorvane (c1, c2, c3, "Refine", 2)
%!error id=quorvane:certify quorvane (c1, c2, c3, "Certify", "yes")
