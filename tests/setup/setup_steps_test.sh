#!/usr/bin/env bash
# The set-up's decisions on a bad day, with stand-in apt-get, dpkg-query and
# Wine loaders first on PATH: nothing is installed and no network is used.
# Each case checks the lines the set-up prints and the Windows build chosen.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
standins="$work/bin"
mkdir -p "$standins"

# apt-get: "update" answers from the list in $STANDIN_UPDATES, one word per
# call (ok, or fail, the mirror-sync failure of one index); "install" refuses
# wine32:i386 when STANDIN_WINE32=refuse and fails everything else when
# STANDIN_INSTALL=fail.
cat >"$standins/apt-get" <<'STANDIN'
#!/usr/bin/env bash
count="$STANDIN_STATE/updates"
case "$1" in
  update)
    n=$(($(cat "$count" 2>/dev/null || echo 0) + 1))
    echo "$n" >"$count"
    read -ra answers <<<"$STANDIN_UPDATES"
    answer=${answers[$((n - 1))]:-${answers[-1]}}
    if [ "$answer" = ok ]; then exit 0; fi
    echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 203.0.113.80 80]"
    echo "   Hashes of expected file:"
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
    exit 100
    ;;
  install)
    if [[ " $* " == *" wine32:i386 "* ]] && [ "${STANDIN_WINE32:-ok}" = refuse ]; then
      echo "The following packages have unmet dependencies:"
      echo " wine32:i386 : Depends: libwine:i386 (= 8.0~repack-4) but it is not going to be installed"
      echo "E: Unable to correct problems, you have held broken packages."
      exit 100
    fi
    if [ "${STANDIN_INSTALL:-ok}" = fail ]; then
      echo "E: Unable to locate package mingw-w64"
      exit 100
    fi
    exit 0
    ;;
esac
exit 0
STANDIN
# dpkg-query: nothing is installed.
printf '#!/bin/sh\nexit 1\n' >"$standins/dpkg-query"
printf '#!/bin/sh\nexec "$@"\n' >"$standins/sudo"
# Loaders: one that runs, one the kernel refuses as bash reports it.
printf '#!/bin/sh\necho wine-8.0\n' >"$work/loader-runs"
printf '#!/bin/sh\necho "bash: /usr/lib/wine/wine: cannot execute binary file: Exec format error" >&2\nexit 126\n' \
  >"$work/loader-refused"
printf '#!/bin/sh\necho wine-8.0\n' >"$work/wine64"
chmod +x "$standins"/* "$work"/loader-* "$work/wine64"

passed=0
failed=0
check() { # name condition-status detail
  if [ "$2" -eq 0 ]; then
    passed=$((passed + 1))
    echo "ok   $1"
  else
    failed=$((failed + 1))
    echo "FAIL $1: $3"
  fi
}
expect_line() { # name file line
  grep -qxF -- "$3" "$2"
  check "$1" $? "expected the line
  $3
got
$(sed 's/^/  /' "$2")"
}

# Runs one set-up step with the stand-ins in a fresh dependency folder, then
# windows-build.sh; leaves their standard error in $work/step.err and
# $work/build.err, the choice in $choice and the step's status in $status.
run_step() { # step [VAR=value...]
  local step=$1
  shift
  rm -rf "$work/deps" "$work/state" && mkdir -p "$work/deps/logs" "$work/state"
  (
    # shellcheck disable=SC2030 # the stand-ins serve this step only
    export PATH="$standins:$PATH" STANDIN_STATE="$work/state" CKV_APT_PAUSE=0
    export CKV_WINE32_LOADER="$work/loader-runs" CKV_WINE64_LOADER="$work/wine64"
    for assignment in "$@"; do export "${assignment?}"; done
    deps="$work/deps" logs="$work/deps/logs" sudo_cmd=(sudo)
    # shellcheck source=scripts/setup-steps.sh
    . "$root/scripts/setup-steps.sh"
    "$step"
  ) >"$work/step.out" 2>"$work/step.err"
  status=$?
  # shellcheck disable=SC2031
  choice=$(PATH="$standins:$PATH" CKV_DEPS_DIR="$work/deps" CKV_WINE64_LOADER="$work/wine64" \
    CKV_WINE32_LOADER="${loader:-$work/loader-runs}" "$root/scripts/windows-build.sh" 2>"$work/build.err")
}
retry="setup-deps: apt-get update failed (try 1 of 3); trying again in 0 s"
fallback="the Windows tests and the main job run the x86_64 build under 64-bit Wine"

loader=""
run_step update_package_lists "STANDIN_UPDATES=fail fail ok"
check "an update that fails twice then works is tried three times" \
  "$([ "$(cat "$work/state/updates")" = 3 ] && [ $status -eq 0 ]; echo $?)" "tries $(cat "$work/state/updates"), status $status"
expect_line "each failed try says it will try again" "$work/step.err" "$retry"
check "an update that works at last says nothing more" "$(! grep -q 'going on' "$work/step.err"; echo $?)" "$(cat "$work/step.err")"

run_step update_package_lists "STANDIN_UPDATES=fail"
check "an update that always fails for one index lets the set-up go on" "$status" "status $status"
expect_line "the line names the index and the mirror's reason" "$work/step.err" \
  "setup-deps: apt-get update failed 3 times for bookworm-security/main/binary-i386/Packages (File has unexpected size (374820 != 376004). Mirror sync in progress?); going on with the package lists apt already has (log: $work/deps/logs/apt-update.log)"

loader="$work/no-such-loader"
run_step install_wine32 "STANDIN_WINE32=refuse" "CKV_WINE32_LOADER=$loader"
refused='32-bit Wine cannot be installed: apt-get said "Unable to correct problems, you have held broken packages."'
check "a refused 32-bit Wine does not stop the set-up" "$status" "status $status"
expect_line "the set-up names the refusal" "$work/step.err" "setup-deps: $refused; $fallback"
check "a refused 32-bit Wine chooses the x86_64 build" "$([ "$choice" = win64 ]; echo $?)" "chose '$choice'"
expect_line "windows-build.sh gives the refusal as its reason" "$work/build.err" \
  "Windows build: x86_64 under 64-bit Wine ($refused)"

loader="$work/loader-refused"
run_step install_wine32 "CKV_WINE32_LOADER=$loader"
refused="this machine runs no 32-bit programs: $loader gives \"Exec format error\""
expect_line "a loader refused by the kernel is named by the set-up" "$work/step.err" "setup-deps: $refused; $fallback"
check "a loader refused by the kernel chooses the x86_64 build" "$([ "$choice" = win64 ]; echo $?)" "chose '$choice'"
expect_line "windows-build.sh gives the kernel's refusal as its reason" "$work/build.err" \
  "Windows build: x86_64 under 64-bit Wine ($refused)"

loader="$work/loader-runs"
run_step install_wine32
check "32-bit Wine that runs needs no word from the set-up" "$([ ! -s "$work/step.err" ]; echo $?)" "$(cat "$work/step.err")"
check "32-bit Wine that runs chooses the i686 build" "$([ "$choice" = win32 ]; echo $?)" "chose '$choice'"

run_step install_packages "STANDIN_INSTALL=fail"
check "a failed package install stops the set-up" "$([ $status -ne 0 ]; echo $?)" "status $status"
expect_line "its last line names the step and what to do" <(tail -n 1 "$work/step.err") \
  "setup-deps: installing Debian packages failed: apt-get said \"Unable to locate package mingw-w64\"; check the network and the mirror (sources in /etc/apt), then run the command again; the whole log is $work/deps/logs/apt-install.log"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
