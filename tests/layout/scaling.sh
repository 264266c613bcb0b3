#!/usr/bin/env bash
# The first start at four scalings, each on the screen size it usually comes
# with: the in-process scaling test runs in a prefix of its own at that DPI on
# an X server of that size, and a screenshot of each is kept under the build's
# artefacts/scaling for a person to look at.
# $1: the scaling test program.
set -u
program=${1:?usage: scaling.sh SCALING_TEST_PROGRAM}
: "${TALLISK_BUILD:?}" "${TALLISK_WINE_DIR:?}"
here=$(cd "$(dirname "$0")" && pwd)
shots="$TALLISK_BUILD/artefacts/scaling"

# one DPI SCREEN: a single case, inside its own X server.
if [ "${1:-}" = --one ]; then
  dpi=$2 screen=$3 program=$4
  . "$here/../wine/env.sh"
  tallisk_new_prefix "scaling-$dpi" || exit 1
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$screen" /f >/dev/null 2>&1
  wineserver -w
  # The test program and its conf live in a folder of this case alone.
  work="$TALLISK_WINE_DIR/scaling-$dpi-files"
  rm -rf "$work"; mkdir -p "$work"
  cp "$program" "$work/"
  ready="$work/ready"
  wine "$work/$(basename "$program")" --gtest_color=no > "$work/log.txt" 2>&1 &
  runner=$!
  if wait_file "$ready" 60; then
    import -window root "$shots/scaling-$dpi-$screen.png"
    touch "$ready.taken"
  fi
  wait "$runner"; rc=$?
  wineserver -k 2>/dev/null
  sed -n 's/^\([0-9]* DPI, .*\)/  \1/p; /Failure\|cut\|FAILED/p' "$work/log.txt"
  exit "$rc"
fi

mkdir -p "$shots"
export TALLISK_SHOT
failures=0
for case in 96:1024x768 120:1366x768 144:1920x1080 192:2560x1440; do
  dpi=${case%%:*} screen=${case#*:}
  echo "== $dpi DPI on $screen"
  ready="$TALLISK_WINE_DIR/scaling-$dpi-files/ready"
  TALLISK_SHOT="Z:${ready//\//\\}"
  xvfb-run -a -s "-screen 0 ${screen}x24" bash "$0" --one "$dpi" "$screen" "$program" ||
    { echo "FAIL: $dpi DPI on $screen"; failures=$((failures + 1)); }
done
echo "screenshots: $shots"
exit "$failures"
