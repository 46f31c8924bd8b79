# Sourced by the Wine scripts: the project's test prefix (WINEPREFIX, by
# default build/wineprefix), 32-bit, quiet, with no menu entries or file
# associations in the host desktop and no Mono or Gecko installers.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-winemenubuilder.exe=d;mscoree=d;mshtml=d}
