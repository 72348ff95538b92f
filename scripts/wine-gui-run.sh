#!/usr/bin/env bash
# Runs a window program of a Windows build under Wine, on the X display this is started on
# (the window tests run it under xvfb-run):
#   scripts/wine-gui-run.sh BUILD-DIR PROGRAM.exe [ARGS...]
# First waits for a desktop process left from a program that ran without a display.
set -euo pipefail
build=$1
shift
# shellcheck source=scripts/wine-env.sh
. "$(dirname "$0")/wine-env.sh" "$build"
zr40_wait_for_stale_desktop
exec "$WINE" "$@"
