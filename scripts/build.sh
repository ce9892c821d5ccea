#!/usr/bin/env bash
# Configures and builds one configuration: native | asan | win32 | win64 | fuzz | fuzz-tsan | fuzz32.  Build trees go to
# build/<name>. win32 is the shipped i686 stub; win64 the same sources for x86-64, for hosts whose Wine runs only
# 64-bit programs. fuzz-tsan: the fuzz targets with ThreadSanitizer instead of ASan and UBSan, to replay corpora;
# fuzz32: the fuzz targets as i386 programs, with the stub's pointer size and a 4 GiB address space.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:-win32}
jobs=${KVSFX_JOBS:-2}
case "$kind" in
  native) args=(-DCMAKE_BUILD_TYPE=Debug) ;;
  asan)   args=(-DCMAKE_BUILD_TYPE=Debug -DKVSFX_SANITIZE=ON) ;;
  fuzz)   args=(-DCMAKE_BUILD_TYPE=Debug -DKVSFX_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++) ;;
  fuzz-tsan) args=(-DCMAKE_BUILD_TYPE=Debug -DKVSFX_FUZZ=ON -DKVSFX_FUZZ_SANITIZERS=thread -DCMAKE_C_COMPILER=clang
                   -DCMAKE_CXX_COMPILER=clang++) ;;
  fuzz32) args=(-DCMAKE_BUILD_TYPE=Debug -DKVSFX_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
                -DCMAKE_C_FLAGS=-m32 -DCMAKE_CXX_FLAGS=-m32 -DCMAKE_EXE_LINKER_FLAGS=-m32) ;;
  win32)  args=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/Toolchain-mingw-i686.cmake") ;;
  win64)  args=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/Toolchain-mingw-x86_64.cmake") ;;
  *) echo "usage: $0 native|asan|win32|win64|fuzz|fuzz-tsan|fuzz32" >&2; exit 2 ;;
esac
dir="$repo/build/$kind"
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S "$repo" -B "$dir" -G Ninja "${args[@]}" >/dev/null
fi
cmake --build "$dir" -j "$jobs"
