#!/usr/bin/env bash
# The stub is the same bytes whatever folder it is built in: no path and no build time goes into it. The tracked
# sources, as they are in this work tree, are copied into a folder of another name, only the stub is built there
# (win32, Release) and compared with build/win32's.
#   scripts/check-reproducible.sh [STUB]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
stub=${1:-$repo/build/win32/app/kv-sfxstub.exe}
die() { echo "check-reproducible: FAIL: $*" >&2; exit 1; }
[ -f "$stub" ] || die "no stub at $stub (scripts/build.sh win32 builds it)"

other=$(mktemp -d "${TMPDIR:-/tmp}/kvsfx-elsewhere.XXXXXX")
trap 'rm -rf "$other"' EXIT
copy="$other/another checkout"
mkdir "$copy"
# The tracked files; outside a git checkout, everything but the build trees and deps/.
(cd "$repo" && if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then git ls-files -z; else
   find . \( -path ./build -o -path ./deps -o -path ./.git \) -prune -o -type f -print0; fi |
   tar --null --ignore-failed-read -cf - -T - 2>/dev/null) | tar -xf - -C "$copy"
ln -s "$(readlink -f "$repo/deps")" "$copy/deps"
cmake -S "$copy" -B "$copy/out" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$copy/cmake/Toolchain-mingw-i686.cmake" >/dev/null
cmake --build "$copy/out" -j "${KVSFX_JOBS:-2}" --target kv-sfxstub >/dev/null
if ! cmp -s "$stub" "$copy/out/app/kv-sfxstub.exe"; then
  cmp "$stub" "$copy/out/app/kv-sfxstub.exe" | head -n 1 >&2 || true
  die "the stub built in $copy differs from $stub"
fi
echo "check-reproducible: the stub built in another folder is the same: sha256 $(sha256sum < "$stub" | cut -c1-64)"
