#!/usr/bin/env bash
# The journey of the main job (scripts/run.sh), on trees already built: makes
# the sample medium as a folder per disc (or takes a publisher's medium), and
# drives journey.exe of the chosen Windows tree under Wine through the game's
# whole life. The report and the screenshots (PNG) go into OUT.
#
#   scripts/journey.sh OUT [--medium DIR [--disc DIR]...] [--fresh-prefix] [--interactive]
#
# Then the same journey again on a screen of 144 dots per inch (150 %), every
# page answered with the keyboard alone, from one folder holding every
# package, in a prefix of its own (WINEPREFIX-keyboard-dpi144, always made afresh); its
# report and screenshots go into OUT/keyboard-144dpi, and OUT/report.md shows
# its pages beside those at 96 dpi.
#
# CKV_WINE_ARCH (win32 or win64) chooses the tree; the Wine prefix is the one
# wine-env.sh names (WINEPREFIX), made afresh with --fresh-prefix. The exit
# status is non-zero when a check failed. ctest runs this too (label journey).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$1
shift
medium=""
extra_discs=()
fresh=0
interactive=0
while [ $# -gt 0 ]; do
  case "$1" in
    --medium) medium=$(cd "$2" && pwd); shift 2 ;;
    --disc) extra_discs+=("$(cd "$2" && pwd)"); shift 2 ;;
    --fresh-prefix) fresh=1; shift ;;
    --interactive) interactive=1; shift ;;
    *) echo "$0: unknown argument $1" >&2; exit 2 ;;
  esac
done
. "$root/scripts/wine-env.sh"
tree="$root/build/$CKV_WINE_ARCH"
native_medium="$root/build/native/tools/medium/medium"

rm -rf "$out"
mkdir -p "$out"
out=$(cd "$out" && pwd)
if [ -z "$medium" ]; then
  # The sample: all packages in one folder first, then a folder per disc.
  # Disc 1 keeps the installer and data1.pck; disc K gets dataK.pck and a
  # copy of check.md, which the verification reads from the drive it was
  # started from.
  "$root/scripts/make-sample-medium.sh" "$out/disc1" "$tree" >/dev/null
  reference="$root/build/sample-game"
  discs=("$out/disc1")
  for package in "$out"/disc1/data*.pck; do
    number=$(basename "$package" .pck)
    number=${number#data}
    [ "$number" -eq 1 ] && continue
    mkdir -p "$out/disc$number"
    mv "$package" "$out/disc$number/"
    cp "$out/disc1/check.md" "$out/disc$number/"
    discs+=("$out/disc$number")
  done
  echo "Sample medium: ${#discs[@]} discs in $out/disc1 ... $out/disc${#discs[@]}"
else
  discs=("$medium" "${extra_discs[@]}")
  # What the game must be once installed: the medium unpacked natively.
  reference="$out/reference"
  disc_options=()
  for disc in "${extra_discs[@]}"; do disc_options+=(--disc "$disc"); done
  "$native_medium" extract "$medium" "$reference" "${disc_options[@]}" >/dev/null
  rm -f "$reference/uninstall.dat"
fi

if [ "$interactive" -eq 1 ]; then
  echo "Starting the installer of $tree from ${discs[0]}; further discs: ${discs[*]:1}"
  "$root/scripts/wine-prefix.sh"
  (cd "${discs[0]}" && "$root/scripts/wine-run.sh" install.exe)
  wineserver -w
  echo "The installer has ended."
  exit 0
fi

if [ "$fresh" -eq 1 ]; then
  "$root/scripts/wine-prefix.sh" --fresh
fi
windows() { for path in "$@"; do echo "Z:${path//\//\\}"; done; }
mapfile -t windows_discs < <(windows "${discs[@]}")
echo "Taking the game through its life under Wine ($CKV_WINE_ARCH build)"
status=0
"$root/scripts/with-display.sh" "$root/scripts/wine-run.sh" "$tree/bin/journey.exe" \
  "$(windows "$out")" "$(windows "$reference")" "${windows_discs[@]}" || status=$?

# The same pages at 144 dpi, by keyboard, from one folder.
keyboard_out="$out/keyboard-144dpi"
mkdir -p "$keyboard_out/medium"
cp -R "${discs[0]}"/. "$keyboard_out/medium/"
for disc in "${discs[@]:1}"; do
  cp "$disc"/data*.pck "$keyboard_out/medium/"
done
echo "Again at 144 dpi with the keyboard alone"
(
  export CKV_WINE_DPI=144 WINEPREFIX="$WINEPREFIX-keyboard-dpi144"
  "$root/scripts/wine-prefix.sh" --fresh
  "$root/scripts/with-display.sh" "$root/scripts/wine-run.sh" "$tree/bin/journey.exe" --keyboard \
    "$(windows "$keyboard_out")" "$(windows "$reference")" "$(windows "$keyboard_out/medium")"
) || status=$?
rm -rf "$keyboard_out/medium"

shots=0
for picture in "$out"/*.bmp "$keyboard_out"/*.bmp; do
  [ -e "$picture" ] || continue
  /usr/bin/convert "$picture" "${picture%.bmp}.png" && rm -f "$picture"
  shots=$((shots + 1))
done
{
  echo
  echo "## The pages at 96 and at 144 dpi"
  echo
  echo "At 144 dpi every page was answered with the keyboard alone; the steps are in"
  echo "[keyboard-144dpi/report.md](keyboard-144dpi/report.md)."
  echo
  echo "| Page | 96 dpi, mouse | 144 dpi, keyboard |"
  echo "|---|---|---|"
  for picture in "$out"/*.png "$keyboard_out"/*.png; do
    [ -e "$picture" ] || continue
    basename "$picture"
  done | sort -u | while read -r name; do
    left="none"
    right="none"
    [ -e "$out/$name" ] && left="![$name]($name)"
    [ -e "$keyboard_out/$name" ] && right="![$name](keyboard-144dpi/$name)"
    echo "| ${name%.png} | $left | $right |"
  done
} >>"$out/report.md"
echo
echo "Report: $out/report.md, with $shots screenshots in $out and $keyboard_out"
if [ "$status" -ne 0 ]; then
  echo "Some checks FAILED (see the report)."
fi
exit "$status"
