#!/usr/bin/env bash
# Tallisk started again while its window is open, as "Edit with Tallisk" on a
# second page does: the new process hands the page to the open window and
# ends, writing neither conf nor kept. The open window asks first when its
# editors hold unwritten texts, and opens a page that came while its About
# box was open once the box has closed. A window that does not answer gets
# no second window beside it, and a copy in another folder is a Tallisk of
# its own.
set -u
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s '-screen 0 1024x768x24' bash "$0" "$@"; fi
. "$TALLISK_SOURCE/tests/wine/env.sh"
B=$TALLISK_BUILD
A=$TALLISK_WINE_DIR/secondstart-files
rm -rf "$A"; mkdir -p "$A/app" "$A/other" "$A/pages" "$A/texts"
cp "$B/Tallisk.exe" "$B/manual.htm" "$A/app/"
cp "$B/Tallisk.exe" "$B/manual.htm" "$A/other/"
export TALLISK_OPEN_LOG=$A/opened.log
: >"$TALLISK_OPEN_LOG"
tallisk_new_prefix window-secondstart
first_pid=
trap '[ -n "$first_pid" ] && kill -CONT "$first_pid" 2>/dev/null; wineserver -k >/dev/null 2>&1' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
stop() { fail "$*"; import -window root "$A/failure.png" 2>/dev/null && echo "screen: $A/failure.png"; exit 1; }
TITLE='^Tallisk 1\.0 - '
main_windows() { xdotool search --onlyvisible --name "$TITLE" 2>/dev/null | wc -l; }
# conf and kept as the second start must leave them: bytes and times.
files_state() { local f; for f in conf kept; do stat -c '%n %s %y' "$A/app/$f" 2>&1; md5sum <"$A/app/$f" 2>&1; done; }

for p in one two; do
  printf 'Page %s' "$p" >"$A/texts/name"; printf 'a\r\nb' >"$A/texts/variables"; printf 'alert(a# + b#);' >"$A/texts/function"
  "$B/../native/tallisk-page" -o "$A/pages/$p.htm" "$A/texts/name" "$A/texts/variables" "$A/texts/function" ||
    stop "tallisk-page could not write $p.htm"
done

# second [FOLDER] ARG...: a second start of the app folder's Tallisk from
# FOLDER (the pages' folder, so that a relative page means another file
# there than in the app folder); its exit code in $A/rc2.
second() {
  rm -f "$A/rc2"
  ( cd "$A/pages" && timeout 60 wine ../app/Tallisk.exe "$@" >>"$A/wine2.log" 2>&1; echo $? >"$A/rc2" )
}

( cd "$A/app" && wine Tallisk.exe >"$A/wine1.log" 2>&1; echo $? >"$A/rc1" ) &
w=$(wait_win "${TITLE}New\$" 30) || stop "no main window"
first_pid=$(xdotool getwindowpid "$w") || stop "no pid for the main window"
xdotool windowfocus --sync "$w"
xdotool type --delay 15 'Unwritten'
# Typed texts are kept about 2 s after the last key.
wait_log "$A/app/kept" 'Unwritten' 10 || stop "the typed texts were not kept"

# The editors hold texts no page holds: the page, named relative to the
# second start's own folder, brings the question up in the first window.
before=$(files_state)
second one.htm
[ "$(cat "$A/rc2")" = 0 ] || fail "the second start with a page ended with '$(cat "$A/rc2")', not 0"
if q=$(wait_win '^Tallisk$' 10); then
  [ "$(xdotool getwindowpid "$q")" = "$first_pid" ] || fail "the question is not the first window's"
else
  fail "no question about the unwritten texts"
fi
[ "$(main_windows)" = 1 ] || fail "$(main_windows) main windows after the second start"
[ "$(files_state)" = "$before" ] || fail "conf or kept changed by the second start: before $before, now $(files_state)"
# No: the page opens without writing the texts anywhere.
[ -n "${q:-}" ] && { xdotool windowfocus --sync "$q" 2>/dev/null; xdotool key n; }
wait_win "${TITLE}Z:.*\\\\pages\\\\one\\.htm\$" 10 >/dev/null || fail "the handed page did not open after No"
[ "$(ls "$A/pages")" = "$(printf 'one.htm\ntwo.htm')" ] || fail "the pages folder changed: $(ls "$A/pages")"

