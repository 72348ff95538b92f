#!/usr/bin/env bash
# Installs what is needed, builds and runs every test: the suite in the release build,
# the Windows cross build with its suite under Wine (the installer's silent install and
# uninstall among it) and the end-to-end runs of the Windows tool against the Linux simulator
# (headless, then through its window), each fuzz target for FUZZ_SECONDS (60 by default) under
# ASan/UBSan, the unit and integration suites in the ThreadSanitizer build, then the suite in
# the AddressSanitizer + UndefinedBehaviorSanitizer build. Ends with CTest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
build() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j "$jobs"
}

echo "== release build and tests"
build release
ctest --preset release -j "$jobs"

echo "== Windows cross build, its tests and installer under Wine, end to end with the Linux simulator"
build windows
# a prepared prefix with its server and services up before CTest starts anything
bash scripts/wine-env.sh build/windows
ctest --preset windows -j "$jobs"
bash scripts/e2e-windows.sh build/windows build/release
bash scripts/e2e-window.sh build/windows build/release

echo "== fuzz targets, ${FUZZ_SECONDS:-60} s each"
build fuzz
bash scripts/fuzz.sh "${FUZZ_SECONDS:-60}"

echo "== ThreadSanitizer build and tests (unit and integration suites)"
build tsan
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ctest --preset tsan -j "$jobs"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build and tests"
build asan
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --preset asan -j "$jobs"
