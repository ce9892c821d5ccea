#!/usr/bin/env bash
# Writes the seeds of payload_fuzzer (fuzz/seeds/payload_fuzzer/): one small archive per codec and filter the stub
# decodes, PPMd for a method it does not, encrypted data and headers, empty archives, files and folders, a claimed
# 4 GiB dictionary, failing allocations, and hand-made archives with unsafe names and false sizes and counts
# (tests/e2e/make7z.py). Needs 7zz (package 7zip). Archives carry times, so a rerun changes bytes, not what the
# seeds cover. The seeds named regress-* are inputs that once failed; this script leaves them alone.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
out="$repo/fuzz/seeds/payload_fuzzer"
make7z="$repo/tests/e2e/make7z.py"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# Content: text, a tree with an empty file and an empty folder, and 400 KB of lines for multi-block LZMA2.
mkdir -p "$work/tree/sub/deeper" "$work/tree/empty"
printf 'The quick brown fox jumps over the lazy dog.\n%.0s' {1..40} > "$work/tree/text.txt"
: > "$work/tree/sub/empty.bin"
printf 'x86 call e8 00 00 00 00 and jump e9 10 00 00 00\n' > "$work/tree/sub/deeper/code.bin"
python3 -c "import sys; sys.stdout.write(''.join(f'line {i % 50} of a log\\n' for i in range(24000)))" > "$work/lines.txt"

seed() {  # seed NAME 7ZZ-SWITCHES... (archives the tree)
  local name=$1; shift
  rm -f "$out/$name.7z"
  (cd "$work/tree" && 7zz a -bd -bso0 -bsp0 "$@" "$out/$name.7z" . >/dev/null)
}
seed lzma -m0=LZMA:d=64k
seed lzma2 -m0=LZMA2:d=64k
seed lzma2-nonsolid -m0=LZMA2:d=64k -ms=off
seed ppmd -m0=PPMd:mem=1m
seed copy -m0=Copy
seed bcj -mf=BCJ -m0=LZMA:d=64k
seed bcj2 -mf=BCJ2 -m0=LZMA:d=64k
for filter in ARM ARMT ARM64 PPC SPARC IA64 RISCV Delta:4; do seed "filter-${filter%%:*}" -mf="$filter" -m0=LZMA2:d=64k; done
seed encrypted -m0=LZMA2:d=64k -pseed
seed encrypted-headers -m0=LZMA2:d=64k -pseed -mhe=on
# 400 KB of lines in 64 KiB LZMA2 blocks: the multi-threaded decoder's path. Mixed: with random bytes (stored
# chunks) and a plain end header, the shape of the end-to-end damaged-payload cases.
rm -f "$out/lzma2-blocks.7z" "$out/lzma2-blocks-mixed.7z"
(cd "$work" && 7zz a -bd -bso0 -bsp0 -m0=LZMA2:d=64k:c=64k -mmt=2 "$out/lzma2-blocks.7z" lines.txt >/dev/null)
python3 -c 'import random, sys; random.seed(7); sys.stdout.buffer.write(random.randbytes(1500))' > "$work/random.bin"
(cd "$work" && 7zz a -bd -bso0 -bsp0 -m0=LZMA2:d=64k:c=64k -mmt=2 -mhc=off "$out/lzma2-blocks-mixed.7z" \
  lines.txt random.bin tree/sub >/dev/null)

# LZMA claiming a 4 GiB dictionary: an allocation the decoder budget refuses (plain header, CRCs redone).
printf 'hello hello hello\n' > "$work/hello.txt"
(cd "$work" && 7zz a -bd -bso0 -bsp0 -m0=LZMA:d=64k -mhc=off plain.7z hello.txt >/dev/null)
python3 - "$work/plain.7z" "$out/huge-dictionary.7z" <<'PY'
import struct, sys, zlib
b = bytearray(open(sys.argv[1], "rb").read())
offset, size = struct.unpack_from("<QQ", b, 12)
header = 32 + offset
props = b.index(bytes([0x03, 0x01, 0x01, 0x05]), header) + 4  # LZMA's id, 5 bytes of properties
b[props + 1:props + 5] = b"\xff\xff\xff\xff"
struct.pack_into("<I", b, 28, zlib.crc32(bytes(b[header:header + size])))
struct.pack_into("<I", b, 8, zlib.crc32(bytes(b[12:32])))
open(sys.argv[2], "wb").write(b)
PY
# The same with a leading byte that makes the fuzzer fail the library's 7th allocation (12), or every one from
# the 7th on (13).
python3 - "$out/lzma2-blocks-mixed.7z" "$out" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
open(sys.argv[2] + "/allocation-fails-lzma2-blocks-mixed.7z", "wb").write(bytes([12]) + data)
open(sys.argv[2] + "/allocations-fail-lzma2-blocks-mixed.7z", "wb").write(bytes([13]) + data)
PY

python3 "$make7z" "$out/empty-archive.7z"
python3 "$make7z" "$out/items.7z" "a.txt,data=alpha,attrib=0x20,mtime=0x01D0000000000000" "folder,dir=1" \
  "folder/b.txt,data=beta" "empty.txt" "gone.txt,anti=1" "gone,dir=1,anti=1"
python3 "$make7z" "$out/unnamed.7z" "-,data=no name stored"
python3 "$make7z" "$out/unsafe-parent.7z" "..\\evil.txt,data=x"
python3 "$make7z" "$out/unsafe-absolute.7z" "/tmp/evil.txt,data=x"
python3 "$make7z" "$out/unsafe-device.7z" "sub\\CON.txt,data=x"
python3 "$make7z" "$out/false-size.7z" "big.bin,data=small,size=18446744073709551615"
python3 "$make7z" "$out/false-packsize.7z" "big.bin,data=small,packsize=4294967296"
python3 "$make7z" --count 10000000 "$out/false-count.7z" "a.txt,data=a"
ls -l "$out"
