#!/usr/bin/env bash
# A file system with no room to spare, for the window test's failed page write:
#   full-disk.sh mount DIR    a 64 KiB tmpfs at DIR, or DIR/not-mounted saying why not
#   full-disk.sh unmount DIR
set -u
dir=$2
case $1 in
  mount)
    umount "$dir" 2>/dev/null
    rm -rf "$dir" && mkdir -p "$dir" || exit 1
    if ! why=$(mount -t tmpfs -o size=64k tmpfs "$dir" 2>&1); then
      echo "no tmpfs could be mounted here: ${why:-mount failed}" >"$dir/not-mounted"
      cat "$dir/not-mounted"
    fi
    ;;
  unmount)
    umount "$dir" 2>/dev/null
    rm -rf "$dir"
    ;;
esac
exit 0
