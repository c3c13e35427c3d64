## octave-cli --no-history --norc examples/worked_example.m MODULE_DIR
## Solves (x + y - 1)(x + y - 6) = 0, (x - y + z + 1)(x - y + z - 2) = 0 and
## (x + 2y - z - 3)(x + 2y - z + 2) = 0 with the module in MODULE_DIR and prints its real
## solutions, one per column (rows x, y, z).

## SPDX-License-Identifier: BSD-3-Clause

addpath (argv (){1});
## Coefficients of 1, xy, xz, yz, x^2, y^2, z^2, x, y, z.
c1 = [6, 2, 0, 0, 1, 1, 0, -7, -7, 0];
c2 = [-2, -2, 2, -2, 1, 1, 1, -1, 1, -1];
c3 = [-6, 4, -2, -4, 1, 4, 1, -1, -2, 1];
S = quorvane (c1, c2, c3);
printf ("%d real solutions (columns; rows x, y, z):\n", columns (S));
format short g
disp (S)
