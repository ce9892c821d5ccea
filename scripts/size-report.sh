#!/usr/bin/env bash
# What the stub's bytes are made of, from the linker map that the build writes beside it: the stripped size,
# then each part's bytes in the image file (7-Zip, tinyxml2, our code by folder, the C and C++ run-times, ...)
# split into code, data (read-only and writable) and unwind tables (.eh_frame). Memory-only sections (.bss) and
# the debug sections that stripping removes are not counted; headers, section padding and relocations are the rest.
#   scripts/size-report.sh [STUB [MAP]]      (default build/win32/app/kv-sfxstub.exe and its .map)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
stub=${1:-$repo/build/win32/app/kv-sfxstub.exe}
map=${2:-${stub%.exe}.map}
[ -f "$stub" ] || { echo "size-report: no stub at $stub (scripts/build.sh win32 builds it)" >&2; exit 1; }
[ -f "$map" ] || { echo "size-report: no linker map at $map (the win32 build writes it)" >&2; exit 1; }
python3 - "$stub" "$map" "$repo/scripts" <<'PY'
import os, re, sys
from collections import defaultdict

stub, map_path = sys.argv[1], sys.argv[2]
sys.path.insert(0, sys.argv[3])
from linkmap import input_sections

def part_of(origin):
    """The part of the stub that an input file of the link belongs to."""
    name = origin.replace("\\", "/")
    library = re.search(r"lib([A-Za-z0-9_+]+)\.a\(", name)
    library = library.group(1) if library else ""
    if library.startswith("sevenzip") or "/sevenzip_" in name:
        return "7-Zip"
    if library == "tinyxml2":
        return "tinyxml2"
    match = re.match(r"kvsfx_([a-z]+)(_[a-z_]+)?$", library)  # every library is named after its folder
    if match:
        return f"ours: {match.group(1)}/"
    if "kv-sfxstub.dir" in name:
        return "ours: resources" if name.endswith((".res", ".rc.res", ".obj.res")) or ".rc." in name else "ours: app/"
    if library in ("stdc++", "supc++"):
        return "C++ run-time (libstdc++)"
    if library in ("gcc", "gcc_eh"):
        return "libgcc, libgcc_eh (unwinder)"
    if library in ("pthread", "winpthread"):
        return "winpthread (C++ run-time's threads)"
    if library == "uuid":
        return "interface GUIDs (libuuid)"
    if library in ("mingw32", "mingwex", "msvcrt", "moldname") or re.search(r"/(crt2u?|crtbegin|crtend|dllcrt2)\.o$", name):
        return "C run-time (mingw)"
    if library:
        return "import tables (Windows DLLs)"  # lib<dll>.a: import thunks and descriptors
    return "other: " + os.path.basename(name)

def kind_of(section):
    if section.startswith((".text", ".init", ".fini")):
        return "code"
    if section.startswith(".eh_frame") or section.startswith(".gcc_except_table"):
        return "unwind"
    if section.startswith((".rdata", ".data", ".rodata", ".CRT", ".tls", ".ctors", ".dtors", ".pdata", ".xdata")):
        return "data"
    if section.startswith((".idata", ".rsrc")):
        return "data"
    return None  # .bss, .debug_*, .stab and the like: nothing in the stripped file

sizes = defaultdict(lambda: defaultdict(int))
for part, section, size, origin in input_sections(map_path):
    kind = kind_of(section)
    if part != "kept" or kind is None or size == 0 or origin.startswith(("load address", "linker stubs")):
        continue
    sizes[part_of(origin)][kind] += size

total_file = os.path.getsize(stub)
order = sorted(sizes, key=lambda p: (not p.startswith("7-Zip"), not p.startswith("tinyxml2"), not p.startswith("ours"), p))
counted = 0
print(f"{stub}: {total_file:,} bytes")
print(f"{'part':34} {'bytes':>10} {'share':>6} {'code':>9} {'data':>9} {'unwind':>9}")
for part in order:
    row = sizes[part]
    bytes_ = sum(row.values())
    counted += bytes_
    print(f"{part:34} {bytes_:>10,} {100 * bytes_ / total_file:5.1f}% {row['code']:>9,} {row['data']:>9,} {row['unwind']:>9,}")
ours = sum(sum(sizes[p].values()) for p in sizes if p.startswith("ours"))
rest = total_file - counted
print(f"{'headers, padding, relocations':34} {rest:>10,} {100 * rest / total_file:5.1f}%")
print(f"(our code in all: {ours:,} bytes)")
PY
