#!/usr/bin/env bash
# The installer's unpack under Wine against `medium extract` of the same
# medium natively, as ratios measured in one run:
#   bench/install.sh [MIB]   (default 128)
# The game data (half incompressible, half text-like) is packed by the native
# tool into a medium with the sample's install.ini beside the installer of the
# Windows build this machine's Wine runs. The installer is driven through its
# pages and two of its times are taken: the unpack alone (from its worker's
# start to its end, as the installer's log gives it) and the whole stretch
# from Next on the path page until its finish page shows; that stretch is
# also shown in its parts: the wizard's pages up to the install page (its
# timer paces them), the unpack, and what follows it. The reference is
# `medium extract` with one job per core, which like the installer inflates
# on every core; one job is shown beside it. Each time is the best of RUNS
# runs (default 3) that the host left alone (bench/timing.sh). The last line
# is the ratio of the unpack alone.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mib=${1:-128}
runs=${RUNS:-3}
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

. "$root/bench/timing.sh"

# On this kind of machine (a virtual machine that hands memory freed for a
# few seconds back to its host) the first write into such memory costs a
# fault on the host for every page: a run that writes 128 MiB into fresh
# folders became several times slower once the earlier runs' files had used
# up the memory freed recently, and the Windows runs, whose unpack starts
# seconds after the program, always paid it. On a machine of one's own,
# memory is simply there. So every run, native or Windows, writes into memory
# freed a moment before: the last run's output is removed right before the
# run (the Windows driver removes it right before Next). Both sides then pay
# what writing the files costs, and neither pays the host.
extract_one=$(best_seconds "rm -rf '$work/one'" "'$medium' extract '$work/medium' '$work/one' --jobs 1" "$runs")
extract=$(best_seconds "rm -rf '$work/all'" "'$medium' extract '$work/medium' '$work/all'" "$runs")
rm -rf "$work/one" "$work/all"
# One install per run; each of its two times is the best of the runs.
times="$work/times"
: >"$times"
for _ in $(seq "$runs"); do
  for attempt in 1 2 3 4; do
    sync
    wait_for_quiet_host
    run=$("$root/scripts/with-display.sh" "$root/scripts/wine-run.sh" "$tree/bin/install_bench.exe" \
      'C:\ckv-install-bench\medium' 'C:\ckv-install-bench\target' 'C:\ckv-install-bench\install.log' |
      tr -d '\r')
    stolen=$(awk '$1 == "stolen" { print $2 }' <<<"$run")
    took=$(awk '$1 == "next-to-end" { printf "%.0f", $2 * 1e9 }' <<<"$run")
    if ! run_again "${stolen:-0}" "${took:-0}" "$attempt"; then break; fi
  done
  echo "$run" >>"$times"
done
fastest() { awk -v key="$1" '$1 == key && (best == "" || $2 < best) { best = $2 } END { print best }' "$times"; }
pages=$(fastest pages)
unpack=$(fastest unpack)
next_to_end=$(fastest next-to-end)
"$medium" verify "$work/medium" "$work/target" >/dev/null

rate() { awk -v s="$1" -v n="$bytes" 'BEGIN { printf "%.0f MiB/s", n / s / 1048576 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "data: $((bytes / 1048576)) MiB, $CKV_WINE_ARCH installer under Wine, $(nproc) cores, best of $runs"
row() { printf '  %-44s %8s s  %12s\n' "$1" "$2" "$(rate "$2")"; }
row "medium extract, $(nproc) jobs (native)" "$extract"
row "medium extract --jobs 1 (native)" "$extract_one"
row "installer, unpack alone" "$unpack"
row "installer, Next to the finish page" "$next_to_end"
printf '  %-44s %8s s\n' "  of which pages up to the install page" "$pages"
printf '  %-44s %8s s\n' "  of which after the unpack (about)" \
  "$(awk -v a="$next_to_end" -v b="$pages" -v c="$unpack" 'BEGIN { printf "%.3f", a - b - c }')"
echo "  next-to-end/extract: $(ratio "$next_to_end" "$extract")x   (aim <= 2.0)"
echo "  unpack/extract --jobs 1: $(ratio "$unpack" "$extract_one")x"
echo "unpack/extract: $(ratio "$unpack" "$extract")x"
