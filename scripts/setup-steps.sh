# Sourced by setup-deps.sh (and by the tests of its decisions): the steps that
# install Debian's packages. Each step writes its whole output to a log in
# $logs and says in one line what it decided or what failed and what to do.
#
# Expects: deps (the dependency folder), logs (its log folder), sudo_cmd (an
# array: empty as root, (sudo) otherwise).
# Reads: CKV_APT_TRIES (3) and CKV_APT_PAUSE (10 s) for apt-get update;
# CKV_WINE32_LOADER (/usr/lib/wine/wine), the 32-bit Wine loader.
# shellcheck shell=bash disable=SC2154 # deps, logs and sudo_cmd come from the caller

wine32_loader=${CKV_WINE32_LOADER:-/usr/lib/wine/wine}
# Why 32-bit Wine cannot be had here, in one line; read by windows-build.sh.
wine32_unavailable="$deps/wine32-unavailable"
fallback_note="the Windows tests and the main job run the x86_64 build under 64-bit Wine"

# Ends the set-up with one line naming the step and what to do about it.
fail_step() { # step advice log
  echo "setup-deps: $1 failed: $2; the whole log is $3" >&2
  exit 1
}

# The last "E:" line apt printed into a log, without its prefix.
apt_error() { # log
  sed -n 's/^E: //p' "$1" | tail -n 1
}

# The indexes named by apt's "Failed to fetch" lines, each with the reason
# the mirror gave, e.g. "bookworm-security/main/binary-i386/Packages (File has
# unexpected size (374820 != 376004). Mirror sync in progress?)".
failed_indexes() { # log
  sed -n 's/^E: Failed to fetch \([^ ]*\) *\(.*\)$/\1 \2/p' "$1" |
    sed -e 's|^[^ ]*/dists/||' -e 's#\.\(xz\|gz\|bz2\|lz4\|zst\) # #' \
      -e 's| \[IP: [^]]*\]$||' -e 's| \(.*\)$| (\1)|' -e 's| ()$||' |
    sort -u | paste -sd ';' - | sed 's/;/; /g'
}

# apt-get update, tried again after a pause when it fails. A mirror caught
# mid-sync fails for one index at a time; when the last try still fails, the
# set-up goes on with the lists apt already has.
update_package_lists() {
  local tries=${CKV_APT_TRIES:-3} pause=${CKV_APT_PAUSE:-10} log="$logs/apt-update.log"
  local try
  : >"$log"
  for ((try = 1; try <= tries; try++)); do
    echo "--- apt-get update, try $try of $tries" >>"$log"
    if "${sudo_cmd[@]}" apt-get update -qq >>"$log" 2>&1; then
      return 0
    fi
    if [ "$try" -lt "$tries" ]; then
      echo "setup-deps: apt-get update failed (try $try of $tries); trying again in $pause s" >&2
      sleep "$pause"
    fi
  done
  local what
  what=$(failed_indexes "$log")
  if [ -z "$what" ]; then what="the package lists ($(apt_error "$log"))"; fi
  echo "setup-deps: apt-get update failed $tries times for $what; going on with the package lists apt already has (log: $log)" >&2
}

install_packages() { # package...
  local log="$logs/apt-install.log"
  echo "Installing: $*"
  if ! "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "$@" >"$log" 2>&1; then
    fail_step "installing Debian packages" "apt-get said \"$(apt_error "$log")\"; check the network and the mirror (sources in /etc/apt), then run the command again" "$log"
  fi
}

# Why 32-bit Wine cannot run here, on standard output, with status 0; status 1
# when it can.
wine32_unusable() {
  local output
  if [ ! -e "$wine32_loader" ]; then
    if [ -s "$wine32_unavailable" ]; then
      cat "$wine32_unavailable"
    else
      echo "32-bit Wine is not installed ($wine32_loader is missing)"
    fi
    return 0
  fi
  if output=$("$wine32_loader" --version 2>&1); then return 1; fi
  if grep -q 'Exec format error' <<<"$output"; then
    echo "this machine runs no 32-bit programs: $wine32_loader gives \"Exec format error\""
  else
    echo "the 32-bit Wine loader does not start: $wine32_loader --version said \"$(tail -n 1 <<<"$output")\""
  fi
}

# 32-bit Wine in a step of its own. Where it cannot be installed (an index
# missing, a package conflict) the reason is recorded for windows-build.sh;
# either way the set-up says in one line when the x86_64 build will be tested
# instead.
install_wine32() {
  local log="$logs/apt-install-wine32.log" reason
  rm -f "$wine32_unavailable"
  if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
    echo "Installing: wine32:i386"
    if ! "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends wine32:i386 >"$log" 2>&1; then
      echo "32-bit Wine cannot be installed: apt-get said \"$(apt_error "$log")\"" >"$wine32_unavailable"
    fi
  fi
  if reason=$(wine32_unusable); then
    echo "setup-deps: $reason; $fallback_note" >&2
  fi
}
