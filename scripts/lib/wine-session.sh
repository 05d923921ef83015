# shellcheck shell=bash
# Helpers for driving the Windows desktop program (kvd2730.exe) under Wine on a private X
# server with a tray host. Source it after x-session.sh (whose server, tray host, waits and
# clean-up it uses); WINEPREFIX must name a prefix that wineboot has made.
#
# Wine's windows are found and clicked through the program's layout file, not by title or
# guessed pixels: with KVD2730_TEST_LAYOUT naming a file, the program rewrites it (temp file,
# then rename) whenever a window, control or list row changes. One record a line, fields
# separated by TABs, rectangles in screen pixels:
#   window  HWND ROLE X Y W H VISIBLE ENABLED TITLE
#   control HWND NAME X Y W H VISIBLE ENABLED CHECKED TEXT     (HWND: its window's)
#   row     HWND INDEX X Y W H CHECKED ENABLED NAME            (X..H: the row's check box)
#   state   start STATE
# The helpers read the file WS_LAYOUT names; WS_LAYOUT=other ws_... reads another copy's.

WS_LAYOUT=${WS_LAYOUT:-}
WS_REST=(1270 1010)  # where the pointer rests between clicks: clear of every window

# Windows' name for a Unix path, through drive Z: (Wine maps it to /).
ws_windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# Imports registry values given as the lines of a REGEDIT4 file (one regedit, not one reg
# per value: each Wine process costs a fraction of a second). Only with DISPLAY set: the first
# program of a Wine server starts its desktop process on the display it finds, and without one
# every window the server's later programs make fails.
ws_registry() {
  [[ -n ${DISPLAY:-} ]] || { echo "ws_registry: start the X server first" >&2; return 1; }
  local file
  file=$(mktemp --suffix .reg)
  printf 'REGEDIT4\r\n\r\n%s\r\n' "$1" >"$file"
  wine regedit /S "$(ws_windows_path "$file")" </dev/null >/dev/null 2>&1
  local status=$?
  rm -f "$file"
  return $status
}

# Makes the prefix fit for driving windows without a window manager, in both languages:
# unmanaged windows (a managed window's close waits ~2 s for a window manager that is not
# there), Japanese texts in a font that has them, Wine's own Tahoma and Marlett (the glyphs of
# check boxes and scroll arrows); then restarts the server so the fonts are read again. Call
# it with the X server running (DISPLAY).
ws_prepare_prefix() {
  local font found
  fc-list 'Noto Sans CJK JP' family | grep -q . ||
    { echo "the font Noto Sans CJK JP is missing (fonts-noto-cjk; scripts/setup)" >&2; return 1; }
  for font in tahoma.ttf marlett.ttf; do
    found=$(find /usr/share/wine/fonts /usr/lib/wine -name "$font" -print -quit 2>/dev/null)
    [[ -n $found ]] ||
      { echo "Wine's $font is missing (fonts-wine; scripts/setup)" >&2; return 1; }
    ln -sf "$found" "$WINEPREFIX/drive_c/windows/Fonts/$font"
  done
  ws_registry '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"MS UI Gothic"="Noto Sans CJK JP"' || { echo "regedit failed" >&2; return 1; }
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  wineserver -p >>"${WS_SERVER_LOG:-/dev/null}" 2>&1
}

# Pixels per logical inch of the programs started from now on (96 or 144).
ws_set_dpi() {
  ws_registry "[HKEY_CURRENT_USER\\Control Panel\\Desktop]
\"LogPixels\"=dword:$(printf '%08x' "$1")"
}

# --- the layout file ---------------------------------------------------------------------------

ws_layout() { cat "$WS_LAYOUT" 2>/dev/null; }

# The handle of the newest visible window of a role; fails when there is none.
ws_window() {
  ws_layout | awk -F'\t' -v role="$1" '
    $1 == "window" && $3 == role && $8 == 1 { found = $2 }
    END { if (found == "") exit 1; print found }'
}
ws_has_window() { ws_window "$1" >/dev/null; }

# A window's field: x y w h visible enabled title.
ws_window_field() {
  ws_layout | awk -F'\t' -v role="$1" -v field="$2" '
    BEGIN { split("x y w h visible enabled title", names, " ")
            for (i in names) column[names[i]] = i + 3 }
    $1 == "window" && $3 == role && $8 == 1 { found = $column[field]; any = 1 }
    END { if (!any) exit 1; print found }'
}

