%QUORVANE_POSE_EQUATIONS  Equations of the depths of three points a camera sees.
%   C = QUORVANE_POSE_EQUATIONS(B, X) returns three equations, one a row of
%   ten coefficients in the order quorvane takes them (1, xy, xz, yz, x^2,
%   y^2, z^2, x, y, z), whose unknowns x, y, z are the distances from a
%   calibrated camera's centre to the world points X (3 x 3, one point a
%   column) that it sees along the bearings B (3 x 3, one bearing a column,
%   in the camera's frame, of any nonzero length). For each pair of points
%   (i, j) = (1, 2), (1, 3), (2, 3), the law of cosines in the triangle
%   camera centre, X(:, i), X(:, j):
%
%       d_i^2 + d_j^2 - 2 (b_i . b_j) d_i d_j - |X(:, i) - X(:, j)|^2 = 0
%
%   with b_i the unit bearings. Only the points' differences enter, so map
%   coordinates lose nothing. Each solution's negative solves the equations
%   too, and quorvane may return one of such a pair without the other: a
%   solution with three positive depths, or three negative ones negated,
%   gives a pose of the camera (QUORVANE_POSE_FROM_DEPTHS).
%
%   [C, U] = QUORVANE_POSE_EQUATIONS(B, X) also returns the unit bearings U.
%
%   The same equations as pose_equations in Python and poseEquations in C++.
%
%   Errors: quorvane:inputCount, quorvane:notReal (an argument that is not
%   real numeric), quorvane:bearings (B not 3 x 3, not finite, or with a
%   zero column), quorvane:points (X not 3 x 3 or not finite).
%
%   Example: a camera about 5 m from three points, turned half a turn
%   about x:
%
%       X = [0, 2, 0; 0, 0, 1; 0, 0, 0.5];
%       R = diag ([1, -1, -1]);
%       t = [0.3; -0.2; 5];
%       B = R * X + t;
%       C = quorvane_pose_equations (B, X);
%       S = quorvane (C(1, :), C(2, :), C(3, :));
%       S = S .* sign (S(1, :));             % three negative depths negated
%       d = S(:, all (S > 0, 1));            % each pose's depths (some twice)
%       [R1, t1] = quorvane_pose_from_depths (B, X, d(:, 1))
%
%   See also QUORVANE, QUORVANE_POSE_FROM_DEPTHS.

% SPDX-License-Identifier: BSD-3-Clause

function [c, unit] = quorvane_pose_equations (bearings, points)
  if (nargin ~= 2)
    error ('quorvane:inputCount', ...
           'quorvane_pose_equations: expected two arguments, B and X; got %d', nargin);
  end
  names = {'B', 'X'};
  values = {bearings, points};
  for k = 1:2
    if (~(isnumeric (values{k}) || islogical (values{k})) || ~isreal (values{k}))
      error ('quorvane:notReal', '%s (argument %d) is %s; expected real numbers', names{k}, ...
             k, class (values{k}));
    end
  end
  if (~isequal (size (bearings), [3, 3]) || ~all (isfinite (bearings(:))))
    error ('quorvane:bearings', ...
           'B (argument 1) is %s; expected 3 x 3 and finite, one bearing a column', ...
           describe (bearings));
  end
  if (~isequal (size (points), [3, 3]) || ~all (isfinite (points(:))))
    error ('quorvane:points', ...
           'X (argument 2) is %s; expected 3 x 3 and finite, one point a column', ...
           describe (points));
  end
  bearings = double (full (bearings));
  points = double (full (points));
  % Each bearing divided by its largest entry before its norm, so that squares that overflow
  % or underflow do not decide its direction.
  largest = max (abs (bearings), [], 1);
  if (any (largest == 0))
    error ('quorvane:bearings', 'B (argument 1) has a zero column; expected a direction in each');
  end
  scaled = bearings ./ largest;
  unit = scaled ./ sqrt (sum (scaled .^ 2, 1));
  % Each pair of points: its equation's product of their depths (xy, xz, yz), and where the
  % squares of the two depths sit (x^2 at 5).
  pairs = [1, 2, 2; 1, 3, 3; 2, 3, 4];
  c = zeros (3, 10);
  for e = 1:3
    i = pairs(e, 1);
    j = pairs(e, 2);
    c(e, 1) = -sum ((points(:, i) - points(:, j)) .^ 2);
    c(e, pairs(e, 3)) = -2 * (unit(:, i).' * unit(:, j));
    c(e, 4 + i) = 1;
    c(e, 4 + j) = 1;
  end
end

function text = describe (value)
  if (isequal (size (value), [3, 3]))
    text = '3 x 3 with a value that is not finite';
  else
    text = sprintf ('%d x %d', size (value, 1), size (value, 2));
  end
end

% Bearings along x, at 45 degrees to it and along z; points 5, 10 and 13 squared apart.
%!test
%! C = quorvane_pose_equations ([1, 1, 0; 0, 1, 0; 0, 0, 2], diag ([1, 2, 3]));
%! expected = [-5, -sqrt(2), 0, 0, 1, 1, 0, 0, 0, 0; -10, 0, 0, 0, 1, 0, 1, 0, 0, 0;
%!             -13, 0, 0, 0, 0, 1, 1, 0, 0, 0];
%! assert (C, expected, 1e-15);

% Random cameras: the true depths and their negatives solve the equations, quorvane finds
% them, and the depths give the camera back. The world is at map coordinates in half the
% cases: the depths and the pose lose nothing to them.
%!test
%! randn ("seed", 31);
%! rand ("seed", 32);
%! for k = 1:100
%!   [q, ~] = qr (randn (3));
%!   R = q * sign (det (q));
%!   t = 3 * randn (3, 1);
%!   placed = [2 * rand(2, 3) - 1; ones(1, 3)] .* (2 + 8 * rand (1, 3));
%!   offset = mod (k, 2) * [5e5; 4.5e6; 200];
%!   ## The points as the map coordinates hold them (their differences from the offset are
%!   ## exact), before the camera sees them.
%!   X = (R' * (placed - t) + offset) - offset;
%!   seen = R * X + t;
%!   X = X + offset;
%!   t = t - R * offset;
%!   B = seen .* (0.1 + 10 * rand (1, 3));
%!   d = sqrt (sum (seen .^ 2, 1))';
%!   C = quorvane_pose_equations (B, X);
%!   R2 = quorvane_residuals (C(1, :), C(2, :), C(3, :), [d, -d]);
%!   assert (max (R2(:)) < 1e-13);
%!   S = quorvane (C(1, :), C(2, :), C(3, :));
%!   S = S(:, all (S > 0, 1));
%!   [~, j] = min (sum (abs (S - d), 1));
%!   assert (norm (S(:, j) - d) < 1e-9 * norm (d));
%!   [R1, t1] = quorvane_pose_from_depths (B, X, S(:, j));
%!   assert (norm (R1 - R) < 1e-9);
%!   assert (norm (R1' * t1 - R' * t) < 1e-6);
%! endfor

% The unit bearings, whatever the bearings' lengths, overflowing or underflowing squares too.
%!test
%! B = [1, 0, 3; 2, 1, 0; 2, 0, 4];
%! [~, U] = quorvane_pose_equations (B, eye (3));
%! assert (U, [1/3, 0, 0.6; 2/3, 1, 0; 2/3, 0, 0.8], 1e-15);
%! [~, big] = quorvane_pose_equations (1e200 * B, eye (3));
%! [~, small] = quorvane_pose_equations (1e-200 * B, eye (3));
%! assert (big, U, 1e-15);
%! assert (small, U, 1e-15);

% Bad input, each with its identifier.
%!test
%! B = eye (3) + 0.5;
%! bad = {{B}, "quorvane:inputCount"; {}, "quorvane:inputCount";
%!        {"abc", B}, "quorvane:notReal"; {B, B * 1i}, "quorvane:notReal";
%!        {B(:, 1:2), B}, "quorvane:bearings"; {[B, B], B}, "quorvane:bearings";
%!        {[B(:, 1:2), [NaN; 0; 1]], B}, "quorvane:bearings";
%!        {[B(:, 1:2), zeros(3, 1)], B}, "quorvane:bearings";
%!        {B, B'(1:2, :)}, "quorvane:points"; {B, [B(:, 1:2), [Inf; 0; 0]]}, "quorvane:points"};
%! for k = 1:rows (bad)
%!   try
%!     quorvane_pose_equations (bad{k, 1}{:});
%!     error ("quorvane_pose_equations accepted bad input %d", k);
%!   catch failure
%!     assert (failure.identifier, bad{k, 2});
%!   end_try_catch
%! endfor
