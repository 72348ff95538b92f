#!/usr/bin/env bash
# Runs every libFuzzer target of the fuzz build for the given number of seconds (default 60).
# Fails on the first crash; prints each target's execution count.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
out=build/fuzz/runs
mkdir -p "$out"
status=0
for f in build/fuzz/bin/fuzz_*; do
  [ -x "$f" ] || continue
  name=$(basename "$f")
  corpus="$out/$name.corpus"
  mkdir -p "$corpus"
  seeds=tests/fuzz/seeds/${name#fuzz_}
  dirs=("$corpus")
  [ -d "$seeds" ] && dirs+=("$seeds")
  if "$f" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$out/$name-" \
       "${dirs[@]}" >"$out/$name.txt" 2>&1; then
    execs=$(grep -m1 'stat::number_of_executed_units' "$out/$name.txt" | awk '{print $2}')
    echo "$name: ${execs:-?} executions, 0 crashes"
  else
    echo "$name: FAILED, see $out/$name.txt"
    tail -n 40 "$out/$name.txt"
    status=1
  fi
done
exit $status
