#!/usr/bin/env bash
# End to end through the desktop window: the Windows program in its window mode, under Wine on a
# virtual X display, with three Linux simulator monitors connected over loopback. A driver
# program in the same Wine prefix works the window as a tester would: waits for the three rows,
# starts an upgrade from the upgrade page, presses Escape in a field and the close box while it
# runs (the window must stay and ask; answered No), waits for every row to read the finished
# text, then closes the window. Checks the simulator's summary and the program's logs.
#   scripts/e2e-window.sh [windows-build-dir] [linux-build-dir] [time-out-seconds]
# Every wait is bounded; everything started is ended; the work folder is kept on failure.
set -euo pipefail
self="$(cd "$(dirname "$0")" && pwd)/$(basename "$0")"
cd "$(dirname "$0")/.."
win_build=${1:-build/windows}
linux_build=${2:-build/release}
limit=${3:-120}
sim="$linux_build/bin/zr40-sim"
tool="$win_build/bin/zr40tool.exe"
driver="$win_build/bin/zr40-window-driver.exe"
monitors=3

[ -x "$sim" ] || { echo "e2e-window: no simulator at $sim (build the release preset first)" >&2; exit 1; }
for f in "$tool" "$driver"; do
  [ -f "$f" ] || { echo "e2e-window: no $f (build the windows preset first)" >&2; exit 1; }
done
# the window needs an X server: a virtual one of its own, shared by the program and the driver
if [ -z "${ZR40_E2E_WINDOW_X:-}" ]; then
  exec xvfb-run -a env ZR40_E2E_WINDOW_X=1 bash "$self" "$win_build" "$linux_build" "$limit"
fi

# shellcheck source=scripts/wine-env.sh
. scripts/wine-env.sh "$win_build"
zr40_wait_for_stale_desktop
work=$(mktemp -d "${TMPDIR:-/tmp}/zr40-e2e-window.XXXXXX")
tool_pid=""
sim_pid=""

fail() {
  echo "e2e-window: FAILED: $*" >&2
  for f in "$work/driver.out" "$work/tool.out" "$work/sim.out" "$work/Net.log"; do
    [ -s "$f" ] && { echo "---- $f (last lines)" >&2; tail -n 20 "$f" >&2; }
  done
  echo "e2e-window: the program's logs and all output kept in $work" >&2
  exit 1
}

cleanup() {
  for pid in "$sim_pid" "$tool_pid"; do
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
      kill -KILL "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
    fi
  done
}
trap cleanup EXIT

# shellcheck source=scripts/test-helpers.sh
. scripts/test-helpers.sh

ended() { ! kill -0 "$1" 2>/dev/null; }

