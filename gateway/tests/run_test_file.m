## octave-cli --no-history --norc run_test_file.m TEST_FILE MODULE_DIR...
## Runs the test blocks of TEST_FILE with the modules of MODULE_DIR... on the path; exits
## nonzero when any block fails or the file has none. An %!xtest block that fails is a known
## failure, reported by test () and not counted against the run.

## SPDX-License-Identifier: BSD-3-Clause

inputs = argv ();
addpath (inputs{2:end});
[passed, total, known_failures] = test (inputs{1}, "normal", stdout);
printf ("%s: %d of %d test blocks passed, %d known failures\n", inputs{1}, passed, total,
        known_failures);
exit (double (total == 0 || passed + known_failures < total));
