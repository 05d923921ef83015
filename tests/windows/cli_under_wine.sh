#!/usr/bin/env bash
# End-to-end tests of the Windows kvd2730-cli.exe under Wine against the Linux virtual device,
# whose pseudo-terminal is mapped to COM5 of the Wine prefix.
#   cli_under_wine.sh SIM_BINARY CLI_EXE LINUX_CLI
# Expects WINEPREFIX to name a prepared prefix (scripts/test-windows makes one).
set -uo pipefail

sim=$(realpath "$1")
exe=$(realpath "$2")
linux_cli=$(realpath "$3")
: "${WINEPREFIX:?WINEPREFIX must name a prepared Wine prefix}"
# Wine converts the arguments from the Unix locale's character set: C.UTF-8 is the UTF-8
# locale every system has. A locale that is not installed (ja_JP here) gives Wine the user
# language but ASCII arguments, so the Japanese run below names its files in ASCII.
export WINEDEBUG=-all KVD2730_OFFLINE=1 TZ=Asia/Tokyo LC_ALL=C.UTF-8

com="$WINEPREFIX/dosdevices/com5"
work=$(mktemp -d)
sim_pid=
failures=0

cleanup() {
  stop_sim
  rm -rf "$work"
}
trap cleanup EXIT

start_sim() {
  stop_sim
  rm -f "$com"
  "$sim" --link "$com" "$@" >"$work/sim.out" 2>&1 &
  sim_pid=$!
  for _ in $(seq 100); do [ -L "$com" ] && return 0; sleep 0.05; done
  echo "the virtual device did not start: $(cat "$work/sim.out")"
  return 1
}

stop_sim() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null
    wait "$sim_pid" 2>/dev/null
    sim_pid=
  fi
  rm -f "$com"
}

# The Windows tool on COM5; its output without the CR of Windows line ends.
cli() { timeout 60 wine "$exe" --port COM5 --offline "$@" 2> >(tr -d '\r' >&2) | tr -d '\r'; }

pass() { echo "ok   $1"; }
fail() {
  echo "FAIL $1"
  failures=$((failures + 1))
}
# check NAME COMMAND...: the command's success is the check's.
check() {
  local name=$1
  shift
  if "$@"; then pass "$name"; else fail "$name"; fi
}

kml_text() { iconv -f UTF-16 -t UTF-8 "$1"; }
valid_kml() { [ -s "$1" ] && xmllint --noout "$1" 2>/dev/null; }
no_file_like() { ! compgen -G "$1" >/dev/null; }

# --- list: the device's ten slots, within the time-out ---------------------------------------
start_sim --trips 3 --fixes 300
started=$(date +%s%N)
cli --timeout 2000 list >"$work/list.txt"
list_status=$?
list_ms=$((($(date +%s%N) - started) / 1000000))
check "list answers (${list_ms} ms)" [ $list_status -eq 0 ]
check "list shows three logs and seven empty slots" \
  [ "$(grep -c 'bytes' "$work/list.txt")" -eq 3 -a "$(grep -c '(empty)' "$work/list.txt")" -eq 7 ]

