#!/usr/bin/env bash
# The shipped stub, on every host: an i386 GUI executable that kvsfx accepts and inspects, within its size budget,
# importing only DLLs that Windows takes from the system folder whatever lies beside the installer.
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
# KnownDLLs, which the loader maps from the system folder only, and comctl32, which the manifest's side-by-side
# dependency resolves to the system's assembly. Anything else must be loaded at run time from the system folder.
allowed="kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll ole32.dll oleaut32.dll msvcrt.dll comctl32.dll"
imports=$(sed -n 's/^imports: *//p' <<< "$report" | tr 'A-Z' 'a-z')
[ -n "$imports" ] || die "kvsfx inspect listed no imports"
for dll in $imports; do
  [[ " $allowed " == *" $dll "* ]] || die "the stub imports $dll, which Windows may load from the installer's folder"
done
size=$(stat -c %s "$stub")
[ "$size" -le "$budget" ] || die "the stub has $size bytes, over its budget of $budget"
echo "check-stub: $stub: $size bytes (budget $budget)"
