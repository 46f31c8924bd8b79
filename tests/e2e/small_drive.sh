#!/usr/bin/env bash
# A small drive for the install scenarios that need a nearly full disk: a tmpfs
# of 4 MiB mounted at DIR and seen as drive T: in the Wine prefix PREFIX.
#
#   small_drive.sh setup DIR PREFIX     mount DIR and map T: to it
#   small_drive.sh cleanup DIR PREFIX   remove the mapping and the mount
#
# WINEPREFIX, when set, takes the place of PREFIX, as it does for wine-run.sh.
# Mounting needs root; where it is not allowed, setup says why and exits 0
# without mapping T:, and the scenarios that need the drive skip themselves.
# ctest runs setup after scripts/test.sh has made the prefix afresh, so the
# mapping is never lost to a new prefix.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)

if [ $# -ne 3 ] || { [ "$1" != setup ] && [ "$1" != cleanup ]; }; then
  echo "usage: $0 setup|cleanup DIR PREFIX" >&2
  exit 2
fi
action=$1
dir=$2
prefix=${WINEPREFIX:-$3}
link="$prefix/dosdevices/t:"
size=8m

# Only our own mapping is touched: a T: of the prefix that points elsewhere
# stays as it is.
ours() { [ -L "$link" ] && [ "$(readlink "$link")" = "$dir" ]; }

cleanup() {
  if ours; then
    rm -f "$link"
  fi
  if mountpoint -q "$dir" 2>/dev/null; then
    umount "$dir" || echo "$0: could not unmount $dir" >&2
  fi
  if [ -d "$dir" ]; then
    rmdir "$dir" 2>/dev/null || true
  fi
}

if [ "$action" = cleanup ]; then
  cleanup
  exit 0
fi

if [ -e "$link" ] && ! ours; then
  echo "$0: $link exists and is not ours; drive T: is not mapped"
  exit 0
fi
# A mount left by an interrupted run is made anew, empty.
cleanup
if [ "$(id -u)" -ne 0 ]; then
  echo "$0: not root, so no tmpfs can be mounted; drive T: is not mapped"
  exit 0
fi
mkdir -p "$dir"
if ! output=$(mount -t tmpfs -o "size=$size" ckv-small-drive "$dir" 2>&1); then
  echo "$0: mounting a tmpfs at $dir failed ($output); drive T: is not mapped"
  rmdir "$dir" 2>/dev/null || true
  exit 0
fi
# The prefix is made on first use by wine-run.sh; the mapping needs it now.
if [ ! -d "$prefix/dosdevices" ]; then
  WINEPREFIX=$prefix "$root/scripts/wine-prefix.sh" || {
    echo "$0: no Wine prefix at $prefix; drive T: is not mapped"
    cleanup
    exit 0
  }
fi
ln -s "$dir" "$link"
echo "$0: drive T: is a $size tmpfs at $dir"
