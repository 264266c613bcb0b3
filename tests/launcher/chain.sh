#!/usr/bin/env bash
# The whole chain as a user meets it: unzip the distribution, start the
# launcher from its folder, and Tallisk's main window appears.
set -u
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s '-screen 0 1024x768x24' bash "$0" "$@"; fi
. "$TALLISK_SOURCE/tests/wine/env.sh"
W=$TALLISK_WINE_DIR/launcher-chain-files
rm -rf "$W"; mkdir -p "$W/unzipped" "$W/documents"
fail() { echo "FAIL: $*"; exit 1; }

bash "$TALLISK_SOURCE/tools/dist.sh" "$TALLISK_BUILD" "$W" || fail "dist.sh failed"
zip=$(ls "$W"/Tallisk-*.zip) || fail "no zip"
( cd "$W/unzipped" && unzip -q "$zip" ) || fail "unzip failed"
files=$(cd "$W/unzipped" && find . -type f | sort | tr '\n' ' ')
[ "$files" == "./Tallisk/StartTallisk.exe ./Tallisk/lib/Tallisk.exe ./Tallisk/lib/manual.htm ./Tallisk/lib/velmora.dll " ] ||
  fail "unexpected files in the zip: $files"

tallisk_new_prefix launcher-chain
trap 'wineserver -k >/dev/null 2>&1' EXIT
( cd "$W/documents" && wine "$W/unzipped/Tallisk/StartTallisk.exe" >/dev/null 2>&1 ) ||
  fail "the launcher's exit code is $?"
# Tallisk.exe's window, not the launcher's.
w=$(wait_program '^Tallisk\.exe$' 20) || fail "no window of Tallisk.exe appeared"
title=$(xdotool getwindowname "$w")
echo "Tallisk's window appeared: \"$title\""
[[ $title == *" - New" ]] || fail "the window is not the main window in its New state"

# A page named after the launcher opens in Tallisk for editing: the base
# library passes the launcher's arguments on. The launcher starts in the
# page's folder, as Explorer starts a verb on a file, with a velmora.dll
# planted first in that folder and then in one on Wine's PATH: it loads
# neither (the planted copy leaves a mark in the current folder when loaded).
wineserver -k >/dev/null 2>&1
page="$W/documents/my page.htm"
printf 'Sum' >"$W/name"; printf 'a\r\nb' >"$W/variables"; printf 'alert(a# + b#);' >"$W/function"
"$TALLISK_BUILD/../native/tallisk-page" -o "$page" "$W/name" "$W/variables" "$W/function" ||
  fail "tallisk-page could not write the page"
mark=$W/documents/planted-library-ran
open_page() {  # open_page WHERE [VARIABLE=VALUE...]: the velmora.dll planted WHERE
  local where=$1
  shift
  ( cd "$W/documents" && env "$@" wine "$W/unzipped/Tallisk/StartTallisk.exe" "$(dos "$page")" >/dev/null 2>&1 ) ||
    fail "the launcher's exit code is $? with a page and a velmora.dll planted $where"
  wait_win ' - Z:.*\\my page\.htm$' 20 >/dev/null ||
    fail "the page named after the launcher was not opened with a velmora.dll planted $where"
  [ -e "$mark" ] && fail "the velmora.dll planted $where was loaded: $(cat "$mark")"
  wineserver -k >/dev/null 2>&1
}
mkdir -p "$W/onpath"
cp "$TALLISK_BUILD/tests/launcher/launcher_planted.dll" "$W/documents/velmora.dll"
open_page "in the page's folder"
mv "$W/documents/velmora.dll" "$W/onpath/velmora.dll"
open_page "on PATH" WINEPATH="$(dos "$W/onpath")"
echo "the page named after the launcher was opened, and no planted velmora.dll was loaded"

# A page given to the launcher while Tallisk is open goes to that window:
# the launcher's Tallisk.exe hands it over and ends, and no second window comes.
rm -f "$W/unzipped/Tallisk/lib/conf" "$W/unzipped/Tallisk/lib/kept"
( cd "$W/documents" && wine "$W/unzipped/Tallisk/StartTallisk.exe" >/dev/null 2>&1 ) ||
  fail "the launcher's exit code is $? without a page"
wait_win ' - New$' 20 >/dev/null || fail "no window of Tallisk.exe in its New state"
( cd "$W/documents" && wine "$W/unzipped/Tallisk/StartTallisk.exe" "$(dos "$page")" >/dev/null 2>&1 ) ||
  fail "the launcher's exit code is $? with a page while Tallisk is open"
wait_win ' - Z:.*\\my page\.htm$' 20 >/dev/null || fail "the open window did not take the page given to the launcher"
sleep 1
[ "$(xdotool search --onlyvisible --class '^Tallisk\.exe$' | wc -l)" = 1 ] ||
  fail "$(xdotool search --onlyvisible --class '^Tallisk\.exe$' | wc -l) windows of Tallisk.exe, not one"
echo "a page given to the launcher while Tallisk was open opened in its window"
