function build_quorvane (eigenInclude)
%BUILD_QUORVANE  Builds the quorvane MEX modules with MATLAB's mex (untested here) or Octave's.
%   BUILD_QUORVANE(EIGENINCLUDE) compiles the gateway in this folder and the solver in
%   ../solver into quorvane.<mexext>, quorvane_batch.<mexext> and
%   quorvane_trilaterate.<mexext> beside this file.
%   EIGENINCLUDE is the folder holding Eigen's headers (the one with Eigen/Core in it), by
%   default /usr/include/eigen3.
%
%   The solver's files are those listed in ../solver/sources.txt and its floating-point flags
%   those of ../solver/floating_point_flags.txt, which every build of it reads. With g++,
%   -fno-gnu-unique lets "clear quorvane" unload the module.

% SPDX-License-Identifier: BSD-3-Clause

if nargin < 1
  eigenInclude = '/usr/include/eigen3';
end
gateway = fileparts (mfilename ('fullpath'));
solver = fullfile (fileparts (gateway), 'solver');
solverFiles = listLines (fullfile (solver, 'sources.txt'));
if isempty (solverFiles)
  error ('build_quorvane: %s lists no files', fullfile (solver, 'sources.txt'));
end
solverFiles = cellfun (@(f) fullfile (solver, f), solverFiles, 'UniformOutput', false);
missing = solverFiles(cellfun (@(f) exist (f, 'file') ~= 2, solverFiles));
if ~isempty (missing)
  error ('build_quorvane: sources.txt lists files that are missing: %s', ...
         strjoin (missing, ', '));
end
solverSources = solverFiles(~cellfun (@isempty, regexp (solverFiles, '\.cc$', 'once')));
% Each module has its own mexFunction: the batch command's is in quorvane_batch_mex.cc, the
% trilateration command's in quorvane_trilaterate_mex.cc.
gatewayFiles = dir (fullfile (gateway, '*.cc'));
batchSources = {'quorvane_batch_mex.cc', 'argument_checks.cc', 'call_error.cc', ...
                'host_interrupt.cc', 'options.cc'};
trilaterateSources = {'quorvane_trilaterate_mex.cc', 'argument_checks.cc', 'call_error.cc', ...
                      'options.cc'};
modules = {'quorvane', setdiff({gatewayFiles.name}, {batchSources{1}, trilaterateSources{1}});
           'quorvane_batch', batchSources;
           'quorvane_trilaterate', trilaterateSources};

% Octave's mex is mkoctfile --mex, which takes neither NAME=value arguments nor -outdir and
% -output: it reads the compiler flags from the environment and names its output with -o.
octave = exist ('OCTAVE_VERSION', 'builtin') ~= 0;
if ispc && ~octave
  flags = ['/std:c++17 ', floatingPointFlags(solver, 'msvc')];
else
  flags = ['-std=c++17 ', floatingPointFlags(solver, 'gnu')];
  if isunix && ~ismac
    flags = [flags, ' -fno-gnu-unique'];
  end
end
if octave
  previousFlags = getenv ('CXXFLAGS');
  restoreFlags = onCleanup (@() restoreVariable ('CXXFLAGS', previousFlags));
  setenv ('CXXFLAGS', [strtrim(mkoctfile ('-p', 'CXXFLAGS')), ' ', flags]);
  options = {};
elseif ispc
  options = {['COMPFLAGS=$COMPFLAGS ', flags], '-largeArrayDims'};
else
  options = {['CXXFLAGS=$CXXFLAGS ', flags], '-largeArrayDims'};
end
% -I solver: the library's sources include its internal headers by paths relative to it.
for k = 1:size (modules, 1)
  sources = [fullfile(gateway, modules{k, 2}), solverSources];
  if octave
    output = {'-o', fullfile(gateway, [modules{k, 1}, '.', mexext])};
  else
    output = {'-outdir', gateway, '-output', modules{k, 1}};
  end
  mex (options{:}, '-DNDEBUG', ['-I', solver], ['-I', fullfile(solver, 'include')], ...
       ['-I', eigenInclude], output{:}, sources{:});
end
end

% The lines of a list file that are neither blank nor comments (starting with #), in the
% order written; a checkout with Windows line ends reads the same.
function entries = listLines (file)
lines = strtrim (strsplit (fileread (file), {char(13), char(10)}));
entries = lines(~cellfun (@isempty, lines) & ~strncmp (lines, '#', 1));
end

% The flags after "family:" on that family's one line of floating_point_flags.txt.
function flags = floatingPointFlags (solver, family)
file = fullfile (solver, 'floating_point_flags.txt');
lines = listLines (file);
prefix = [family, ':'];
lines = lines(strncmp (lines, prefix, numel (prefix)));
if numel (lines) ~= 1 || isempty (strtrim (lines{1}(numel (prefix)+1:end)))
  error ('build_quorvane: %s has no one line "%s <flags>"', file, prefix);
end
flags = strtrim (lines{1}(numel (prefix)+1:end));
end

% An environment variable back as it was: unset when it was empty, so that mkoctfile falls
% back on its own default flags afterwards.
function restoreVariable (name, value)
if isempty (value)
  unsetenv (name);
else
  setenv (name, value);
end
end
