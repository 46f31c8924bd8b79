#!/usr/bin/env bash
# Creates the Wine test prefix (WINEPREFIX, by default build/wineprefix):
# 32-bit, no menu entries in the host desktop, no Mono or Gecko installers, and
# Wine drawing captions and borders itself (Xvfb has no window manager), so
# screenshots look like Windows.
#
#   wine-prefix.sh          create the prefix when it is missing (wine-run.sh
#                           calls this before every program)
#   wine-prefix.sh --fresh  end the prefix's wineserver, delete the prefix and
#                           create it again; the test command runs this once
#                           before ctest, so every test run starts clean
#
# Creation and deletion happen under an exclusive lock beside the prefix, so
# that parallel ctest jobs wait for one creation instead of racing it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-env.sh"

fresh=0
case "${1:-}" in
  "") ;;
  --fresh) fresh=1 ;;
  *)
    echo "usage: $0 [--fresh]" >&2
    exit 2
    ;;
esac

ready_mark="$WINEPREFIX/.ckv-ready"

# Wine records the prefix's architecture in system.reg; a 64-bit prefix would
# run our 32-bit programs through WoW64, which is not the platform we test.
check_architecture() {
  if ! grep -qx '#arch=win32' "$WINEPREFIX/system.reg" 2>/dev/null ||
    [ -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
    echo "$0: $WINEPREFIX is not a 32-bit Wine prefix; run $0 --fresh" >&2
    exit 1
  fi
}

if [ "$fresh" -eq 0 ] && [ -f "$ready_mark" ]; then
  check_architecture
  exit 0
fi

case "$WINEPREFIX" in
  "" | / | "$HOME" | "$HOME/")
    echo "$0: refusing to use $WINEPREFIX as a Wine prefix" >&2
    exit 1
    ;;
esac

mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9

if [ "$fresh" -eq 1 ]; then
  # Only a folder that Wine made (or an empty one) is deleted.
  if [ -d "$WINEPREFIX" ] && [ ! -f "$WINEPREFIX/system.reg" ] &&
    [ -n "$(ls -A "$WINEPREFIX")" ]; then
    echo "$0: $WINEPREFIX is not a Wine prefix; not deleting it" >&2
    exit 1
  fi
  rm -f "$ready_mark"
  wineserver -k >/dev/null 2>&1 9>&- || true
  wineserver -w >/dev/null 2>&1 9>&- || true
  rm -rf "$WINEPREFIX"
elif [ -f "$ready_mark" ]; then
  # Another job created it while this one waited for the lock.
  check_architecture
  exit 0
fi

# The lock's descriptor stays with this script: a wineserver that inherited it
# would hold the lock for as long as it runs.
wineboot -i >/dev/null 2>&1 9>&-
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1 9>&-
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 9>&-
# The registry reaches system.reg and user.reg when the server ends.
wineserver -w 9>&-
check_architecture
if ! grep -q '^"Decorated"="N"' "$WINEPREFIX/user.reg" ||
  ! grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg"; then
  echo "$0: could not set the X11 driver options in $WINEPREFIX" >&2
  exit 1
fi
touch "$ready_mark"
