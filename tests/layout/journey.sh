#!/usr/bin/env bash
# A person's session, twice: move and resize the window with the mouse, close
# it, start again from another folder and find the same place, size and
# current file; then About (its link button, Escape) and Help, Manual...
set -u
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s '-screen 0 1024x768x24' "$0" "$@"
fi
: "${TALLISK_BUILD:?}" "${TALLISK_WINE_DIR:?}"
. "$(dirname "$0")/../wine/env.sh"

fail() { echo "FAIL: $*"; import -window root "$work/failure.png" 2>/dev/null; wineserver -k; exit 1; }

tallisk_new_prefix layout-journey
work="$TALLISK_WINE_DIR/layout-journey-files"
rm -rf "$work"; mkdir -p "$work/app" "$work/elsewhere"
cp "$TALLISK_BUILD/Tallisk.exe" "$TALLISK_BUILD/manual.htm" "$work/app/"
export TALLISK_OPEN_LOG="$work/open.log"
app_dos=$(winepath -w "$work/app" 2>/dev/null)
[ -n "$app_dos" ] || fail "no DOS path for $work/app"

# le32 N: four little-endian bytes as printf escapes.
le32() { local n=$(( $1 & 0xffffffff )); printf '\\x%02x\\x%02x\\x%02x\\x%02x' \
  $((n & 255)) $((n >> 8 & 255)) $((n >> 16 & 255)) $((n >> 24 & 255)); }
# conf_bytes FILE: the settings file as one line of hex.
conf_bytes() { od -An -tx1 -v "$1" | tr -d ' \n'; }

# A current file from an earlier run, at (60, 40), 420 x 180 beyond the minimum.
left=60 top=40
# conf_write FLAG LEFT TOP EXTRA_W EXTRA_H: calc.htm in the program folder.
conf_write() { printf '%s\0%s\\\0' calc.htm "$app_dos"; printf "$(le32 $1)$(le32 $2)$(le32 $3)$(le32 $4)$(le32 $5)"; }
conf_write 0 $left $top 420 180 > "$work/app/conf"
caption_re='^Tallisk [0-9.]+ - .*\\app\\calc\.htm$'

# start [CAPTION_REGEX]: Tallisk from another folder than its own.
start() {
  rm -f "$work/rc"
  ( cd "$work/elsewhere" && wine "$work/app/Tallisk.exe" >"$work/wine.log" 2>&1; echo $? > "$work/rc" ) &
  w=$(wait_win "${1:-$caption_re}" 20) || fail "no main window titled ${1:-$caption_re}"
  xdotool windowfocus --sync "$w"
}
stop() {
  xdotool windowfocus --sync "$w"; xdotool key alt+f x
  wait_file "$work/rc" 10 || fail "Tallisk did not end"
  [ "$(cat "$work/rc")" = 0 ] || fail "exit code $(cat "$work/rc")"
}
# drag X1 Y1 X2 Y2: press, move in steps, release, as a hand does.
drag() {
  xdotool mousemove "$1" "$2" mousedown 1; sleep 0.2
  xdotool mousemove $(( ($1 + $3) / 2 )) $(( ($2 + $4) / 2 )); sleep 0.2
  xdotool mousemove "$3" "$4"; sleep 0.2
  xdotool mouseup 1; sleep 0.3
}

start
eval "$(xdotool getwindowgeometry --shell "$w")"
width=$WIDTH height=$HEIGHT
# Caption: from 60 px in, 10 px down, by (+90, +70). Then the lower right corner by (+80, +60).
drag $((left + 60)) $((top + 10)) $((left + 150)) $((top + 80))
left=$((left + 90)) top=$((top + 70))
drag $((left + width - 2)) $((top + height - 2)) $((left + width + 78)) $((top + height + 58))
eval "$(xdotool getwindowgeometry --shell "$w")"
[ "$WIDTH" = $((width + 80)) ] && [ "$HEIGHT" = $((height + 60)) ] || fail "resized to ${WIDTH}x$HEIGHT"
width=$WIDTH height=$HEIGHT
stop
first=$(conf_bytes "$work/app/conf")
expected=$(conf_write 0 $left $top 500 240 | od -An -tx1 -v | tr -d ' \n')
[ "$first" = "$expected" ] || fail "conf after the first run: $first, expected $expected"

# Second run: the same file in the caption (start() waits for it), the same size.
start
eval "$(xdotool getwindowgeometry --shell "$w")"
[ "$WIDTH" = "$width" ] && [ "$HEIGHT" = "$height" ] || fail "restored as ${WIDTH}x$HEIGHT"

# About with the keyboard; Tab from OK to the link button and press it.
xdotool key alt+h a
a=$(wait_win '^About$' 10) || fail "no About box"
xdotool key Tab space
wait_log "$TALLISK_OPEN_LOG" 'about.url' 10 || fail "the link opened nothing"
grep -qF "$app_dos\\about.url" "$TALLISK_OPEN_LOG" || fail "about.url not from the program folder: $(cat "$TALLISK_OPEN_LOG")"
wait_win '^About$' 2 >/dev/null || fail "About closed after the link"
xdotool key Escape
wait_gone '^About$' 10 || fail "Escape left the About box open"

xdotool windowfocus --sync "$w"; xdotool key alt+h m
wait_log "$TALLISK_OPEN_LOG" 'manual.htm' 10 || fail "Manual... opened nothing"
grep -qF "$app_dos\\manual.htm" "$TALLISK_OPEN_LOG" || fail "manual not from the program folder: $(cat "$TALLISK_OPEN_LOG")"
stop
# Nothing moved in the second run: the same place and size were stored again.
[ "$(conf_bytes "$work/app/conf")" = "$first" ] || fail "conf changed in a run that kept its place"

# A full disk: "conf" leads to /dev/full, where a small write fails only when
# it is flushed. Closing says so once and still ends the program.
rm -f "$work/app/conf"; ln -s /dev/full "$work/app/conf"
start '^Tallisk '
xdotool key alt+f x
e=$(wait_win '^Error$' 10) || fail "a full disk was not reported"
xdotool windowfocus --sync "$e"; xdotool key Return
wait_file "$work/rc" 10 || fail "Tallisk did not end after the write error"
rm -f "$work/app/conf"

wineserver -k
echo "layout journey passed"
