#!/usr/bin/env bash
# Source this to run the Windows build under Wine: a private prefix inside the build folder, a
# persistent wineserver, and Wine's background services started before any test so that they
# never inherit a test runner's output pipe (CTest would wait for them forever).
#   . scripts/wine-env.sh [build-dir]     (default build/windows)
zr40_wine_build=$(cd "${1:-build/windows}" 2>/dev/null && pwd || echo "${1:-build/windows}")
export WINEPREFIX="$zr40_wine_build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINE=/usr/lib/wine/wine64
mkdir -p "$WINEPREFIX"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$WINE" wineboot -i </dev/null >/dev/null 2>&1 || true
fi
/usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1 || true
"$WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
