#!/usr/bin/env bash
# The real kvd2730.exe under Wine from start to end, on a private X server with trayer as the
# tray host and the virtual device on COM5, as tests/gui/desktop_session_test.sh runs the
# Linux program: wait for the GPS button, open the transfer window, get two logs (byte for byte
# what the Linux CLI writes), delete one, unplug and plug the device, try a second copy, cancel
# a get, end from the tray menu during a get and with the window open. In English and Japanese,
# each at 96 and 144 dpi.
#   desktop_under_wine.sh KVD2730_EXE KVD2730_SIM KVD2730_CLI
# Expects WINEPREFIX to name a prefix that wineboot has made (scripts/test-windows makes one);
# the prefix is prepared for driving windows here and its server ended at the end.
# KVD_E2E_FAILURE_DIR names where a failure leaves the screen, the layout files and the
# program's output (default /tmp/kvd2730-wine-failure).
# shellcheck disable=SC2016  # the conditions of waits are expanded by xs_wait, each time
set -euo pipefail
for given in "${1:?the program}" "${2:?the virtual device}" "${3:?the Linux CLI}"; do
  [[ -f $given ]] || { echo "desktop_under_wine.sh: no such file: $given" >&2; exit 1; }
done
exe=$(realpath "$1")
sim=$(realpath "$2")
linux_cli=$(realpath "$3")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/lib/x-session.sh"
source "$here/../../scripts/lib/wine-session.sh"
xs_need_tools
: "${WINEPREFIX:?WINEPREFIX must name a prepared Wine prefix}"
export WINEDEBUG=-all KVD2730_OFFLINE=1 TZ=Asia/Tokyo
unset LANG LANGUAGE LC_MESSAGES

