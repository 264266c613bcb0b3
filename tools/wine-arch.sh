# Which Wine runs Tallisk's Windows programs. Source it; it defines
#   tallisk_can_run_32bit: whether this machine can run 32-bit Windows programs
#     (status 0), or not (status 1, with the reason in $tallisk_no_32bit_reason).
#     This is the one place that decides; every script that runs Windows
#     programs asks it. TALLISK_NO_32BIT=1 makes it answer no anywhere.
#   tallisk_use_wine 32|64: makes `wine`, `wineboot`, `winepath` and
#     `wineserver` run programs of that architecture in prefixes of its kind.
#   tallisk_windows_tree BUILD 32|64: that architecture's Windows tree in the
#     build folder BUILD (the 32-bit one is the product).
TALLISK_TOOLS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
tallisk_no_32bit_reason=

tallisk_can_run_32bit() {
  if [ -n "${TALLISK_NO_32BIT:-}" ] && [ "$TALLISK_NO_32BIT" != 0 ]; then
    tallisk_no_32bit_reason="TALLISK_NO_32BIT is set"
    return 1
  fi
  if [ ! -x /usr/lib/wine/wine ]; then
    tallisk_no_32bit_reason="Wine's 32-bit loader is not installed"
    return 1
  fi
  # On machines without 32-bit execution the loader fails with "Exec format error".
  if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    tallisk_no_32bit_reason="this machine cannot run 32-bit programs"
    return 1
  fi
  return 0
}

tallisk_use_wine() {
  case $1 in
    32)
      export WINEARCH=win32
      ;;
    64)
      # /usr/bin/wine takes the 32-bit loader whenever it is installed, and
      # wineboot and winepath go through `wine-stable`: both names lead to wine64.
      export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64
      case ":$PATH:" in *":$TALLISK_TOOLS/wine64:"*) ;; *) export PATH="$TALLISK_TOOLS/wine64:$PATH" ;; esac
      ;;
    *)
      echo "tallisk_use_wine: no architecture $1" >&2
      return 1
      ;;
  esac
}

tallisk_windows_tree() {
  case $2 in
    32) echo "$1/windows" ;;
    64) echo "$1/windows64" ;;
    *) echo "tallisk_windows_tree: no architecture $2" >&2; return 1 ;;
  esac
}
