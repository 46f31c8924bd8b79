#!/usr/bin/env bash
# Installs every Debian package the project needs and builds the MinGW
# libraries that Debian does not ship for MinGW (libcrypto, libjpeg-turbo,
# GoogleTest) from Debian's own source packages into .deps/ (ignored).
# Idempotent: what is already there is reused.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/.deps"
mkdir -p "$deps"

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive

packages=(
  build-essential cmake ninja-build pkg-config
  mingw-w64 g++-mingw-w64-i686 libz-mingw-w64-dev
  zlib1g-dev libssl-dev googletest libgtest-dev
  clang libclang-rt-14-dev
  wine wine32:i386 wine64 xvfb x11-utils
  imagemagick libjpeg-turbo-progs xxd dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

need_update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
  need_update=1
fi
# Source entries, so that apt-get source finds openssl and libjpeg-turbo.
for f in /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] || continue
  if grep -q '^Types: deb$' "$f"; then
    "${sudo_cmd[@]}" sed -i 's/^Types: deb$/Types: deb deb-src/' "$f"
    need_update=1
  fi
done
if [ -f /etc/apt/sources.list ] && grep -q '^deb ' /etc/apt/sources.list &&
  ! grep -q '^deb-src ' /etc/apt/sources.list; then
  grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
    "${sudo_cmd[@]}" tee -a /etc/apt/sources.list >/dev/null
  need_update=1
fi

if [ ${#missing[@]} -gt 0 ] || [ ! -d "$deps/src/openssl" ] || [ ! -d "$deps/src/libjpeg-turbo" ]; then
  need_update=1
fi
if [ "$need_update" -eq 1 ]; then
  "${sudo_cmd[@]}" apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

jobs=$(nproc)
prefix="$deps/mingw32"
logs="$deps/logs"
mkdir -p "$deps/src" "$prefix" "$logs"

# Runs a build step with its output in a log, shown only when the step fails.
quietly() {
  local log="$logs/$1.log"
  shift
  if ! "$@" >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "setup-deps: $* failed; the whole log is $log" >&2
    exit 1
  fi
}

fetch_source() { # name suite -> unpacked folder in $deps/src/$name
  local name=$1 suite=$2
  if [ -d "$deps/src/$name" ]; then return; fi
  local tmp="$deps/src/.$name.tmp"
  rm -rf "$tmp" && mkdir -p "$tmp"
  (cd "$tmp" && apt-get source -qq --download-only "$name/$suite" &&
    dpkg-source -x --no-check ./*.dsc unpacked >/dev/null)
  mv "$tmp/unpacked" "$deps/src/$name"
  rm -rf "$tmp"
}

if [ ! -f "$prefix/lib/libcrypto.a" ]; then
  fetch_source openssl bookworm
  echo "Building libcrypto for MinGW (a few minutes)"
  (cd "$deps/src/openssl" &&
    quietly openssl-configure ./Configure mingw --cross-compile-prefix=i686-w64-mingw32- \
      no-shared no-tests no-asm --prefix="$prefix" --libdir=lib &&
    quietly openssl-make make -j"$jobs" build_generated libcrypto.a &&
    mkdir -p "$prefix/lib" "$prefix/include" &&
    cp libcrypto.a "$prefix/lib/" &&
    cp -r include/openssl "$prefix/include/")
fi

if [ ! -f "$prefix/lib/libjpeg.a" ]; then
  fetch_source libjpeg-turbo bookworm
  build="$deps/build/libjpeg-turbo"
  rm -rf "$build"
  echo "Building libjpeg-turbo for MinGW"
  quietly libjpeg-configure cmake -S "$deps/src/libjpeg-turbo" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw32.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DENABLE_SHARED=0 -DWITH_SIMD=0 \
    -DWITH_TURBOJPEG=0 -DCMAKE_INSTALL_PREFIX="$prefix"
  quietly libjpeg-build cmake --build "$build" --target jpeg-static
  cp "$build/libjpeg.a" "$prefix/lib/"
  cp "$build/jconfig.h" "$deps/src/libjpeg-turbo/jpeglib.h" \
    "$deps/src/libjpeg-turbo/jmorecfg.h" "$deps/src/libjpeg-turbo/jerror.h" "$prefix/include/"
fi

if [ ! -f "$prefix/lib/libgtest.a" ]; then
  build="$deps/build/googletest"
  rm -rf "$build"
  echo "Building GoogleTest for MinGW"
  quietly gtest-configure cmake -S /usr/src/googletest -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw32.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -Dgtest_disable_pthreads=ON
  quietly gtest-build cmake --build "$build"
  quietly gtest-install cmake --install "$build"
fi
echo "Dependencies ready in $deps"
