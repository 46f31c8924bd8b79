#!/usr/bin/env bash
# The main job: installs what is missing, builds everything, makes the sample
# medium as two discs in two folders and takes the game through its whole
# life under Wine as a person would: the installer started from disc 1, the
# agreement read and agreed, the proposed folder, the package check, the
# second disc given at the prompts, the finish page with the desktop icon,
# the verification and the game ticked, the verification's report, the game
# started; then uninstall.exe from the game's folder with delete-all. On the
# way it checks every installed file byte for byte, uninstall.dat, the
# shortcuts, the registry, and after the removal that nothing recorded is
# left. The report (Markdown) and a PNG screenshot of every page go into one
# folder, named at the end; the exit status is non-zero when a check failed.
#
#   scripts/run.sh                          the sample game, on a virtual display when there is none
#   scripts/run.sh --medium DIR [--disc DIR]...
#                                           the same journey on a publisher's own medium: DIR is
#                                           disc 1 (install.exe and data1.pck), each --disc a
#                                           further disc in order
#   scripts/run.sh --interactive            with DISPLAY set: the installer in a real window,
#                                           for a person to click through
#
# The medium carries the i686 build where this machine runs 32-bit programs,
# the x86_64 build where it does not (or CKV_FORCE_WIN64=1). Only what the
# journey needs is built: the libraries and the programs of that one build
# and the native medium tool. The journey runs in a Wine prefix of its own,
# made afresh each time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

medium=""
extra_discs=()
interactive=0
while [ $# -gt 0 ]; do
  case "$1" in
    --medium) medium=$(cd "$2" && pwd); shift 2 ;;
    --disc) extra_discs+=("$(cd "$2" && pwd)"); shift 2 ;;
    --interactive) interactive=1; shift ;;
    -h | --help) sed -n '2,27p' "$0"; exit 0 ;;
    *) echo "$0: unknown argument $1 (see --help)" >&2; exit 2 ;;
  esac
done
if [ "$interactive" -eq 1 ] && { [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; }; then
  echo "$0: --interactive needs a display (set DISPLAY)" >&2
  exit 2
fi

"$root/scripts/setup-deps.sh" --main
CKV_WINE_ARCH=$("$root/scripts/windows-build.sh")
export CKV_WINE_ARCH
"$root/scripts/build.sh" --main "$CKV_WINE_ARCH"
journey=("$root/build/journey")
if [ -n "$medium" ]; then
  journey+=(--medium "$medium")
  for disc in "${extra_discs[@]}"; do journey+=(--disc "$disc"); done
fi
if [ "$interactive" -eq 1 ]; then
  journey+=(--interactive)
else
  # A machine of its own for the journey, made afresh.
  export WINEPREFIX="$root/build/wineprefix-journey-$CKV_WINE_ARCH"
  journey+=(--fresh-prefix)
fi
exec "$root/scripts/journey.sh" "${journey[@]}"
