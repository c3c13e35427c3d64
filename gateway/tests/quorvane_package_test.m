## The Octave package (its path in QUORVANE_PACKAGE) installs into a temporary prefix with
## pkg install, builds its own module, and solves the worked example after pkg load; the
## coefficient helpers come with it.

## SPDX-License-Identifier: BSD-3-Clause

%!test
%! tarball = getenv ("QUORVANE_PACKAGE");
%! assert (exist (tarball, "file"), 2);
%! prefix = tempname ();
%! mkdir (prefix);
%! unwind_protect
%!   pkg ("prefix", prefix, prefix);
%!   pkg ("local_list", fullfile (prefix, "octave_packages"));
%!   pkg ("install", tarball);
%!   pkg ("load", "quorvane");
%!   assert (strncmp (which ("quorvane"), prefix, numel (prefix)));
%!   S = quorvane ([6, 2, 0, 0, 1, 1, 0, -7, -7, 0], [-2, -2, 2, -2, 1, 1, 1, -1, 1, -1], ...
%!                 [-6, 4, -2, -4, 1, 4, 1, -1, -2, 1]);
%!   assert (S, [-9, 4, -6, 1, -4, -1, -4, -1; 15, -3, 12, 0, 10, 2, 5, 7; ...
%!               23, -5, 20, -2, 13, 5, 8, 10], 1e-9);
%!   assert (! isempty (strfind (help ("quorvane"), "1, xy, xz, yz, x^2, y^2, z^2, x, y, z")));
%!   fail ("quorvane (int8 (1:10), S, S)", "first coefficient array");
%!   assert (quorvane_sphere_coefficients ([1, 2, 3], 2), [10, 0, 0, 0, 1, 1, 1, -2, -4, -6]);
%!   assert (quorvane_quadric_coefficients (quorvane_quadric_matrix (1:10)), 1:10);
%!   assert (! isempty (strfind (help ("quorvane_quadric_matrix"), "symmetric 4 x 4 matrix")));
%!   pkg ("unload", "quorvane");
%! unwind_protect_cleanup
%!   confirm_recursive_rmdir (false, "local");
%!   rmdir (prefix, "s");
%! end_unwind_protect
