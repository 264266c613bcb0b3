#!/usr/bin/env bash
# The same sources give the same release: the shipped programs built from two
# copies of the tree, in folders of different lengths, at different times and
# in different time zones, and `make dist` of each, give the same bytes in
# every file, and SHA256SUMS checks.
set -u
: "${TALLISK_SOURCE:?}" "${TALLISK_BUILD:?}"
work=$TALLISK_BUILD/reproduce
rm -rf "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
epoch=$(bash "$TALLISK_SOURCE/tools/source-date-epoch.sh")

# build FOLDER ZONE: a copy of the sources as they stand, its shipped
# programs built and laid out into FOLDER/dist.
build() {
  local d=$1
  mkdir -p "$d"
  if git -C "$TALLISK_SOURCE" rev-parse --git-dir >/dev/null 2>&1; then
    (cd "$TALLISK_SOURCE" && git ls-files -z --cached --others --exclude-standard |
      xargs -0 cp --parents -t "$d" 2>/dev/null)
  else
    (cd "$TALLISK_SOURCE" && tar --exclude=./build --exclude=./dist -cf - .) | tar -xf - -C "$d"
  fi
  (
    cd "$d" && export TZ=$2 SOURCE_DATE_EPOCH=$epoch &&
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$d/cmake/mingw32.cmake" >log.txt 2>&1 &&
    cmake --build build --target StartTallisk Tallisk velmora >>log.txt 2>&1 &&
    bash tools/dist.sh build dist >>log.txt 2>&1
  ) || { fail "the build in $d failed:"; tail -20 "$d/log.txt"; }
}

build "$work/a" UTC
sleep 1  # a link a second later would carry another time if it took the clock's
build "$work/a-folder-with-a-much-longer-name/b" Pacific/Kiritimati
one=$work/a/dist two=$work/a-folder-with-a-much-longer-name/b/dist
files=$(cd "$one" 2>/dev/null && find . -type f | LC_ALL=C sort)
[ "$files" = "$(cd "$two" 2>/dev/null && find . -type f | LC_ALL=C sort)" ] || fail "the two dist folders hold different files"
for f in $files; do
  if cmp -s "$one/$f" "$two/$f"; then echo "same: ${f#./} ($(stat -c %s "$one/$f") bytes)"
  else fail "${f#./} differs in $(cmp -l "$one/$f" "$two/$f" | wc -l) bytes"; fi
done
(cd "$one" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not check"
[ "$(wc -l <"$one/SHA256SUMS")" = 5 ] || fail "SHA256SUMS lists $(wc -l <"$one/SHA256SUMS") files, not 5"
[ "$failures" -eq 0 ] && echo "reproduce: the same bytes from both folders"
exit "$failures"
