#!/bin/sh
# Checks the shipped binaries with objdump:
#   pe_check.sh OBJDUMP install.exe uninstall.exe JPGI.dll ijl15.dll
# The programs must be 32-bit (machine 0x014c, Intel 80386) PE32 GUI programs, the
# DLLs 32-bit PE32 DLLs; none may import a MinGW runtime DLL or a DLL build of zlib or
# libcrypto (everything is linked statically); JPGI.dll must export exactly
# JPEGGetParameter and JPEGDeCompressRGB and import ijl15.dll, ijl15.dll must export
# exactly the two calls JPGI.dll uses, and install.exe must bind to JPGI.dll at load
# time.
set -u

if [ $# -ne 5 ]; then
    echo "usage: $0 OBJDUMP install.exe uninstall.exe JPGI.dll ijl15.dll" >&2
    exit 2
fi
objdump=$1
install=$2
uninstall=$3
jpgi=$4
ijl=$5
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# The two bytes of the COFF machine field, which follows "PE\0\0" at the offset
# stored at 0x3c.
machine_bytes() {
    offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    od -An -tx1 -j$((offset + 4)) -N2 "$1" | tr -d ' \n'
}

imports() {
    "$objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p'
}

# Names of the export name table, one a line, sorted.
exports() {
    "$objdump" -p "$1" |
        sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
        sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' | sort
}

characteristics() {
    "$objdump" -p "$1" | sed -n 's/^Characteristics[[:space:]]*0x//p'
}

check_common() { # file
    file=$1
    if [ ! -f "$file" ]; then
        fail "$file does not exist"
        return 1
    fi
    if ! "$objdump" -f "$file" | grep -q 'file format pei-i386'; then
        fail "$file is not a 32-bit PE file"
    fi
    if ! "$objdump" -f "$file" | grep -q '^architecture: i386,'; then
        fail "$file is not built for i386"
    fi
    if [ "$(machine_bytes "$file")" != "4c01" ]; then
        fail "$file: machine is not 0x014c (Intel 80386)"
    fi
    if ! "$objdump" -p "$file" | grep -q '^Magic[[:space:]]*010b[[:space:]]*(PE32)'; then
        fail "$file is not PE32"
    fi
    forbidden=$(imports "$file" |
        grep -iE '^(libgcc_s.*|libstdc\+\+.*|libwinpthread.*|zlib1\.dll|libcrypto.*\.dll)$')
    if [ -n "$forbidden" ]; then
        fail "$file imports runtime DLLs:" "$(echo "$forbidden" | tr '\n' ' ')"
    fi
    return 0
}

is_dll() { # file
    flags=$(characteristics "$1")
    [ -n "$flags" ] && [ $((0x$flags & 0x2000)) -ne 0 ]
}

check_program() { # file
    check_common "$1" || return
    if is_dll "$1"; then
        fail "$1 is a DLL, not a program"
    fi
    if ! "$objdump" -p "$1" | grep -q '^Subsystem[[:space:]]*00000002'; then
        fail "$1 is not a GUI program (subsystem 2)"
    fi
}

check_dll() { # file, expected exports (space separated, sorted)
    check_common "$1" || return
    if ! is_dll "$1"; then
        fail "$1 is not a DLL"
    fi
    found=$(exports "$1" | tr '\n' ' ' | sed 's/ $//')
    if [ "$found" != "$2" ]; then
        fail "$1 exports '$found', expected '$2'"
    fi
}

check_program "$install"
check_program "$uninstall"
check_dll "$jpgi" "JPEGDeCompressRGB JPEGGetParameter"
check_dll "$ijl" "ijlDecodeBgrBottomUp ijlReadPictureInfo"
if [ -f "$jpgi" ] && ! imports "$jpgi" | grep -qix 'ijl15\.dll'; then
    fail "$jpgi does not import ijl15.dll"
fi
if [ -f "$install" ] && ! imports "$install" | grep -qix 'JPGI\.dll'; then
    fail "$install does not import JPGI.dll"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "install.exe, uninstall.exe, JPGI.dll and ijl15.dll: all checks passed"
