# shellcheck shell=bash disable=SC2034 # medium and tree are for the benchmark that sources this
# Sourced by the benchmarks that run Windows code under Wine, after `root`
# is set: chooses the Windows build this machine's Wine runs (tree), builds
# the native tool without sanitizers (build/bench; $medium) and the given
# Windows targets, and prepares a Wine prefix of the benchmarks' own, so that
# the tests' prefix is left alone.
#   . bench/wine-bench-env.sh WINDOWS_TARGET...
build="$root/build/bench"
CKV_WINE_ARCH=$("$root/scripts/windows-build.sh")
export CKV_WINE_ARCH
tree="$root/build/$CKV_WINE_ARCH"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCKV_SANITIZE=OFF >/dev/null
cmake --build "$build" --target medium bench_make_data >/dev/null
cmake --build "$tree" --target "$@" >/dev/null
medium="$build/tools/medium/medium"

export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix-bench-$CKV_WINE_ARCH}
. "$root/scripts/wine-env.sh"
"$root/scripts/wine-prefix.sh"
