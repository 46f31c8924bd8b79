#!/usr/bin/env bash
# Runs a command with an X display: the one in DISPLAY when it answers,
# otherwise a virtual one (Xvfb, 1024x768x24) on the first free display number,
# stopped again when the command ends, whatever its outcome. The command's exit
# status is passed through.
#
#   scripts/with-display.sh ctest --test-dir build/win32 --output-on-failure
set -uo pipefail

if [ $# -eq 0 ]; then
  echo "usage: $0 command [argument...]" >&2
  exit 2
fi

answers() { [ -n "$1" ] && xdpyinfo -display "$1" >/dev/null 2>&1; }

if answers "${DISPLAY:-}"; then
  exec "$@"
fi

xvfb_pid=
stop_xvfb() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=
  fi
}
trap stop_xvfb EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Starts Xvfb on one display number and waits until it answers (true) or has
# given up (false), for instance because another server took the number first.
# The server that answers must be ours: X servers write their process id into
# the display's lock file.
start_xvfb() {
  local display=":$1" lock="/tmp/.X$1-lock"
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  local _
  for _ in $(seq 100); do
    if [ "$(tr -d ' \n' 2>/dev/null <"$lock")" = "$xvfb_pid" ] && answers "$display"; then
      return 0
    fi
    if ! kill -0 "$xvfb_pid" 2>/dev/null; then
      wait "$xvfb_pid" 2>/dev/null
      xvfb_pid=
      return 1
    fi
    sleep 0.1
  done
  stop_xvfb
  return 1
}

found=
for number in $(seq 90 109); do
  if [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; then
    continue
  fi
  if start_xvfb "$number"; then
    found=$number
    break
  fi
done
if [ -z "$found" ]; then
  echo "$0: could not start Xvfb on any display from :90 to :109" >&2
  command -v Xvfb >/dev/null || echo "$0: Xvfb is not installed; run scripts/setup-deps.sh" >&2
  echo "$0: or run the tests on a display of your own (set DISPLAY)" >&2
  exit 1
fi

export DISPLAY=":$found"
"$@"
status=$?
exit "$status"
