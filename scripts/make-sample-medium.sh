#!/usr/bin/env bash
# Assembles the sample install medium from the built programs and samples/:
# the installer with its decoder DLLs, install.ini, the uninstaller's texts
# (uninstall.ini), the agreement text, the pictures, and the sample game
# packed by the medium tool (which also writes check.md and the [md5code]
# section of install.ini).
#
#   make-sample-medium.sh [OUT [TREE]]
#
# OUT defaults to build/sample-medium; TREE, the Windows build whose programs
# go on the medium, to build/win32 (what ships).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build/sample-medium}
tree=${2:-$root/build/win32}
case "$tree" in /*) ;; *) tree=$root/$tree ;; esac
bin=$tree/bin
rm -rf "$out"
mkdir -p "$out/background"
cp "$bin/install.exe" "$root/samples/install.ini" "$root/samples/uninstall.ini" \
  "$root/samples/CopyRight.txt" "$out/"
for dll in JPGI.dll ijl15.dll; do
  [ -f "$bin/$dll" ] && cp "$bin/$dll" "$out/"
done
cp "$tree/samples/pictures/background/"* "$out/background/"

# The sample game: its program and a few data folders, one of them empty.
game=$root/build/sample-game
rm -rf "$game"
mkdir -p "$game/Data/Maps" "$game/Data/Music" "$game/Saves"
cp "$bin/Varnholt.exe" "$game/"
cp "$root/samples/CopyRight.txt" "$game/Licence.txt"
for i in 1 2 3; do
  head -c $((200000 * i)) /dev/urandom >"$game/Data/Music/theme$i.ogg"
  seq 1 $((20000 * i)) | sed "s/^/tile row /" >"$game/Data/Maps/region$i.map"
done
"$root/build/native/tools/medium/medium" pack "$game" "$out" --disc-size 1M >/dev/null

echo "Sample medium in $out"
