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
%   Errors have identifiers quorvane:inputCount, quorvane:outputCount,
%   quorvane:notDouble, quorvane:sparse, quorvane:complex,
%   quorvane:tooFewCoefficients, quorvane:outOfMemory, quorvane:tooLong and
%   quorvane:internal.
%
%   Example: (x + y - 1)(x + y - 6) = 0, (x - y + z + 1)(x - y + z - 2) = 0,
%   (x + 2y - z - 3)(x + 2y - z + 2) = 0 has eight real solutions:
%
%       c1 = [6, 2, 0, 0, 1, 1, 0, -7, -7, 0];
%       c2 = [-2, -2, 2, -2, 1, 1, 1, -1, 1, -1];
%       c3 = [-6, 4, -2, -4, 1, 4, 1, -1, -2, 1];
%       S = quorvane(c1, c2, c3)   % 3 x 8; S(:, 1) is (-9, 15, 23)
%
%   See also QUORVANE_BATCH.

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

% SPDX-License-Identifier: BSD-3-Clause
