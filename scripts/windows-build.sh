#!/usr/bin/env bash
# Decides which Windows build the Windows tests and the main job run:
#   win32  the i686 build (what ships) under 32-bit Wine, where this machine
#          runs 32-bit programs;
#   win64  the x86_64 build under 64-bit Wine, where it does not (the kernel
#          refuses them with "Exec format error"), or when CKV_FORCE_WIN64=1.
# Prints the choice on standard output and one line saying which and why on
# standard error. Exits non-zero, saying what failed, when the 32-bit loader
# fails in any other way.
set -euo pipefail
loader=/usr/lib/wine/wine

if [ "${CKV_FORCE_WIN64:-0}" != 0 ]; then
  echo "Windows build: x86_64 under 64-bit Wine (forced by CKV_FORCE_WIN64=$CKV_FORCE_WIN64)" >&2
  echo win64
  exit 0
fi
if [ ! -e "$loader" ]; then
  echo "$0: the 32-bit Wine loader $loader is missing; run scripts/setup-deps.sh" >&2
  exit 1
fi
if output=$("$loader" --version 2>&1); then
  echo "Windows build: i686 under 32-bit Wine (this machine runs 32-bit programs)" >&2
  echo win32
  exit 0
fi
if grep -q 'Exec format error' <<<"$output"; then
  echo "Windows build: x86_64 under 64-bit Wine (this machine runs no 32-bit programs: $loader gives \"Exec format error\")" >&2
  echo win64
  exit 0
fi
echo "$0: $loader --version failed: $output" >&2
echo "$0: reinstall Wine (scripts/setup-deps.sh), or set CKV_FORCE_WIN64=1 to test the x86_64 build" >&2
exit 1
