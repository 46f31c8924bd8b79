#!/usr/bin/env bash
# The path page's folder tree with a folder of many subfolders (default
# 3000): one expansion and one full redraw, each as a ratio against a
# reference measured in the same run (see bench/folder_tree_win.cpp). Runs on
# the Windows build that this machine's Wine runs.
#   bench/folder_tree.sh [FOLDERS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
CKV_WINE_ARCH=$("$root/scripts/windows-build.sh")
export CKV_WINE_ARCH
tree="$root/build/$CKV_WINE_ARCH"
cmake --build "$tree" --target folder_tree_bench >/dev/null
"$root/scripts/with-display.sh" "$root/scripts/wine-run.sh" "$tree/bin/folder_tree_bench.exe" "${1:-3000}"
