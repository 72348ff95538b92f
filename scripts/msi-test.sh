#!/usr/bin/env bash
# The Windows Installer package under Wine, as a management system deploys it (msiexec /qn):
# installs the files, the shortcut and the Add/Remove Programs entry; the installed program passes
# its self-check started as its shortcut starts it, and a run in its folder writes its logs into
# the user's folder, not beside itself; a higher version installed into another folder replaces
# the first copy (one entry, one rule), and the next one goes there too; an older package
# refuses to go over it; no uninstall while the tool runs; the uninstall removes everything; with FIREWALLRULE=0 no netsh runs. netsh is replaced by a stand-in that
# records each command line, so the firewall commands the package runs are seen, and so is icacls
# (a folder outside Program Files gets Program Files' protection).
#   scripts/msi-test.sh [windows-build-dir]     (needs an X display: run under xvfb-run)
# Every wait is bounded. Leaves the prefix as it found it, also after a failure.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/windows}
. scripts/wine-env.sh "$build"
zr40_wait_for_stale_desktop
# shellcheck source=scripts/test-helpers.sh
. scripts/test-helpers.sh

fail() {
  echo "msi: FAILED: $*" >&2
  exit 1
}
msi=$(ls "$build"/Zr40Tool-*-x64.msi 2>/dev/null | head -n1)
[ -n "$msi" ] || fail "no $build/Zr40Tool-*-x64.msi (build the windows preset with wixl installed)"
msi=$(realpath "$msi")
standin="$build/bin/zr40-standin.exe"
[ -f "$standin" ] || fail "no $standin"
version=$(basename "$msi" | sed 's/^Zr40Tool-\(.*\)-x64\.msi$/\1/')
next="${version%.*}.$((${version##*.} + 1))"
code=$(msiinfo export "$msi" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p')
nextcode="{$(tr 'a-f' 'A-F' </proc/sys/kernel/random/uuid)}"
last="${version%.*}.$((${version##*.} + 2))"
lastcode="{$(tr 'a-f' 'A-F' </proc/sys/kernel/random/uuid)}"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
drive="$WINEPREFIX/drive_c"
installed="$drive/Program Files/Zr40Tool"
other="$drive/Zr40Other"
# Windows puts a per-machine package's shortcut into the common Start menu, Wine into the user's
menus=("$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Zr40Tool"
  "$drive/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Zr40Tool")
sys32="$drive/windows/system32"
work=""

overrides=$(stand_in_env netsh icacls)
msiexec() { WINEDLLOVERRIDES=$overrides "$WINE" msiexec "$@" </dev/null >/dev/null 2>&1; }
entry() { "$WINE" reg query "$uninstall_key\\$1" /v "$2" </dev/null 2>/dev/null | tr -d '\r' |
  sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }
cleanup() {
  msiexec /x "$lastcode" /qn || true
  msiexec /x "$nextcode" /qn || true
  msiexec /x "$code" /qn || true
  restore "$sys32" netsh icacls
  [ -z "$work" ] || rm -rf "$work"
}
trap cleanup EXIT
# a run that failed halfway leaves nothing behind for the next one
cleanup
work=$(mktemp -d)
stand_in "$sys32" "$standin" netsh icacls

# The same package one and two versions up.
for v in "next $next $nextcode" "last $last $lastcode"; do
  read -r name number product <<<"$v"
  bash packaging/windows/make-msi.sh "$work/$name.msi" "$number" "$product" \
    "$build/bin/zr40tool.exe" lang/language >/dev/null 2>&1 || fail "cannot build version $number"
done
win_msi=$("$WINE" winepath -w "$msi" 2>/dev/null)
win_next=$("$WINE" winepath -w "$work/next.msi" 2>/dev/null)
win_last=$("$WINE" winepath -w "$work/last.msi" 2>/dev/null)

echo "msi: $msi ($version, $code)"
msiexec /i "$win_msi" /qn || fail "the silent install ended with status $?"
for f in zr40tool.exe language/LanguageConfig.ini language/ChineseLanguage.ini \
  language/EnglishLanguage.ini; do
  [ -f "$installed/$f" ] || fail "not installed: $f"
done
cmp -s "$installed/zr40tool.exe" "$build/bin/zr40tool.exe" || fail "the installed program differs"
[ "$(entry "$code" DisplayName)" = Zr40Tool ] || fail "no Add/Remove Programs entry"
[ "$(entry "$code" DisplayVersion)" = "$version" ] || fail "the entry has not version $version"
[ "$(entry "$code" Publisher)" = Zr40Tool ] || fail "the entry names no publisher"
[ "$(entry "$code" InstallLocation)" = 'C:\Program Files\Zr40Tool\' ] || fail "the entry names no folder"
# Windows shows the package's product icon in the entry (Wine keeps no DisplayIcon)
properties=$(msiinfo export "$msi" Property)
grep -q "^ARPPRODUCTICON"$'\t'"zr40tool.ico" <<<"$properties" &&
  (cd "$work" && msiinfo export "$msi" Icon >/dev/null 2>&1) || fail "the package has no product icon"
menu=""
for m in "${menus[@]}"; do [ ! -f "$m/Zr40Tool.lnk" ] || menu=$m; done
[ -n "$menu" ] || fail "no Start-menu shortcut"
added=$(calls_of "$sys32" netsh)
[ -z "$(calls_of "$sys32" icacls)" ] || fail "icacls ran on a folder in Program Files"
program='program="C:\Program Files\Zr40Tool\zr40tool.exe"'
moved='program="C:\Zr40Other\zr40tool.exe"'
delete='\netsh.exe advfirewall firewall delete rule name="Zr40Tool monitors"'
add='\netsh.exe advfirewall firewall add rule name="Zr40Tool monitors"'
[ "$(count "$added" "$delete" "$program")" = 1 ] && [ "$(count "$added" "$add" "$program")" = 1 ] &&
  [ "$(wc -l <<<"$added")" = 2 ] || fail "netsh ran: $added"

# Started as the shortcut starts it: in its own folder.
shortcut=$("$WINE" "$build/bin/zr40-shortcut-target.exe" "$("$WINE" winepath -w "$menu/Zr40Tool.lnk")" </dev/null | tr -d '\r') ||
  fail "the shortcut cannot be read"
target=$(sed -n 's/^target=//p' <<<"$shortcut")
directory=$("$WINE" winepath -u "$(sed -n 's/^directory=//p' <<<"$shortcut")" 2>/dev/null)
[ "$directory" -ef "$installed" ] || fail "the shortcut starts in '$directory'"
check=$(cd "$directory" && timeout 120 "$WINE" "$target" --self-check </dev/null | tr -d '\r') ||
  fail "the self-check failed: $check"
grep -q '^Self-check passed$' <<<"$check" || fail "no 'Self-check passed': $check"
# A run there writes its logs into the user's folder: the uninstaller leaves none behind.
(cd "$directory" && exec "$WINE" "$target" --headless --port-base 0 </dev/null >"$work/run.txt" 2>&1) &
run=$!
wait_for 60 grep -qs "^Logs: " "$work/run.txt" || { kill $run; fail "no 'Logs:' line: $(cat "$work/run.txt")"; }
grep -q "^Logs: .*/AppData/Local/Zr40Tool/Logs" "$work/run.txt" ||
  { kill $run; fail "the logs do not go to the user's folder: $(cat "$work/run.txt")"; }
# While it runs, the package neither removes nor replaces it.
if msiexec /x "$code" /qn; then kill -INT $run; fail "the uninstall ran while the tool runs"; fi
[ -f "$installed/zr40tool.exe" ] && [ "$(entry "$code" DisplayName)" = Zr40Tool ] ||
  { kill -INT $run; fail "the refused uninstall removed the program"; }
kill -INT $run
wait $run || true
left=$(cd "$installed" && find . -type f | sort | tr '\n' ' ')
[ "$left" = "./language/ChineseLanguage.ini ./language/EnglishLanguage.ini ./language/LanguageConfig.ini ./zr40tool.exe " ] ||
  fail "the installed run wrote into its folder: $left"
echo "msi: installed, self-check passed, logs in the user's folder, not removed while it ran"

# A higher version into another folder replaces the first copy and its rule.
msiexec /i "$win_next" INSTALLDIR='C:\Zr40Other\' /qn || fail "the upgrade ended with status $?"
[ -f "$other/zr40tool.exe" ] && [ -f "$other/language/EnglishLanguage.ini" ] || fail "the upgrade installed nothing"
[ ! -e "$installed" ] || fail "the upgrade left the first copy: $(ls -R "$installed")"
[ -z "$(entry "$code" DisplayName)" ] || fail "the first copy's entry is still listed"
[ "$(entry "$nextcode" DisplayVersion)" = "$next" ] || fail "no entry of version $next"
upgraded=$(calls_of "$sys32" netsh)
[ "$(count "$upgraded" "$delete" "$program")" = 1 ] && [ "$(count "$upgraded" "$add" "$moved")" = 1 ] &&
  [ "$(count "$upgraded" "$add" "$program")" = 0 ] || fail "netsh ran: $upgraded"
# outside Program Files: Program Files' protection
acl=$(calls_of "$sys32" icacls)
[ "$(count "$acl" '"C:\Zr40Other\." /inheritance:r /grant:r' '*S-1-5-32-545:(OI)(CI)RX /T')" = 1 ] &&
  [ "$(count "$acl" '"C:\Zr40Other\." /setowner' '*S-1-5-32-544 /T')" = 1 ] &&
  [ "$(wc -l <<<"$acl")" = 2 ] || fail "icacls ran: $acl"
echo "msi: upgraded in place to $next into another folder, protected (one entry, the old rule removed)"

# An older package does not go over a newer one.
if msiexec /i "$win_msi" /qn; then fail "the older package installed over the newer one"; fi
[ "$(entry "$nextcode" DisplayVersion)" = "$next" ] && [ -z "$(entry "$code" DisplayName)" ] ||
  fail "the refused downgrade changed the installed copy"

# the next one, without INSTALLDIR, goes where the installed copy lies
msiexec /i "$win_last" /qn || fail "the second upgrade ended with status $?"
[ -f "$other/zr40tool.exe" ] && [ ! -e "$installed" ] && [ "$(entry "$lastcode" DisplayVersion)" = "$last" ] ||
  fail "the second upgrade did not stay in C:\Zr40Other"
calls_of "$sys32" netsh >/dev/null
calls_of "$sys32" icacls >/dev/null

msiexec /x "$lastcode" /qn || fail "the silent uninstall ended with status $?"
[ ! -e "$other" ] && [ ! -e "${menus[0]}" ] && [ ! -e "${menus[1]}" ] && [ -z "$(entry "$lastcode" DisplayName)" ] ||
  fail "the uninstall left the folder, the shortcut or the entry behind"
! "$WINE" reg query 'HKLM\Software\Zr40Tool' </dev/null >/dev/null 2>&1 || fail "the uninstall left HKLM\\Software\\Zr40Tool"
removed=$(calls_of "$sys32" netsh)
# also the rule the tool adds for its access point
[ "$(count "$removed" "$delete" "$moved")" = 1 ] &&
  [ "$(count "$removed" netsh.exe 'delete rule name="Zr40Tool access point"')" = 1 ] &&
  [ "$(wc -l <<<"$removed")" = 2 ] || fail "netsh ran: $removed"
echo "msi: uninstalled, the rule removed"

# FIREWALLRULE=0: the firewall is left alone, at install and at uninstall.
msiexec /i "$win_msi" FIREWALLRULE=0 /qn || fail "the install with FIREWALLRULE=0 ended with status $?"
[ -f "$installed/zr40tool.exe" ] || fail "FIREWALLRULE=0: nothing installed"
msiexec /x "$code" /qn || fail "the uninstall after FIREWALLRULE=0 ended with status $?"
[ ! -e "$installed" ] || fail "FIREWALLRULE=0: the uninstall left files"
[ -z "$(calls_of "$sys32" netsh)" ] || fail "netsh ran although FIREWALLRULE=0"
echo "msi: passed: installed, ran, upgraded, refused the downgrade, uninstalled; FIREWALLRULE=0 ran no netsh"
