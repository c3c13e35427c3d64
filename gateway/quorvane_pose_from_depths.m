%QUORVANE_POSE_FROM_DEPTHS  The camera pose that puts three points at their depths.
%   [R, T] = QUORVANE_POSE_FROM_DEPTHS(B, X, D) returns the rotation R (3 x 3,
%   proper) and translation T (3 x 1) of the calibrated camera that sees the
%   world points X (3 x 3, one point a column) along the bearings B (3 x 3,
%   one bearing a column, in the camera's frame, of any nonzero length) at
%   the distances D (three values) from its centre: a world point P is at
%   R * P + T in the camera's frame, and the camera centre in the world is
%   -R' * T.
%
%   R is the least-squares rotation between the world triangle and the
%   camera's (Kabsch: the SVD of the centred triangles' covariance, a
%   reflection turned into the proper rotation), and T maps the world
%   points' mean onto the camera points' mean; the points are centred on
%   their mean first, so map coordinates lose nothing. Depths that are not
%   exactly those of the points (noisy ones) give the rigid motion that fits
%   the two triangles best.
%
%   The depths are the solutions of QUORVANE_POSE_EQUATIONS with all three
%   positive. The same pose as pose_from_depths in Python and poseFromDepths
%   in C++, to rounding.
%
%   Errors: quorvane:inputCount, quorvane:notReal, quorvane:bearings,
%   quorvane:points (as for QUORVANE_POSE_EQUATIONS), quorvane:depths (D not
%   three finite values).
%
%   Example: see QUORVANE_POSE_EQUATIONS.
%
%   See also QUORVANE, QUORVANE_POSE_EQUATIONS.

% SPDX-License-Identifier: BSD-3-Clause

function [rotation, translation] = quorvane_pose_from_depths (bearings, points, depths)
  if (nargin ~= 3)
    error ('quorvane:inputCount', ...
           'quorvane_pose_from_depths: expected three arguments, B, X and D; got %d', nargin);
  end
  % The bearings' and points' checks and the unit bearings, in one place.
  [~, unit] = quorvane_pose_equations (bearings, points);
  if (~(isnumeric (depths) || islogical (depths)) || ~isreal (depths))
    error ('quorvane:notReal', 'D (argument 3) is %s; expected real numbers', class (depths));
  end
  if (~isvector (depths) || numel (depths) ~= 3 || ~all (isfinite (depths)))
    error ('quorvane:depths', ...
           'D (argument 3) has %d values; expected three finite depths, one a point', ...
           numel (depths));
  end
  points = double (full (points));
  seen = unit .* double (full (depths(:).'));
  worldMean = mean (points, 2);
  seenMean = mean (seen, 2);
  [u, ~, v] = svd ((seen - seenMean) * (points - worldMean).');
  % Three points span a plane, so the smallest singular value is zero and the signs of its
  % vectors are free: the one that would make U V' a reflection is turned.
  if (det (u) * det (v) < 0)
    u(:, 3) = -u(:, 3);
  end
  rotation = u * v.';
  translation = seenMean - rotation * worldMean;
end

% Random cameras: the true depths give the camera back, a proper rotation, whatever the
% bearings' lengths; and a proper rotation for the mirrored world too.
%!test
%! randn ("seed", 41);
%! rand ("seed", 42);
%! for k = 1:200
%!   [q, ~] = qr (randn (3));
%!   R = q * sign (det (q));
%!   t = 3 * randn (3, 1);
%!   seen = [2 * rand(2, 3) - 1; ones(1, 3)] .* (2 + 8 * rand (1, 3));
%!   X = R' * (seen - t);
%!   B = seen .* (0.1 + 10 * rand (1, 3));
%!   d = sqrt (sum (seen .^ 2, 1));
%!   [R1, t1] = quorvane_pose_from_depths (B, X, d);
%!   assert (R1, R, 1e-12);
%!   assert (t1, t, 1e-12 * max (1, norm (t)));
%!   assert (det (R1), 1, 1e-12);
%!   ## The world mirrored: a proper rotation still puts the points at their depths (it turns
%!   ## the triangle over), where the SVD alone gives a reflection about half the time.
%!   mirrored = diag ([1, 1, -1]) * X;
%!   [R2, t2] = quorvane_pose_from_depths (B, mirrored, d);
%!   assert (R2 * mirrored + t2, seen, 1e-12 * max (d));
%!   assert (det (R2), 1, 1e-12);
%! endfor

% A camera at the world origin looking along its axes, and one turned half a turn about x
% and 5 m from three points on the plane z = 0.
%!test
%! [R, t] = quorvane_pose_from_depths (eye (3), diag ([1, 2, 3]), [1, 2, 3]);
%! assert (R, eye (3), 1e-15);
%! assert (t, zeros (3, 1), 1e-15);
%! X = [0, 1, 0; 0, 0, 1; 0, 0, 0];
%! [R, t] = quorvane_pose_from_depths (diag ([1, -1, -1]) * X + [0; 0; 5], X, ...
%!                                     [5, sqrt(26), sqrt(26)]);
%! assert (R, diag ([1, -1, -1]), 1e-15);
%! assert (t, [0; 0; 5], 1e-14);

% Bad input, each with its identifier.
%!test
%! B = eye (3) + 0.5;
%! bad = {{B, B}, "quorvane:inputCount"; {B}, "quorvane:inputCount";
%!        {B, B, "abc"}, "quorvane:notReal"; {B, B, [1, 2]}, "quorvane:depths";
%!        {B, B, [1, NaN, 3]}, "quorvane:depths"; {B, B, ones(3)}, "quorvane:depths";
%!        {zeros(3), B, [1, 2, 3]}, "quorvane:bearings"; {B, B(1:2, :), [1, 2, 3]}, "quorvane:points"};
%! for k = 1:rows (bad)
%!   try
%!     quorvane_pose_from_depths (bad{k, 1}{:});
%!     error ("quorvane_pose_from_depths accepted bad input %d", k);
%!   catch failure
%!     assert (failure.identifier, bad{k, 2});
%!   end_try_catch
%! endfor
