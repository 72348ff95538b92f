#!/usr/bin/env bash
# Installs what is needed, builds and runs every test: the suite in the release build,
# the Windows cross build with its suite under Wine (the installer's silent install and
# uninstall among it) and the end-to-end runs of the Windows tool against the Linux simulator
# (headless, then through its window), each fuzz target for FUZZ_SECONDS (60 by default) under
# ASan/UBSan, the unit and integration suites in the ThreadSanitizer build, then the suite in
# the AddressSanitizer + UndefinedBehaviorSanitizer build. Ends with CTest's summary and the
# time each stage took.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
# Each stage's time, printed as the run goes and again together at the end (also after a
# failure, up to the stage that failed).
stage_names=()
stage_times=()
stage_name=""
SECONDS=0
stage_start=0
stage() {
  stage_end
  stage_name=$1
  stage_start=$SECONDS
  echo "== $1"
}
stage_end() {
  [ -n "$stage_name" ] || return 0
  local took=$((SECONDS - stage_start))
  stage_names+=("$stage_name")
  stage_times+=("$took")
  printf '== %s: %d min %02d s\n' "$stage_name" $((took / 60)) $((took % 60))
  stage_name=""
}
stage_summary() {
  stage_end
  echo "== stage times"
  local i
  for i in "${!stage_names[@]}"; do
    printf '%6d s  %s\n' "${stage_times[$i]}" "${stage_names[$i]}"
  done
  printf '%6d s  in all\n' "$SECONDS"
}
trap stage_summary EXIT

stage "install the packages"
bash scripts/install-deps.sh

build() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j "$jobs"
}

stage "release build"
build release
stage "release tests"
ctest --preset release -j "$jobs"

stage "Windows cross build"
build windows
stage "Windows tests and installer under Wine"
# a prepared prefix with its server and services up before CTest starts anything
bash scripts/wine-env.sh build/windows
ctest --preset windows -j "$jobs"
stage "end to end with the Linux simulator, headless and through the window"
bash scripts/e2e-windows.sh build/windows build/release
bash scripts/e2e-window.sh build/windows build/release

stage "fuzz build"
build fuzz
stage "fuzz targets, ${FUZZ_SECONDS:-60} s each"
bash scripts/fuzz.sh "${FUZZ_SECONDS:-60}"

stage "ThreadSanitizer build"
build tsan
stage "ThreadSanitizer tests (unit and integration suites)"
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ctest --preset tsan -j "$jobs"

stage "AddressSanitizer + UndefinedBehaviorSanitizer build"
build asan
stage "AddressSanitizer + UndefinedBehaviorSanitizer tests"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --preset asan -j "$jobs"
