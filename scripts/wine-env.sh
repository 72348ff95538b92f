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
# Making a prefix can leave two service managers running in it. In that state (seen after the
# build made the prefix) each start of RpcSs, which the desktop process of every window program
# asks for, waited 10 s and failed, and a window program took 10 to 20 s to start instead of
# one. A fresh server starts one manager.
zr40_service_managers() {
  local pid n=0
  for pid in $(pgrep -f 'system32\\services.exe' 2>/dev/null); do
    if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
      n=$((n + 1))
    fi
  done
  echo "$n"
}
if [ "$(zr40_service_managers)" -gt 1 ]; then
  /usr/lib/wine/wineserver -k </dev/null >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -w </dev/null >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1 || true
fi
unset -f zr40_service_managers
# For windows on an X server without a window manager (Xvfb): Wine's fonts and the Chinese one
# in the prefix, Chinese text drawn in the dialog fonts, windows neither managed nor decorated.
# Once per prefix.
if [ ! -f "$WINEPREFIX/.zr40-gui" ] && [ -d "$WINEPREFIX/drive_c/windows" ]; then
  zr40_fonts="$WINEPREFIX/drive_c/windows/Fonts"
  mkdir -p "$zr40_fonts"
  cp -n /usr/share/wine/fonts/* "$zr40_fonts/" 2>/dev/null || true
  cp -n /usr/share/fonts/truetype/wqy/wqy-microhei.ttc "$zr40_fonts/" 2>/dev/null || true
  # an ANSI .reg file: regedit reads hex(7) as ANSI text there
  zr40_reg="$WINEPREFIX/zr40-gui.reg"
  zr40_link='hex(7):77,71,79,2d,6d,69,63,72,6f,68,65,69,2e,74,74,63,2c,57,65,6e,51,75,61,6e,59,69,20,4d,69,63,72,6f,20,48,65,69,00,00'
  {
    printf 'Windows Registry Editor Version 5.00\n\n'
    printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]\n'
    for zr40_face in "Tahoma" "Tahoma Bold" "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" "Segoe UI"; do
      printf '"%s"=%s\n' "$zr40_face" "$zr40_link"
    done
    # Wine 8 here draws boxes through the links alone: the dialog fonts also take the Chinese
    # face itself, which carries Latin letters as well
    printf '\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\n'
    printf '"MS Shell Dlg"="WenQuanYi Micro Hei"\n"MS Shell Dlg 2"="WenQuanYi Micro Hei"\n'
    printf '\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n"Managed"="N"\n"Decorated"="N"\n'
  } >"$zr40_reg"
  "$WINE" regedit /S "$(/usr/lib/wine/winepath -w "$zr40_reg" 2>/dev/null || echo "$zr40_reg")" \
    </dev/null >/dev/null 2>&1 && touch "$WINEPREFIX/.zr40-gui"
  unset zr40_fonts zr40_reg zr40_link zr40_face
fi
"$WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
unset zr40_wine_build

# Wine's desktop process outlives a program that ran without a display by a second or two (and
# longer while other programs keep it busy); a window opened meanwhile goes to no screen. Window
# programs wait for it to end first (at most 10 s).
zr40_wait_for_stale_desktop() {
  local pid tries
  for tries in $(seq 50); do
    local alive=""
    for pid in $(pgrep -f 'explorer.exe /desktop' 2>/dev/null); do
      if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
        alive=1
      fi
    done
    [ -n "$alive" ] || return 0
    sleep 0.2
  done
  echo "Wine's desktop process of $WINEPREFIX is still there after 10 s" >&2
  return 1
}
