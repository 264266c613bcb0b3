#!/usr/bin/env bash
# Installs everything Tallisk needs to build and test, once. A second run only checks.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

for p in cmake ninja-build make g++ clang libclang-rt-14-dev googletest libgtest-dev \
         g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 \
         wine wine32:i386 wine64 wixl msitools xvfb xauth xdotool x11-utils x11-xserver-utils imagemagick chromium zip unzip python3 python3-hypothesis faketime osslsigncode openssl; do
  have "$p" || need+=("$p")
done
[ ${#need[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
else
  SUDO=
fi
echo "setup: installing ${need[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
# A mirror in the middle of a sync fails one index now and then; the install
# below still works from the lists that did come, and fails itself if not.
for try in 1 2 3; do
  $SUDO apt-get update -qq && break
  echo "setup: apt-get update failed (try $try of 3)"
  sleep 10
done
install() { $SUDO apt-get install -y -qq --no-install-recommends "$@" >/dev/null; }
install "${need[@]}" && exit 0
# With the i386 lists stale (the failed index above), the i386 packages cannot
# be matched to the rest; without them the 32-bit Windows tests are skipped.
native=()
for p in "${need[@]}"; do
  [[ $p == *:i386 ]] || native+=("$p")
done
[ ${#native[@]} -lt ${#need[@]} ] || exit 1
echo "setup: the i386 packages could not be installed; installing the rest without them"
install "${native[@]}"
