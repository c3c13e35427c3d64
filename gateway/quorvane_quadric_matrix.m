%QUORVANE_QUADRIC_MATRIX  The symmetric 4 x 4 matrix of an equation.
%   Q = QUORVANE_QUADRIC_MATRIX(C) returns the symmetric matrix Q, rows and
%   columns in the order x, y, z, 1, of the equation with the ten
%   coefficients C in the order quorvane takes them (1, xy, xz, yz, x^2, y^2,
%   z^2, x, y, z), so that [x y z 1] * Q * [x y z 1]' is its value at
%   (x, y, z). Each off-diagonal coefficient is split in equal halves between
%   Q(i,j) and Q(j,i), so quorvane_quadric_coefficients(Q) gives C back
%   exactly.
%
%   C is a real numeric vector of ten elements.
%
%   Errors: quorvane:inputCount, quorvane:notReal, quorvane:shape (C not a
%   vector of ten elements).
%
%   Example: x*y - 1 = 0
%
%       Q = quorvane_quadric_matrix ([-1, 1, 0, 0, 0, 0, 0, 0, 0, 0])
%       % Q(1,2) = Q(2,1) = 0.5, Q(4,4) = -1
%
%   See also QUORVANE, QUORVANE_QUADRIC_COEFFICIENTS, QUORVANE_SPHERE_COEFFICIENTS.

% SPDX-License-Identifier: BSD-3-Clause

function Q = quorvane_quadric_matrix (c)
  if (nargin ~= 1)
    error ('quorvane:inputCount', ...
           'quorvane_quadric_matrix: expected one argument, ten coefficients; got %d', nargin);
  end
  if (~(isnumeric (c) || islogical (c)) || ~isreal (c))
    error ('quorvane:notReal', ...
           'quorvane_quadric_matrix: C is %s; expected ten real numbers', class (c));
  end
  if (~isvector (c) || numel (c) ~= 10)
    error ('quorvane:shape', ...
           'quorvane_quadric_matrix: C has %d elements in a %d x %d array; expected a vector of ten', ...
           numel (c), size (c, 1), size (c, 2));
  end
  % Entry (row, column) of Q holding each coefficient; off the diagonal it holds half.
  entryRow = [4, 1, 1, 2, 1, 2, 3, 1, 2, 3];
  entryColumn = [4, 2, 3, 3, 1, 2, 3, 4, 4, 4];
  c = double (full (c(:)));
  half = c;
  off = entryRow(:) ~= entryColumn(:);
  half(off) = half(off) / 2;
  Q = zeros (4);
  Q(entryRow + 4 * (entryColumn - 1)) = half;
  Q(entryColumn + 4 * (entryRow - 1)) = half;
end
