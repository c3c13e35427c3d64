## Called by pkg install once the package is in place. Octave reads the help (and the tests)
## of a MEX function from the .m file in the module's own directory, while pkg puts inst/*.m
## in the architecture-independent one: move each beside its compiled module.

## SPDX-License-Identifier: BSD-3-Clause
function post_install (desc)
  for name = {"quorvane", "quorvane_batch", "quorvane_trilaterate"}
    modules = dir (fullfile (desc.archprefix, "*", [name{1}, ".mex"]));
    if (numel (modules) != 1)
      error ("quorvane:install", "expected one compiled %s.mex under %s, found %d", name{1},
             desc.archprefix, numel (modules));
    endif
    [moved, message] = movefile (fullfile (desc.dir, [name{1}, ".m"]), modules.folder);
    if (! moved)
      error ("quorvane:install", "could not move %s.m beside %s: %s", name{1},
             fullfile (modules.folder, modules.name), message);
    endif
  endfor
endfunction
