#!/usr/bin/env bash
# The Windows installer under Wine, as an administrator would run it silently: installs, checks
# the files, the Add/Remove Programs entry and the Start-menu shortcut, starts the installed
# program from the shortcut's target with --self-check (window, six tabs, language files), then
# uninstalls silently and checks that everything it installed is gone. First: the program
# imports system DLLs only.
#   scripts/installer-test.sh [windows-build-dir]     (needs an X display: run under xvfb-run)
# Every wait is bounded. Leaves the prefix as it found it, also after a failure.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/windows}
. scripts/wine-env.sh "$build"
zr40_wait_for_stale_desktop

setup=$(ls "$build"/Zr40Tool-*-setup.exe 2>/dev/null | head -n1)
[ -n "$setup" ] || { echo "installer: no $build/Zr40Tool-*-setup.exe (build the windows preset)" >&2; exit 1; }
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zr40Tool'
installed="$WINEPREFIX/drive_c/Program Files/Zr40Tool"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Zr40Tool"

fail() {
  echo "installer: FAILED: $*" >&2
  exit 1
}
# shellcheck source=scripts/test-helpers.sh
. scripts/test-helpers.sh
registered() { "$WINE" reg query "$key" /v DisplayName </dev/null >/dev/null 2>&1; }
all_gone() { [ ! -e "$installed" ] && [ ! -e "$menu" ] && ! registered; }
uninstall() {
  [ -f "$installed/uninstall.exe" ] || return 0
  "$WINE" "$installed/uninstall.exe" /S </dev/null >/dev/null 2>&1 || true
  # it returns at once and finishes from a copy of itself
  wait_for 60 all_gone
}
# a run that failed halfway leaves nothing behind for the next one
trap 'uninstall || true' EXIT
uninstall || fail "an earlier install could not be removed"

# The program must start on any Windows PC: it may import only DLLs every Windows has.
system_dlls=" advapi32.dll bcrypt.dll comctl32.dll comdlg32.dll gdi32.dll iphlpapi.dll "
system_dlls+="kernel32.dll msvcrt.dll ole32.dll shell32.dll user32.dll uxtheme.dll ws2_32.dll "
imports=$(x86_64-w64-mingw32-objdump -p "$build/bin/zr40tool.exe" | sed -n 's/^\s*DLL Name: //p')
[ -n "$imports" ] || fail "cannot read the imports of zr40tool.exe"
for dll in $(tr 'A-Z' 'a-z' <<<"$imports"); do
  case "$system_dlls" in
  *" $dll "*) ;;
  *) fail "zr40tool.exe imports $dll, which not every Windows has" ;;
  esac
done

echo "installer: $setup"
"$WINE" "$setup" /S </dev/null || fail "the silent install ended with status $?"
for f in zr40tool.exe uninstall.exe language/LanguageConfig.ini language/ChineseLanguage.ini \
  language/EnglishLanguage.ini; do
  [ -f "$installed/$f" ] || fail "not installed: $f"
done
cmp -s "$installed/zr40tool.exe" "$build/bin/zr40tool.exe" || fail "the installed program differs"
registered || fail "no Add/Remove Programs entry"
"$WINE" reg query "$key" /v UninstallString </dev/null 2>/dev/null | grep -q 'uninstall.exe' ||
  fail "the Add/Remove Programs entry has no uninstaller"

[ -f "$menu/Zr40Tool.lnk" ] || fail "no Start-menu shortcut"
shortcut=$("$WINE" "$build/bin/zr40-shortcut-target.exe" "$("$WINE" winepath -w "$menu/Zr40Tool.lnk")" </dev/null | tr -d '\r') ||
  fail "the shortcut cannot be read"
target=$(sed -n 's/^target=//p' <<<"$shortcut")
directory=$(sed -n 's/^directory=//p' <<<"$shortcut")
[ "$("$WINE" winepath -u "$target" 2>/dev/null)" -ef "$installed/zr40tool.exe" ] ||
  fail "the shortcut starts '$target'"
echo "installer: shortcut: $target (in $directory)"

# started as the shortcut starts it, in its working directory
check=$(cd "$("$WINE" winepath -u "$directory")" && timeout 120 "$WINE" "$target" --self-check </dev/null | tr -d '\r') ||
  fail "the self-check failed: $check"
echo "$check" | sed 's/^/installer: /'
grep -q '^Window: opened, 6 tabs, 6 pages$' <<<"$check" || fail "the window is not complete"
grep -q '^Self-check passed$' <<<"$check" || fail "no 'Self-check passed'"

"$WINE" "$installed/uninstall.exe" /S </dev/null || fail "the silent uninstall ended with status $?"
wait_for 60 all_gone || {
  [ ! -e "$installed" ] || ls -R "$installed" >&2
  fail "the uninstaller left files, the shortcut or the Add/Remove Programs entry behind"
}
trap - EXIT
echo "installer: passed: installed, started from its shortcut, uninstalled"
