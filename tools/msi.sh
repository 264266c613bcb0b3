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

# The same sources give the same package. Its codes are derived from what
# they name: the product code from the version (one version, one product),
# the package code from the version and every byte packed, as name-based
# UUIDs under the upgrade code. wixl stamps the build time into the summary
# information and knows no SOURCE_DATE_EPOCH, so it runs with the clock set
# to that time; the files packed carry it already (dist.sh).
epoch=$(bash "$top/tools/source-date-epoch.sh")
upgrade=$(sed -n 's/.*UpgradeCode="\([0-9A-F-]*\)".*/\1/p' "$top/tools/Tallisk.wxs")
name_uuid() { python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' "$upgrade" "$1"; }
contents=$(cd "$src" && find . -type f | LC_ALL=C sort | xargs -d '\n' sha256sum | sha256sum | cut -c1-64)
product=$(name_uuid "Tallisk product $version")
package=$(name_uuid "Tallisk package $version $contents")
at_epoch() {
  if command -v faketime >/dev/null; then faketime -f "@$(date -u -d "@$epoch" '+%Y-%m-%d %H:%M:%S')" "$@"
  else "$@"; fi
}

# wixl refuses absolute source paths: it looks them up from the current folder.
cd "$top"
TZ=UTC at_epoch wixl -D Version="$version" -D Source="$(realpath --relative-to=. "$src")" -D Icon=ui/tallisk.ico \
     -D ProductCode="$product" -o "$out.tmp" tools/Tallisk.wxs

# wixl has no RemoveFile element for files the package does not install:
# conf, about.url and the kept texts (kept, and the damaged copies moved
# aside, named one by one: Wine's installer takes no wildcards here), which
# Tallisk writes next to itself, go on uninstall.
removals=()
for name in conf about.url kept kept.damaged kept.damaged{2..9}; do
  removals+=(-q "INSERT INTO RemoveFile (FileKey, Component_, FileName, DirProperty, InstallMode)
    VALUES ('Remove_${name//./_}', 'Program', '$name', 'LIBDIR', 2)")
done
# wixl draws the package code itself: msibuild sets it, with the summary's
# other texts as wixl wrote them.
TZ=UTC at_epoch msibuild "$out.tmp" "${removals[@]}"
TZ=UTC at_epoch msibuild "$out.tmp" -s "Tallisk $version" Tallisk "Intel;1033" "{$package}"
mv "$out.tmp" "$out"
