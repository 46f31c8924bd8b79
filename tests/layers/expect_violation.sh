#!/bin/sh
# The layer check must fail on the fixture, naming the engine file and the
# window header it includes, and nothing that keeps to the layers.
#   tests/layers/expect_violation.sh PYTHON CHECK_SCRIPT FIXTURE_ROOT
output=$("$1" "$2" "$3" 2>&1)
status=$?
printf '%s\n' "$output"
if [ "$status" -ne 1 ]; then
  echo "The check answered $status, not 1"
  exit 1
fi
expected='installer/engine/install_step.cpp:4: includes "installer/ui/main_window_win.h"'
case "$output" in
  *"$expected"*) ;;
  *)
    echo "The check did not name: $expected"
    exit 1
    ;;
esac
if [ "$(printf '%s\n' "$output" | grep -c ': includes ')" -ne 1 ]; then
  echo "The check named more than the one include against the layers"
  exit 1
fi
