#!/usr/bin/env bash
# Makes the sample medium's pictures: four background pictures and a logo.
# Uses Debian's ImageMagick by its full path (another "convert" may come first
# on PATH).
set -euo pipefail
out=$1
convert=/usr/bin/convert
mkdir -p "$out/background"
colours=("#1b3a5c:#5c8fbf" "#3a1b5c:#8f5cbf" "#1b5c3a:#5cbf8f" "#5c3a1b:#bf8f5c")
for i in 0 1 2 3; do
  IFS=: read -r top bottom <<<"${colours[$i]}"
  "$convert" -size 800x600 "gradient:$top-$bottom" \
    -fill '#ffffff30' -draw "circle $((200 + i * 120)),300 $((260 + i * 120)),300" \
    -fill '#00000040' -draw "rectangle 0,520 800,600" \
    -quality 90 "$out/background/setup$i.jpg"
done
"$convert" -size 400x160 "gradient:#f2c230-#c0392b" \
  -fill '#1e5aa8' -draw "polygon 200,20 260,80 200,140 140,80" \
  -quality 92 "$out/background/Logo.jpg"
