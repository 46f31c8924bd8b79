#!/usr/bin/env bash
# Every test: installs what is missing, builds the three trees, then runs the
# native tests and the Windows tests (under Wine, in a fresh prefix, on a
# virtual display when there is no display). The Windows tests run on the
# i686 build under 32-bit Wine where this machine runs 32-bit programs, and on
# the x86_64 build under 64-bit Wine where it does not or CKV_FORCE_WIN64=1;
# the binary checks of what ships always run on the i686 build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup-deps.sh"
"$root/scripts/build.sh"
CKV_WINE_ARCH=$("$root/scripts/windows-build.sh")
export CKV_WINE_ARCH
# The native tests need neither Wine nor a display: they run beside the
# Windows tests, and their output follows the Windows tests' own.
native_log=$(mktemp)
trap 'rm -f "$native_log"' EXIT
ctest --test-dir build/native --output-on-failure >"$native_log" 2>&1 &
native=$!
"$root/scripts/wine-prefix.sh" --fresh
status=0
# shellcheck disable=SC2016 # expanded by the inner shell
"$root/scripts/with-display.sh" bash -c '
  status=0
  ctest --test-dir "build/$CKV_WINE_ARCH" --output-on-failure || status=1
  if [ "$CKV_WINE_ARCH" != win32 ]; then
    echo "Binary checks of the shipped i686 build:"
    ctest --test-dir build/win32 --output-on-failure -L binaries || status=1
  fi
  exit $status' || status=1
wait "$native" || status=1
echo "Native tests:"
cat "$native_log"
exit $status
