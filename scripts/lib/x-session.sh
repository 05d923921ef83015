# Helpers for driving the desktop program on a private X server (Xvfb) with a tray host
# (trayer), for the end-to-end test, the screenshots and the desktop benchmarks. Source it;
# call xs_cleanup on exit. Needs Xvfb, trayer, xdotool, xwininfo and ImageMagick's import.

XS_PIDS=()

xs_need_tools() {
  local tool missing=()
  for tool in Xvfb trayer xdotool xwininfo import; do
    command -v "$tool" >/dev/null || missing+=("$tool")
  done
  if ((${#missing[@]})); then
    echo "missing: ${missing[*]} (scripts/setup installs them)" >&2
    return 1
  fi
}

# Milliseconds since the epoch.
xs_now() { date +%s%3N; }

# A private X server; sets DISPLAY.
xs_start_server() {
  local size=${1:-1024x768} fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp \
    3>"$fifo" >/dev/null 2>&1 &
  XS_PIDS+=($!)
  local number
  read -r -t 10 number <"$fifo" || { rm -f "$fifo"; echo "Xvfb did not start" >&2; return 1; }
  rm -f "$fifo"
  export DISPLAY=":$number"
  unset DBUS_SESSION_BUS_ADDRESS  # Qt then embeds its icon in the tray host below
}

# A tray host in the top-left corner; the program's icon sits at (12, 16).
xs_start_tray() {
  trayer --edge top --align left --widthtype pixel --width 40 --heighttype pixel --height 32 \
    --transparent false --tint 0x303030 --SetDockType false --SetPartialStrut false \
    >/dev/null 2>&1 &
  XS_PIDS+=($!)
  xs_wait 5000 'xdotool search --class trayer'
}

# Runs a command in the background and remembers it for xs_cleanup; sets XS_PID.
xs_spawn() {
  "$@" &
  XS_PID=$!
  XS_PIDS+=("$XS_PID")
}

# Waits up to $1 ms until the command $2 (a string for eval) succeeds quietly.
xs_wait() {
  local deadline=$(($(xs_now) + $1))
  until eval "$2" >/dev/null 2>&1; do
    (($(xs_now) < deadline)) || return 1
    sleep 0.02
  done
}

# Visible windows titled exactly $1, newest last.
xs_windows() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null; }
xs_window_count() { xs_windows "$1" | wc -l; }

# The colour of one pixel of a window, as RRGGBB.
xs_pixel() {
  import -window "$1" -depth 8 -crop "1x1+$2+$3" txt:- 2>/dev/null |
    sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p' | tail -1
}

# Clicks at a point of a window, then moves the pointer out of the way (a resting pointer
# lights a button up after a moment).
xs_click() {
  xdotool mousemove --window "$1" "$2" "$3" click "${4:-1}" mousemove 1000 700
}

# Presses a key in a window.
xs_key() { xdotool windowfocus --sync "$1" key "$2"; }

xs_cleanup() {
  local i
  for ((i = ${#XS_PIDS[@]} - 1; i >= 0; i--)); do
    kill "${XS_PIDS[i]}" 2>/dev/null || true
  done
  for ((i = ${#XS_PIDS[@]} - 1; i >= 0; i--)); do
    wait "${XS_PIDS[i]}" 2>/dev/null || true
  done
  XS_PIDS=()
}
