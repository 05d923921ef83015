#!/usr/bin/env bash
# The desktop programs side by side: the Windows kvd2730.exe under Wine and the Qt kvd2730 on
# the same private X server, against the virtual device on a pseudo-terminal (COM5 of a
# private Wine prefix). Prints the time from start to a visible start dialog (with Wine's
# server and the files already warm), the time from the device appearing to an enabled GPS
# button and from unplugging it to "connecting", the CPU used while watching a connected
# device, and the size of the .exe.
#   desktop_under_wine.sh KVD2730 KVD2730_EXE KVD2730_SIM [rounds] [idle-seconds]
set -euo pipefail
qt_program=$(realpath "$1")
exe=$(realpath "$2")
simulator=$(realpath "$3")
rounds=${4:-5}
idle_seconds=${5:-30}
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/lib/x-session.sh"
source "$root/scripts/lib/wine-session.sh"
xs_need_tools

scratch=$(mktemp -d)
mkdir -p "$scratch/prefix" "$scratch/work" "$scratch/run" "$scratch/config"
chmod 700 "$scratch/run"
export WINEPREFIX=$scratch/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
  KVD2730_OFFLINE=1 LC_ALL=C.UTF-8
trap 'wineserver -k 2>/dev/null || true; xs_cleanup; rm -rf "$scratch"' EXIT
# The X server first: Wine's desktop process keeps the display it found.
xs_start_server 1024x768
xs_start_tray
wineserver -p >/dev/null 2>&1
wineboot -i </dev/null >/dev/null 2>&1
ws_prepare_prefix
ws_set_dpi 96
com=$WINEPREFIX/dosdevices/com5
WS_LAYOUT=$scratch/work/layout.txt

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
worst() { sort -n | tail -1; }
start_visible() { [[ -n $(xdotool search --onlyvisible --name '^RW-T356 GPS Log$' 2>/dev/null) ]]; }

plug_in() {
  rm -f "$com"
  "$simulator" --link "$com" --trips 3 --fixes 300 >/dev/null 2>&1 &
  device_pid=$!
}
unplug() {
  kill "$device_pid" 2>/dev/null || true
  wait "$device_pid" 2>/dev/null || true
  rm -f "$com"
}

# Starts the Windows program in the work folder; extra environment as arguments.
start_exe() {
  (cd "$scratch/work" && exec env KVD2730_PORTS=COM5 "$@" wine "$exe" </dev/null \
    >/dev/null 2>&1) &
  wine_pid=$!
  xs_wait 30000 'pgrep -f "^$exe" >/dev/null'
  exe_pid=$(pgrep -f "^$exe" | tail -1)
}
stop_exe() {
  kill "$exe_pid" 2>/dev/null || true
  xs_wait 10000 '! kill -0 "$exe_pid"' || true
  wait "$wine_pid" 2>/dev/null || true
}

echo "== start to a visible start dialog ($rounds rounds after one to warm up)"
for program in qt exe; do
  times=()
  for ((round = 0; round <= rounds; round++)); do
    t0=$(xs_now)
    if [[ $program == qt ]]; then
      (cd "$scratch/work" && exec env KVD2730_PORTS="$scratch/absent" \
        XDG_RUNTIME_DIR="$scratch/run" XDG_CONFIG_HOME="$scratch/config" "$qt_program" \
        </dev/null >/dev/null 2>&1) &
      pid=$!
      xs_wait 30000 start_visible || { echo "the Qt start dialog did not show" >&2; exit 1; }
      t1=$(xs_now)
      kill "$pid"
      wait "$pid" 2>/dev/null || true
    else
      start_exe
      xs_wait 30000 start_visible || { echo "the Windows start dialog did not show" >&2; exit 1; }
      t1=$(xs_now)
      stop_exe
    fi
    xs_wait 10000 '! start_visible' || true
    ((round == 0)) || times+=($((t1 - t0)))
  done
  printf '%-4s median %5d ms  worst %5d ms\n' "$program" \
    "$(printf '%s\n' "${times[@]}" | median)" "$(printf '%s\n' "${times[@]}" | worst)"
done

echo "== kvd2730.exe: device appears -> GPS button enabled, unplugged -> \"connecting\" ($rounds rounds)"
start_exe KVD2730_TEST_LAYOUT="$(ws_windows_path "$WS_LAYOUT")" KVD2730_TEST_LAYOUT_MS=5
xs_wait 30000 'ws_control_is start mode enabled 0' || { echo "no start dialog" >&2; exit 1; }
appear=()
gone=()
for ((round = 0; round < rounds; round++)); do
  t0=$(xs_now)
  plug_in
  xs_wait 10000 'ws_control_is start mode enabled 1' || { echo "the button stayed off" >&2; exit 1; }
  appear+=($(($(xs_now) - t0)))
  sleep 1.3  # a moment into the once-a-second check
  t0=$(xs_now)
  unplug
  xs_wait 10000 'ws_control_is start mode enabled 0' || { echo "the button stayed on" >&2; exit 1; }
  gone+=($(($(xs_now) - t0)))
  sleep 0.5
done
stop_exe
printf 'appears   median %5d ms  worst %5d ms  (goal <= 500 ms)\n' \
  "$(printf '%s\n' "${appear[@]}" | median)" "$(printf '%s\n' "${appear[@]}" | worst)"
printf 'unplugged median %5d ms  worst %5d ms  (goal <= 1500 ms)\n' \
  "$(printf '%s\n' "${gone[@]}" | median)" "$(printf '%s\n' "${gone[@]}" | worst)"

echo "== kvd2730.exe watching a connected device for $idle_seconds s (no test hook)"
plug_in
start_exe
sleep 5  # found and identified well before this
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
# This prefix's server: it works in a folder named after the prefix's device and inode.
server_folder=$(stat -c 'server-%D-%i' "$WINEPREFIX" | awk -F- '{ printf "%s-%s-%x", $1, $2, $3 }')
server_pid=
for p in $(pgrep -f wineserver); do
  [[ $(readlink "/proc/$p/cwd") == */"$server_folder" ]] && server_pid=$p
done
[[ -n $server_pid ]] || { echo "no Wine server for $WINEPREFIX" >&2; exit 1; }
exe_before=$(ticks "$exe_pid")
server_before=$(ticks "$server_pid")
sleep "$idle_seconds"
exe_after=$(ticks "$exe_pid")
server_after=$(ticks "$server_pid")
hertz=$(getconf CLK_TCK)
awk -v e=$((exe_after - exe_before)) -v s=$((server_after - server_before)) -v hz="$hertz" \
  -v t="$idle_seconds" 'BEGIN {
    printf "kvd2730.exe %.3f %% of a core, Wine server %.3f %%, together %.3f %% (goal <= 0.5 %%)\n",
      100 * e / hz / t, 100 * s / hz / t, 100 * (e + s) / hz / t }'
stop_exe
unplug

echo "== size"
printf 'kvd2730.exe %d bytes (%.2f MB), statically linked\n' "$(stat -c %s "$exe")" \
  "$(awk -v b="$(stat -c %s "$exe")" 'BEGIN { print b / 1048576 }')"
printf 'kvd2730 (Qt) %d bytes, and the Qt 6 libraries it loads\n' "$(stat -c %s "$qt_program")"
