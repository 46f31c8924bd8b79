#!/usr/bin/env bash
# Decides which Windows build the Windows tests and the main job run:
#   win32  the i686 build (what ships) under 32-bit Wine, where this machine
#          has 32-bit Wine and runs 32-bit programs;
#   win64  the x86_64 build under 64-bit Wine where it does not (32-bit Wine
#          could not be installed, or the kernel refuses 32-bit programs with
#          "Exec format error"), or when CKV_FORCE_WIN64=1.
# Prints the choice on standard output and one line saying which and why on
# standard error. Fails only when the x86_64 build is chosen and 64-bit Wine is
# missing too.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
deps=${CKV_DEPS_DIR:-$root/.deps}
logs="$deps/logs"
# shellcheck source=scripts/setup-steps.sh
. "$root/scripts/setup-steps.sh"
wine64_loader=${CKV_WINE64_LOADER:-/usr/lib/wine/wine64}

if [ "${CKV_FORCE_WIN64:-0}" != 0 ]; then
  reason="forced by CKV_FORCE_WIN64=$CKV_FORCE_WIN64"
elif reason=$(wine32_unusable); then
  :
else
  echo "Windows build: i686 under 32-bit Wine (this machine runs 32-bit programs)" >&2
  echo win32
  exit 0
fi
if [ ! -e "$wine64_loader" ]; then
  echo "$0: the x86_64 build needs 64-bit Wine, and $wine64_loader is missing; run scripts/setup-deps.sh" >&2
  exit 1
fi
echo "Windows build: x86_64 under 64-bit Wine ($reason)" >&2
echo win64
