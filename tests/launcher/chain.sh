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
# library passes the launcher's arguments on.
wineserver -k >/dev/null 2>&1
page="$W/documents/my page.htm"
printf 'Sum' >"$W/name"; printf 'a\r\nb' >"$W/variables"; printf 'alert(a# + b#);' >"$W/function"
"$TALLISK_BUILD/../native/tallisk-page" -o "$page" "$W/name" "$W/variables" "$W/function" ||
  fail "tallisk-page could not write the page"
( cd "$W/documents" && wine "$W/unzipped/Tallisk/StartTallisk.exe" "$(dos "$page")" >/dev/null 2>&1 ) ||
  fail "the launcher's exit code is $? with a page"
wait_win ' - Z:.*\\my page\.htm$' 20 >/dev/null || fail "the page named after the launcher was not opened"
echo "the page named after the launcher was opened"
