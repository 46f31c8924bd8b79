# shellcheck shell=bash
# Sourced by the benchmarks: times a command, leaving out runs that the
# machine's host disturbed.
#
# On a virtual machine the host may take the virtual CPUs away for a while,
# for other machines or for its own work; Linux counts that time as "steal"
# in /proc/stat. On the machine these benchmarks were written on, such
# stretches came and went for seconds at a time: `medium extract --jobs 2`,
# 0.24 s when nothing was taken, took 0.31 to 0.48 s with 0.1 to 0.3 s taken.
# A time measured then is the host's rather than the command's, and it falls
# on one side of a ratio only. So a run is prepared once nothing has been
# taken for a quarter second, and a run that lost more than a tick, or more
# than 2 % of the time of all cores, is run again (at most four times in
# all). Where nothing is ever taken, this costs a quarter second a run.

# The ticks (hundredths of a second) the host has taken so far.
host_stolen() {
  awk '$1 == "cpu" { print $9 + 0; found = 1; exit } END { if (!found) print 0 }' \
    /proc/stat 2>/dev/null || echo 0
}

# Waits, at most ten seconds, until the host has taken nothing for a quarter
# second.
wait_for_quiet_host() {
  local deadline=$((SECONDS + 10)) before
  while [ "$SECONDS" -lt "$deadline" ]; do
    before=$(host_stolen)
    sleep 0.25
    if [ "$(host_stolen)" -le "$before" ]; then return 0; fi
  done
}

# STOLEN ticks during a run of NANOSECONDS, and the number of the attempt:
# true, after saying so, when the run is to be run again. A run may lose one
# tick, or 2 % of the time of all cores if that is more.
run_again() {
  local bearable=$(($2 * $(nproc) / 500000000))
  if [ "$1" -le $((bearable > 1 ? bearable : 1)) ]; then return 1; fi
  if [ "$3" -ge 4 ]; then
    echo "  (the host took ${1}0 ms of the fourth run too; its time is kept)" >&2
    return 1
  fi
  echo "  (the host took ${1}0 ms of a run; it is run again)" >&2
}

# BEFORE (run untimed first, may be empty) and COMMAND, both for eval:
# prints the nanoseconds of an undisturbed run of COMMAND.
time_undisturbed() {
  local attempt start end before stolen
  for attempt in 1 2 3 4; do
    # The wait comes first: what BEFORE frees is written into again at once,
    # as by a command that follows it.
    wait_for_quiet_host
    if [ -n "$1" ]; then eval "$1"; fi
    sync
    before=$(host_stolen)
    start=$(date +%s%N)
    eval "$2" >/dev/null
    end=$(date +%s%N)
    stolen=$(($(host_stolen) - before))
    if ! run_again "$stolen" $((end - start)) "$attempt"; then break; fi
  done
  echo $((end - start))
}

# BEFORE and COMMAND as for time_undisturbed, and a count: prints the best
# seconds of that many undisturbed runs.
best_seconds() {
  local fastest="" took
  for _ in $(seq "$3"); do
    took=$(time_undisturbed "$1" "$2")
    if [ -z "$fastest" ] || [ "$took" -lt "$fastest" ]; then fastest=$took; fi
  done
  awk -v ns="$fastest" 'BEGIN { printf "%.3f", ns / 1e9 }'
}
