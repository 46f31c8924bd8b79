#!/usr/bin/env bash
# clang-tidy on the given sources with the right compile commands: portable
# files through the native tree, *_win files through the win32 tree (with the
# MinGW C++ headers, which clang does not find on its own).
#   scripts/tidy.sh FILE...
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mingws=(/usr/lib/gcc/i686-w64-mingw32/*-posix)
mingw=${mingws[0]}
status=0
for file in "$@"; do
  case "$file" in
    *_win.cpp)
      clang-tidy -p "$root/build/win32" --quiet --extra-arg=--target=i686-w64-mingw32 \
        --extra-arg=-isystem"$mingw/include/c++" \
        --extra-arg=-isystem"$mingw/include/c++/i686-w64-mingw32" "$file" || status=1
      ;;
    *.cpp) clang-tidy -p "$root/build/native" --quiet "$file" || status=1 ;;
  esac
done
exit $status
