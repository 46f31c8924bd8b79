#!/usr/bin/env bash
# Installs every Debian package the project needs and builds the MinGW
# libraries that Debian does not ship for MinGW (libcrypto, libjpeg-turbo,
# libdeflate, GoogleTest) from Debian's own source packages into .deps/
# (ignored).
#
#   setup-deps.sh          everything the test command needs: the libraries
#                          for both Windows builds
#   setup-deps.sh --main   what the main job needs: the libraries for the one
#                          Windows build it runs (see windows-build.sh)
#
# Idempotent: what is already there is reused. A package mirror caught
# mid-sync or a machine without 32-bit Wine does not stop it (each says so in
# one line); any other failure ends it with one line naming the step and what
# to do. Every step's whole output stays in .deps/logs.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/.deps"
logs="$deps/logs"
mkdir -p "$deps/src" "$deps/build" "$logs"

only_main=0
case "${1:-}" in
  "") ;;
  --main) only_main=1 ;;
  *)
    echo "usage: $0 [--main]" >&2
    exit 2
    ;;
esac

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
. "$root/scripts/setup-steps.sh"

packages=(
  build-essential cmake ninja-build pkg-config python3
  mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 libz-mingw-w64-dev
  zlib1g-dev libdeflate-dev libssl-dev googletest libgtest-dev
  clang libclang-rt-14-dev
  wine wine64 xvfb x11-utils
  imagemagick libjpeg-turbo-progs xxd dpkg-dev shellcheck ccache
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
# Source entries, so that apt-get source finds the libraries built below.
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

for name in openssl libjpeg-turbo libdeflate; do
  if [ ! -f "$deps/src/$name/.fetched" ]; then need_update=1; fi
done
if [ ${#missing[@]} -gt 0 ]; then need_update=1; fi
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
  need_update=1
fi
if [ "$need_update" -eq 1 ]; then
  update_package_lists
fi
if [ ${#missing[@]} -gt 0 ]; then
  install_packages "${missing[@]}"
fi
install_wine32

jobs=$(nproc)

# Runs a build step with its output in a log, shown only when the step fails.
quietly() {
  local log="$logs/$1.log"
  shift
  if ! "$@" >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    fail_step "building: $*" "see the end of the log above; run the command again once that is mended" "$log"
  fi
}

# Downloads a Debian source package once, into $deps/src/NAME.
fetch_source() { # name suite
  local name=$1 suite=$2
  if [ -f "$deps/src/$name/.fetched" ]; then return; fi
  local log="$logs/source-$name.log"
  rm -rf "$deps/src/$name" && mkdir -p "$deps/src/$name"
  if ! (cd "$deps/src/$name" && apt-get source -qq --download-only "$name/$suite") >"$log" 2>&1; then
    fail_step "fetching the source package $name/$suite" "apt-get said \"$(apt_error "$log")\"; check the deb-src entries in /etc/apt and the mirror, then run the command again" "$log"
  fi
  touch "$deps/src/$name/.fetched"
}

# Fetches a source package once and unpacks it into a fresh folder of its own.
unpack_source() { # name folder
  fetch_source "$1" bookworm
  rm -rf "$2"
  (cd "$deps/src/$1" && dpkg-source -x --no-check ./*.dsc "$2" >/dev/null)
}

# Builds the four libraries for one MinGW target into its own prefix.
# The C++ library is rebuilt when the toolchain's C++ compiler changes, since
# the thread model is part of its ABI.
build_target() { # arch openssl-target toolchain-file prefix
  local arch=$1 openssl_target=$2 toolchain=$3 prefix=$4
  mkdir -p "$prefix/lib" "$prefix/include"

  if [ ! -f "$prefix/lib/libcrypto.a" ]; then
    echo "Building libcrypto for MinGW $arch (a few minutes)"
    local src="$deps/build/openssl-$arch"
    unpack_source openssl "$src"
    (cd "$src" &&
      quietly "openssl-configure-$arch" ./Configure "$openssl_target" \
        --cross-compile-prefix="$arch-w64-mingw32-" \
        no-shared no-tests no-asm --prefix="$prefix" --libdir=lib &&
      quietly "openssl-make-$arch" make -j"$jobs" build_generated libcrypto.a &&
      cp libcrypto.a "$prefix/lib/" &&
      cp -r include/openssl "$prefix/include/")
    rm -rf "$src"
  fi

  if [ ! -f "$prefix/lib/libjpeg.a" ]; then
    echo "Building libjpeg-turbo for MinGW $arch"
    local src="$deps/build/libjpeg-turbo-src"
    unpack_source libjpeg-turbo "$src"
    local build="$deps/build/libjpeg-turbo-$arch"
    rm -rf "$build"
    quietly "libjpeg-configure-$arch" cmake -S "$src" -B "$build" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      -DCMAKE_BUILD_TYPE=Release -DENABLE_SHARED=0 -DWITH_SIMD=0 \
      -DWITH_TURBOJPEG=0 -DCMAKE_INSTALL_PREFIX="$prefix"
    quietly "libjpeg-build-$arch" cmake --build "$build" --target jpeg-static
    cp "$build/libjpeg.a" "$prefix/lib/"
    cp "$build/jconfig.h" "$src/jpeglib.h" "$src/jmorecfg.h" "$src/jerror.h" "$prefix/include/"
    rm -rf "$build" "$src"
  fi

  if [ ! -f "$prefix/lib/libdeflate.a" ]; then
    echo "Building libdeflate for MinGW $arch"
    local src="$deps/build/libdeflate-$arch"
    unpack_source libdeflate "$src"
    # For MinGW its Makefile names the static library libdeflatestatic.lib;
    # it is an ordinary archive.
    (cd "$src" &&
      quietly "libdeflate-build-$arch" make -j"$jobs" CC="$arch-w64-mingw32-gcc" \
        DISABLE_SHARED=1 libdeflatestatic.lib &&
      cp libdeflatestatic.lib "$prefix/lib/libdeflate.a" &&
      cp libdeflate.h "$prefix/include/")
    rm -rf "$src"
  fi

  local compiler
  compiler=$(sed -n 's/^set(CMAKE_CXX_COMPILER \(.*\))$/\1/p' "$toolchain")
  if [ ! -f "$prefix/lib/libgtest.a" ] || [ "$(cat "$prefix/.gtest-compiler" 2>/dev/null)" != "$compiler" ]; then
    local build="$deps/build/googletest-$arch"
    rm -rf "$build"
    echo "Building GoogleTest for MinGW $arch"
    quietly "gtest-configure-$arch" cmake -S /usr/src/googletest -B "$build" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
      -Dgtest_disable_pthreads=ON
    quietly "gtest-build-$arch" cmake --build "$build"
    quietly "gtest-install-$arch" cmake --install "$build"
    echo "$compiler" >"$prefix/.gtest-compiler"
    rm -rf "$build"
  fi
}

# i686 is what ships; x86_64 is its test twin for machines without 32-bit
# Wine. The main job needs only the one it runs.
build=both
if [ "$only_main" -eq 1 ]; then build=$("$root/scripts/windows-build.sh" 2>/dev/null); fi
if [ "$build" != win64 ]; then
  build_target i686 mingw "$root/cmake/mingw32.cmake" "$deps/mingw32"
fi
if [ "$build" != win32 ]; then
  build_target x86_64 mingw64 "$root/cmake/mingw64.cmake" "$deps/mingw64"
fi
echo "Dependencies ready in $deps"
