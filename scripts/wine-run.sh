#!/usr/bin/env bash
# Runs a Windows program under 32-bit Wine in the project's test prefix
# (WINEPREFIX, by default build/wineprefix), creating the prefix on first use.
# Used as CMake's cross-compiling emulator, so ctest runs Windows tests here.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
# No menu entries or file associations in the host desktop, no Mono or Gecko
# installers at prefix creation.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-winemenubuilder.exe=d;mscoree=d;mshtml=d}
"$root/scripts/wine-prefix.sh"
exec wine "$@"
