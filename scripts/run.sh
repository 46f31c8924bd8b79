#!/usr/bin/env bash
# The main job: installs what is missing, builds everything, makes the sample
# medium in build/sample-medium and starts the installer from it under Wine,
# as a player would start it from the disc. The medium carries the i686 build
# where this machine runs 32-bit programs, and the x86_64 build where it does
# not (or CKV_FORCE_WIN64=1). With a display the installer's windows appear
# there and the job ends when the installer ends; without one it runs on a
# virtual display for RUN_SECONDS (default 30) and leaves a screenshot in
# build/screenshots/run.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup-deps.sh"
"$root/scripts/build.sh"
CKV_WINE_ARCH=$("$root/scripts/windows-build.sh")
export CKV_WINE_ARCH
"$root/scripts/make-sample-medium.sh" build/sample-medium "build/$CKV_WINE_ARCH"
echo "Running the installer of build/$CKV_WINE_ARCH"

. "$root/scripts/wine-env.sh"
"$root/scripts/wine-prefix.sh"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  (cd build/sample-medium && "$root/scripts/wine-run.sh" install.exe)
  wineserver -w
  echo "The installer has ended."
else
  seconds=${RUN_SECONDS:-30}
  mkdir -p build/screenshots
  rm -f build/screenshots/run.png
  "$root/scripts/with-display.sh" bash -c '
    cd build/sample-medium && "'"$root"'/scripts/wine-run.sh" install.exe
    sleep "'"$seconds"'"
    /usr/bin/import -window root "'"$root"'/build/screenshots/run.png"
    status=$?
    wineserver -k || true
    exit $status'
  echo "No display: the installer ran on a virtual one; its screen is in build/screenshots/run.png."
fi
