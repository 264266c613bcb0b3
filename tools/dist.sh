#!/usr/bin/env bash
# Lays out the folder a user installs, Tallisk/ (the launcher, and lib/ with
# Tallisk.exe, velmora.dll and the manual), and a zip and a Windows Installer
# package of it named with the version.
# $1: the Windows tree of `make build` (default build/windows, the product);
# $2: where to put both (default: dist/).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
win=${1:-build/windows}
out=${2:-$top/dist}
version=$(sed -n 's/^project(Tallisk VERSION \([0-9.]*\).*/\1/p' "$top/CMakeLists.txt")
[ -n "$version" ] || { echo "dist: no project version in CMakeLists.txt" >&2; exit 1; }
for f in StartTallisk.exe Tallisk.exe velmora.dll manual.htm; do
  [ -f "$win/$f" ] || { echo "dist: $win/$f is missing (run make build)" >&2; exit 1; }
done
rm -rf "$out/Tallisk" "$out/Tallisk-$version.zip" "$out/Tallisk-$version.msi"
mkdir -p "$out/Tallisk/lib"
cp "$win/StartTallisk.exe" "$out/Tallisk/"
cp "$win/Tallisk.exe" "$win/velmora.dll" "$win/manual.htm" "$out/Tallisk/lib/"
( cd "$out" && zip -qrX "Tallisk-$version.zip" Tallisk )
bash "$top/tools/msi.sh" "$version" "$out/Tallisk" "$out/Tallisk-$version.msi"
echo "dist: $out/Tallisk/, $out/Tallisk-$version.zip and $out/Tallisk-$version.msi"