# The program's language: the user's choice in the profile if there is one, else the choice in
# the language folder beside it (1 Chinese, else English).
language_id() {
  local appdata profile_ini ini id
  appdata=$("$WINE" cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')
  profile_ini=$("$WINE" winepath -u "$appdata\\Zr40Tool\\LanguageConfig.ini" 2>/dev/null || true)
  for ini in "$profile_ini" "$win_build/bin/language/LanguageConfig.ini"; do
    id=$(sed -n 's/^LanguageID=\([0-9]*\).*/\1/p' "$ini" 2>/dev/null | head -n1)
    if [ -n "$id" ]; then
      echo "$id"
      return
    fi
  done
}
language_file=EnglishLanguage.ini
[ "$(language_id)" = 1 ] && language_file=ChineseLanguage.ini
language_text() {
  sed -n "s/^$1=//p" "$win_build/bin/language/$language_file" | tr -d '\r' | head -n1
}
finished=$(language_text 52)
# Wine has no wireless adapter: the program says so once at start
notice=$(language_text 76)
# asked when the close box is pressed during the upgrade; answered No, the upgrade goes on
question=$(language_text 83)
if [ -z "$finished" ] || [ -z "$notice" ] || [ -z "$question" ]; then
  fail "no texts 52, 76 and 83 in $win_build/bin/language"
fi

# Firmware: a small file, one of several pieces and one of many, each with its NAME.md5. Kept
# small: the long transfers are the headless check's; this one is about the window.
sizes=(1000 20000 100001)
write_firmware "$work/firmware" "${sizes[@]}"
files=${#sizes[@]}
folder_win=$("$WINE" winepath -w "$work/firmware" 2>/dev/null | tr -d '\r')
[ -n "$folder_win" ] || fail "winepath gave no Windows path"

# Twenty free ports in a row for the program's listening slots; the monitors use the last. Below
# the system's range for ephemeral ports, where no outgoing connection takes one meanwhile.
in_use() { ss -Htan 2>/dev/null | awk '{print $4}' | sed 's/.*://' | sort -u; }
read -r ephemeral_low _ </proc/sys/net/ipv4/ip_local_port_range || ephemeral_low=32768
span=$((ephemeral_low - 10000 - 20))
[ "$span" -gt 0 ] || fail "no room for 20 ports below the ephemeral range ($ephemeral_low)"
base=""
for _ in $(seq 20); do
  candidate=$((10000 + RANDOM % span))
  busy=$(in_use | awk -v lo="$candidate" -v hi=$((candidate + 19)) '$1 >= lo && $1 <= hi' | head -n1)
  if [ -z "$busy" ]; then
    base=$candidate
    break
  fi
done
[ -n "$base" ] || fail "found no 20 free ports in a row"
port=$((base + 19))

start=$SECONDS
# the program's current folder is the work folder: its logs go there
tool_path="$(cd "$(dirname "$tool")" && pwd)/$(basename "$tool")"
(cd "$work" && exec "$WINE" "$tool_path" --port-base "$base") </dev/null >"$work/tool.out" 2>&1 &
tool_pid=$!
listening() { ss -Htln "sport = :$port" 2>/dev/null | grep -q .; }
wait_for 60 listening || fail "the program never listened on 127.0.0.1:$port"
echo "e2e-window: program listening on 127.0.0.1:$port; $monitors monitors, $files files each"

# a ward's Wi-Fi round trip, so the upgrade still runs when the driver presses the close box
"$sim" --host 127.0.0.1 --port "$port" --count "$monitors" --link-delay-ms 10 >"$work/sim.out" 2>&1 &
sim_pid=$!

driver_status=0
# a UTF-8 locale, so that the texts reach the driver's wide arguments intact
LC_ALL=C.UTF-8 timeout $((limit + 60)) "$WINE" "$driver" --folder "$folder_win" --finished "$finished" \
  --notice "$notice" --question "$question" --rows "$monitors" --timeout "$limit" </dev/null >"$work/driver.out" 2>&1 ||
  driver_status=$?
cat "$work/driver.out"
[ "$driver_status" -eq 0 ] || fail "the driver ended with status $driver_status"

# the driver saw the program end; its Wine process follows
wait_for 10 ended "$tool_pid" || fail "the program's process did not end after its window closed"
tool_pid=""
# the monitors end once the program has closed their connections
wait_for 30 ended "$sim_pid" || fail "the simulator did not end once the program closed"
sim_status=0
wait "$sim_pid" || sim_status=$?
sim_pid=""
[ "$sim_status" -eq 0 ] || fail "the simulator ended with status $sim_status"

summary=$(sed -n '/^summary:/,$p' "$work/sim.out")
verified=$(sed -n 's/.*files verified \([0-9]*\).*/\1/p' <<<"$summary")
digest_failures=$(sed -n 's/.*digest failures \([0-9]*\).*/\1/p' <<<"$summary")
upgrades_ok=$(sed -n 's/.*upgrades ok \([0-9]*\).*/\1/p' <<<"$summary")
[ "$verified" = $((monitors * files)) ] ||
  fail "files verified: '$verified', expected $((monitors * files))"
[ "$digest_failures" = 0 ] || fail "digest failures: '$digest_failures'"
[ "$upgrades_ok" = "$monitors" ] || fail "upgrades ok: '$upgrades_ok', expected $monitors"

net_log="$work/Net.log"
[ -f "$net_log" ] || fail "no Net.log in the program's current folder"
[ "$(grep -c 'Online' "$net_log" || true)" -ge "$monitors" ] ||
  fail "Net.log has fewer than $monitors Online lines"

# the service record beside the logs: each monitor's upgrade, started and finished
record=$(ls "$work"/ServiceRecord-*.csv 2>/dev/null | head -n 1)
[ -n "$record" ] || fail "no service record in the program's current folder"
[ "$(grep -c ',Upgrade ended,.*,finished,' "$record" || true)" -ge "$monitors" ] ||
  fail "the service record has fewer than $monitors finished upgrades"

echo "e2e-window: passed in $((SECONDS - start)) s: $monitors rows finished," \
  "$((monitors * files)) files verified, window closed"
rm -rf "$work"
