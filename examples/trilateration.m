## octave-cli --no-history --norc examples/trilateration.m MODULE_DIR
## Trilateration: a receiver's position from its ranges to three anchors at known positions,
## with the module and its helpers in MODULE_DIR. Each range makes a sphere about its anchor;
## the three spheres meet in two points mirrored in the plane of the anchors, and the
## receiver is the one on the room's side of that plane.

## SPDX-License-Identifier: BSD-3-Clause

addpath (argv (){1});
## Anchors on the ceiling of a 6 x 4 m room, at slightly different heights, one per row.
anchors = [0, 0, 2.5; 6, 0, 2.8; 0, 4, 2.6];
## The ranges a receiver at (2, 1.5, 1) measures; in use they come from the radio.
ranges = sqrt (sum ((anchors - [2, 1.5, 1]) .^ 2, 2));

c = quorvane_sphere_coefficients (anchors, ranges);
S = quorvane (c(1, :), c(2, :), c(3, :));
printf ("%d candidate positions\n", columns (S));

## The room lies below the anchors' plane: keep the candidate on the side of its normal
## that points down.
normal = cross (anchors(2, :) - anchors(1, :), anchors(3, :) - anchors(1, :));
if (normal(3) > 0)
  normal = -normal;
endif
side = normal * (S - anchors(1, :)');
receiver = S(:, side >= 0);
if (columns (receiver) != 1)
  error ("expected one candidate below the anchors' plane, found %d", columns (receiver));
endif
printf ("receiver at (%.6f, %.6f, %.6f)\n", receiver);
