%QUORVANE_SPHERE_COEFFICIENTS  Coefficients of spheres given by centre and radius.
%   C = QUORVANE_SPHERE_COEFFICIENTS(CENTRE, RADIUS) returns the ten
%   coefficients, in the order quorvane takes them (1, xy, xz, yz, x^2, y^2,
%   z^2, x, y, z), of the sphere |(x, y, z) - CENTRE|^2 - RADIUS^2 = 0:
%
%       |CENTRE|^2 - RADIUS^2, 0, 0, 0, 1, 1, 1, -2 CENTRE(1), -2 CENTRE(2), -2 CENTRE(3)
%
%   CENTRE is 1 x 3 (or 3 x 1) or N x 3, one centre per row; RADIUS is a
%   scalar or N values. C is N x 10, one sphere per row; only RADIUS^2
%   enters.
%
%   Three spheres about known anchors with measured ranges as radii make a
%   system for quorvane (trilateration): it returns the two positions
%   mirrored in the anchors' plane, or one where they meet.
%
%   Errors: quorvane:inputCount, quorvane:notReal (an argument that is not
%   real numeric), quorvane:shape (CENTRE not N x 3, or RADIUS neither a
%   scalar nor N values).
%
%   Example: ranges from three anchors to (1, 2, 3):
%
%       anchors = [0, 0, 0; 5, 0, 0; 0, 5, 0];
%       ranges = sqrt (sum ((anchors - [1, 2, 3]) .^ 2, 2));
%       c = quorvane_sphere_coefficients (anchors, ranges);
%       S = quorvane (c(1,:), c(2,:), c(3,:))   % columns (1, 2, 3) and (1, 2, -3)
%
%   See also QUORVANE, QUORVANE_QUADRIC_COEFFICIENTS, QUORVANE_QUADRIC_MATRIX.

% SPDX-License-Identifier: BSD-3-Clause

function c = quorvane_sphere_coefficients (centre, radius)
  if (nargin ~= 2)
    error ('quorvane:inputCount', ...
           'quorvane_sphere_coefficients: expected two arguments, CENTRE and RADIUS; got %d', ...
           nargin);
  end
  names = {'CENTRE', 'RADIUS'};
  values = {centre, radius};
  for k = 1:2
    if (~(isnumeric (values{k}) || islogical (values{k})) || ~isreal (values{k}))
      error ('quorvane:notReal', ...
             'quorvane_sphere_coefficients: %s is %s; expected real numbers', names{k}, ...
             class (values{k}));
    end
  end
  if (isvector (centre) && numel (centre) == 3)
    centre = centre(:).';
  end
  if (ndims (centre) ~= 2 || size (centre, 2) ~= 3)
    error ('quorvane:shape', ...
           'quorvane_sphere_coefficients: CENTRE is %d x %d; expected 1 x 3 or N x 3', ...
           size (centre, 1), size (centre, 2));
  end
  n = size (centre, 1);
  if (~isscalar (radius) && ~(isvector (radius) && numel (radius) == n))
    error ('quorvane:shape', ...
           'quorvane_sphere_coefficients: RADIUS has %d values; expected 1 or %d (one per centre)', ...
           numel (radius), n);
  end
  centre = double (full (centre));
  radius = double (full (radius(:)));
  c = [sum(centre .^ 2, 2) - radius .^ 2, zeros(n, 3), ones(n, 3), -2 * centre];
end
