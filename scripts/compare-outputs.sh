#!/usr/bin/env bash
# Shows whether two trees of the library give the same outputs, bit for bit, in the same
# order, with the same reports, through every interface: the C++ calls (tools/output_digest),
# the Python module and the Octave module, with both methods and several options, on the
# same systems. Meant for changes inside the library that must not change what it returns.
#
#   scripts/compare-outputs.sh [options] OLD_TREE NEW_TREE [N]
#
# For each tree it configures and builds a Release build with the Octave module (tests,
# benchmarks, examples and tools off), installs the library into a prefix, builds
# output_digest against that prefix alone, installs the tree's Python module into a venv of
# its own, and runs the three digests on N systems (100,000 by default) from
# tools/output_digest/make_systems. Then compare.py holds the results files side by side and
# exits non-zero on the first difference of every interface, naming the system.
#
# Options:
#   --old-dir DIR   the old side's builds and results (default $COMPARE_WORK/old)
#   --new-dir DIR   the new side's (default $COMPARE_WORK/new); COMPARE_WORK defaults to
#                   /tmp/compare-outputs
#   --reuse-old     take the old side's results in --old-dir as they are (REUSE_OLD=1 does the
#                   same): the old tree is neither built nor run, and its systems file is the
#                   one the new side solves. OLD_TREE may then be given as "-".
#   --replace-old   build and run the old side again where --old-dir already holds results
#                   (without it, such results are kept: use --reuse-old, or another folder)
#   --subset K      systems solved one call at a time in Python and Octave (default 10000)
#   --seed S        seed of the systems (default 20261209)
# JOBS sets the build's parallel jobs (default 1: the machine is shared).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
tool=$here/tools/output_digest
work=${COMPARE_WORK:-/tmp/compare-outputs}
old_dir=
new_dir=
reuse=${REUSE_OLD:-0}
replace=0
subset=10000
seed=20261209
jobs=${JOBS:-1}
positional=()
while (($#)); do
  case $1 in
    --old-dir) old_dir=$2; shift 2 ;;
    --new-dir) new_dir=$2; shift 2 ;;
    --reuse-old) reuse=1; shift ;;
    --replace-old) replace=1; shift ;;
    --subset) subset=$2; shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    -h | --help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    -*) [[ $1 == - ]] && { positional+=("$1"); shift; continue; }
        echo "unknown option $1" >&2; exit 2 ;;
    *) positional+=("$1"); shift ;;
  esac
