#!/usr/bin/env bash
# Builds the Windows Installer package of a laid-out Tallisk folder from
# tools/Tallisk.wxs with wixl.
# $1: the version (x.y.z); $2: the folder dist.sh laid out (Tallisk/);
# $3: the package to write.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
[ $# -eq 3 ] || { echo "usage: msi.sh VERSION FOLDER OUTPUT.msi" >&2; exit 2; }
version=$1
src=$(cd "$2" && pwd)
out=$(cd "$(dirname "$3")" && pwd)/$(basename "$3")
[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "msi: bad version '$version'" >&2; exit 1; }

# wixl refuses absolute source paths: it looks them up from the current folder.
cd "$top"
wixl -D Version="$version" -D Source="$(realpath --relative-to=. "$src")" -D Icon=ui/tallisk.ico \
     -o "$out.tmp" tools/Tallisk.wxs

# wixl has no RemoveFile element for files the package does not install:
# conf, about.url and the kept texts (kept, and the damaged copies moved
# aside, named one by one: Wine's installer takes no wildcards here), which
# Tallisk writes next to itself, go on uninstall.
removals=()
for name in conf about.url kept kept.damaged kept.damaged{2..9}; do
  removals+=(-q "INSERT INTO RemoveFile (FileKey, Component_, FileName, DirProperty, InstallMode)
    VALUES ('Remove_${name//./_}', 'Program', '$name', 'LIBDIR', 2)")
done
msibuild "$out.tmp" "${removals[@]}"
mv "$out.tmp" "$out"
