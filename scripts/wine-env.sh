#!/usr/bin/env bash
# Prepares Wine for the Windows build: a private prefix inside the build folder, a persistent
# wineserver, and Wine's background services started before any test so that they never
# inherit a test runner's output pipe (CTest or ninja would wait for them forever).
#   . scripts/wine-env.sh [build-dir]     source it: also exports WINEPREFIX, WINEDEBUG, WINE
#   bash scripts/wine-env.sh [build-dir]  only prepares (the build and CTest run it this way)
# Idempotent: with the server already up it costs one short Wine start.
zr40_wine_build=$(cd "${1:-build/windows}" 2>/dev/null && pwd || echo "${1:-build/windows}")
export WINEPREFIX="$zr40_wine_build/wineprefix"
export WINEDEBUG=-all
# no Mono or Gecko install prompts, no menu entries
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINE=/usr/lib/wine/wine64
mkdir -p "$WINEPREFIX"
# The persistent server first: a server started by wineboot would be a passing one, and a second
# "wineserver -p" only finds it running and leaves it so.
/usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1 || true
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$WINE" wineboot -i </dev/null >/dev/null 2>&1 || true
fi
"$WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
unset zr40_wine_build
