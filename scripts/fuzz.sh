#!/usr/bin/env bash
# Runs every libFuzzer target of the fuzz build for the given number of seconds (default 60),
# FUZZ_JOBS targets at a time (default: one per core). Fails if any target finds a crash;
# prints each target's execution count.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
parallel=${FUZZ_JOBS:-$(nproc)}
out=build/fuzz/runs
mkdir -p "$out"

run_one() {
  local f=$1 name corpus seeds execs
  name=$(basename "$f")
  corpus="$out/$name.corpus"
  mkdir -p "$corpus"
  seeds=tests/fuzz/seeds/${name#fuzz_}
  local dirs=("$corpus")
  [ -d "$seeds" ] && dirs+=("$seeds")
  if "$f" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$out/$name-" \
       "${dirs[@]}" >"$out/$name.txt" 2>&1; then
    execs=$(grep -m1 'stat::number_of_executed_units' "$out/$name.txt" | awk '{print $2}')
    echo "$name: ${execs:-?} executions, 0 crashes"
  else
    echo "$name: FAILED, see $out/$name.txt"
    tail -n 40 "$out/$name.txt"
    return 1
  fi
}

status=0
pids=()
for f in build/fuzz/bin/fuzz_*; do
  [ -x "$f" ] || continue
  run_one "$f" &
  pids+=($!)
  if [ "${#pids[@]}" -ge "$parallel" ]; then
    wait "${pids[0]}" || status=1
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do
  wait "$pid" || status=1
done
exit $status
