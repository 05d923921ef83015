#!/usr/bin/env bash
# The real kvd2730 from start to end on a private X server with a tray host, the virtual
# device in a process of its own: wait for the GPS button, open the transfer window, get two
# logs, delete one, unplug and plug the device, try a second copy, end from the tray menu
# during a get; then the start dialog at a 1.5 scale factor.
# Usage: desktop_session_test.sh KVD2730 KVD2730-SIM
set -euo pipefail
program=$(realpath "$1")
simulator=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/lib/x-session.sh"
xs_need_tools

scratch=$(mktemp -d)
trap 'xs_cleanup; rm -rf "$scratch"' EXIT
mkdir -m 700 "$scratch/run"
mkdir "$scratch/saves" "$scratch/work" "$scratch/config"
printf '[KVD2730]\nGPS=%s\n' "$scratch/saves" >"$scratch/work/KVD2730.ini"

fail() {
  echo "FAIL: $*" >&2
  [[ -n ${DISPLAY:-} ]] && import -window root "$scratch/failure.png" 2>/dev/null &&
    cp "$scratch/failure.png" "${KVD_E2E_FAILURE_PICTURE:-/tmp/kvd2730-e2e-failure.png}" &&
    echo "screen at the failure: ${KVD_E2E_FAILURE_PICTURE:-/tmp/kvd2730-e2e-failure.png}" >&2
  echo "--- program output (last lines)" >&2
  tail -n 20 "$scratch/program.err" >&2 || true
  tail -n 20 "$scratch/program.out" >&2 || true
  exit 1
}
step() { printf '%-52s' "$1"; }
took() { echo "ok ($(($(xs_now) - $1)) ms)"; }

# Where things are in the windows (device-independent pixels at scale 1).
gps_button=(175 100)       # start dialog: GPS log data
gps_fill=(130 90)          # a point of its fill, clear of its text
row_box_x=369              # transfer window: check box of row r at (369, 27 + 18 r)
get_button=(270 161)
delete_button=(270 271)
disabled_fill=ECECEC

plug_in() {
  xs_spawn "$simulator" --link "$scratch/device" --trips 3 --fixes 300 "$@" >/dev/null
  device_pid=$XS_PID
}
unplug() { kill "$device_pid"; wait "$device_pid" 2>/dev/null || true; }
gps_enabled() { local c; c=$(xs_pixel "$start" "${gps_fill[@]}"); [[ -n $c && $c != "$disabled_fill" ]]; }
gps_disabled() { [[ $(xs_pixel "$start" "${gps_fill[@]}") == "$disabled_fill" ]]; }
box_ok() {  # dismisses the result box and echoes its count
  xs_wait 10000 '(($(xs_window_count Message) == 1))' || fail "no result box"
  xs_key "$(xs_windows Message)" Return
  xs_wait 5000 '(($(xs_window_count Message) == 0))' || fail "the result box stayed"
}
# The device link's diagnostic lines: every reply line, each after the prompt "> ".
list_replies() { grep -ao 'GetLogList 0 .*' "$scratch/program.out" || true; }
last_list() { list_replies | tail -n 1; }
# The progress dialog before its first report (the list's, and the start of a get).
progress_starting() { (($(xs_window_count Starting) > 0)); }
open_transfer_window() {  # sets window; the list is fetched once the window shows
  local lists
  lists=$(list_replies | wc -l)
  xs_click "$start" "${gps_button[@]}"
  xs_wait 10000 '(($(xs_window_count "RW-T356 GPS Log") == 2))' || fail "no transfer window"
  window=$(xs_windows "RW-T356 GPS Log" | grep -vx "$start")
  xs_wait 10000 '(($(list_replies | wc -l) > lists)) && ! progress_starting' ||
    fail "the list was not fetched after the window showed"
}

xs_start_server 800x600
xs_start_tray || fail "no tray host"

step "start"
t=$(xs_now)
cd "$scratch/work"
KVD2730_PORTS="$scratch/device" XDG_RUNTIME_DIR="$scratch/run" XDG_CONFIG_HOME="$scratch/config" \
  LC_ALL=C.UTF-8 xs_spawn "$program" >"$scratch/program.out" 2>"$scratch/program.err"
program_pid=$XS_PID
xs_wait 20000 '(($(xs_window_count "RW-T356 GPS Log") == 1))' || fail "no start dialog"
start=$(xs_windows "RW-T356 GPS Log")
xs_wait 5000 gps_disabled || fail "the GPS button is not waiting"
took "$t"

step "device plugged in: GPS button enabled"
t=$(xs_now)
plug_in
xs_wait 10000 gps_enabled || fail "the GPS button stayed disabled"
took "$t"

