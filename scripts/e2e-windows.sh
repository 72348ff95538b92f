#!/usr/bin/env bash
# End to end across the platforms: the headless tool of the Windows build, under Wine, serves a
# firmware folder; the Linux simulator's monitors connect over loopback, pull every file, verify
# each digest and leave. Checks the simulator's summary, the tool's status lines and Net.log.
#   scripts/e2e-windows.sh [windows-build-dir] [linux-build-dir]
# TOOL="build/release/bin/zr40tool" runs the same check against a Linux tool.
# Every wait is bounded; everything started is ended; the work folder is kept on failure.
set -euo pipefail
cd "$(dirname "$0")/.."
win_build=${1:-build/windows}
linux_build=${2:-build/release}
sim="$linux_build/bin/zr40-sim"
monitors=4

fail() {
  echo "e2e: FAILED: $*" >&2
  for f in "$work/tool.out" "$work/sim.out"; do
    [ -f "$f" ] && { echo "---- $f (last lines)" >&2; tail -n 20 "$f" >&2; }
  done
  echo "e2e: logs and output kept in $work" >&2
  exit 1
}

# shellcheck source=scripts/test-helpers.sh
. scripts/test-helpers.sh

[ -x "$sim" ] || { echo "e2e: no simulator at $sim (build the release preset first)" >&2; exit 1; }
if [ -z "${TOOL:-}" ]; then
  [ -f "$win_build/bin/zr40tool.exe" ] || {
    echo "e2e: no $win_build/bin/zr40tool.exe (build the windows preset first)" >&2
    exit 1
  }
  . scripts/wine-env.sh "$win_build"
  TOOL="$WINE $win_build/bin/zr40tool.exe"
  windows_paths=1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/zr40-e2e.XXXXXX")
tool_pid=""
cleanup() {
  if [ -n "$tool_pid" ] && kill -0 "$tool_pid" 2>/dev/null; then
    kill -KILL "$tool_pid" 2>/dev/null || true
    wait "$tool_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

# Firmware: a small file, one of several pieces and one of many, each with its NAME.md5.
mkdir -p "$work/logs"
sizes=(1000 70000 300001)
write_firmware "$work/firmware" "${sizes[@]}"
files=${#sizes[@]}
# Beside it, what a folder copied from a PC brings along: no part of the set.
printf 'how to flash\r\n' >"$work/firmware/readme.txt"
printf 'thumbnails' >"$work/firmware/Thumbs.db"
# The Windows tool gets the folders as a Windows user writes them (drive and backslashes).
folder_arg="$work/firmware"
logs_arg="$work/logs"
if [ -n "${windows_paths:-}" ]; then
  folder_arg=$("$WINE" winepath -w "$work/firmware" 2>/dev/null | tr -d '\r')
  logs_arg=$("$WINE" winepath -w "$work/logs" 2>/dev/null | tr -d '\r')
  if [ -z "$folder_arg" ] || [ -z "$logs_arg" ]; then
    fail "winepath gave no Windows path"
  fi
fi

echo "e2e: tool: $TOOL"
# shellcheck disable=SC2086 # TOOL may be "wine64 path"
$TOOL --headless --upgrade-folder "$folder_arg" --log-dir "$logs_arg" --port-base 0 \
  </dev/null >"$work/tool.out" 2>&1 &
tool_pid=$!

listening() { grep -q '^Listening: monitor ports' "$work/tool.out"; }
wait_for 60 listening || fail "the tool never said it was listening"
port=$(sed -n 's/^Listening: monitor ports [0-9]* and \([0-9]*\).*/\1/p' "$work/tool.out" | head -n1)
[ -n "$port" ] || fail "no port in the tool's Listening line"
grep -q "^Serving $files file(s) from " "$work/tool.out" || fail "the tool does not serve $files files"
grep -q '^Ignored: readme.txt' "$work/tool.out" || fail "the tool did not name readme.txt as ignored"
! grep -q 'Thumbs.db' "$work/tool.out" || fail "the tool named Thumbs.db"
echo "e2e: tool listening on 127.0.0.1:$port; $monitors monitors pull $files files each"

sim_status=0
timeout 180 "$sim" --host 127.0.0.1 --port "$port" --count "$monitors" --exit-after-upgrade \
  >"$work/sim.out" 2>&1 || sim_status=$?
[ "$sim_status" -eq 0 ] || fail "the simulator ended with status $sim_status"
verified=$(sed -n 's/.*files verified \([0-9]*\).*/\1/p' "$work/sim.out")
digest_failures=$(sed -n 's/.*digest failures \([0-9]*\).*/\1/p' "$work/sim.out")
upgrades_ok=$(sed -n 's/.*upgrades ok \([0-9]*\).*/\1/p' "$work/sim.out")
[ "$verified" = $((monitors * files)) ] ||
  fail "files verified: '$verified', expected $((monitors * files))"
[ "$digest_failures" = 0 ] || fail "digest failures: '$digest_failures'"
[ "$upgrades_ok" = "$monitors" ] || fail "upgrades ok: '$upgrades_ok', expected $monitors"
# Each file arrives under its own name, without the folder.
names=$(sed -n "s/.*file [0-9]* '\([^']*\)' .*/\1/p" "$work/sim.out" | sort -u | tr '\n' ' ')
[ "$names" = "part0.bin part1.bin part2.bin " ] ||
  fail "the monitors received the files as: $names(expected part0.bin part1.bin part2.bin)"

count() { grep -c "$1" "$2" 2>/dev/null || true; }
all_reported() {
  [ "$(count '^Upgrade finished: ' "$work/tool.out")" -ge "$monitors" ] &&
    [ "$(count '^Offline: ' "$work/tool.out")" -ge "$monitors" ]
}
wait_for 30 all_reported ||
  fail "the tool did not report $monitors finished upgrades and $monitors monitors offline"

# Ctrl-C: SIGINT on Linux; Wine hands it to the program's console handler.
kill -INT "$tool_pid"
ended() { ! kill -0 "$tool_pid" 2>/dev/null; }
wait_for 30 ended || fail "the tool did not end within 30 s of Ctrl-C"
tool_status=0
wait "$tool_pid" || tool_status=$?
tool_pid=""
[ "$tool_status" -eq 0 ] || fail "the tool ended with status $tool_status"
[ "$(tail -n1 "$work/tool.out" | tr -d '\r')" = "Stopping" ] ||
  fail "the tool's last status line is not 'Stopping'"

net_log="$work/logs/Net.log"
[ -f "$net_log" ] || fail "no Net.log in the log folder"
[ "$(count 'Online' "$net_log")" -ge "$monitors" ] || fail "Net.log has fewer than $monitors Online lines"
[ "$(count 'Offline' "$net_log")" -ge "$monitors" ] || fail "Net.log has fewer than $monitors Offline lines"

echo "e2e: passed: $((monitors * files)) files verified, $monitors upgrades, clean stop"
rm -rf "$work"
