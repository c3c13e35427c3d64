%QUORVANE_QUADRIC_COEFFICIENTS  Coefficients of a quadric given by its 4 x 4 matrix.
%   C = QUORVANE_QUADRIC_COEFFICIENTS(Q) returns the ten coefficients, in the
%   order quorvane takes them (1, xy, xz, yz, x^2, y^2, z^2, x, y, z), of the
%   quadric
%
%       [x y z 1] * Q * [x y z 1]' = 0,
%
%   Q's rows and columns in the order x, y, z, 1. Only the symmetric part
%   (Q + Q') / 2 enters the equation, so Q need not be symmetric: each
%   off-diagonal pair is summed, C(2) = Q(1,2) + Q(2,1) for xy and so on, and
%   C(1) = Q(4,4), C(5:7) = diag(Q(1:3,1:3)).
%
%   Q may also be 4 x 4 x N, N quadrics; C is then N x 10, one row each.
%
%   Errors: quorvane:inputCount, quorvane:notReal (Q not a real numeric
%   array), quorvane:shape (Q not 4 x 4 or 4 x 4 x N).
%
%   Example: a sphere, a cylinder and a pair of planes meeting in the eight
%   corners (+-1, +-1, +-1) of a cube:
%
%       sphere = quorvane_quadric_coefficients (diag ([1, 1, 1, -3]));   % x^2 + y^2 + z^2 = 3
%       cylinder = quorvane_quadric_coefficients (diag ([1, 1, 0, -2])); % x^2 + y^2 = 2
%       planes = quorvane_quadric_coefficients (diag ([1, -1, 0, 0]));   % x^2 = y^2
%       S = quorvane (sphere, cylinder, planes)                          % 3 x 8
%
%   See also QUORVANE, QUORVANE_QUADRIC_MATRIX, QUORVANE_SPHERE_COEFFICIENTS.

% SPDX-License-Identifier: BSD-3-Clause

function c = quorvane_quadric_coefficients (Q)
  if (nargin ~= 1)
    error ('quorvane:inputCount', ...
           'quorvane_quadric_coefficients: expected one argument, the 4 x 4 matrix Q; got %d', ...
           nargin);
  end
  if (~(isnumeric (Q) || islogical (Q)) || ~isreal (Q))
    error ('quorvane:notReal', ...
           'quorvane_quadric_coefficients: Q is %s; expected a real numeric 4 x 4 matrix', ...
           class (Q));
  end
  if (size (Q, 1) ~= 4 || size (Q, 2) ~= 4 || ndims (Q) > 3)
    error ('quorvane:shape', ...
           'quorvane_quadric_coefficients: Q is %s; expected 4 x 4 or 4 x 4 x N', ...
           strjoin (arrayfun (@num2str, size (Q), 'UniformOutput', false), ' x '));
  end
  % Entry (row, column) of Q holding each coefficient; off the diagonal it holds half.
  entryRow = [4, 1, 1, 2, 1, 2, 3, 1, 2, 3];
  entryColumn = [4, 2, 3, 3, 1, 2, 3, 4, 4, 4];
  entries = reshape (double (full (Q)), 16, []);
  c = entries(entryRow + 4 * (entryColumn - 1), :);
  off = entryRow ~= entryColumn;
  c(off, :) = c(off, :) + entries(entryColumn(off) + 4 * (entryRow(off) - 1), :);
  c = c.';
end
