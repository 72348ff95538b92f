#!/usr/bin/env bash
# The Windows installer under Wine, as an administrator would run it silently: installs, checks
# the files, the Add/Remove Programs entry and the Start-menu shortcut, starts the installed
# program from the shortcut's target with --self-check (window, six tabs, language files), then
# uninstalls silently and checks that everything it installed is gone. On the way: neither
# installer nor uninstaller runs while the tool runs; a reinstall into a folder outside Program
# Files removes the first copy and its firewall rule and protects the new folder; a reinstall
# without /D= stays in that folder. netsh and icacls are replaced by a stand-in that records
# their command lines. First: the program imports system DLLs only.
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
programs="$WINEPREFIX/drive_c/Program Files/Zr40Tool"
other="$WINEPREFIX/drive_c/Zr40Other"
installed=$programs
sys32="$WINEPREFIX/drive_c/windows/system32"
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
overrides=$(stand_in_env netsh icacls)
cleanup() {
  for installed in "$programs" "$other"; do uninstall || true; done
  restore "$sys32" netsh icacls
}
# a run that failed halfway leaves nothing behind for the next one
trap cleanup EXIT
for installed in "$other" "$programs"; do
  uninstall || fail "an earlier install could not be removed"
done
stand_in "$sys32" "$build/bin/zr40-standin.exe" netsh icacls
export WINEDLLOVERRIDES=$overrides
delete='\netsh.exe" advfirewall firewall delete rule name="Zr40Tool monitors"'
add='\netsh.exe" advfirewall firewall add rule name="Zr40Tool monitors"'

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
added=$(calls_of "$sys32" netsh)
[ "$(count "$added" "$delete" 'program="C:\Program Files\Zr40Tool\zr40tool.exe"')" = 1 ] &&
  [ "$(count "$added" "$add" 'program="C:\Program Files\Zr40Tool\zr40tool.exe"')" = 1 ] ||
  fail "netsh ran: $added"
[ -z "$(calls_of "$sys32" icacls)" ] || fail "icacls ran on a folder in Program Files"
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

# While the tool runs (there, as its shortcut starts it), neither installer nor uninstaller runs.
run_log=$(mktemp)
(cd "$("$WINE" winepath -u "$directory")" && exec "$WINE" "$target" --headless --port-base 0 </dev/null >"$run_log" 2>&1) &
run=$!
stop_run() { kill -INT $run 2>/dev/null || true; wait $run || true; rm -f "$run_log"; }
wait_for 60 grep -q "^Logs: .*/AppData/Local/Zr40Tool/Logs" "$run_log" ||
  { stop_run; fail "the installed program does not log into the user's folder"; }
status=0
"$WINE" "$setup" /S </dev/null || status=$?
[ $status = 2 ] || { stop_run; fail "the installer ran over the running tool (status $status)"; }
# the uninstaller returns at once and decides in a copy of itself: wait until that copy ended
no_uninstaller_copy() {
  local pid
  for pid in $(pgrep -f '~nsu.*Un\.exe' 2>/dev/null); do
    ! grep -qzxF "WINEPREFIX=$WINEPREFIX" "/proc/$pid/environ" 2>/dev/null || return 1
  done
}
"$WINE" "$installed/uninstall.exe" /S </dev/null || true
wait_for 60 no_uninstaller_copy || { stop_run; fail "the uninstaller did not end"; }
[ -f "$installed/zr40tool.exe" ] && registered || { stop_run; fail "the uninstaller ran while the tool runs"; }
stop_run
[ "$(cd "$installed" && find . -type f | wc -l)" = 5 ] || fail "the run wrote into its folder: $(ls -R "$installed")"
echo "installer: refused while the tool ran; its logs went to the user's folder"

# Into a folder outside Program Files: the first copy and its rule go, the folder is protected.
"$WINE" "$setup" /S '/D=C:\Zr40Other' </dev/null || fail "the install into C:\Zr40Other ended with status $?"
[ -f "$other/zr40tool.exe" ] || fail "nothing installed into C:\Zr40Other"
wait_for 30 test ! -e "$programs" || fail "the first copy stayed: $(ls -R "$programs")"
location=$("$WINE" reg query "$key" /v InstallLocation </dev/null 2>/dev/null || true)
grep -q -F 'C:\Zr40Other' <<<"$location" || fail "the entry does not name C:\Zr40Other"
moved=$(calls_of "$sys32" netsh)
[ "$(count "$moved" "$delete" 'program="C:\Program Files\Zr40Tool\zr40tool.exe"')" = 1 ] &&
  [ "$(count "$moved" "$add" 'program="C:\Zr40Other\zr40tool.exe"')" = 1 ] &&
  [ "$(count "$moved" "$add" 'program="C:\Program Files')" = 0 ] || fail "netsh ran: $moved"
acl=$(calls_of "$sys32" icacls)
[ "$(count "$acl" '"C:\Zr40Other" /inheritance:r /grant:r' '*S-1-5-32-545:(OI)(CI)RX /T')" = 1 ] &&
  [ "$(count "$acl" '"C:\Zr40Other" /setowner' '*S-1-5-32-544 /T')" = 1 ] || fail "icacls ran: $acl"
installed=$other
# a reinstall without /D= stays there
"$WINE" "$setup" /S </dev/null || fail "the reinstall ended with status $?"
[ -f "$other/zr40tool.exe" ] && [ ! -e "$programs" ] || fail "the reinstall did not stay in C:\Zr40Other"
calls_of "$sys32" netsh >/dev/null
calls_of "$sys32" icacls >/dev/null
echo "installer: moved to C:\Zr40Other (one copy, one rule, protected), reinstalled there"

"$WINE" "$installed/uninstall.exe" /S </dev/null || fail "the silent uninstall ended with status $?"
wait_for 60 all_gone || {
  [ ! -e "$installed" ] || ls -R "$installed" >&2
  fail "the uninstaller left files, the shortcut or the Add/Remove Programs entry behind"
}
! "$WINE" reg query 'HKLM\Software\Zr40Tool' </dev/null >/dev/null 2>&1 || fail "the uninstaller left HKLM\Software\Zr40Tool"
removed=$(calls_of "$sys32" netsh)
# also the rule the tool adds for its access point
[ "$(count "$removed" "$delete" 'program="C:\Zr40Other\zr40tool.exe"')" = 1 ] &&
  [ "$(count "$removed" netsh.exe 'delete rule name="Zr40Tool access point"')" = 1 ] ||
  fail "netsh ran: $removed"
echo "installer: passed: installed, started from its shortcut, refused while it ran, moved, uninstalled"
