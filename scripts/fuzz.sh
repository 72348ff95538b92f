#!/usr/bin/env bash
# Runs every libFuzzer target of the fuzz build for the given number of seconds (default 60),
# FUZZ_JOBS targets at a time (default: one per core), each from its committed corpus
# (tests/fuzz/corpus/NAME) and seeds. An input that runs longer than FUZZ_INPUT_TIMEOUT seconds
# (default 10) is reported as a hang. Fails if any target finds a crash or a hang, or when no
# target was built; prints each target's execution count. FUZZ_MERGE=1 afterwards folds what
# the runs found into the committed corpus (keeping only inputs that add coverage).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
parallel=${FUZZ_JOBS:-$(nproc)}
input_timeout=${FUZZ_INPUT_TIMEOUT:-10}
out=build/fuzz/runs
mkdir -p "$out"

inputs() {
  local name=$1 dir
  for dir in "tests/fuzz/corpus/${name#fuzz_}" "tests/fuzz/seeds/${name#fuzz_}"; do
    [ -d "$dir" ] && echo "$dir"
  done
  return 0
}

run_one() {
  local f=$1 name corpus execs
  name=$(basename "$f")
  corpus="$out/$name.corpus"
  mkdir -p "$corpus"
  local dirs=("$corpus")
  mapfile -t -O 1 dirs < <(inputs "$name")
  if "$f" -max_total_time="$seconds" -timeout="$input_timeout" -print_final_stats=1 \
       -artifact_prefix="$out/$name-" "${dirs[@]}" >"$out/$name.txt" 2>&1; then
    execs=$(grep -m1 'stat::number_of_executed_units' "$out/$name.txt" | awk '{print $2}')
    echo "$name: ${execs:-?} executions, 0 crashes, 0 hangs"
  else
    echo "$name: FAILED (a crash, or an input over ${input_timeout} s), see $out/$name.txt"
    tail -n 40 "$out/$name.txt"
    return 1
  fi
}

merge_one() {
  local f=$1 name committed
  name=$(basename "$f")
  committed="tests/fuzz/corpus/${name#fuzz_}"
  mkdir -p "$committed"
  local dirs=()
  mapfile -t dirs < <(inputs "$name")
  "$f" -merge=1 -timeout="$input_timeout" "$committed" "$out/$name.corpus" "${dirs[@]}" \
    >"$out/$name.merge.txt" 2>&1 || { echo "$name: merge FAILED, see $out/$name.merge.txt"; return 1; }
  echo "$name: committed corpus $(find "$committed" -type f | wc -l) inputs"
}

targets=()
for f in build/fuzz/bin/fuzz_*; do
  [ -x "$f" ] && targets+=("$f")
done
if [ "${#targets[@]}" -eq 0 ]; then
  echo "fuzz: no fuzz target in build/fuzz/bin (build the fuzz preset first)" >&2
  exit 1
fi

status=0
pids=()
for f in "${targets[@]}"; do
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
if [ "$status" -eq 0 ] && [ "${FUZZ_MERGE:-0}" = 1 ]; then
  for f in "${targets[@]}"; do
    merge_one "$f" || status=1
  done
fi
exit $status
