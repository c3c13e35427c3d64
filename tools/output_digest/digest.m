% SPDX-License-Identifier: BSD-3-Clause
% The Octave module's outputs on a systems file, raw, for compare.py:
%
%   octave-cli --no-gui --norc tools/output_digest/digest.m GATEWAY SYSTEMS RESULTS [K]
%
% GATEWAY is the build's folder with quorvane.mex and quorvane_batch.mex. quorvane_batch
% runs on every system, with and without options; quorvane, one call per system, on K of
% them (10,000 by default) spread evenly through the file (every N / K-th), since each call
% costs the interpreter's time as well. Matrices are written with fwrite as Octave holds
% them (column after column: a 3 x M matrix of points is M rows of x, y, z), in the format
% of digest_format.py.
1;

function write_text (fid, s)
  fwrite (fid, numel (s), "uint32");
  fwrite (fid, s, "char");
end

% An array of kind 'd' or 'q' whose rows are the columns of `m` (rank 1 when is_vector).
function write_array (fid, name, kind, m, is_vector)
  write_text (fid, name);
  fwrite (fid, kind, "char");
  if is_vector
    fwrite (fid, 1, "uint32");
    fwrite (fid, numel (m), "uint64");
  else
    fwrite (fid, 2, "uint32");
    fwrite (fid, [columns(m), rows(m)], "uint64");
  end
  if kind == "d"
    fwrite (fid, m, "double");
  else
    fwrite (fid, m, "int64");
  end
end

function write_section (fid, name, arrays)
  write_text (fid, name);
  fwrite (fid, numel (arrays), "uint32");
  for a = 1:numel (arrays)
    write_array (fid, arrays{a}{:});
  end
  fprintf (stderr, "  %s\n", name);
end

args = argv ();
if numel (args) < 3
  error ("usage: digest.m GATEWAY SYSTEMS RESULTS [K]");
end
addpath (args{1});
mex_file = which ("quorvane");
if ! strncmp (mex_file, args{1}, numel (args{1}))
  error ("quorvane is %s, not the module in %s", mex_file, args{1});
end
fprintf (stderr, "  quorvane from %s\n", mex_file);
subset_size = 10000;
if numel (args) > 3
  subset_size = str2double (args{4});
end

fid = fopen (args{2}, "r", "ieee-le");
C = fread (fid, Inf, "double=>double");
fclose (fid);
if isempty (C) || mod (numel (C), 30) != 0
  error ("%s is not a whole number of 30-double systems", args{2});
end
C = reshape (C, 30, []);
n = columns (C);
stride = max (1, floor (n / max (1, subset_size)));
subset = 1:stride:n;
subset = subset(1:min (end, subset_size));

out = fopen (args{3}, "w", "ieee-le");
fwrite (out, "QVDIGEST1\n", "char");

% One call per system, the three-argument call behind it; its NaN columns included.
counts = zeros (1, numel (subset));
points = cell (1, numel (subset));
for i = 1:numel (subset)
  c = C(:, subset(i));
  S = quorvane (c(1:10), c(11:20), c(21:30));
  counts(i) = columns (S);
  points{i} = S;
end
write_section (out, "octave quorvane", {{"subset", "q", subset - 1, true},
                                        {"count", "q", counts, true},
                                        {"points", "d", [zeros(3, 0), points{:}], false}});

% The batch command: its points, and K as it comes (a double row, numbered from 1).
batch_calls = {
  "default", {};
  "threads 1", {1};
  "threads 2", {2};
  "Method fast", {"Method", "fast"};
  "threads 1, Method fast", {1, "Method", "fast"};
  "threads 2, Method fast", {2, "Method", "fast"};
  "ImagTol 1e-3", {"ImagTol", 1e-3};
  "Refine true", {"Refine", true};
  "threads 2, ImagTol 1e-2, Refine true", {2, "ImagTol", 1e-2, "Refine", true};
  "Method fast, Refine true", {"Method", "fast", "Refine", true};
  "Method fast, ImagTol 1e-3", {"Method", "fast", "ImagTol", 1e-3};
};
for b = 1:rows (batch_calls)
  [S, K] = quorvane_batch (C, batch_calls{b, 2}{:});
  write_section (out, sprintf ("octave quorvane_batch {%s}", batch_calls{b, 1}),
                 {{"points", "d", S, false}, {"system1", "d", K, true}});
end
% The other layout of C, 10 x 3 x N.
[S, K] = quorvane_batch (reshape (C, 10, 3, n), 2);
write_section (out, "octave quorvane_batch 10x3xN {threads 2}",
               {{"points", "d", S, false}, {"system1", "d", K, true}});
if fclose (out) != 0
  error ("cannot write %s", args{3});
end
