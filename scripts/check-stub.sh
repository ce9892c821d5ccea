#!/usr/bin/env bash
# The shipped stub, on every host: an i386 GUI executable that kvsfx accepts and inspects, within its size budget,
# importing only DLLs that Windows takes from the system folder whatever lies beside the installer.
#   scripts/check-stub.sh [STUB] [KVSFX]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
stub=${1:-$repo/build/win32/app/kv-sfxstub.exe}
kvsfx=${2:-$repo/build/native/builder/kvsfx}
# Bytes, stripped (600 KiB; scripts/size-report.sh tells what takes them); raise it deliberately, with the reason in
# the commit.
budget=${KVSFX_STUB_SIZE_BUDGET:-614400}

die() { echo "check-stub: FAIL: $*" >&2; exit 1; }
[ -f "$stub" ] || die "no stub at $stub (scripts/build.sh win32 builds it)"
[ -x "$kvsfx" ] || die "no kvsfx at $kvsfx (scripts/build.sh native builds it)"

report=$("$kvsfx" inspect "$stub") || die "kvsfx inspect failed on $stub"
printf '%s\n' "$report"
grep -q 'PE32 i386 Windows GUI executable' <<< "$report" || die "the stub is not a PE32 i386 GUI executable"
# Its own version resource names kv-sfx and the project's version (kvsfx build replaces it with the installer's).
version=$(sed -n 's/^project(kvsfx VERSION \([0-9.]*\).*/\1/p' "$repo/CMakeLists.txt")
grep -q "^ *ProductName: kv-sfx$" <<< "$report" && grep -q "^ *ProductVersion: $version$" <<< "$report" ||
  die "the stub's version information does not name kv-sfx $version"
# KnownDLLs, which the loader maps from the system folder only, and comctl32, which the manifest's side-by-side
# dependency resolves to the system's assembly. Anything else must be loaded at run time from the system folder.
allowed="kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll ole32.dll oleaut32.dll msvcrt.dll comctl32.dll"
imports=$(sed -n 's/^imports: *//p' <<< "$report" | tr 'A-Z' 'a-z')
[ -n "$imports" ] || die "kvsfx inspect listed no imports"
for dll in $imports; do
  [[ " $allowed " == *" $dll "* ]] || die "the stub imports $dll, which Windows may load from the installer's folder"
done
# Code compiled without exception support (kvsfx_without_exceptions in CMake) shares inline and template functions
# with code that runs under a catch, and the linker keeps one copy of each: it must be a copy with unwind tables
# wherever another object had one, or an exception passing through it could not reach its catch.
map=${stub%.exe}.map
if [ -f "$map" ]; then
  python3 - "$map" "$repo/scripts" <<'PY' || die "functions that exceptions must pass through are linked without unwind tables (above)"
import sys
from collections import defaultdict
sys.path.insert(0, sys.argv[2])
from linkmap import input_sections
unwinds = defaultdict(int)        # object -> bytes of .eh_frame it contributes
kept, discarded = {}, defaultdict(list)
for part, section, size, origin in input_sections(sys.argv[1]):
    if part == "kept" and section.startswith(".eh_frame"):
        unwinds[origin] += size
    elif section.startswith(".text$"):
        if part == "kept":
            kept[section] = origin
        else:
            discarded[section].append(origin)
bad = [(section, origin, [d for d in discarded[section] if unwinds[d]]) for section, origin in kept.items()
       if not unwinds[origin] and any(unwinds[d] for d in discarded[section])]
for section, origin, others in bad[:20]:
    print(f"check-stub: {section[6:]} kept from {origin}, without unwind tables; {others[0]} had them")
print(f"check-stub: {len(kept)} functions linked once from several objects checked, {len(bad)} without unwind tables where needed")
sys.exit(1 if bad else 0)
PY
fi
size=$(stat -c %s "$stub")
[ "$size" -le "$budget" ] || die "the stub has $size bytes, over its budget of $budget"
echo "check-stub: $stub: $size bytes (budget $budget)"
