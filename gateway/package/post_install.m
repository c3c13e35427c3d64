## Called by pkg install once the package is in place. Octave reads the help of a MEX
## function from the .m file in the module's own directory, while pkg puts inst/quorvane.m
## in the architecture-independent one: move it beside the compiled module.

## SPDX-License-Identifier: BSD-3-Clause
function post_install (desc)
  modules = dir (fullfile (desc.archprefix, "*", "quorvane.mex"));
  if (numel (modules) != 1)
    error ("quorvane:install", "expected one compiled quorvane.mex under %s, found %d",
           desc.archprefix, numel (modules));
  endif
  [moved, message] = movefile (fullfile (desc.dir, "quorvane.m"), modules.folder);
  if (! moved)
    error ("quorvane:install", "could not move quorvane.m beside %s: %s",
           fullfile (modules.folder, modules.name), message);
  endif
endfunction
