#!/usr/bin/env bash
# Lays out the folder a user installs, Tallisk/ (the launcher, and lib/ with
# Tallisk.exe, velmora.dll and the manual), a zip and a Windows Installer
# package of it named with the version, and SHA256SUMS of what ships; the
# programs and the package are signed when a certificate is given.
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
rm -rf "$out/Tallisk" "$out/Tallisk-$version.zip" "$out/Tallisk-$version.msi" "$out/SHA256SUMS"
mkdir -p "$out/Tallisk/lib"
cp "$win/StartTallisk.exe" "$out/Tallisk/"
cp "$win/Tallisk.exe" "$win/velmora.dll" "$win/manual.htm" "$out/Tallisk/lib/"
export SOURCE_DATE_EPOCH=$(bash "$top/tools/source-date-epoch.sh")

# Signing, when a certificate is given: TALLISK_SIGN_PFX (a PKCS#12 file) and
# TALLISK_SIGN_PASSWORD, and TALLISK_SIGN_TIMESTAMP for an RFC 3161 server.
# The signing time is SOURCE_DATE_EPOCH, so without a server the same
# certificate signs the same bytes again.
passfile=
trap '[ -z "$passfile" ] || rm -f "$passfile"' EXIT
sign() {  # sign FILE: in place
  osslsigncode sign -pkcs12 "$TALLISK_SIGN_PFX" -readpass "$passfile" -h sha256 -n Tallisk \
    -time "$SOURCE_DATE_EPOCH" ${TALLISK_SIGN_TIMESTAMP:+-ts "$TALLISK_SIGN_TIMESTAMP"} \
    -in "$1" -out "$1.signed" >/dev/null || { rm -f "$1.signed"; echo "dist: signing $1 failed" >&2; exit 1; }
  mv "$1.signed" "$1"
}
if [ -n "${TALLISK_SIGN_PFX:-}" ]; then
  [ -f "$TALLISK_SIGN_PFX" ] || { echo "dist: no certificate at $TALLISK_SIGN_PFX" >&2; exit 1; }
  command -v osslsigncode >/dev/null || { echo "dist: osslsigncode is missing (run make setup)" >&2; exit 1; }
  passfile=$(mktemp)
  printf '%s' "${TALLISK_SIGN_PASSWORD:-}" >"$passfile"
  for f in "$out/Tallisk/StartTallisk.exe" "$out/Tallisk/lib/Tallisk.exe" "$out/Tallisk/lib/velmora.dll"; do sign "$f"; done
  signed="signed with $(basename "$TALLISK_SIGN_PFX")"
else
  signed="not signed: no certificate given (TALLISK_SIGN_PFX)"
fi
# The same bytes for the same sources, in any folder and at any time: every
# file and folder dated SOURCE_DATE_EPOCH (the last commit's time unless
# set), fixed modes, and the zip's entries in a fixed order with no extra
# fields, its times read in UTC.
find "$out/Tallisk" -type d -exec chmod 755 {} + -o -type f -exec chmod 644 {} +
find "$out/Tallisk" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
( cd "$out" && find Tallisk | LC_ALL=C sort | TZ=UTC zip -qX -@ "Tallisk-$version.zip" )
bash "$top/tools/msi.sh" "$version" "$out/Tallisk" "$out/Tallisk-$version.msi"
[ -z "${TALLISK_SIGN_PFX:-}" ] || sign "$out/Tallisk-$version.msi"
( cd "$out" && sha256sum "Tallisk-$version.zip" "Tallisk-$version.msi" Tallisk/StartTallisk.exe \
    Tallisk/lib/Tallisk.exe Tallisk/lib/velmora.dll >SHA256SUMS )
echo "dist: $out/Tallisk/, $out/Tallisk-$version.zip, $out/Tallisk-$version.msi and $out/SHA256SUMS"
echo "dist: $signed"
