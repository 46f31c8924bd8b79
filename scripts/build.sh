#!/usr/bin/env bash
# Configures and builds the trees: build/native (host compiler, sanitizers),
# build/win32 (MinGW-w64, i686: what ships) and build/win64 (MinGW-w64,
# x86_64: the test twin for machines without 32-bit Wine). Assumes
# scripts/setup-deps.sh has run.
#
#   build.sh                     all three trees, everything in them, so that
#                                none of them can break unseen (the test command)
#   build.sh --main win32|win64  only what the main job runs: the native medium
#                                tool and, in the one Windows tree, the shipped
#                                programs, the sample game and the journey's driver
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
# Compiles go through ccache where it is installed: a fresh checkout then
# builds its three trees from the machine's cache in minutes. Paths below the
# checkout are hashed relative to it, so checkouts in other folders share it.
launcher=()
if command -v ccache >/dev/null 2>&1; then
  ccache="env;CCACHE_BASEDIR=$root;CCACHE_NOHASHDIR=1;ccache"
  launcher=("-DCMAKE_C_COMPILER_LAUNCHER=$ccache" "-DCMAKE_CXX_COMPILER_LAUNCHER=$ccache")
fi

configure() { # tree [cmake option...]
  local tree=$1
  shift
  if [ ! -f "$tree/CMakeCache.txt" ]; then
    cmake -S . -B "$tree" "${generator[@]}" "${launcher[@]}" "$@" >/dev/null
  fi
}
toolchain() { # win32|win64
  case "$1" in
    win32) echo -DCMAKE_TOOLCHAIN_FILE=cmake/mingw32.cmake ;;
    win64) echo -DCMAKE_TOOLCHAIN_FILE=cmake/mingw64.cmake ;;
    *)
      echo "$0: no Windows build named '$1' (win32 or win64)" >&2
      exit 2
      ;;
  esac
}

case "${1:-}" in
  "")
    configure build/native
    for arch in win32 win64; do configure "build/$arch" "$(toolchain "$arch")"; done
    for tree in build/native build/win32 build/win64; do
      echo "Building $tree"
      cmake --build "$tree"
    done
    ;;
  --main)
    arch=${2:-}
    option=$(toolchain "$arch")
    configure build/native
    configure "build/$arch" "$option"
    echo "Building the medium tool in build/native"
    cmake --build build/native --target medium
    echo "Building the programs and the journey in build/$arch"
    cmake --build "build/$arch" --target installer uninstall JPGI ijl15 varnholt sample_pictures journey
    ;;
  *)
    echo "usage: $0 [--main win32|win64]" >&2
    exit 2
    ;;
esac