# A control's field, of the newest visible window of a role: x y w h visible enabled checked
# text. Fails when the window or the control is not there.
ws_control_field() {
  ws_layout | awk -F'\t' -v role="$1" -v name="$2" -v field="$3" '
    BEGIN { split("x y w h visible enabled checked text", names, " ")
            for (i in names) column[names[i]] = i + 3 }
    $1 == "window" && $3 == role && $8 == 1 { window = $2 }
    $1 == "control" { value[$2 SUBSEP $3] = $column[field]; seen[$2 SUBSEP $3] = 1 }
    END { if (window == "" || !((window SUBSEP name) in seen)) exit 1
          print value[window SUBSEP name] }'
}
# Whether a control's field has a value: ws_control_is start mode enabled 1.
ws_control_is() { [[ $(ws_control_field "$1" "$2" "$3") == "$4" ]]; }

# A list row's field in the transfer window: x y w h checked enabled name.
ws_row_field() {
  ws_layout | awk -F'\t' -v index_="$1" -v field="$2" '
    BEGIN { split("x y w h checked enabled name", names, " ")
            for (i in names) column[names[i]] = i + 3 }
    $1 == "window" && $3 == "transfer" && $8 == 1 { window = $2 }
    $1 == "row" { value[$2 SUBSEP $3] = $column[field]; seen[$2 SUBSEP $3] = 1 }
    END { if (window == "" || !((window SUBSEP index_) in seen)) exit 1
          print value[window SUBSEP index_] }'
}
# The rows of the transfer window, one "index checked enabled name" a line: one a slot of the
# device, an empty slot's without a name.
ws_rows() {
  ws_layout | awk -F'\t' '
    $1 == "window" && $3 == "transfer" && $8 == 1 { window = $2 }
    $1 == "row" { rows[$2] = rows[$2] $3 " " $8 " " $9 " " $10 "\n" }
    END { printf "%s", rows[window] }'
}
# How many logs the list shows.
ws_log_count() { ws_rows | awk 'NF > 3' | grep -c . || true; }

# The start dialog's state: Searching, Identifying, Ready or Ended.
ws_start_state() { ws_layout | awk -F'\t' '$1 == "state" && $2 == "start" { print $3 }'; }

# --- pointer and keys ----------------------------------------------------------------------------

# Clicks at a point of the screen (button $3, default the left one), then rests the pointer
# clear of every window: a pointer left on a button lights it up.
ws_click_at() {
  xdotool mousemove "$1" "$2" click "${3:-1}" mousemove "${WS_REST[@]}"
}

# Clicks the centre of a control of the newest visible window of a role.
ws_click_control() {
  local x y w h
  x=$(ws_control_field "$1" "$2" x) && y=$(ws_control_field "$1" "$2" y) &&
    w=$(ws_control_field "$1" "$2" w) && h=$(ws_control_field "$1" "$2" h) || return 1
  ws_click_at $((x + w / 2)) $((y + h / 2)) "${3:-1}"
}

# Clicks a list row's check box, or its name, which selects the row (the name column starts
# 50 of the tick column's pixels right of the box's left edge, the box being 16 wide).
ws_click_row_box() {
  local x y w h
  x=$(ws_row_field "$1" x) && y=$(ws_row_field "$1" y) && w=$(ws_row_field "$1" w) &&
    h=$(ws_row_field "$1" h) || return 1
  ws_click_at $((x + w / 2)) $((y + h / 2))
}
ws_click_row_name() {
  local x y w h
  x=$(ws_row_field "$1" x) && y=$(ws_row_field "$1" y) && w=$(ws_row_field "$1" w) &&
    h=$(ws_row_field "$1" h) || return 1
  ws_click_at $((x + 5 * w)) $((y + h / 2))
}

# Presses keys in whatever window has the focus (XTEST, as a keyboard does: Wine ignores keys
# sent to a window with XSendEvent). Click the window first.
ws_key() { xdotool key "$@"; }

# --- the tray icon -------------------------------------------------------------------------------

# The centre of the icon docked in trayer, as "X Y": the panel's deepest child window that
# is larger than a pixel (Wine's icon sits in trayer's socket window).
ws_tray_icon() {
  local panel
  panel=$(xdotool search --class trayer 2>/dev/null | while read -r id; do
    xwininfo -id "$id" 2>/dev/null | grep -q '"panel"$' && { echo "$id"; break; }
  done)
  [[ -n $panel ]] || return 1
  xwininfo -tree -id "$panel" |
    awk 'match($0, /[0-9]+x[0-9]+\+-?[0-9]+\+-?[0-9]+ +\+-?[0-9]+\+-?[0-9]+$/) {
           split($NF, at, "+"); split($(NF - 1), size, /[x+]/)
           depth = match($0, /[^ ]/)
           if (size[1] > 1 && size[2] > 1 && depth >= deepest) {
             deepest = depth; found = (at[2] + int(size[1] / 2)) " " (at[3] + int(size[2] / 2)) }
         }
         END { if (found == "") exit 1; print found }'
}
