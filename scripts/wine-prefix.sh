#!/usr/bin/env bash
# Creates the Wine test prefix of the platform chosen by CKV_WINE_ARCH (see
# wine-env.sh; by default build/wineprefix, 32-bit): no menu entries in the
# host desktop, no Mono or Gecko installers, and Wine drawing captions and
# borders itself (Xvfb has no window manager), so screenshots look like
# Windows.
#
#   wine-prefix.sh          create the prefix when it is missing (wine-run.sh
#                           calls this before every program)
#   wine-prefix.sh --fresh  end the prefix's wineserver, delete the prefix and
#                           create it again; the test command runs this once
#                           before ctest, so every test run starts clean
#   wine-prefix.sh --dpi N [--fresh]
#                           the same for the prefix whose screen has N dots
#                           per inch (as CKV_WINE_DPI=N does; see wine-env.sh)
#
# Creation and deletion happen under an exclusive lock beside the prefix, so
# that parallel ctest jobs wait for one creation instead of racing it. Every
# failure says what failed and what to do, and exits non-zero.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

fresh=0
while [ "$#" -gt 0 ]; do
  case "$1" in
    --fresh) fresh=1 ;;
    --dpi)
      if [ "$#" -lt 2 ]; then
        echo "usage: $0 [--dpi N] [--fresh]" >&2
        exit 2
      fi
      export CKV_WINE_DPI=$2
      shift
      ;;
    *)
      echo "usage: $0 [--dpi N] [--fresh]" >&2
      exit 2
      ;;
  esac
  shift
done
. "$root/scripts/wine-env.sh"

ready_mark="$WINEPREFIX/.ckv-ready"

# Wine records the prefix's architecture in system.reg. A 32-bit program in a
# 64-bit prefix would run through WoW64, which is not the platform we test.
check_architecture() {
  local wrong=0
  grep -qx "#arch=$CKV_WINE_ARCH" "$WINEPREFIX/system.reg" 2>/dev/null || wrong=1
  if [ "$CKV_WINE_ARCH" = win32 ] && [ -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
    wrong=1
  fi
  if [ "$wrong" -ne 0 ]; then
    echo "$0: $WINEPREFIX is not a $CKV_WINE_ARCH Wine prefix; run $0 --fresh" >&2
    exit 1
  fi
  if [ "$(prefix_dpi)" != "$CKV_WINE_DPI" ]; then
    echo "$0: $WINEPREFIX has a screen of $(prefix_dpi) dpi, not $CKV_WINE_DPI; run $0 --dpi $CKV_WINE_DPI --fresh" >&2
    exit 1
  fi
}

# The dots per inch the prefix's registry gives the screen: LogPixels, or
# Wine's 96 without it.
prefix_dpi() {
  local value
  value=$(sed -n 's/^"LogPixels"=dword:\([0-9a-f]*\)/\1/p' "$WINEPREFIX/user.reg" 2>/dev/null | head -n 1)
  if [ -n "$value" ]; then
    echo $((16#$value))
  else
    echo 96
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

# The loader must start before anything else is tried: a machine that runs no
# 32-bit code refuses the 32-bit one with "Exec format error".
if ! loader_output=$("$WINELOADER" --version 2>&1); then
  echo "$0: the Wine loader $WINELOADER does not start: $loader_output" >&2
  echo "$0: install Wine with scripts/setup-deps.sh; on a machine that runs no 32-bit programs, set CKV_FORCE_WIN64=1 (or point WINELOADER at a loader that runs)" >&2
  exit 1
fi

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

# Runs one set-up step with its output in a log that is shown when it fails.
# The lock's descriptor stays with this script: a wineserver that inherited it
# would hold the lock for as long as it runs.
log="$WINEPREFIX.setup.log"
step() { # what-it-does command...
  local what=$1
  shift
  if ! "$@" >"$log" 2>&1 9>&-; then
    tail -n 20 "$log" >&2
    echo "$0: $what failed ($*); the whole output is in $log" >&2
    echo "$0: delete $WINEPREFIX and try again; if it fails again, reinstall Wine (scripts/setup-deps.sh)" >&2
    exit 1
  fi
}
step "creating the Wine prefix $WINEPREFIX" "$WINELOADER" wineboot -i
step "setting the X11 driver options" "$WINELOADER" reg add 'HKCU\Software\Wine\X11 Driver' \
  /v Decorated /t REG_SZ /d N /f
step "setting the X11 driver options" "$WINELOADER" reg add 'HKCU\Software\Wine\X11 Driver' \
  /v Managed /t REG_SZ /d N /f
if [ "$CKV_WINE_DPI" != 96 ]; then
  # Read when the wineserver starts: it ends below, before any test runs.
  step "setting the screen to $CKV_WINE_DPI dpi" "$WINELOADER" reg add 'HKCU\Control Panel\Desktop' \
    /v LogPixels /t REG_DWORD /d "$CKV_WINE_DPI" /f
fi
# The registry reaches system.reg and user.reg when the server ends.
step "waiting for the wineserver to end" wineserver -w
rm -f "$log"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "$0: Wine made no prefix in $WINEPREFIX; delete it and try again" >&2
  exit 1
fi
check_architecture
if ! grep -q '^"Decorated"="N"' "$WINEPREFIX/user.reg" ||
  ! grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg"; then
  echo "$0: could not set the X11 driver options in $WINEPREFIX" >&2
  exit 1
fi
touch "$ready_mark"
