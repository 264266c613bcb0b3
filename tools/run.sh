#!/usr/bin/env bash
# make run: starts Tallisk.exe under Wine on the user's display. Without a
# display it runs in a private Xvfb, saves a screenshot a few seconds after the
# window appears, prints its path and stops the program again.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
app=$build/windows
[ -f "$app/Tallisk.exe" ] || { echo "run: $app/Tallisk.exe is missing; run 'make build' first" >&2; exit 1; }

export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if mkdir -p "$HOME/.local/share/tallisk" 2>/dev/null && [ -w "$HOME/.local/share/tallisk" ]; then
  export WINEPREFIX=$HOME/.local/share/tallisk/wine
else
  export WINEPREFIX=$build/run-prefix
fi

# A fresh prefix has no handler for .htm, so the shell could not open a
# calculator page or the manual; "htmlfile" hands them to winebrowser, which
# starts the desktop's browser.
if [ ! -f "$WINEPREFIX/.tallisk-ready" ]; then
  echo "run: preparing the Wine prefix $WINEPREFIX (once)"
  wineboot -i >/dev/null 2>&1
  wine reg add 'HKCR\.htm' /ve /d htmlfile /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.tallisk-ready"
fi

cd "$app"
if [ -n "${DISPLAY:-}" ]; then
  exec wine Tallisk.exe
fi

shot=$build/run-screenshot.png
rm -f "$shot"
# The Wine desktop window gives the program a frame and caption without a
# window manager.
xvfb-run -a -s '-screen 0 1024x768x24' bash -c '
  wine explorer /desktop=Tallisk,1024x768 Tallisk.exe >/dev/null 2>&1 &
  for i in $(seq 300); do
    xdotool search --onlyvisible --name "^Tallisk 1\.0 - " >/dev/null 2>&1 && break
    sleep 0.1
  done
  sleep 3
  import -window root "$1"
  wineserver -k' _ "$shot"
if [ -f "$shot" ]; then
  echo "run: no display; Tallisk ran in Xvfb and was stopped again. Screenshot: $shot"
else
  echo "run: no display, and no screenshot could be taken" >&2
  exit 1
fi
