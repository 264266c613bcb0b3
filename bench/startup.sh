#!/usr/bin/env bash
# Start-up time: from starting Tallisk.exe under Wine to its main window being
# shown, against a bare dialog program built the same way. Each run starts in a
# fresh copy of the test prefix with its wineserver already warm; the two
# programs take turns, and Tallisk's median must be at most 1.2 times the
# bare dialog's. Prints the figures and PASS or FAIL.
# $1: the build folder of `make build`; RUNS (default 7) sets the run count.
# It measures the 32-bit product, or the 64-bit build where this machine cannot
# run 32-bit programs; ARCH=32 or ARCH=64 chooses.
set -u
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s '-screen 0 1024x768x24' bash "$0" "$@"; fi
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
runs=${RUNS:-7}
. "$top/tools/wine-arch.sh"
if [ -n "${ARCH:-}" ]; then
  arch=$ARCH
elif tallisk_can_run_32bit; then
  arch=32
else
  arch=64
  echo "startup: $tallisk_no_32bit_reason; measuring the 64-bit build"
fi
tree=$(tallisk_windows_tree "$build" "$arch") || exit 1
cross=i686-w64-mingw32
[ "$arch" = 64 ] && cross=x86_64-w64-mingw32
export TALLISK_WINE_DIR=$tree/wine TALLISK_ARCH=$arch
. "$top/tests/wine/env.sh"
out=$build/bench$arch
mkdir -p "$out/tallisk" "$out/bare"

# The yardstick, with Tallisk.exe's compiler and flags for the same architecture.
flags="-Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables -static -s -mwindows"
$cross-windres "$top/bench/baredialog.rc" -O coff -o "$out/baredialog.res" &&
  $cross-g++-posix $flags -o "$out/bare/baredialog.exe" \
    "$top/bench/baredialog.cpp" "$out/baredialog.res" || { echo "startup: cannot build the bare dialog"; exit 1; }
cp "$tree/Tallisk.exe" "$tree/manual.htm" "$out/tallisk/" || exit 1

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# shown EXE: milliseconds from `wine EXE` to a visible window of that program.
shown() {
  local exe=$1 class t0 t1
  class="^$(basename "$exe" | sed 's/\./\\./g')\$"
  tallisk_new_prefix bench >/dev/null 2>&1
  wine cmd /c exit >/dev/null 2>&1            # wineserver, services and desktop up
  sleep 0.5                                  # and settled, as on a desktop in use
  t0=$(now_ms)
  ( cd "$(dirname "$exe")" && exec wine "$exe" >"$out/wine.log" 2>&1 ) &
  until [ -n "$(xdotool search --onlyvisible --class "$class" 2>/dev/null)" ]; do
    [ $(( $(now_ms) - t0 )) -gt 30000 ] && {
      echo "startup: no window from $exe; Wine said:" >&2; tail -5 "$out/wine.log" >&2
      wineserver -k; return 1; }
    sleep 0.02
  done
  t1=$(now_ms)
  wineserver -k >/dev/null 2>&1; wait
  echo $(( t1 - t0 ))
}

median() { tr ' ' '\n' | grep . | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

tallisk=() bare=()
for i in $(seq "$runs"); do
  t=$(shown "$out/tallisk/Tallisk.exe") || exit 1; tallisk+=("$t")
  b=$(shown "$out/bare/baredialog.exe") || exit 1; bare+=("$b")
done
mt=$(echo "${tallisk[*]}" | median) mb=$(echo "${bare[*]}" | median)
echo "start-up, $arch-bit, $runs runs each (ms): Tallisk.exe ${tallisk[*]}; bare dialog ${bare[*]}"
ratio=$(awk -v t="$mt" -v b="$mb" 'BEGIN { printf "%.2f", t / b }')
echo "start-up median, $arch-bit: Tallisk.exe $mt ms against the bare dialog $mb ms: ratio $ratio (goal at most 1.2)"
if awk -v r="$ratio" 'BEGIN { exit !(r <= 1.2) }'; then echo "start-up benchmark: PASS"; else echo "start-up benchmark: FAIL"; exit 1; fi
