#!/usr/bin/env bash
# Runs a Windows console program under Wine in a prefix of its own, made on first use, and
# passes the program's exit status on. Arguments that are absolute Unix paths reach the
# program as Windows paths on Wine's Z: drive, which maps /.
#   run_in_wine.sh WINE WINESERVER PREFIX PROGRAM [ARGUMENT...]
set -euo pipefail
wine=$1
wineserver=$2
export WINEPREFIX=$3
program=$4
shift 4

# No debug channels; no offer to install Mono or Gecko when the prefix is made.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
arguments=()
for argument in "$@"; do
  if [[ $argument == /* ]]; then argument="Z:${argument//\//\\}"; fi
  arguments+=("$argument")
done

mkdir -p "$WINEPREFIX"
status=0
"$wine" "$program" "${arguments[@]}" || status=$?
# The server lingers for a few seconds after its last program; wait for it, so that nothing of
# this run outlives it.
"$wineserver" -w || true
exit "$status"