com="$WINEPREFIX/dosdevices/com5"
scratch=$(mktemp -d)
failure_dir=${KVD_E2E_FAILURE_DIR:-/tmp/kvd2730-wine-failure}
cleanup() {
  wineserver -k 2>/dev/null || true
  xs_cleanup
  rm -f "$com"
  rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

run=  # the scenario's folder: work (the current folder, with KVD2730.ini), saves, layouts
fail() {
  echo "FAIL: $*" >&2
  # Every helper that silences a command writes to it.
  [[ -c /dev/null ]] || echo "note: /dev/null is not a device now: $(ls -ld /dev/null)" >&2
  rm -rf "$failure_dir"
  mkdir -p "$failure_dir"
  if [[ -n ${DISPLAY:-} ]] && import -window root "$failure_dir/screen.png" 2>/dev/null; then
    echo "screen at the failure: $failure_dir/screen.png" >&2
  fi
  if [[ -n $run ]]; then
    cp "$run"/*.txt "$run"/*.out "$run"/*.err "$failure_dir/" 2>/dev/null || true
    echo "--- layout ($WS_LAYOUT)" >&2
    cat "$WS_LAYOUT" >&2 2>/dev/null || true
    echo "--- saves: $(find "$run/saves" -mindepth 1 -printf '%P ' 2>/dev/null)" >&2
    echo "--- program output (last lines)" >&2
    tail -n 20 "$run/program.err" "$run/program.out" >&2 2>/dev/null || true
    echo "layout files and output kept in $failure_dir" >&2
  fi
  exit 1
}
step() { printf '%-60s' "$1"; }
took() { echo "ok ($(($(xs_now) - $1)) ms)"; }

# --- the device ----------------------------------------------------------------------------------

device_pid=
plug_in() {  # the virtual device on COM5; its other options are given
  rm -f "$com"
  xs_spawn "$sim" --link "$com" --trips 3 --fixes 300 "$@" >/dev/null 2>&1
  device_pid=$XS_PID
  xs_wait 5000 '[[ -L $com ]]' || fail "the virtual device did not start"
}
unplug() {
  kill "$device_pid" 2>/dev/null || true
  wait "$device_pid" 2>/dev/null || true
  rm -f "$com"
}

# What the Linux CLI writes for slots 0..2 of the same device, in each language.
reference_kml() {  # LC_ALL FOLDER
  local pty pid
  xs_spawn "$sim" --trips 3 --fixes 300 >"$scratch/reference-sim.out" 2>&1
  pid=$XS_PID
  xs_wait 5000 '(($(wc -l <"$scratch/reference-sim.out") > 0))' ||
    fail "the reference device did not start"
  pty=$(head -n 1 "$scratch/reference-sim.out")
  env LC_ALL="$1" "$linux_cli" --port "$pty" --offline get 0 1 2 -o "$2" >/dev/null \
    2>"$scratch/reference-cli.err" ||
    fail "the Linux CLI did not get the reference logs"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
}

# --- the program ---------------------------------------------------------------------------------

# Starts a copy with its own layout file (WS_LAYOUT names the first copy's); sets XS_PID.
start_copy() {  # NAME: run/NAME.txt is its layout, run/NAME.out and .err its output
  rm -f "$run/$1.txt"  # an earlier copy's windows are not this one's
  # env, not assignments before a function: bash itself would try the locale Wine is given.
  xs_spawn env KVD2730_PORTS=COM5 KVD2730_TEST_LAYOUT="$(ws_windows_path "$run/$1.txt")" \
    LC_ALL="$lang" wine "$exe" >"$run/$1.out" 2>"$run/$1.err"
}
program_pid=
ended_status=
ended() {  # PID: waits for its end; sets ended_status
  xs_wait 15000 "! kill -0 $1" || fail "the program did not end"
  ended_status=0
  wait "$1" || ended_status=$?
}

# The catalogue's texts the checks look for, in the scenario's language.
say() {
  local -A en=([connecting]=connecting [gps]="GPS log data" [end]=End
    [got]="Getting data normally ends" [deleted]="Deleting data normally end"
    [running]="KVD-2730 is already running.")
  local -A ja=([connecting]=接続待機中 [gps]=GPSログデータ [end]=終了
    [got]=データを取得しました [deleted]=削除しました [running]="KVD-2730 は既に起動しています。")
  if [[ $lang == ja* ]]; then echo "${ja[$1]}"; else echo "${en[$1]}"; fi
}

# Every text of the newest box, one a line.
box_texts() {
  ws_layout | awk -F'\t' '$1 == "window" && $3 == "box" && $8 == 1 { box = $2 }
    $1 == "control" { text[$2] = text[$2] $11 "\n" } END { printf "%s", text[box] }'
}
# Waits for a box that says $1 (any text when empty) and not $2, and presses its OK.
box_ok() {
  local said=${1:-} unsaid=${2:-}
  xs_wait 20000 'ws_has_window box && ws_control_field box ok x' || fail "no box with OK"
  if [[ -n $said ]]; then
    xs_wait 2000 'box_texts | grep -qF -- "$said"' ||
      fail "the box does not say '$said': $(box_texts | tr '\n' '|')"
  fi
  if [[ -n $unsaid ]] && box_texts | grep -qF -- "$unsaid"; then
    fail "the box says '$unsaid': $(box_texts | tr '\n' '|')"
  fi
  ws_click_control box ok || fail "no OK in the box"
  # A program that ends after the box leaves the box in its last layout.
  xs_wait 5000 '! ws_has_window box || ! kill -0 "$program_pid"' || fail "the box stayed after OK"
}

# The start dialog's GPS button, its text and the dialog's state agree.
gps_enabled() {
  ws_control_is start mode enabled 1 && ws_control_is start mode text "$(say gps)" &&
    [[ $(ws_start_state) == Ready ]]
}
gps_waiting() {
  ws_control_is start mode enabled 0 && ws_control_is start mode text "$(say connecting)" &&
    [[ $(ws_start_state) == @(Searching|Identifying) ]]
}

open_transfer_window() {  # then the list is fetched: waits for its 3 logs
  ws_click_control start mode || fail "no GPS button"
  xs_wait 15000 'ws_has_window transfer' || fail "no transfer window"
  xs_wait 15000 '(($(ws_log_count) == 3)) && ! ws_has_window progress' ||
    fail "the list was not fetched after the window showed: $(ws_rows | tr '\n' '|')"
}

# Ticks exactly the rows given, each by a click on its box.
tick_only() {
  local row index checked want
  while read -r index checked _ _; do
    want=0
    for row in "$@"; do
      if [[ $row == "$index" ]]; then want=1; fi
    done
    if [[ $checked != "$want" ]]; then ws_click_row_box "$index" || fail "no row $index"; fi
    xs_wait 3000 "ws_row_field $index checked | grep -qx $want" ||
      fail "row $index did not become $want: $(ws_rows | tr '\n' '|')"
  done < <(ws_rows)
}

# The files of the save folder other than its record, one "NAME SHA256" a line.
saved_files() {
  (cd "$run/saves" && find . -type f ! -name .kvd2730-saved ! -name .kvd2730-saved.lock \
    -printf '%P\n' | sort | while read -r name; do
      echo "$name $(sha256sum <"$name" | cut -c1-16)"
    done)
}

# The tray icon's menu, and a click on its one item: End.
exit_from_tray() {
  local icon
  xs_wait 10000 ws_tray_icon || fail "no icon in the tray host"
  icon=$(ws_tray_icon)
  # shellcheck disable=SC2086  # "X Y"
  ws_click_at $icon 3
  xs_wait 5000 'ws_has_window menu' || fail "no tray menu"
  local x y w h
  x=$(ws_window_field menu x) y=$(ws_window_field menu y) w=$(ws_window_field menu w)
  h=$(ws_window_field menu h)
  ws_click_at $((x + w / 2)) $((y + h / 2))
}

# --- one scenario --------------------------------------------------------------------------------

# The start dialog's buttons: "MODE_W MODE_H END_W END_H DX DY", DX DY from one to the other.
start_shape() {
  local field
  local -A at=()
  for field in x y w h; do
    at[mode$field]=$(ws_control_field start mode $field) || return 1
    at[end$field]=$(ws_control_field start end $field) || return 1
  done
  echo "${at[modew]} ${at[modeh]} ${at[endw]} ${at[endh]} $((at[endx] - at[modex]))" \
    "$((at[endy] - at[modey]))"
}
# Its shape at 96 dpi, by language, to compare the 144 dpi run with.
declare -A start_shape_96=()

scenario() {  # LC_ALL DPI
  lang=$1
  local dpi=$2 t began started_ms
  local short=${lang%%[._]*}  # C or ja
  run=$scratch/$short-$dpi
  mkdir -p "$run/work" "$run/saves"
  WS_LAYOUT=$run/program.txt
  printf '[KVD2730]\r\nGPS=%s\r\n' "$(ws_windows_path "$run/saves")" >"$run/work/KVD2730.ini"
  ws_set_dpi "$dpi" || fail "the DPI was not set"
  local reference=$scratch/reference-$short
  began=$(xs_now)
  echo "== $lang at $dpi dpi"
  cd "$run/work"

  step "start: start dialog, connecting"
  t=$(xs_now)
  start_copy program
  program_pid=$XS_PID
  xs_wait 30000 'ws_has_window start' || fail "no start dialog"
  xs_wait 5000 gps_waiting ||
    fail "the GPS button is not waiting: '$(ws_control_field start mode text)'"
  ws_control_is start end text "$(say end)" ||
    fail "the End button says '$(ws_control_field start end text)'"
  started_ms=$(($(xs_now) - t))
  took "$t"

  step "the start dialog's controls, by the dpi"
  # Sizes of its two buttons and the distance between them: at 144 dpi 1.5 times those at
  # 96 dpi (the window's frame is Wine's and does not scale alike).
  local shape
  shape="$(start_shape)" || fail "the start dialog's buttons are not in the layout"
  if ((dpi == 96)); then
    start_shape_96[$short]=$shape
  elif [[ -n ${start_shape_96[$short]:-} ]]; then
    local -a now before
    local k
    read -r -a now <<<"$shape"
    read -r -a before <<<"${start_shape_96[$short]}"
    for k in "${!now[@]}"; do
      ((now[k] * 2 >= before[k] * 3 - 4 && now[k] * 2 <= before[k] * 3 + 4)) ||
        fail "at $dpi dpi the buttons measure $shape, at 96 dpi ${start_shape_96[$short]}"
    done
  fi
  echo "$shape; window $(ws_window_field start w)x$(ws_window_field start h)"

  step "device plugged in: GPS button enabled"
  t=$(xs_now)
  plug_in
  xs_wait 15000 gps_enabled || fail "the GPS button stayed disabled: $(ws_start_state)"
  took "$t"

  step "transfer window with the list"
  t=$(xs_now)
  open_transfer_window
  took "$t"

  local -a names
  mapfile -t names < <(ws_rows | awk '{ print $4 }')

  step "get two logs: as the Linux CLI writes them"
  t=$(xs_now)
  ws_click_row_box 0 || fail "no row 0"
  xs_wait 3000 'ws_row_field 0 checked | grep -qx 1' || fail "a click did not tick row 0"
  ws_click_row_name 1 || fail "no row 1"
  ws_key space
  xs_wait 3000 'ws_row_field 1 checked | grep -qx 1' ||
    fail "selecting row 1 and pressing Space did not tick it: $(ws_rows | tr '\n' '|')"
  ws_click_control transfer get || fail "no Get button"
  box_ok "$(say got)"
  local kml
  [[ $(saved_files | awk '{ print $1 }') == "$(printf '%s.kml\n' "${names[@]:0:2}" | sort)" ]] ||
    fail "expected ${names[0]}.kml and ${names[1]}.kml, found: $(saved_files | tr '\n' ' ')"
  for kml in "${names[0]}.kml" "${names[1]}.kml"; do
    cmp -s "$run/saves/$kml" "$reference/$kml" || fail "$kml differs from the Linux CLI's"
  done
  [[ -s $run/saves/.kvd2730-saved ]] || fail "the save folder keeps no record of its logs"
  took "$t"

  step "delete the first log (saved: no question): list again"
  t=$(xs_now)
  tick_only 0
  ws_click_control transfer delete || fail "no Delete button"
  box_ok "$(say deleted)"
  xs_wait 10000 '(($(ws_log_count) == 2)) && ! ws_has_window progress' ||
    fail "the list was not fetched again: $(ws_rows | tr '\n' '|')"
  [[ -z $(ws_row_field 0 name) && $(ws_row_field 1 name) == "${names[1]}" ]] ||
    fail "slot 0 is not the one emptied: $(ws_rows | tr '\n' '|')"
  took "$t"

  step "device unplugged: window closed, connecting"
  t=$(xs_now)
  unplug
  xs_wait 15000 '! ws_has_window transfer && gps_waiting' ||
    fail "the lost device went unnoticed"
  took "$t"

  step "plugged in again: GPS button enabled"
  t=$(xs_now)
  plug_in --baud 115200 --fixes 4000  # gets that last: one cancelled, one ended from the tray
  xs_wait 15000 gps_enabled || fail "the device was not found again"
  took "$t"

  step "a second copy says ERROR and ends"
  t=$(xs_now)
  start_copy second
  local second_pid=$XS_PID
  WS_LAYOUT=$run/second.txt xs_wait 30000 \
    'ws_has_window box && [[ $(ws_window_field box title) == ERROR ]] && ws_control_field box ok x' ||
    fail "no ERROR box from the second copy"
  WS_LAYOUT=$run/second.txt box_texts | grep -qF "$(say running)" ||
    fail "the ERROR box says: $(WS_LAYOUT=$run/second.txt box_texts | tr '\n' '|')"
  WS_LAYOUT=$run/second.txt ws_click_control box ok || fail "no OK in the ERROR box"
  ended "$second_pid"
  ((ended_status == 0)) || fail "the second copy ended with status $ended_status"
  kill -0 "$program_pid" 2>/dev/null || fail "the first copy ended too"
  { ws_has_window start && gps_enabled; } || fail "the first copy's start dialog changed"
  took "$t"

  step "cancel during a get: the saved file untouched"
  t=$(xs_now)
  local before
  before=$(saved_files)
  open_transfer_window
  tick_only 1  # the first get's second log: a cancelled get must leave its file as it was
  ws_click_control transfer get || fail "no Get button"
  xs_wait 15000 'ws_has_window progress && ws_control_is progress cancel enabled 1' ||
    fail "no progress dialog with Cancel"
  ws_click_control progress cancel || fail "no Cancel in the progress dialog"
  box_ok "" "$(say got)"
  [[ $(saved_files) == "$before" ]] ||
    fail "the cancelled get changed the folder: $(saved_files | tr '\n' ' ')"
  took "$t"

  step "End from the tray menu during a get"
  t=$(xs_now)
  tick_only 2
  ws_click_control transfer get || fail "no Get button"
  xs_wait 15000 'ws_has_window progress' || fail "no progress dialog"
  exit_from_tray
  # The get's result may still be said before the end.
  xs_wait 15000 '! kill -0 $program_pid || ws_control_field box ok x' || fail "the program stayed"
  if kill -0 "$program_pid" 2>/dev/null; then
    box_ok "" "$(say got)"
  fi
  ended "$program_pid"
  ((ended_status == 0)) || fail "the program ended with status $ended_status"
  [[ $(saved_files) == "$before" ]] ||
    fail "files left half-written: $(saved_files | tr '\n' ' ')"
  took "$t"

  step "End from the tray menu with the window open, then Close"
  t=$(xs_now)
  start_copy program
  program_pid=$XS_PID
  xs_wait 30000 'ws_has_window start && gps_enabled' || fail "no start dialog ready"
  open_transfer_window
  exit_from_tray  # the program ends once the transfer window has closed
  xs_wait 5000 '! ws_has_window menu' || fail "the tray menu stayed"
  ws_click_control transfer close || fail "no Close button"
  ended "$program_pid"
  ((ended_status == 0)) || fail "the program ended with status $ended_status"
  took "$t"
  unplug
  echo "   ($lang, $dpi dpi: $(($(xs_now) - began)) ms; the start dialog after $started_ms ms)"
}

# --- the run -------------------------------------------------------------------------------------

started=$(xs_now)
xs_start_server 1280x1024
WS_SERVER_LOG=$scratch/wineserver.log ws_prepare_prefix || fail "the prefix was not prepared"
xs_start_tray || fail "no tray host"
reference_kml C.UTF-8 "$scratch/reference-C"
reference_kml ja_JP.UTF-8 "$scratch/reference-ja"
echo "prefix, X server, tray host and reference files: $(($(xs_now) - started)) ms"

# The 96 dpi run of a language comes first: the 144 dpi run compares its sizes with it.
combos=${KVD_E2E_WINE_RUNS:-"C.UTF-8:96 ja_JP.UTF-8:96 ja_JP.UTF-8:144 C.UTF-8:144"}
for combo in $combos; do
  IFS=: read -r combo_lang combo_dpi <<<"$combo"
  scenario "$combo_lang" "$combo_dpi"
done
cd /
echo "the desktop program under Wine: all passed in $(($(xs_now) - started)) ms"
