#!/usr/bin/env bash
# The fast method against its linear-algebra floor, by family (bench/floor_families.h): time
# per system from the medians of repeated Google Benchmark runs of floor_bench, and
# instructions per system from callgrind on floor_loop (the difference between 2N and N
# systems, less the same for drawing them). Both as ratios to the floor measured in the same
# run. REPETITIONS (default 9) and N (default 300) set the effort; BUILD_DIR another build tree.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
repetitions=${REPETITIONS:-9}
n=${N:-300}
cmake --build "$build" -j "${JOBS:-2}" --target floor_bench floor_loop >/dev/null
json=$(mktemp)
trap 'rm -f "$json"' EXIT
"./$build/bench/floor_bench" --benchmark_repetitions="$repetitions" \
  --benchmark_report_aggregates_only=true --benchmark_format=json >"$json" 2>/dev/null
source bench/callgrind_per_system.sh
families=$(python3 -c '
import json, sys
runs = json.load(open(sys.argv[1]))["benchmarks"]
labels = [r["label"] for r in runs if r.get("label")]
print(" ".join(dict.fromkeys(labels)))' "$json")
instructions=$(mktemp)
trap 'rm -f "$json" "$instructions"' EXIT
echo "floor $(($(perSystem floor_loop floor generic) - $(perSystem floor_loop floorsetup generic)))" >>"$instructions"
for family in $families; do
  setup=$(perSystem floor_loop setup "$family")
  echo "$family $(($(perSystem floor_loop fastcall "$family") - setup)) $(($(perSystem floor_loop fastbatch "$family") - setup))" >>"$instructions"
done
python3 - "$json" "$instructions" <<'PY'
import json, sys
runs = [r for r in json.load(open(sys.argv[1]))["benchmarks"] if r.get("aggregate_name") == "median"]
floor = next(r["real_time"] for r in runs if r["run_name"] == "BM_Floor")
time = {}
for r in runs:
    if r.get("label"):
        time.setdefault(r["label"], {})[r["run_name"].split("/")[0]] = r["real_time"]
counts = {}
for line in open(sys.argv[2]):
    name, *values = line.split()
    counts[name] = [int(v) for v in values]
floorCount = counts["floor"][0]
print(f"floor: {floor / 1000:.2f} us and {floorCount} instructions per system")
print("| family | time: one call | time: batch | instructions: one call | instructions: batch |")
print("|---|---|---|---|---|")
for name, t in time.items():
    one, batch = counts[name]
    print(f"| {name} | {t['BM_FastOneCall'] / floor:.3f} | {t['BM_FastBatch'] / floor:.3f} | "
          f"{one / floorCount:.3f} | {batch / floorCount:.3f} |")
PY