step "transfer window with the list"
t=$(xs_now)
open_transfer_window
[[ $(last_list) == *'"'*'.LOG",'* ]] || fail "no list reply: $(last_list)"
took "$t"

step "get two logs"
t=$(xs_now)
xs_click "$window" "$row_box_x" 27
xs_click "$window" "$row_box_x" 45
xs_click "$window" "${get_button[@]}"
box_ok
mapfile -t kml < <(find "$scratch/saves" -name '*.kml')
((${#kml[@]} == 2)) || fail "expected 2 KML files, found: $(ls -A "$scratch/saves")"
for file in "${kml[@]}"; do
  head -c 2 "$file" | od -An -tx1 | grep -q 'ff fe' || fail "$file is not UTF-16LE"
  if command -v xmllint >/dev/null; then xmllint --noout "$file" || fail "$file is not XML"; fi
done
took "$t"

step "delete the first log (saved: no question): list fetched again"
t=$(xs_now)
lists=$(list_replies | wc -l)
xs_click "$window" "$row_box_x" 45  # row 1 off again; row 0 stays ticked
xs_click "$window" "${delete_button[@]}"
box_ok
xs_wait 5000 '(($(list_replies | wc -l) > lists))' ||
  fail "the list was not fetched again"
[[ $(last_list) =~ ^GetLogList\ 0\ 0\ \" ]] || fail "slot 0 still listed: $(last_list)"
took "$t"

step "device unplugged: window closed, connecting"
t=$(xs_now)
unplug
xs_wait 10000 '(($(xs_window_count "RW-T356 GPS Log") == 1)) && gps_disabled' ||
  fail "the lost device went unnoticed"
took "$t"

step "plugged in again: GPS button enabled"
t=$(xs_now)
plug_in --baud 115200 --fixes 4000  # a get that lasts: it is ended from the tray below
xs_wait 10000 gps_enabled || fail "the device was not found again"
took "$t"

step "a second copy says ERROR and ends"
t=$(xs_now)
KVD2730_PORTS="$scratch/device" XDG_RUNTIME_DIR="$scratch/run" XDG_CONFIG_HOME="$scratch/config" \
  LC_ALL=C.UTF-8 xs_spawn "$program" >/dev/null 2>&1
second_pid=$XS_PID
xs_wait 20000 '(($(xs_window_count ERROR) == 1))' || fail "no ERROR box"
xs_key "$(xs_windows ERROR)" Return
status=0
wait "$second_pid" || status=$?
((status == 0)) || fail "the second copy ended with status $status"
kill -0 "$program_pid" 2>/dev/null || fail "the first copy ended too"
((($(xs_window_count "RW-T356 GPS Log") == 1))) || fail "the start dialog is gone"
took "$t"

step "Exit from the tray menu during a get"
t=$(xs_now)
open_transfer_window
xs_click "$window" "$row_box_x" 45
xs_click "$window" "${get_button[@]}"
xs_wait 10000 'xdotool search --onlyvisible --name " Getting [0-9]+ %$"' ||
  fail "no progress dialog"
xdotool mousemove 12 16 click 3
xs_wait 5000 '[[ -n $(xdotool search --onlyvisible --class kvd2730 getwindowgeometry %@ 2>/dev/null |
  grep "Position: 12,16") ]]' || fail "no tray menu during the get"
xdotool mousemove 40 27 click 1
xs_wait 10000 '(($(xs_window_count Message) == 1))' || fail "no result box after the exit"
xs_key "$(xs_windows Message)" Return
xs_wait 10000 '! kill -0 "$program_pid"' || fail "the program did not end"
status=0
wait "$program_pid" || status=$?
((status == 0)) || fail "the program ended with status $status"
# The two logs of the first get and the folder's record of them; nothing half-written.
mapfile -t files < <(find "$scratch/saves" -type f ! -name .kvd2730-saved ! -name .kvd2730-saved.lock)
((${#files[@]} == 2)) || fail "files left half-written: ${files[*]}"
[[ -s $scratch/saves/.kvd2730-saved ]] || fail "the save folder keeps no record of its logs"
took "$t"

step "at 1.5 times the pixels (144 dpi): 540 x 345"
t=$(xs_now)
KVD2730_PORTS="$scratch/device" XDG_RUNTIME_DIR="$scratch/run" XDG_CONFIG_HOME="$scratch/config" \
  QT_SCALE_FACTOR=1.5 xs_spawn "$program" >/dev/null 2>&1
xs_wait 20000 '(($(xs_window_count "RW-T356 GPS Log") == 1))' || fail "no start dialog"
size=$(xwininfo -id "$(xs_windows "RW-T356 GPS Log")" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
[[ $size == 540x345 ]] || fail "the start dialog is $size"
took "$t"
