## The Octave package (its path in QUORVANE_PACKAGE) installs into a temporary prefix and a
## temporary package list with pkg install, builds its own modules, passes the tests of its
## installed .m files, and leaves nothing behind: not in the prefix, not in the user's or the
## global package list (pkg installs globally when run as root); the coefficient helpers
## come with it.

## The text of `file` when `exists`, else "(none)".
%!function text = ifelse_text (exists, file)
%!  text = "(none)";
%!  if (exists)
%!    text = fileread (file);
%!  endif
%!endfunction

## SPDX-License-Identifier: BSD-3-Clause

%!test
%! tarball = getenv ("QUORVANE_PACKAGE");
%! assert (exist (tarball, "file"), 2);
%! prefix = tempname ();
%! mkdir (prefix);
%! ## The user's and the global list on disk, to look into afterwards. The settings below
%! ## last as long as this process; setting the lists back through pkg would create files.
%! lists = {pkg("local_list"), pkg("global_list")};
%! unwind_protect
%!   pkg ("prefix", prefix, prefix);
%!   pkg ("local_list", fullfile (prefix, "local_packages"));
%!   pkg ("global_list", fullfile (prefix, "global_packages"));
%!   pkg ("install", tarball);
%!   pkg ("load", "quorvane");
%!   assert (strncmp (which ("quorvane"), prefix, numel (prefix)));
%!   assert (strncmp (which ("quorvane_batch"), prefix, numel (prefix)));
%!   S = quorvane ([6, 2, 0, 0, 1, 1, 0, -7, -7, 0], [-2, -2, 2, -2, 1, 1, 1, -1, 1, -1], ...
%!                 [-6, 4, -2, -4, 1, 4, 1, -1, -2, 1]);
%!   assert (S, [-9, 4, -6, 1, -4, -1, -4, -1; 15, -3, 12, 0, 10, 2, 5, 7; ...
%!               23, -5, 20, -2, 13, 5, 8, 10], 1e-9);
%!   assert (! isempty (strfind (help ("quorvane"), "1, xy, xz, yz, x^2, y^2, z^2, x, y, z")));
%!   assert (! isempty (strfind (help ("quorvane_batch"), "10 x 3 x N")));
%!   fail ("quorvane (int8 (1:10), S, S)", "first coefficient array");
%!   assert (quorvane_sphere_coefficients ([1, 2, 3], 2), [10, 0, 0, 0, 1, 1, 1, -2, -4, -6]);
%!   assert (quorvane_quadric_coefficients (quorvane_quadric_matrix (1:10)), 1:10);
%!   assert (! isempty (strfind (help ("quorvane_quadric_matrix"), "symmetric 4 x 4 matrix")));
%!   assert (strncmp (which ("quorvane_trilaterate"), prefix, numel (prefix)));
%!   assert (! isempty (strfind (help ("quorvane_trilaterate"), "3 x N, one anchor a column")));
%!   P = quorvane_trilaterate ([0, 4, 0; 0, 0, 5; 3, 3, 3], sqrt ([9, 17, 14]));
%!   assert (sortrows (P')', [1, 1; 2, 2; 1, 5], 1e-12);
%!   assert (quorvane_residuals (1:10, 1:10, 1:10, [0; 0; 0]), [1; 1; 1]);
%!   assert (strncmp (which ("quorvane_pose_equations"), prefix, numel (prefix)));
%!   ## `test quorvane` runs the installed file's own tests.
%!   for name = {"quorvane", "quorvane_batch", "quorvane_pose_equations", ...
%!               "quorvane_pose_from_depths"}
%!     [passed, total] = test (name{1}, "quiet");
%!     assert (total >= 3 && passed == total, "%s: %d of %d tests passed", name{1}, passed, total);
%!   endfor
%!   pkg ("unload", "quorvane");
%!   pkg ("uninstall", "quorvane");
%! unwind_protect_cleanup
%!   confirm_recursive_rmdir (false, "local");
%!   rmdir (prefix, "s");
%! end_unwind_protect
%! ## Nothing of it in the lists the user sees afterwards (other programs may change them
%! ## meanwhile, so they are searched for the prefix rather than compared).
%! for k = 1:numel (lists)
%!   text = ifelse_text (exist (lists{k}, "file"), lists{k});
%!   assert (isempty (strfind (text, prefix)), "%s names %s", lists{k}, prefix);
%! endfor
%! assert (! exist (prefix, "dir"));

