#!/usr/bin/env bash
# Runs the native tests, then the Windows tests under Wine in a private Xvfb:
# the 64-bit tree everywhere, the 32-bit tree where this machine can run it
# (elsewhere its Wine tests are reported as skipped). Ends with one summary line.
set -u
build=${1:-build}
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/tools/wine-arch.sh"
log=$(mktemp)
trap 'rm -f "$log"' EXIT

count() {  # count LABEL: adds the totals of ctest's summary in $log
  local line p f
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  if [ -z "$line" ]; then echo "$1: no test summary"; failed=$((failed + 1)); return; fi
  f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  p=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
  passed=$((passed + p - f)); failed=$((failed + f))
}

# windows TREE LABEL [CTEST ARGS]: one Windows tree's tests, then its prefixes' servers stopped.
windows() {
  local tree=$1 label=$2 p
  shift 2
  echo "== $label Windows tests under Wine"
  xvfb-run -a -s '-screen 0 1024x768x24' \
    ctest --test-dir "$tree" --output-on-failure "$@" 2>&1 | tee "$log"
  count "$label"
  for p in "$tree"/wine/*/; do
    [ -f "$p/system.reg" ] && WINEPREFIX="$p" wineserver -k >/dev/null 2>&1
  done
}

win32=$(tallisk_windows_tree "$build" 32) win64=$(tallisk_windows_tree "$build" 64)
passed=0 failed=0 skipped=0
echo "== native tests"
ctest --test-dir "$build/native" --output-on-failure -j2 2>&1 | tee "$log"
count native

if tallisk_can_run_32bit; then
  windows "$win32" 32-bit
  ran="32-bit and 64-bit"
else
  # What needs no Wine (sizes and imports of what ships) still runs.
  windows "$win32" 32-bit -LE '^wine$'
  echo "== 32-bit Windows tests skipped: $tallisk_no_32bit_reason"
  while read -r name; do
    echo "skipped: $name (32-bit; $tallisk_no_32bit_reason)"
    skipped=$((skipped + 1))
  done < <(ctest --test-dir "$win32" -N -L '^wine$' | sed -n 's/^ *Test *#[0-9]*: //p')
  ran="64-bit only ($tallisk_no_32bit_reason)"
fi
windows "$win64" 64-bit

echo
echo "Windows tests: $ran"
echo "Total: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
