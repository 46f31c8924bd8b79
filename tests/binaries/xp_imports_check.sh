#!/bin/sh
# Checks that binaries load on Windows XP SP3:
#   xp_imports_check.sh OBJDUMP LIST_DIR BINARY...
# Every function a binary imports must be in LIST_DIR/NAME.txt, the XP SP3
# exports of system DLL NAME.dll (one name a line), or, when it comes from one
# of the BINARY DLLs themselves, among that DLL's exports. An import from a DLL
# with neither, or by ordinal only, fails too. The PE subsystem version must be
# 5.01 or lower, or XP refuses the program as "not a valid Win32 application".
# Each failure names the binary, the DLL and the function.
set -u

if [ $# -lt 3 ]; then
    echo "usage: $0 OBJDUMP LIST_DIR BINARY..." >&2
    exit 2
fi
objdump=$1
lists=$2
shift 2
failures=0
scratch=$(mktemp -d "${TMPDIR:-/tmp}/xp-imports.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

lower() { printf '%s' "$1" | tr '[:upper:]' '[:lower:]'; }

# "DLL function" a line; an import by ordinal has the function "#ORDINAL".
imports() {
    "$objdump" -p "$1" | awk '
        /^[[:space:]]*DLL Name: / { dll = $3; next }
        dll != "" && /^[[:space:]]*$/ { dll = ""; next }
        dll != "" && /^[[:space:]]*vma:/ { next }
        dll != "" && NF >= 3 && $1 ~ /^[0-9a-fA-F]+$/ { print dll, $3; next }
        dll != "" && NF == 2 && $1 ~ /^[0-9a-fA-F]+$/ { print dll, "#" $2; next }
    '
}

exports() {
    "$objdump" -p "$1" |
        sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
        sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p'
}

# The export lists of the checked DLLs, by lower-case file name.
for binary in "$@"; do
    name=$(lower "$(basename "$binary")")
    case "$name" in
    *.dll) exports "$binary" >"$scratch/$name.exports" ;;
    esac
done

for binary in "$@"; do
    if [ ! -f "$binary" ]; then
        fail "$binary does not exist"
        continue
    fi
    name=$(basename "$binary")
    imports "$binary" >"$scratch/imports"
    if [ ! -s "$scratch/imports" ]; then
        fail "$name: no imports found (is it a PE file?)"
    fi
    while read -r dll function; do
        key=$(lower "$dll")
        if [ -f "$scratch/$key.exports" ]; then
            grep -qxF -- "$function" "$scratch/$key.exports" ||
                fail "$name imports $function from $dll, which does not export it"
        elif [ -f "$lists/${key%.dll}.txt" ]; then
            grep -qxF -- "$function" "$lists/${key%.dll}.txt" ||
                fail "$name imports $function from $dll, which Windows XP SP3 does not export"
        else
            fail "$name imports $function from $dll, which has no Windows XP SP3 export list"
        fi
    done <"$scratch/imports"

    major=$("$objdump" -p "$binary" | sed -n 's/^MajorSubsystemVersion[[:space:]]*//p')
    minor=$("$objdump" -p "$binary" | sed -n 's/^MinorSubsystemVersion[[:space:]]*//p')
    if [ -z "$major" ] || [ -z "$minor" ] || [ $((major * 100 + minor)) -gt 501 ]; then
        fail "$name: subsystem version $major.$minor is above 5.01"
    fi
done

if [ "$failures" -ne 0 ]; then
    echo "$failures import check(s) failed" >&2
    exit 1
fi
echo "$(for b in "$@"; do basename "$b"; done | tr '\n' ' ')- every import is on the Windows XP SP3 lists"
