#!/usr/bin/env bash
# The installer's unpack under Wine against `medium extract` of the same
# medium natively, as a ratio measured in one run:
#   bench/install.sh [MIB]   (default 128)
# The game data (half incompressible, half text-like) is packed by the native
# tool into a medium with the sample's install.ini beside the installer of the
# Windows build this machine's Wine runs. The installer is driven through its
# pages; its time runs from Next on the path page until the install has
# ended. Each time is the best of RUNS runs (default 2).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mib=${1:-128}
runs=${RUNS:-2}
. "$root/bench/wine-bench-env.sh" installer install_bench
# The work folder lies inside the Wine prefix's drive C:, so that the
# installer writes to the same file system as the native extract.
drive_c="$WINEPREFIX/drive_c"
work="$drive_c/ckv-install-bench"
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
"$build/bench/bench_make_data" "$work/game" "$mib" >/dev/null
mkdir -p "$work/medium"
cp "$tree/bin/install.exe" "$tree/bin/JPGI.dll" "$tree/bin/ijl15.dll" "$root/samples/install.ini" \
  "$root/samples/CopyRight.txt" "$work/medium/"
"$medium" pack "$work/game" "$work/medium" >/dev/null
bytes=$(du -sb "$work/game" | cut -f1)
cat "$work/medium"/data*.pck >/dev/null  # into the page cache

best() { # command that prints seconds, or is timed here
  local fastest=""
  for _ in $(seq "$runs"); do
    local took
    took=$(eval "$1")
    if [ -z "$fastest" ] || awk -v a="$took" -v b="$fastest" 'BEGIN { exit !(a < b) }'; then
      fastest=$took
    fi
  done
  echo "$fastest"
}
timed() { # runs a command and prints its seconds
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  awk -v ns="$((end - start))" 'BEGIN { printf "%.3f", ns / 1e9 }'
}

extract=$(best "rm -rf '$work/out'; sync; timed '$medium' extract '$work/medium' '$work/out'")
installer=$(best "rm -rf '$work/target'; sync; '$root/scripts/with-display.sh' \
  '$root/scripts/wine-run.sh' '$tree/bin/install_bench.exe' 'C:\\ckv-install-bench\\medium' \
  'C:\\ckv-install-bench\\target' | tr -d '\r' | tail -n 1")
"$medium" verify "$work/medium" "$work/target" >/dev/null

rate() { awk -v s="$1" -v n="$bytes" 'BEGIN { printf "%.0f MiB/s", n / s / 1048576 }'; }
echo "data: $((bytes / 1048576)) MiB, $CKV_WINE_ARCH installer under Wine, $(nproc) cores"
printf '  %-36s %8s s  %12s\n' "medium extract (native)" "$extract" "$(rate "$extract")"
printf '  %-36s %8s s  %12s\n' "installer, Next to the end of install" "$installer" "$(rate "$installer")"
echo "  installer / extract:  $(awk -v a="$installer" -v b="$extract" 'BEGIN { printf "%.2f", a / b }')x   (aim <= 1.6)"
