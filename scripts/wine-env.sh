# shellcheck shell=bash
# Sourced by the Wine scripts. Sets up one of the project's two Wine test
# platforms, chosen by CKV_WINE_ARCH:
#   win32 (default)  32-bit Wine, prefix build/wineprefix, for the i686 build
#   win64            64-bit Wine, prefix build/wineprefix64, for the x86_64 build
# CKV_WINE_DPI (default 96) is the screen's dots per inch; a prefix of another
# dpi is a prefix of its own beside the default one (build/wineprefix64-dpi144
# for 144 dpi), because Wine reads the dpi when its server starts.
# WINEPREFIX and WINELOADER, when set, take the place of the defaults. Wine is
# quiet, makes no menu entries or file associations in the host desktop and
# installs no Mono or Gecko. Programs are started through "$WINELOADER": Debian's
# "wine" wrapper always takes the 32-bit loader when it is installed.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export CKV_WINE_ARCH=${CKV_WINE_ARCH:-win32}
export CKV_WINE_DPI=${CKV_WINE_DPI:-96}
case "$CKV_WINE_DPI" in
  '' | *[!0-9]* | 0*)
    echo "CKV_WINE_DPI must be a number of dots per inch such as 96 or 144, not '$CKV_WINE_DPI'" >&2
    exit 2
    ;;
esac
dpi_suffix=""
if [ "$CKV_WINE_DPI" != 96 ]; then
  dpi_suffix="-dpi$CKV_WINE_DPI"
fi
case "$CKV_WINE_ARCH" in
  win32)
    export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix$dpi_suffix}
    export WINELOADER=${WINELOADER:-/usr/lib/wine/wine}
    ;;
  win64)
    export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix64$dpi_suffix}
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