# A page that comes while the About box is open waits for the box to close;
# the texts are now the page's, so it opens without a question.
xdotool windowfocus --sync "$w"
xdotool key alt+h a
about=$(wait_win '^About$' 10) || stop "Help, About showed no box"
before=$(files_state)
second "$(dos "$A/pages/two.htm")"
[ "$(cat "$A/rc2")" = 0 ] || fail "the second start over the About box ended with '$(cat "$A/rc2")', not 0"
sleep 1
wait_win "${TITLE}Z:.*\\\\pages\\\\one\\.htm\$" 1 >/dev/null || fail "the page opened over the About box"
xdotool search --onlyvisible --name '^(Tallisk|Error|About)$' 2>/dev/null | grep -qvx "$about" &&
  fail "another dialog came over the About box"
[ "$(files_state)" = "$before" ] || fail "conf or kept changed while the About box was open"
xdotool windowfocus --sync "$about" 2>/dev/null; xdotool key Return
wait_gone '^About$' 10 || fail "the About box stays open"
wait_win "${TITLE}Z:.*\\\\pages\\\\two\\.htm\$" 10 >/dev/null || fail "the page did not open once the About box closed"

# A start without a page only brings the window forward.
second
[ "$(cat "$A/rc2")" = 0 ] || fail "the second start without a page ended with '$(cat "$A/rc2")', not 0"
wait_win "${TITLE}Z:.*\\\\pages\\\\two\\.htm\$" 2 >/dev/null || fail "a start without a page changed the window"

# A copy in another folder keeps conf and kept of its own: its own window.
( cd "$A/other" && wine Tallisk.exe >"$A/wine3.log" 2>&1; echo $? >"$A/rc3" ) &
for i in $(seq 100); do [ "$(main_windows)" = 2 ] && break; sleep 0.1; done
[ "$(main_windows)" = 2 ] || fail "the copy in another folder showed no window of its own"
o=$(xdotool search --onlyvisible --name "${TITLE}New\$" | head -1)
[ -n "$o" ] && { xdotool windowfocus --sync "$o"; xdotool key alt+F4; }
wait_file "$A/rc3" 10 || fail "the other folder's copy did not close"

# A window that does not answer (its process stopped) gets nothing: the new
# process says so, ends with 3 and writes nothing.
before=$(files_state)
kill -STOP "$first_pid"
rm -f "$A/rc2"
( cd "$A/pages" && timeout 60 wine ../app/Tallisk.exe one.htm >>"$A/wine2.log" 2>&1; echo $? >"$A/rc2" ) &
if e=$(wait_win '^Error$' 20); then
  [ "$(xdotool getwindowpid "$e")" != "$first_pid" ] || fail "the not-answering message is the first window's"
  [ "$(main_windows)" = 1 ] || fail "$(main_windows) main windows beside one that does not answer"
  xdotool windowfocus --sync "$e" 2>/dev/null; xdotool key Return
else
  fail "no message that Tallisk is open but not answering"
fi
wait_file "$A/rc2" 15 || fail "the start beside a window that does not answer did not end"
[ "$(cat "$A/rc2" 2>/dev/null)" = 3 ] || fail "the start beside a window that does not answer ended with '$(cat "$A/rc2" 2>/dev/null)', not 3"
[ "$(files_state)" = "$before" ] || fail "conf or kept changed by the start beside a window that does not answer"
kill -CONT "$first_pid"
first_pid=

xdotool windowfocus --sync "$w" 2>/dev/null; xdotool key alt+F4
wait_file "$A/rc1" 10 || fail "the first Tallisk did not close"
[ "$(cat "$A/rc1" 2>/dev/null)" = 0 ] || fail "the first Tallisk ended with '$(cat "$A/rc1" 2>/dev/null)'"

if [ "$failures" -ne 0 ]; then
  import -window root "$A/failure.png" 2>/dev/null && echo "screen: $A/failure.png"
  exit 1
fi
rm -rf "$A"
echo "second start passed"
