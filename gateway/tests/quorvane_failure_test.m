## Failures inside the solver reach Octave as ordinary errors, through the gateway linked to a
## stand-in solver (quorvane_throwing): the first coefficient picks the failure, and every call
## first appends the solution (c1(2), c2(2), c3(2)).

## SPDX-License-Identifier: BSD-3-Clause

%!shared solve
%! solve = @(failure) quorvane_throwing ([failure, 1, zeros(1, 8)], [0, 2, zeros(1, 8)], ...
%!                                       [0, 3, zeros(1, 8)]);

%!test
%! assert (solve (0), [1; 2; 3]);

## Each failure is caught by try/catch with its identifier and message, leaves lasterror
## set, and the next call returns its own solution only.
%!test
%! failures = {1, "quorvane:outOfMemory", "bad allocation";
%!             2, "quorvane:tooLong", "vector<T> too long";
%!             3, "quorvane:internal", "unexpected failure in the solver: not a solver failure";
%!             4, "quorvane:internal", "unexpected failure in the solver"};
%! for k = 1:rows (failures)
%!   caught = false;
%!   try
%!     S = solve (failures{k, 1});
%!   catch failure
%!     caught = true;
%!     assert (failure.identifier, failures{k, 2});
%!     assert (failure.message, ["quorvane_throwing: ", failures{k, 3}]);
%!     assert (lasterror ().identifier, failures{k, 2});
%!   end_try_catch
%!   assert (caught);
%!   assert (! exist ("S", "var"));
%!   assert (solve (0), [1; 2; 3]);
%! endfor

%!error id=quorvane:outOfMemory solve (1)
%!error id=quorvane:tooLong solve (2)
