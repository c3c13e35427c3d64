%QUORVANE  Real solutions of three quadratic equations in x, y and z.
%   S = QUORVANE(C1, C2, C3) solves the system of three equations
%
%       c(1) + c(2)*x*y + c(3)*x*z + c(4)*y*z + c(5)*x^2 + c(6)*y^2 + c(7)*z^2
%            + c(8)*x + c(9)*y + c(10)*z = 0,
%
%   one equation per argument. Each argument is a real, full double array of
%   at least ten elements, the coefficients in the order
%
%       1, xy, xz, yz, x^2, y^2, z^2, x, y, z
%
%   Its shape does not matter (row, column or larger); the first ten elements
%   in storage order are used and any further ones are ignored.
%
%   S is a 3 x N double matrix with one column per real solution: row 1 holds
%   x, row 2 y and row 3 z. A system has at most eight solutions, so N is 0 to
%   8; with no real solution S is 3 x 0. A solution counts as real when the
%   imaginary part of its z is below 1e-4 in magnitude; its column then holds
%   the real parts of x, y and z, and a nearly real complex pair gives two
%   equal columns. Columns come in the order the eigen-solver finds them, not
%   sorted. A column of NaN stands for a solution the method could not place
%   (one at infinity). Systems the method cannot take as they stand, such as
%   those without any xy term, are solved in other coordinates: x^2 = 1,
%   y^2 = 1, z^2 = 1 gives its eight corners (+-1, +-1, +-1). Dependent
%   equations (a curve of solutions) and NaN or infinite coefficients give
%   3 x 0.
%
%   Method: Gauss-Jordan reduction of the equations, a 25 x 33 elimination
%   template reduced by one LU solve, and the eigenvectors of the 8 x 8 matrix
%   of multiplication by z.
%
%   [S, INFO] = QUORVANE(C1, C2, C3) also tells what became of the call, and
%   QUORVANE(C1, C2, C3, NAME, VALUE, ...) takes the options of
%   QUORVANE_BATCH ('Method', 'ImagTol', 'Refine', 'Certify'; names and text
%   values are char row vectors, matched ignoring case). Either makes S the
%   result of the library's call with options: the same columns as above,
%   except that no NaN column is returned (a solution at infinity is no
%   point of the system) and a nearly real complex pair comes back once, as
%   one column of kind 1. The defaults are QUORVANE's own: 'Method'
%   'standard' (QUORVANE_BATCH defaults to 'fast', which finds the same
%   points in a fraction of the time; QUORVANE keeps the results it has
%   always given), 'ImagTol' 1e-4, 'Refine' false, 'Certify' false.
%
%   INFO is a struct with the fields
%     status     'solved' (every candidate verified), 'partial' (only the
%                verified ones returned), 'declined', 'bad_input' (a NaN or
%                infinite coefficient), 'dependent_equations' (a curve of
%                solutions, or none) or 'no_real_solution': it tells apart
%                the cases in which S is 3 x 0;
%     kind       1 x N, one per column of S: 0 a root; 1 a complex pair, or
%                two real roots, that the input's precision cannot tell from
%                one real double root, returned once; 2 (only under an
%                'ImagTol' wider than the default) the real part of a
%                complex solution within the tolerance of real;
%     radius     1 x N: the half-width of a box around each column (the same
%                in every coordinate, absolute) proved to hold exactly one
%                solution under 'Certify', NaN where not proved or not asked;
%     certified  true when 'Certify' proved the columns are all the real
%                solutions;
%     path       the coordinates the solutions were found in: 'as_given',
%                'centred', 'first_change', 'second_change', or '' when
%                nothing was solved;
%     argument   for 'bad_input', the rejected coefficient array (1 to 3);
%                else 0.
%
%   Errors have identifiers quorvane:inputCount, quorvane:outputCount,
%   quorvane:notDouble, quorvane:sparse, quorvane:complex,
%   quorvane:tooFewCoefficients, quorvane:optionName (not one of the names
%   above), quorvane:optionValue (a name without its value),
%   quorvane:method, quorvane:imagTol, quorvane:refine, quorvane:certify (a
%   bad value), quorvane:outOfMemory, quorvane:tooLong and quorvane:internal.
%
%   Example: (x + y - 1)(x + y - 6) = 0, (x - y + z + 1)(x - y + z - 2) = 0,
%   (x + 2y - z - 3)(x + 2y - z + 2) = 0 has eight real solutions:
%
%       c1 = [6, 2, 0, 0, 1, 1, 0, -7, -7, 0];
%       c2 = [-2, -2, 2, -2, 1, 1, 1, -1, 1, -1];
%       c3 = [-6, 4, -2, -4, 1, 4, 1, -1, -2, 1];
%       S = quorvane(c1, c2, c3)   % 3 x 8; S(:, 1) is (-9, 15, 23)
%       [S, info] = quorvane(c1, c2, c3, 'Certify', true);
%       info.certified             % true: these are all the real solutions
%
%   See also QUORVANE_BATCH, QUORVANE_RESIDUALS.

%!test
%! S = quorvane ([6, 2, 0, 0, 1, 1, 0, -7, -7, 0], [-2, -2, 2, -2, 1, 1, 1, -1, 1, -1], ...
%!               [-6, 4, -2, -4, 1, 4, 1, -1, -2, 1]);
%! assert (S(:, 1), [-9; 15; 23], 1e-9);
%! assert (size (S), [3, 8]);
%!test
%! ## No xy term anywhere: the eight corners of the cube.
%! S = quorvane ([-1, 0, 0, 0, 1, 0, 0, 0, 0, 0], [-1, 0, 0, 0, 0, 1, 0, 0, 0, 0], ...
%!               [-1, 0, 0, 0, 0, 0, 1, 0, 0, 0]);
%! assert (sortrows (round (S'))', [-1, -1, -1, -1, 1, 1, 1, 1; -1, -1, 1, 1, -1, -1, 1, 1;
%!                                  -1, 1, -1, 1, -1, 1, -1, 1]);
%! assert (abs (S), ones (3, 8), 1e-12);
%!test
%! assert (size (quorvane ([NaN, 1:9], 1:10, 2:11)), [3, 0]);
%!error <first coefficient array> quorvane (int8 (1:10), 1:10, 1:10)
%!test
%! [S, info] = quorvane ([6, 2, 0, 0, 1, 1, 0, -7, -7, 0], [-2, -2, 2, -2, 1, 1, 1, -1, 1, -1], ...
%!                       [-6, 4, -2, -4, 1, 4, 1, -1, -2, 1], "Certify", true);
%! assert (size (S), [3, 8]);
%! assert (info.status, "solved");
%! assert (info.certified);
%! assert (all (info.radius > 0 & info.radius < 1e-6));
%!test
%! [S, info] = quorvane ([NaN, 1:9], 1:10, 2:11);
%! assert (size (S), [3, 0]);
%! assert ({info.status, info.argument}, {"bad_input", 1});
%!error id=quorvane:optionName quorvane (1:10, 1:10, 1:10, 1:10)

% SPDX-License-Identifier: BSD-3-Clause
