#!/usr/bin/env bash
# Prints the time a build and its release carry: SOURCE_DATE_EPOCH when set,
# else the last commit's time (0 outside a git checkout).
top=$(cd "$(dirname "$0")/.." && pwd)
echo "${SOURCE_DATE_EPOCH:-$(git -C "$top" log -1 --format=%ct 2>/dev/null || echo 0)}"
