#!/bin/sh
# Stands in for objdump ($CKV_REAL_OBJDUMP) and adds a libstdc++ DLL import to every
# private-header listing, so that the pe_check test can prove it notices a runtime
# DLL dependency.
"$CKV_REAL_OBJDUMP" "$@" || exit
case " $* " in
*" -p "*) printf '\tDLL Name: libstdc++-6.dll\n' ;;
esac
