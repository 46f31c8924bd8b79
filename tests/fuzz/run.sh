#!/usr/bin/env bash
# Builds the fuzz targets with clang (in BUILD, default build/fuzz), makes
# their seed corpora and runs each for SECONDS (default 20). A crash, leak or
# sanitizer report fails the run and leaves the input in BUILD/artifacts.
#   tests/fuzz/run.sh [SECONDS] [BUILD]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-20}
build=${2:-$root/build/fuzz}
clang=$(command -v clang++-14 || command -v clang++)
cmake -S "$root/tests/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="$clang" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" >/dev/null
corpora=(package record ini check)
mkdir -p "$build/artifacts"
"$build/fuzz_make_seeds" "${corpora[@]/#/$build/corpus/}"
cp "$root/samples/install.ini" "$build/corpus/ini/sample"
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in package_reader_fuzz:package uninstall_record_fuzz:record ini_reader_fuzz:ini \
  check_list_fuzz:check; do
  name=${target%%:*}
  corpus=$build/corpus/${target##*:}
  echo "$name: ${seconds}s"
  "$build/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$build/artifacts/$name-" -print_final_stats=1 "$corpus" \
    2>"$build/$name.log" || { tail -50 "$build/$name.log"; exit 1; }
  grep -E "^stat::number_of_executed_units|^#[0-9]+.*DONE" "$build/$name.log" | tail -2
done
