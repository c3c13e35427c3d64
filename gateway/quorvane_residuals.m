%QUORVANE_RESIDUALS  Relative residual of points in each of three equations.
%   R = QUORVANE_RESIDUALS(C1, C2, C3, S) returns, for each column of S (a
%   point (x; y; z), real or complex, as QUORVANE returns them), its relative
%   residual in each equation: R(e, j) is |f_e(S(:, j))| over the sum of the
%   magnitudes of f_e's terms there,
%
%       f(x, y, z) = c(1) + c(2)*x*y + c(3)*x*z + c(4)*y*z + c(5)*x^2
%                    + c(6)*y^2 + c(7)*z^2 + c(8)*x + c(9)*y + c(10)*z,
%
%   the measure quorvane verifies its solutions with (|f_e| where every term
%   vanishes). It is free of the equations' scale and the variables': a root
%   gives a few 1e-16, a point off the solutions order one. C1, C2 and C3
%   each hold at least ten coefficients (further ones are ignored); S is
%   3 x M and R is 3 x M. Computed in double, the terms summed in coefficient
%   order, as residuals in C++ and quorvane.residuals in Python compute it.
%
%   Errors: quorvane:inputCount, quorvane:tooFewCoefficients, quorvane:points
%   (S not numeric with three rows).
%
%   Example: the worked system's solutions, and a point that solves nothing:
%
%       c1 = [6, 2, 0, 0, 1, 1, 0, -7, -7, 0];
%       c2 = [-2, -2, 2, -2, 1, 1, 1, -1, 1, -1];
%       c3 = [-6, 4, -2, -4, 1, 4, 1, -1, -2, 1];
%       S = quorvane (c1, c2, c3);
%       max (max (quorvane_residuals (c1, c2, c3, S)))   % about 1e-15
%       quorvane_residuals (c1, c2, c3, [0; 0; 0])       % [1; 1; 1]
%
%   See also QUORVANE, QUORVANE_BATCH.

% SPDX-License-Identifier: BSD-3-Clause
function R = quorvane_residuals (c1, c2, c3, S)
  if (nargin != 4)
    error ("quorvane:inputCount",
           "expected three coefficient arrays and the points S (3 x M); got %d arguments", nargin);
  endif
  C = {c1, c2, c3};
  names = {"first", "second", "third"};
  for e = 1:3
    if (! (isnumeric (C{e}) && isreal (C{e})) || numel (C{e}) < 10)
      error ("quorvane:tooFewCoefficients",
             "%s coefficient array (argument %d) must be real numeric with at least ten coefficients",
             names{e}, e);
    endif
    C{e} = double (C{e}(1:10));
  endfor
  if (! isnumeric (S) || rows (S) != 3 || ndims (S) != 2)
    error ("quorvane:points", "S (argument 4) must be numeric, 3 x M, one point a column");
  endif
  S = double (S);
  x = S(1, :);
  y = S(2, :);
  z = S(3, :);
  monomials = {ones(size (x)), x .* y, x .* z, y .* z, x .* x, y .* y, z .* z, x, y, z};
  R = zeros (3, columns (S));
  for e = 1:3
    value = zeros (size (x));
    magnitude = zeros (size (x));
    ## Term by term in coefficient order, as the library sums them.
    for i = 1:10
      term = C{e}(i) * monomials{i};
      value = value + term;
      magnitude = magnitude + abs (term);
    endfor
    r = abs (value) ./ magnitude;
    vanished = ! (magnitude > 0);
    r(vanished) = abs (value(vanished));
    R(e, :) = r;
  endfor
endfunction
