# shellcheck shell=bash
# Sourced by the Wine scripts. Sets up one of the project's two Wine test
# platforms, chosen by CKV_WINE_ARCH:
#   win32 (default)  32-bit Wine, prefix build/wineprefix, for the i686 build
#   win64            64-bit Wine, prefix build/wineprefix64, for the x86_64 build
# WINEPREFIX and WINELOADER, when set, take the place of the defaults. Wine is
# quiet, makes no menu entries or file associations in the host desktop and
# installs no Mono or Gecko. Programs are started through "$WINELOADER": Debian's
# "wine" wrapper always takes the 32-bit loader when it is installed.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export CKV_WINE_ARCH=${CKV_WINE_ARCH:-win32}
case "$CKV_WINE_ARCH" in
  win32)
    export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix}
    export WINELOADER=${WINELOADER:-/usr/lib/wine/wine}
    ;;
  win64)
    export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix64}
    export WINELOADER=${WINELOADER:-/usr/lib/wine/wine64}
    ;;
  *)
    echo "CKV_WINE_ARCH must be win32 or win64, not '$CKV_WINE_ARCH'" >&2
    exit 2
    ;;
esac
export WINEARCH=$CKV_WINE_ARCH
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-winemenubuilder.exe=d;mscoree=d;mshtml=d}

