#!/usr/bin/env bash
# What ships stays small and stands alone: the launcher at most 16 KiB, Tallisk.exe
# at most 64 KiB, both 32-bit GUI programs importing only system DLLs.
# $1: the Windows build tree.
set -u
tree=${1:?usage: footprint.sh WINDOWS_BUILD_DIR}
system='^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|msvcrt)\.dll$'
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

check() {  # check FILE MAXBYTES
  local f=$tree/$1 size headers dll
  [ -f "$f" ] || { fail "$1 is missing"; return; }
  size=$(stat -c %s "$f")
  echo "$1: $size bytes, imports: $(i686-w64-mingw32-objdump -p "$f" |
    sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')"
  [ "$size" -le "$2" ] || fail "$1 is $size bytes, more than $2"
  i686-w64-mingw32-objdump -f "$f" | grep -q 'file format pei-i386' || fail "$1 is not PE32 i386"
  headers=$(i686-w64-mingw32-objdump -p "$f")
  grep -q '^Magic\s*010b' <<<"$headers" || fail "$1 is not PE32"
  grep -q '^Subsystem\s*00000002' <<<"$headers" || fail "$1 is not a GUI program"
  while read -r dll; do
    grep -qiE "$system" <<<"$dll" || fail "$1 imports $dll"
  done < <(sed -n 's/^\s*DLL Name: //p' <<<"$headers")
}

# manifest FILE [TEXT...] [-- ABSENT...]: resource 1 of type 24 is there, and
# the file holds every TEXT (the manifest is stored as it stands) and no ABSENT.
manifest() {
  local f=$tree/$1 name=$1 want=1 t
  shift
  i686-w64-mingw32-objdump -p "$f" | grep -A2 'Entry: ID: 0x000018' | grep -q 'Entry: ID: 0x000001,' ||
    fail "$name has no manifest as resource 1 of type 24"
  for t; do
    [ "$t" = -- ] && { want=0; continue; }
    if grep -qaF -- "$t" "$f"; then [ $want = 1 ] || fail "$name's manifest has $t"
    else [ $want = 0 ] || fail "$name's manifest lacks $t"; fi
  done
}
windows7='{35138b9a-5d96-4fbd-8e2d-a2440225f93a}' windows10='{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'
# A UTF-8 code page would change the bytes a page holds for text above 127.
manifest Tallisk.exe 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' '>true</dpiAware>' \
  'level="asInvoker"' "$windows7" "$windows10" -- activeCodePage dpiAwareness PerMonitor
manifest StartTallisk.exe 'level="asInvoker"' "$windows7" "$windows10" -- dpiAware Common-Controls

check StartTallisk.exe 16384
check Tallisk.exe 65536
# The start data goes back to the system run-time's heap it came from.
i686-w64-mingw32-objdump -p "$tree/StartTallisk.exe" |
  awk '/DLL Name:/ { dll = tolower($3) } dll == "msvcrt.dll" && $3 == "free" { found = 1 } END { exit !found }' ||
  fail "StartTallisk.exe does not import free from msvcrt.dll"
exit "$failures"