# --- get: the KML is valid and byte for byte the Linux build's ---------------------------------
mkdir -p "$work/win" "$work/linux"
leftover="$work/win/.kvd-4000000000-0000abcd.tmp"  # of a run that ended abruptly
echo half > "$leftover"
touch -d '1 hour ago' "$leftover"
cli get 0 -o "$work/win" >/dev/null 2>&1
check "get 0 succeeds" [ $? -eq 0 ]
check "get removes the temporary file an ended run left" [ ! -e "$leftover" ]
"$linux_cli" --port "$(head -1 "$work/sim.out")" --offline get 0 -o "$work/linux" >/dev/null 2>&1
kml=$(ls "$work/win"/*.kml 2>/dev/null | head -1)
check "the KML is well-formed XML" valid_kml "$kml"
check "the KML equals the Linux build's" cmp -s "$kml" "$work/linux/$(basename "$kml")"
check "the KML carries the zone of TZ (+09:00)" grep -q '+09:00</begin>' <(kml_text "$kml")

# --- a folder name Windows cannot hold is a wrong argument, said as such ----------------------
while IFS='|' read -r name why; do
  said=$(cli get 0 -o "$work/$name" </dev/null 2>&1 >/dev/null)
  named_status=$?
  expected="kvd2730-cli get: the name '$name' cannot be used on Windows ($why)"
  check "get -o '$name' is refused: $why (exit $named_status)" \
    [ $named_status -eq 2 -a "$said" = "$expected" ]
done <<'NAMES'
what?|it holds '?'
trips.|it ends in a dot
CON|it is the name of a device
NAMES
check "no folder is made for such a name" [ ! -e "$work/what?" -a ! -e "$work/trips." ]

# --- delete -----------------------------------------------------------------------------------
cli delete --yes 1 >/dev/null 2>&1
check "delete --yes 1 succeeds" [ $? -eq 0 ]
check "slot 1 is empty afterwards" grep -q '^1 .*(empty)' <(cli list)

# --- both uploads arrive byte for byte ---------------------------------------------------------
mkdir -p "$work/store"
head -c 70000 /dev/urandom >"$work/points.FPT"
head -c 5000 /dev/urandom >"$work/speech.mem"
start_sim --store "$work/store"
cli update-gps "$work/points.FPT" >/dev/null 2>&1
check "update-gps succeeds" [ $? -eq 0 ]
check "the device holds the point file" cmp -s "$work/points.FPT" "$work/store/gps.FPT"
cli update-voice "$work/speech.mem" >/dev/null 2>&1
check "update-voice succeeds" [ $? -eq 0 ]
check "the device holds the voice file" cmp -s "$work/speech.mem" "$work/store/voice.mem"

# --- a transfer fault fails the get and leaves nothing ----------------------------------------
mkdir -p "$work/fault"
start_sim --trips 2 --fixes 300 --fault bad-crc:3@GetLog
cli --timeout 2000 get 0 -o "$work/fault" >/dev/null 2>&1
fault_status=$?
check "a bad block fails the get (exit $fault_status)" [ $fault_status -ne 0 ]
check "no file is left of the failed log" [ -z "$(ls -A "$work/fault")" ]

# --- a silent device: the per-byte time-out ends the call -------------------------------------
# (the outer 60 s bound of cli() only catches a hang; the time taken is reported, not judged)
start_sim --fault no-echo
started=$(date +%s%N)
cli --timeout 1000 list >/dev/null 2>&1
silent_status=$?
silent_ms=$((($(date +%s%N) - started) / 1000000))
check "a silent device fails list with --timeout 1000 (exit $silent_status after ${silent_ms} ms)" \
  [ $silent_status -ne 0 -a $silent_status -ne 124 ]

# --- a stalled device and Ctrl-C --------------------------------------------------------------
# Wine turns SIGINT into the console's Ctrl-C event, which reaches our handler. The per-byte
# time-out is ten minutes: only the cancel request can end the wait before the watchdog does.
mkdir -p "$work/stall"
start_sim --trips 2 --fixes 300 --fault stall:2@GetLog
wine "$exe" --port COM5 --offline --timeout 600000 get 0 -o "$work/stall" >/dev/null 2>&1 &
wine_pid=$!
# The watchdog ends by itself soon after the tool does.
(
  for _ in $(seq 600); do
    sleep 0.1
    kill -0 "$wine_pid" 2>/dev/null || exit 0
  done
  kill -KILL "$wine_pid"
) &
watchdog=$!
sleep 3
interrupted=$(date +%s%N)
kill -INT "$wine_pid"
wait "$wine_pid"
stall_status=$?
stall_ms=$((($(date +%s%N) - interrupted) / 1000000))
wait "$watchdog"
check "Ctrl-C ends a stalled get with status 130 (exit $stall_status after ${stall_ms} ms)" \
  [ $stall_status -eq 130 ]
check "no file is left of the interrupted log" [ -z "$(ls -A "$work/stall")" ]

# --- Japanese names: folder, log file and the KML beside it -----------------------------------
start_sim --trips 1 --fixes 120
jp_folder="$work/保存先"  # made by get itself
cli get 0 --keep-raw -o "$jp_folder" >/dev/null 2>&1
check "get into a Japanese folder succeeds" [ $? -eq 0 ]
raw=$(ls "$jp_folder"/*.LOG 2>/dev/null | head -1)
if [ -n "$raw" ]; then cp "$raw" "$work/東京の旅.LOG"; fi
(cd "$work" && timeout 60 wine "$exe" convert --offline "東京の旅.LOG" -o "$jp_folder" >/dev/null 2>&1)
check "convert of a log with a Japanese name succeeds" [ $? -eq 0 ]
check "its KML has the Japanese name" valid_kml "$jp_folder/東京の旅.LOG.kml"
check "the track is named after the Japanese file" \
  grep -q '東京の旅.LOG.kml Path' <(kml_text "$jp_folder/東京の旅.LOG.kml")

# --- both UI languages and the zone from the system --------------------------------------------
cp "$work/東京の旅.LOG" "$work/trip.LOG"
mkdir -p "$work/ja" "$work/ny"
(cd "$work" && LC_ALL=ja_JP.UTF-8 timeout 60 wine "$exe" convert --offline trip.LOG -o ja >/dev/null 2>&1)
check "a Japanese user gets Japanese texts" grep -q 'trip.LOG.kml 経路' <(kml_text "$work/ja/trip.LOG.kml")
(cd "$work" && TZ=America/New_York timeout 60 wine "$exe" convert --offline trip.LOG -o ny >/dev/null 2>&1)
check "an English user gets English texts" grep -q 'trip.LOG.kml Path' <(kml_text "$work/ny/trip.LOG.kml")
check "the zone comes from the system (New York, -05:00 or in summer -04:00)" \
  grep -qE -- '-0[45]:00</begin>' <(kml_text "$work/ny/trip.LOG.kml")
mkdir -p "$work/ny-linux"
(cd "$work" && TZ=America/New_York "$linux_cli" convert --offline trip.LOG -o ny-linux \
  >/dev/null 2>&1)
check "the New York KML equals the Linux build's" \
  cmp -s "$work/ny/trip.LOG.kml" "$work/ny-linux/trip.LOG.kml"
# Standard output in text mode would turn each line feed into CR LF.
(cd "$work" && TZ=America/New_York timeout 60 wine "$exe" convert --offline trip.LOG -o - \
  >"$work/ny-stdout.kml" 2>/dev/null)
check "convert -o - gives the file's bytes" cmp -s "$work/ny-stdout.kml" "$work/ny/trip.LOG.kml"
(cd "$work" && TZ=America/New_York timeout 60 wine "$exe" convert --offline trip.LOG -f kmz -o ny \
  >/dev/null 2>&1)
check "the KMZ passes unzip's test" unzip -tq "$work/ny/trip.LOG.kmz"
check "the KMZ holds the KML byte for byte" \
  cmp -s <(unzip -p "$work/ny/trip.LOG.kmz" doc.kml) "$work/ny-linux/trip.LOG.kml"

# --- another zone: offsets as on Linux; names only with a zoneinfo folder in TZDIR -----------
for zone in +09:00 -03:30 --utc; do
  option=(--zone "$zone")
  [ "$zone" = --utc ] && option=(--utc)
  rm -rf "$work/zone-win" "$work/zone-linux"
  (cd "$work" && TZ=America/New_York timeout 60 wine "$exe" convert --offline trip.LOG -f kml,gpx \
    "${option[@]}" -o zone-win >/dev/null 2>&1)
  check "convert ${option[*]} succeeds" [ $? -eq 0 ]
  (cd "$work" && "$linux_cli" convert --offline trip.LOG -f kml,gpx "${option[@]}" -o zone-linux \
    >/dev/null 2>&1)
  check "its KML equals the Linux build's" \
    cmp -s "$work/zone-win/trip.LOG.kml" "$work/zone-linux/trip.LOG.kml"
  check "its GPX equals the Linux build's" \
    cmp -s "$work/zone-win/trip.LOG.gpx" "$work/zone-linux/trip.LOG.gpx"
done
(cd "$work" && timeout 60 wine "$exe" convert --offline trip.LOG --zone Europe/Berlin -o named \
  >"$work/named.out" 2>&1)
named_status=$?
check "a zone name without TZDIR is a usage error (exit $named_status)" [ $named_status -eq 2 ]
check "which says what to do instead" grep -q 'need the zone database.*TZDIR.*+09:00' \
  "$work/named.out"
check "and writes nothing" [ ! -e "$work/named" ]
rm -rf "$work/zone-win" "$work/zone-linux"
(cd "$work" && TZDIR='Z:\usr\share\zoneinfo' timeout 60 wine "$exe" convert --offline trip.LOG \
  -f kml,gpx --zone Europe/Berlin -o zone-win >/dev/null 2>&1)
check "with TZDIR naming a zoneinfo folder, a zone name works" [ $? -eq 0 ]
(cd "$work" && "$linux_cli" convert --offline trip.LOG -f kml,gpx --zone Europe/Berlin \
  -o zone-linux >/dev/null 2>&1)
check "and writes what the Linux build writes" \
  cmp -s "$work/zone-win/trip.LOG.kml" "$work/zone-linux/trip.LOG.kml"
check "in the GPX too" cmp -s "$work/zone-win/trip.LOG.gpx" "$work/zone-linux/trip.LOG.gpx"

# --- port discovery ---------------------------------------------------------------------------
# Wine's Setup API lists no device for a COM port mapped in dosdevices, so the tool finds no
# candidate; the friendly-name rule is covered by the table test of the Linux build.
start_sim --trips 1 --fixes 10
ports=$(timeout 60 wine "$exe" ports 2>&1 | tr -d '\r')
echo "note: 'ports' under Wine says: ${ports}"

stop_sim
if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
