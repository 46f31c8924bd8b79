#!/usr/bin/env bash
# The package check and the installed-file verification under Wine, each
# against md5sum of the same files natively, as ratios measured in one run:
#   bench/verify.sh [MIB]   (default 128)
# The game data is packed (in at least four packages, in one folder) and
# extracted by the native tool inside a Wine prefix of the benchmark's own; the installer's check code runs in
# verify_bench.exe of the Windows build this machine's Wine runs. Each time is
# the best of three runs with the files in the page cache. The last line:
#   check/md5sum: R.RRx; verification/md5sum: R.RRx
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mib=${1:-128}
. "$root/bench/wine-bench-env.sh" verify_bench
work="$WINEPREFIX/drive_c/ckv-verify-bench"
rm -rf "$work"
mkdir -p "$work/medium"
trap 'rm -rf "$work"' EXIT
"$build/bench/bench_make_data" "$work/game" "$mib" >/dev/null
"$medium" pack "$work/game" "$work/medium" --disc-size "$((mib / 6 + 1))M" >/dev/null
"$medium" extract "$work/medium" "$work/target" >/dev/null
bytes=$(du -sb "$work/game" | cut -f1)

. "$root/bench/timing.sh"
md5_packages=$(best_seconds "" "md5sum '$work'/medium/data*.pck" 3)
md5_files=$(best_seconds "" "find '$work/target' -type f ! -name 'uninstall.*' -print0 | xargs -0 md5sum" 3)
out=$("$root/scripts/with-display.sh" "$root/scripts/wine-run.sh" "$tree/bin/verify_bench.exe" \
  'C:\ckv-verify-bench\medium' 'C:\ckv-verify-bench\target' | tr -d '\r')
packages=$(sed -n 's/^packages //p' <<<"$out")
files=$(sed -n 's/^files //p' <<<"$out")

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "data: $((bytes / 1048576)) MiB, $(find "$work/medium" -name 'data*.pck' | wc -l) packages, $CKV_WINE_ARCH check code under Wine, $(nproc) cores"
printf '  %-34s %8s s\n' "md5sum of the packages" "$md5_packages" "package check" "$packages" \
  "md5sum of the installed files" "$md5_files" "installed-file verification" "$files"
echo "check/md5sum: $(ratio "$md5_packages" "$packages")x; verification/md5sum: $(ratio "$md5_files" "$files")x"
