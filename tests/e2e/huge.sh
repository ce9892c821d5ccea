#!/usr/bin/env bash
# Huge content in the 32-bit stub: one file larger than 4 GiB, and 100,000 small files in nested folders, each
# extracted whole by an installer made with kvsfx build, within the decoder memory budget (the peak memory of
# the stub's process, read by /usr/bin/time). Payloads are cached in build/huge; what is extracted is deleted
# afterwards, and again at the next start (after a run that was killed).
#   huge.sh NATIVE_KVSFX STUB
set -uo pipefail
native=$1
. "$(dirname "$0")/lib.sh"
[ -x /usr/bin/time ] || { echo "SKIP: no /usr/bin/time to read the peak memory (scripts/setup-host.sh installs time)"; exit 77; }
begin_installer_cases "$@"
stub=$2
started=$SECONDS

# The decoder memory budget the README documents.
budget_mib=512
cache=$repo/build/huge
out=$cache/out
# The small files go to memory where there is a tmpfs for it: deleting 100,000 files from this machine's disk
# takes one to two minutes.
many_out=$out
[ -d /dev/shm ] && [ -w /dev/shm ] && many_out=/dev/shm/kvsfx-huge-$(printf %s "$repo" | md5sum | cut -c 1-12)
mkdir -p "$cache"
rm -rf "$out" "$many_out"
# The 4.5 GiB file is written to the disk of build/.
free_kib=$(df -Pk "$cache" | awk 'NR == 2 { print $4 }')
if [ "${free_kib:-0}" -lt $((5 * 1024 * 1024 + 512 * 1024)) ]; then
  echo "SKIP: $((free_kib / 1024)) MiB free in $cache; the file over 4 GiB needs 5.5 GiB"
  exit 77
fi
trap 'rm -rf "$out" "$many_out" "$work"' EXIT

cached() {  # NAME COMMAND...: runs COMMAND (which writes NAME.tmp) unless build/huge/NAME exists
  local name=$1; shift
  [ -f "$cache/$name" ] && return 0
  rm -rf "$cache/$name.tmp" && "$@" && mv "$cache/$name.tmp" "$cache/$name"
}
# extract NAME PAYLOAD TARGET: an installer of PAYLOAD run silently into TARGET; prints its exit code (from its
# log: the shell sees only the low byte), its peak memory in MiB and the seconds it took.
extract() {
  local name=$1 payload=$2 target=$3 begin=$SECONDS
  installer "$name.exe" "$payload" --no-config
  /usr/bin/time -f '%M' -o "$name.rss" wine "$name.exe" --gui off --target "$(winpath "$target")" \
    --logfile "$(wpath "$name.log")" >/dev/null 2>&1
  local code peak
  code=$(tr -d '\r' 2>/dev/null < "$name.log" | sed -n 's/.* exit \(0x[0-9A-F]*\):.*/\1/p')
  peak=$(tail -n 1 "$name.rss" 2>/dev/null)
  echo "${code:-none} $(( ${peak:-0} >> 10 )) $((SECONDS - begin))"
}
within_budget() { [ "$1" -lt "$budget_mib" ] && echo "under $budget_mib MiB" || echo "$1 MiB"; }

# --- one file of 4.5 GiB ---------------------------------------------------------------------------------------
# Zeros from a sparse file, in 256 MiB blocks with a 64 MiB dictionary: two decoder threads would need about
# 1 GiB, more than the budget, so the stub decodes single-threaded (without the budget it took two threads and
# peaked at 539 MiB).
size=$((4608 << 20))
zeros() {
  mkdir -p "$work/zeros" && truncate -s "$size" "$work/zeros/zeros.bin" &&
    7zz a -bd -bso0 -bsp0 -m0=LZMA2:d=64m:c=256m -mx1 -mmt2 "$cache/zeros-4608m.7z.tmp" "$work/zeros/zeros.bin"
}
cached zeros-4608m.7z zeros || echo "could not make the 4.5 GiB payload" >&2
read -r code peak seconds <<<"$(extract zeros "$cache/zeros-4608m.7z" "$out")"
expect_eq "4.5 GiB file: extracted (its CRC checked by the stub)" 0x00000000 "$code"
expect_eq "  its size and content" "$size zeros" \
  "$(stat -c %s "$out/zeros.bin" 2>/dev/null) $(cmp -s -n "$size" "$out/zeros.bin" /dev/zero && echo zeros)"
expect_eq "  the stub's peak memory is within the decoder budget" "under $budget_mib MiB" "$(within_budget "$peak")"
echo "time: 4.5 GiB file extracted in $seconds s, peak memory $peak MiB"
rm -rf "$out"

# --- 100,000 small files ---------------------------------------------------------------------------------------
# d00..d09/s00..s99/f000000..f099999.txt, each with its own content, made from its name and number.
files() {  # make|check FOLDER: makes the files, or prints how many are missing or differ
  python3 - "$@" <<'PY'
import os, sys
mode, root = sys.argv[1], sys.argv[2]
wrong = 0
for i in range(100000):
    name = f"d{i // 10000:02}/s{i // 100 % 100:02}/f{i:06}.txt"
    content = f"{name} {i * 7919 % 1000003}\n".encode() * (i % 7 + 1)
    path = os.path.join(root, name)
    if mode == "make":
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(content)
    else:
        try:
            with open(path, "rb") as source:
                wrong += source.read() != content
        except OSError:
            wrong += 1
print(wrong)
PY
}
many() {
  files make "$work/many" >/dev/null && (cd "$work/many" && 7zz a -bd -bso0 -bsp0 -mx1 -mmt2 "$cache/many-100000.7z.tmp" .) &&
    rm -rf "$work/many"
}
cached many-100000.7z many || echo "could not make the 100,000-file payload" >&2
read -r code peak seconds <<<"$(extract many "$cache/many-100000.7z" "$many_out")"
expect_eq "100,000 files: extracted" 0x00000000 "$code"
expect_eq "  every file and folder there, each file with its own content" "100000 1010 0" \
  "$(find "$many_out" -type f | wc -l) $(find "$many_out" -mindepth 1 -type d | wc -l) $(files check "$many_out")"
expect_eq "  the stub's peak memory is within the decoder budget" "under $budget_mib MiB" "$(within_budget "$peak")"
echo "time: 100,000 files extracted into $many_out in $seconds s, peak memory $peak MiB"
rm -rf "$many_out"

echo "time: $((SECONDS - started)) s in all"
finish
