#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's test prefix, creating the
# prefix on first use:
#
#   wine-run.sh [--win32|--win64] program.exe [argument...]
#
# --win32 (32-bit Wine, the i686 build) and --win64 (64-bit Wine, the x86_64
# build) choose the platform, as CKV_WINE_ARCH does (see wine-env.sh). Used as
# CMake's cross-compiling emulator, so ctest runs Windows tests here; each
# Windows tree passes its own platform.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
case "${1:-}" in
  --win32 | --win64)
    export CKV_WINE_ARCH=${1#--}
    shift
    ;;
esac
. "$root/scripts/wine-env.sh"
"$root/scripts/wine-prefix.sh"

# The first program of a Wine session starts the session's helpers
# (wineserver, services.exe, explorer.exe, ...), which inherit its output and
# live until the last program of the prefix has ended. Were that output
# ctest's pipe, a test would not count as finished before every other test
# running beside it, and could time out for them. So the program writes into a
# file that is streamed out while it runs, and this script ends with the
# program, whoever else still holds the file.
log=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")
trap 'rm -f "$log"' EXIT
"$WINELOADER" "$@" </dev/null >"$log" 2>&1 &
program=$!
tail -n +1 -s 0.1 --pid="$program" -f "$log" &
streamer=$!
trap 'kill -TERM "$program" 2>/dev/null || true' TERM INT

status=0
while :; do
  if wait "$program"; then status=0; else status=$?; fi
  # A signal interrupts the wait before the program has ended.
  kill -0 "$program" 2>/dev/null || break
done
wait "$streamer" || true
exit "$status"
