%QUORVANE_TRILATERATE  Positions of a receiver from its ranges to anchors.
%   P = QUORVANE_TRILATERATE(A, R) returns the receiver's positions, one
%   column (x; y; z) each, from the anchors A (3 x N, one anchor a column,
%   N >= 3) and the measured ranges R (N values), in the caller's units and
%   coordinates. The work is done in a frame centred on the anchors, so map
%   coordinates (offsets of 1e6 and more) lose nothing.
%
%   Three anchors give the two positions mirrored in the anchors' plane, or
%   one where they merge or the ranges' spheres do not meet; which mirror is
%   the receiver the ranges cannot tell (below a ceiling, pick the lower).
%   Four or more give the least-squares position (Gauss-Newton on the range
%   errors), and its mirror too where it fits as well (anchors in one
%   plane). Anchors on one line give 3 x 0 (a circle of positions).
%
%   P = QUORVANE_TRILATERATE(A, R, TOL) merges two mirror positions whose
%   midpoint is within TOL of every range (the largest range error expected,
%   a few times the ranges' standard deviation): they come back once, as the
%   least-squares position between them. By default (0) only what the
%   ranges' rounding cannot tell apart merges.
%
%   [P, K, E] = QUORVANE_TRILATERATE(...) also returns each column's kind K
%   (0 where the ranges meet or fit there, 1 where two mirror positions
%   merged or the spheres missed each other) and E, the root mean square of
%   its range errors |P(:, j) - anchor| - range over the anchors.
%
%   The same positions as trilaterate in C++ and quorvane.trilaterate in
%   Python, bit for bit.
%
%   Errors: quorvane:inputCount, quorvane:outputCount, quorvane:notDouble,
%   quorvane:sparse, quorvane:complex, quorvane:anchors (not 3 x N with
%   N >= 3, or not finite), quorvane:ranges (not one finite nonnegative range
%   per anchor), quorvane:rangeTol.
%
%   Example: a receiver 1 m below a ceiling at map coordinates:
%
%       o = [5e5; 4.5e6; 203];
%       A = o + [0, 7, 0; 0, 0, 5; 0, 0, 0];
%       receiver = o + [2; 3; -1];
%       R = sqrt (sum ((A - receiver) .^ 2, 1));
%       P = quorvane_trilaterate (A, R);
%       [~, j] = min (P(3, :));
%       P(:, j) - receiver             % zero to a few 1e-10
%
%   See also QUORVANE, QUORVANE_SPHERE_COEFFICIENTS.

% SPDX-License-Identifier: BSD-3-Clause
