#!/usr/bin/env bash
# Every test: installs what is missing, builds both trees, then runs the
# native tests and the Windows tests (under Wine, in a fresh prefix, on a
# virtual display when there is no display).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup-deps.sh"
"$root/scripts/build.sh"
"$root/scripts/wine-prefix.sh" --fresh
"$root/scripts/with-display.sh" bash -c '
  status=0
  ctest --test-dir build/native --output-on-failure || status=1
  ctest --test-dir build/win32 --output-on-failure || status=1
  exit $status'
