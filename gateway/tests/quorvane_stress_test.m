## 10,000 calls in one session (QUORVANE_STRESS_CALLS, when set), valid ones mixed with
## garbage of every class and size: each valid call returns exactly what the freshly loaded
## module returned for it, and each bad call raises its own error, which try/catch catches.

## SPDX-License-Identifier: BSD-3-Clause

%!test
%! rand ("state", 20240501);
%! randn ("state", 20240501);
%! worked = {[6, 2, 0, 0, 1, 1, 0, -7, -7, 0], [-2, -2, 2, -2, 1, 1, 1, -1, 1, -1], ...
%!           [-6, 4, -2, -4, 1, 4, 1, -1, -2, 1]};
%! systems = {worked, [worked(1:2), {[5, 0, 0, 0, 1, -1, 1, 0, 0, 0]}], ...
%!            [worked(1:2), {[20, 0, 0, 0, 1, -1, 1, 0, 0, 0]}], ...
%!            {zeros(1, 10), worked{2}, worked{3}}, {[NaN, worked{1}(2:end)], worked{2}, worked{3}}};
%! ## Six random systems, drawn with the seed above.
%! for k = 1:6
%!   systems{end + 1} = {randn(1, 10), randn(1, 10), randn(1, 10)};
%! endfor
%! fresh = cell (size (systems));
%! for k = 1:numel (systems)
%!   clear -f quorvane
%!   fresh{k} = quorvane (systems{k}{:});
%! endfor
%! assert (columns (fresh{1}), 8);
%! assert (columns (fresh{3}), 0);
%!
%! ## Garbage of n elements and the identifier it must raise.
%! integers = {"int8", "uint8", "int16", "uint16", "int32", "uint32", "int64", "uint64"};
%! garbage = [cellfun(@(type) {@(n) cast(100 * randn(1, n), type), "quorvane:notDouble"}, ...
%!                    integers, "UniformOutput", false), ...
%!            {{@(n) single(randn(1, n)), "quorvane:notDouble"}, ...
%!             {@(n) randn(1, n) > 0, "quorvane:notDouble"}, ...
%!             {@(n) char(randi([32, 126], 1, n)), "quorvane:notDouble"}, ...
%!             {@(n) num2cell(randn(1, n)), "quorvane:notDouble"}, ...
%!             {@(n) struct("c", num2cell(randn(1, n))), "quorvane:notDouble"}, ...
%!             {@(n) @() n, "quorvane:notDouble"}, ...
%!             {@(n) sparse(randn(1, n) > 0), "quorvane:notDouble"}, ...
%!             {@(n) sparse(randn(1, n)), "quorvane:sparse"}, ...
%!             {@(n) complex(randn(1, n), randn(1, n)), "quorvane:complex"}, ...
%!             {@(n) randn(1, mod(n, 10)), "quorvane:tooFewCoefficients"}, ...
%!             {@(n) reshape(randn(1, mod(n, 10)), 1, 1, []), "quorvane:tooFewCoefficients"}}];
%! anything = @() garbage{randi(numel (garbage))}{1}(randi ([0, 30]));
%!
%! wrongCounts = [0, 1, 2];
%! calls = str2double (getenv ("QUORVANE_STRESS_CALLS"));
%! if (isnan (calls))
%!   calls = 10000;
%! endif
%! counts = zeros (1, 4);
%! for call = 1:calls
%!   kind = randi (4);
%!   counts(kind) += 1;
%!   k = randi (numel (systems));
%!   inputs = systems{k};
%!   for position = 1:3
%!     ## Same first ten elements, another shape or trailing elements.
%!     switch (randi (4))
%!       case 1
%!         inputs{position} = inputs{position}(:);
%!       case 2
%!         inputs{position} = reshape (inputs{position}, 2, 5);
%!       case 3
%!         inputs{position} = [inputs{position}, randn(1, randi ([1, 200]))];
%!     endswitch
%!   endfor
%!   expected = "";
%!   outputs = 1;
%!   switch (kind)
%!     case {1, 2}
%!       result = quorvane (inputs{:});
%!       if (! isequaln (result, fresh{k}))
%!         error ("stress:mismatch", "call %d: system %d gave another result", call, k);
%!       endif
%!       continue;
%!     case 3
%!       n = randi ([0, 40]);
%!       if (rand () < 0.01)
%!         n = randi ([1000, 100000]);
%!       endif
%!       bad = garbage{randi(numel (garbage))};
%!       inputs{randi(3)} = bad{1}(n);
%!       expected = bad{2};
%!     case 4
%!       switch (randi (3))
%!         case 1
%!           inputs = arrayfun (@(i) anything (), 1:wrongCounts(randi (numel (wrongCounts))), ...
%!                            "UniformOutput", false);
%!           expected = "quorvane:inputCount";
%!         case 2
%!           inputs{randi(3)} = anything ();
%!           expected = "quorvane:outputCount";
%!           outputs = 3;
%!         case 3
%!           ## Garbage where an option's name belongs, after three valid arrays.
%!           inputs{end + 1} = garbage{randi(numel (garbage))}{1}(randi ([1, 30]));
%!           expected = "quorvane:optionName";
%!       endswitch
%!   endswitch
%!   identifier = "";
%!   try
%!     if (outputs == 1)
%!       quorvane (inputs{:});
%!     else
%!       [first, second, third] = quorvane (inputs{:});
%!     endif
%!   catch failure
%!     identifier = failure.identifier;
%!   end_try_catch
%!   if (! strcmp (identifier, expected))
%!     error ("stress:wrongError", "call %d: expected %s, got '%s'", call, expected, identifier);
%!   endif
%! endfor
%! assert (sum (counts), calls);
%! assert (all (counts > calls / 8));
