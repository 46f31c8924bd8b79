#!/usr/bin/env bash
# Assembles the sample install medium from the built programs and samples/:
# the installer with its decoder DLLs, install.ini, the agreement text and the
# pictures, and (once the medium tool can) the game's packages.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build/sample-medium}
bin=$root/build/win32/bin
rm -rf "$out"
mkdir -p "$out/background"
cp "$bin/install.exe" "$root/samples/install.ini" "$root/samples/CopyRight.txt" "$out/"
for dll in JPGI.dll ijl15.dll; do
  [ -f "$bin/$dll" ] && cp "$bin/$dll" "$out/"
done
cp "$root/build/win32/samples/pictures/background/"* "$out/background/"
echo "Sample medium in $out"
