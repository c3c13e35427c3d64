## octave-cli --no-history --norc run_test_file.m TEST_FILE MODULE_DIR...
## Runs the test blocks of TEST_FILE with the modules of MODULE_DIR... on the path; exits
## nonzero when any block fails or the file has none.

## SPDX-License-Identifier: BSD-3-Clause

inputs = argv ();
addpath (inputs{2:end});
[passed, total] = test (inputs{1}, "normal", stdout);
printf ("%s: %d of %d test blocks passed\n", inputs{1}, passed, total);
exit (double (total == 0 || passed < total));
