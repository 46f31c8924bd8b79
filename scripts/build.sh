#!/usr/bin/env bash
# Configures and builds both trees: build/native (host compiler, sanitizers)
# and build/win32 (MinGW-w64, i686). Assumes scripts/setup-deps.sh has run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
if [ ! -f build/native/CMakeCache.txt ]; then
  cmake -S . -B build/native "${generator[@]}" >/dev/null
fi
if [ ! -f build/win32/CMakeCache.txt ]; then
  cmake -S . -B build/win32 "${generator[@]}" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw32.cmake >/dev/null
fi
cmake --build build/native
cmake --build build/win32
