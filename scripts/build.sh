#!/usr/bin/env bash
# Configures and builds the three trees: build/native (host compiler,
# sanitizers), build/win32 (MinGW-w64, i686: what ships) and build/win64
# (MinGW-w64, x86_64: the test twin for machines without 32-bit Wine). All
# three are always built, so that none of them can break unseen. Assumes
# scripts/setup-deps.sh has run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)

configure() { # tree [cmake option...]
  local tree=$1
  shift
  if [ ! -f "$tree/CMakeCache.txt" ]; then
    cmake -S . -B "$tree" "${generator[@]}" "$@" >/dev/null
  fi
}
configure build/native
configure build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw32.cmake
configure build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw64.cmake
for tree in build/native build/win32 build/win64; do
  echo "Building $tree"
  cmake --build "$tree"
done
