#!/usr/bin/env bash
# make run: starts Tallisk.exe under Wine on the user's display. Without a
# display it runs in a private Xvfb, saves a screenshot a few seconds after the
# window appears, prints its path and stops the program again. On a machine
# that cannot run 32-bit programs it starts the 64-bit build instead.
# Whatever stops it is said in one line.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd) || { echo "run: no build folder ${1:-build}; run 'make build' first" >&2; exit 1; }
. "$top/tools/wine-arch.sh"
die() { echo "run: $*" >&2; exit 1; }

arch=32
if ! tallisk_can_run_32bit; then
  arch=64
  echo "run: $tallisk_no_32bit_reason; starting the 64-bit build"
fi
app=$(tallisk_windows_tree "$build" $arch)
[ -f "$app/Tallisk.exe" ] || die "$app/Tallisk.exe is missing; run 'make build' first"
tallisk_use_wine "$arch" || die "no Wine for $arch-bit programs"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
prefix=wine
[ "$arch" = 64 ] && prefix=wine64
if mkdir -p "$HOME/.local/share/tallisk" 2>/dev/null && [ -w "$HOME/.local/share/tallisk" ]; then
  export WINEPREFIX=$HOME/.local/share/tallisk/$prefix
else
  export WINEPREFIX=$build/run-$prefix
fi

# A fresh prefix has no handler for .htm, so the shell could not open a
# calculator page or the manual; "htmlfile" hands them to winebrowser, which
# starts the desktop's browser.
if [ ! -f "$WINEPREFIX/.tallisk-ready" ]; then
  echo "run: preparing the Wine prefix $WINEPREFIX (once)"
  out=$(wineboot -i 2>&1) || die "Wine could not prepare $WINEPREFIX: $(tail -1 <<<"$out")"
  wine reg add 'HKCR\.htm' /ve /d htmlfile /f >/dev/null 2>&1 || die "Wine could not register .htm in $WINEPREFIX"
  wineserver -w
  touch "$WINEPREFIX/.tallisk-ready"
fi

cd "$app" || die "cannot enter $app"
if [ -n "${DISPLAY:-}" ]; then
  wine Tallisk.exe
  rc=$?
  # Tallisk itself ends with 0, or 1 and 2 after saying why its window could not be made.
  [ "$rc" -le 2 ] || die "Wine could not run Tallisk.exe (exit code $rc)"
  exit "$rc"
fi

command -v xvfb-run >/dev/null || die "no display, and xvfb-run is not installed (run 'make setup')"
shot=$build/run-screenshot.png
rm -f "$shot" "$build/run-wine.log"
# The Wine desktop window gives the program a frame and caption without a
# window manager.
xvfb-run -a -s '-screen 0 1024x768x24' bash -c '
  wine explorer /desktop=Tallisk,1024x768 Tallisk.exe >"$2" 2>&1 &
  for i in $(seq 300); do
    xdotool search --onlyvisible --name "^Tallisk 1\.0 - " >/dev/null 2>&1 && break
    sleep 0.1
  done
  [ "$i" -lt 300 ] && { sleep 3; import -window root "$1"; }
  wineserver -k' _ "$shot" "$build/run-wine.log"
[ -f "$shot" ] || die "no display, and Tallisk's window did not appear in Xvfb within 30 s; Wine said: $(tail -1 "$build/run-wine.log" 2>/dev/null)"
echo "run: no display; Tallisk ran in Xvfb and was stopped again. Screenshot: $shot"
