#!/usr/bin/env bash
# Drive D: for the uninstall scenarios: a scratch folder mapped as D: in the
# Wine prefix, marked by the file "ckv-scratch-drive" so that a scenario never
# takes another D: for it.
#
#   scratch_drive.sh setup DIR PREFIX     make DIR and map D: to it
#   scratch_drive.sh cleanup DIR PREFIX   remove the mapping and DIR
#
# WINEPREFIX, when set, takes the place of PREFIX. A D: that the prefix maps
# elsewhere stays as it is; the scenario then skips itself.
set -uo pipefail

if [ $# -ne 3 ] || { [ "$1" != setup ] && [ "$1" != cleanup ]; }; then
  echo "usage: $0 setup|cleanup DIR PREFIX" >&2
  exit 2
fi
dir=$2
prefix=${WINEPREFIX:-$3}
link="$prefix/dosdevices/d:"

ours() { [ -L "$link" ] && [ "$(readlink "$link")" = "$dir" ]; }

if [ "$1" = setup ]; then
  mkdir -p "$dir" && touch "$dir/ckv-scratch-drive" || exit 1
  if [ -e "$link" ] || [ -L "$link" ]; then
    ours || echo "$0: D: is taken in $prefix; the drive-root scenario will skip" >&2
    exit 0
  fi
  if [ ! -d "$prefix/dosdevices" ]; then
    echo "$0: no Wine prefix at $prefix" >&2
    exit 0
  fi
  ln -s "$dir" "$link"
else
  if ours; then
    rm -f "$link"
  fi
  rm -rf "$dir"
fi
