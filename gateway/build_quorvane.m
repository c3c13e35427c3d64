function build_quorvane (eigenInclude)
%BUILD_QUORVANE  Builds the quorvane MEX modules with MATLAB's mex (untested here).
%   BUILD_QUORVANE(EIGENINCLUDE) compiles the gateway in this folder and the solver in
%   ../solver into quorvane.<mexext> and quorvane_batch.<mexext> beside this file.
%   EIGENINCLUDE is the folder holding Eigen's headers (the one with Eigen/Core in it), by
%   default /usr/include/eigen3.
%
%   The solver's rounding is part of its contract, so floating-point contraction (fused
%   multiply-add) stays off. With g++, -fno-gnu-unique lets "clear quorvane" unload the
%   module.

% SPDX-License-Identifier: BSD-3-Clause

if nargin < 1
  eigenInclude = '/usr/include/eigen3';
end
gateway = fileparts (mfilename ('fullpath'));
solver = fullfile (fileparts (gateway), 'solver');
solverFiles = dir (fullfile (solver, '*.cc'));
solverSources = fullfile ({solverFiles.folder}, {solverFiles.name});
% Each module has its own mexFunction: the batch command's is in quorvane_batch_mex.cc.
gatewayFiles = dir (fullfile (gateway, '*.cc'));
batchSources = {'quorvane_batch_mex.cc', 'argument_checks.cc', 'call_error.cc'};
modules = {'quorvane', setdiff({gatewayFiles.name}, batchSources(1));
           'quorvane_batch', batchSources};

if ispc
  compilerFlags = 'COMPFLAGS=$COMPFLAGS /std:c++17 /fp:precise /fp:contract-';
elseif ismac
  compilerFlags = 'CXXFLAGS=$CXXFLAGS -std=c++17 -ffp-contract=off';
else
  compilerFlags = 'CXXFLAGS=$CXXFLAGS -std=c++17 -ffp-contract=off -fno-gnu-unique';
end
for k = 1:size (modules, 1)
  sources = [fullfile(gateway, modules{k, 2}), solverSources];
  mex ('-largeArrayDims', '-DNDEBUG', compilerFlags, ['-I', solver], ...
       ['-I', fullfile(solver, 'include')], ['-I', eigenInclude], ...
       '-outdir', gateway, '-output', modules{k, 1}, sources{:});
end
end