done
if ((${#positional[@]} < 2 || ${#positional[@]} > 3)); then
  echo "usage: $0 [--old-dir DIR] [--new-dir DIR] [--reuse-old | --replace-old] [--subset K]" \
    "[--seed S]" \
    "OLD_TREE NEW_TREE [N]" >&2
  exit 2
fi
old_tree=${positional[0]}
new_tree=${positional[1]}
count=${positional[2]:-}
old_dir=$(realpath -m "${old_dir:-$work/old}")
new_dir=$(realpath -m "${new_dir:-$work/new}")
if [[ $old_dir == "$new_dir" ]]; then
  echo "the old and new sides need directories of their own" >&2
  exit 2
fi
for tree in "$old_tree" "$new_tree"; do
  [[ $tree == - && $reuse == 1 ]] && continue
  [[ -f $tree/CMakeLists.txt && -f $tree/setup.py ]] || { echo "$tree is no tree of the project" >&2; exit 2; }
done
[[ $new_tree != - ]] || { echo "NEW_TREE is needed" >&2; exit 2; }
for program in cmake octave-cli /usr/bin/python3; do
  command -v "$program" >/dev/null || { echo "$program is needed" >&2; exit 1; }
done

timings=()
side=old  # which side the steps are for, in the list of times
since() {
  awk -v start="$1" -v now="$(date +%s.%N)" 'BEGIN { printf "%.1f", now - start }'
}
# step NAME LOG COMMAND...: runs the command with its output in LOG, and keeps its time.
step() {
  local name=$1 log=$2 start
  shift 2
  start=$(date +%s.%N)
  printf '  %-34s' "$name" >&2
  if ! "$@" >"$log" 2>&1; then
    echo " FAILED, see $log:" >&2
    tail -n 20 "$log" >&2
    exit 1
  fi
  local took
  took=$(since "$start")
  echo " ${took} s" >&2
  timings+=("$side $name: ${took} s")
}

tree_commit() {
  if git -C "$1" rev-parse --git-dir >/dev/null 2>&1; then
    local commit
    commit=$(git -C "$1" rev-parse HEAD)
    [[ -z $(git -C "$1" status --porcelain --untracked-files=no) ]] || commit="$commit (with uncommitted changes)"
    echo "$commit"
  else
    echo "not a git tree"
  fi
}

# The side's Python build goes to its own folder, not to the tree's build/python, so that
# nothing earlier built there is taken for this tree's, and one job at a time.
write_python_config() {
  cat >"$1/python-build.cfg" <<EOF
[build]
build_base = $1/python-build
[build_ext]
parallel = 1
[egg_info]
egg_base = $1/python-build
EOF
}

build_side() {
  local tree=$1 dir=$2
  mkdir -p "$dir/logs"
  echo "building $tree in $dir" >&2
  step "configure" "$dir/logs/configure.log" \
    cmake -S "$tree" -B "$dir/build" -DCMAKE_BUILD_TYPE=Release -DQUORVANE_BUILD_TESTS=OFF \
    -DQUORVANE_BUILD_BENCHMARKS=OFF -DQUORVANE_BUILD_EXAMPLES=OFF -DQUORVANE_BUILD_TOOLS=OFF \
    -DQUORVANE_BUILD_OCTAVE=ON -DCMAKE_INSTALL_PREFIX="$dir/prefix"
  step "build (library, Octave module)" "$dir/logs/build.log" \
    cmake --build "$dir/build" -j "$jobs"
  rm -rf "$dir/prefix"
  step "install into prefix" "$dir/logs/install.log" cmake --install "$dir/build"
  local config
  config=$(find "$dir/prefix" -name quorvaneConfig.cmake | head -n 1)
  [[ -n $config ]] || { echo "no quorvaneConfig.cmake under $dir/prefix" >&2; exit 1; }
  rm -rf "$dir/digest-build"
  step "configure output_digest" "$dir/logs/digest-configure.log" \
    cmake -S "$tool" -B "$dir/digest-build" -DCMAKE_BUILD_TYPE=Release \
    -Dquorvane_DIR="$(dirname "$config")" -DCMAKE_PREFIX_PATH="$dir/prefix"
  step "build output_digest" "$dir/logs/digest-build.log" \
    cmake --build "$dir/digest-build" -j "$jobs" --target output_digest
  # The digest must hold this side's library, not one found elsewhere on the machine.
  grep -q -- "$dir/prefix/" "$dir/digest-build/CMakeFiles/output_digest.dir/link.txt" || {
    echo "output_digest was not linked against $dir/prefix" >&2
    exit 1
  }
  write_python_config "$dir"
  rm -rf "$dir/python-build"
  step "venv" "$dir/logs/venv.log" /usr/bin/python3 -m venv --system-site-packages --clear "$dir/venv"
  step "Python module" "$dir/logs/python-install.log" \
    env DIST_EXTRA_CONFIG="$dir/python-build.cfg" "$dir/venv/bin/python" -m pip install \
    --no-build-isolation --no-index --no-cache-dir --quiet "$tree"
  [[ -d $dir/python-build ]] || { echo "the Python module was not built in $dir/python-build" >&2; exit 1; }
}

run_side() {
  local tree=$1 dir=$2 systems=$3
  local gateway
  gateway=$(find "$dir/build" -name quorvane.mex -printf '%h\n' | head -n 1)
  [[ -n $gateway && -f $gateway/quorvane_batch.mex ]] || {
    echo "no quorvane.mex and quorvane_batch.mex in $dir/build" >&2
    exit 1
  }
  rm -f "$dir"/results-*.bin "$dir/side.txt"
  step "C++ digest" "$dir/logs/digest-cpp.log" \
    "$dir/digest-build/output_digest" "$systems" "$dir/results-cpp.bin"
  # From the tool's folder, so that no quorvane package in a tree shadows the venv's.
  step "Python digest" "$dir/logs/digest-python.log" \
    env -C "$tool" "$dir/venv/bin/python" "$tool/digest.py" "$systems" \
    "$dir/results-python.bin" --subset "$subset"
  grep -q "from $dir/venv/" "$dir/logs/digest-python.log" || {
    echo "the Python digest did not use $dir/venv's module" >&2
    exit 1
  }
  step "Octave digest" "$dir/logs/digest-octave.log" \
    env -C "$tool" octave-cli --no-gui --norc --no-history "$tool/digest.m" "$gateway" \
    "$systems" "$dir/results-octave.bin" "$subset"
  {
    echo "tree: $(realpath "$tree")"
    echo "commit: $(tree_commit "$tree")"
    echo "systems: $systems"
    echo "systems sha256: $(sha256sum "$systems" | cut -d' ' -f1)"
    echo "count: $(($(stat -c %s "$systems") / 240))"
    echo "seed: $seed"
    echo "subset: $subset"
    echo "made: $(date -u +%Y-%m-%dT%H:%M:%SZ)"
  } >"$dir/side.txt"
}

stamp() {
  sed -n "s/^$2: //p" "$1/side.txt"
}

systems=$old_dir/systems.bin
if [[ $reuse == 1 ]]; then
  for f in side.txt systems.bin results-cpp.bin results-python.bin results-octave.bin; do
    [[ -f $old_dir/$f ]] || { echo "--reuse-old: no $old_dir/$f" >&2; exit 1; }
  done
  [[ $(sha256sum "$systems" | cut -d' ' -f1) == "$(stamp "$old_dir" "systems sha256")" ]] || {
    echo "--reuse-old: $systems is not the file the old results were made from" >&2
    exit 1
  }
  if [[ -n $count && $count != "$(stamp "$old_dir" count)" ]]; then
    echo "--reuse-old: the old results are of $(stamp "$old_dir" count) systems, not $count" >&2
    exit 1
  fi
  seed=$(stamp "$old_dir" seed)
  subset=$(stamp "$old_dir" subset)
  echo "old side: the results in $old_dir, of $(stamp "$old_dir" tree) at" \
    "$(stamp "$old_dir" commit), made $(stamp "$old_dir" made)" >&2
else
  # Kept results are often a baseline that can no longer be made (its tree has moved on).
  if [[ -f $old_dir/side.txt && $replace != 1 ]]; then
    echo "$old_dir already holds the results of $(stamp "$old_dir" tree) at" \
      "$(stamp "$old_dir" commit): --reuse-old to compare against them, --replace-old to" \
      "make them again" >&2
    exit 2
  fi
  count=${count:-100000}
  mkdir -p "$old_dir/logs"
  echo "systems" >&2
  step "build make_systems" "$old_dir/logs/make-systems-build.log" \
    bash -c "cmake -S '$tool' -B '$old_dir/tools-build' -DCMAKE_BUILD_TYPE=Release && cmake --build '$old_dir/tools-build' -j '$jobs' --target make_systems"
  step "make $count systems" "$old_dir/logs/make-systems.log" \
    "$old_dir/tools-build/make_systems" "$systems" "$count" "$seed"
  cat "$old_dir/logs/make-systems.log" >&2
  build_side "$old_tree" "$old_dir"
  echo "running the old side" >&2
  run_side "$old_tree" "$old_dir" "$systems"
fi

side=new
build_side "$new_tree" "$new_dir"
echo "running the new side" >&2
run_side "$new_tree" "$new_dir" "$systems"

echo "comparing" >&2
start=$(date +%s.%N)
status=0
"$new_dir/venv/bin/python" "$tool/compare.py" "$old_dir" "$new_dir" --systems "$systems" ||
  status=$?
timings+=("compare: $(since "$start") s")
echo "old: $(stamp "$old_dir" tree) at $(stamp "$old_dir" commit)"
echo "new: $(stamp "$new_dir" tree) at $(stamp "$new_dir" commit)"
echo "times:"
printf '  %s\n' "${timings[@]}"
exit "$status"
