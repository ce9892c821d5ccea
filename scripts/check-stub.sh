#!/usr/bin/env bash
# The shipped stub, on every host: an i386 GUI executable that kvsfx accepts and inspects, within its size budget.
#   scripts/check-stub.sh [STUB] [KVSFX]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
stub=${1:-$repo/build/win32/app/kv-sfxstub.exe}
kvsfx=${2:-$repo/build/native/builder/kvsfx}
# Bytes, stripped; raise it deliberately, with the reason in the commit.
budget=${KVSFX_STUB_SIZE_BUDGET:-1179648}

die() { echo "check-stub: FAIL: $*" >&2; exit 1; }
[ -f "$stub" ] || die "no stub at $stub (scripts/build.sh win32 builds it)"
[ -x "$kvsfx" ] || die "no kvsfx at $kvsfx (scripts/build.sh native builds it)"

report=$("$kvsfx" inspect "$stub") || die "kvsfx inspect failed on $stub"
printf '%s\n' "$report"
grep -q 'PE32 i386 Windows GUI executable' <<< "$report" || die "the stub is not a PE32 i386 GUI executable"
size=$(stat -c %s "$stub")
[ "$size" -le "$budget" ] || die "the stub has $size bytes, over its budget of $budget"
echo "check-stub: $stub: $size bytes (budget $budget)"
