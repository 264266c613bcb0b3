#!/usr/bin/env bash
# Runs one Windows test program under Wine in the build's shared unit prefix.
# Used as the cross-compiling emulator of the Windows test tree.
set -u
. "$(dirname "$0")/env.sh"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s '-screen 0 1024x768x24' "$0" "$@"
fi
export WINEPREFIX="$TALLISK_WINE_DIR/unit"
if [ ! -f "$WINEPREFIX/.ready" ]; then
  ( flock 9; [ -f "$WINEPREFIX/.ready" ] || tallisk_new_prefix unit ) 9>"$TALLISK_WINE_DIR/.unit.lock"
fi
wine "$@"
