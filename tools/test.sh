#!/usr/bin/env bash
# Runs the native tests, then the Windows tests under Wine in a private Xvfb,
# and ends with one summary line.
set -u
build=${1:-build}
top=$(cd "$(dirname "$0")/.." && pwd)
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

passed=0 failed=0
echo "== native tests"
ctest --test-dir "$build/native" --output-on-failure -j2 2>&1 | tee "$log"
count native
echo "== Windows tests under Wine"
xvfb-run -a -s '-screen 0 1024x768x24' \
  ctest --test-dir "$build/windows" --output-on-failure 2>&1 | tee "$log"
count windows
for p in "$build"/windows/wine/*/; do
  [ -f "$p/system.reg" ] && WINEPREFIX="$p" wineserver -k >/dev/null 2>&1
done
echo
echo "Total: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
