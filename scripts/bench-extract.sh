#!/usr/bin/env bash
# Time and peak memory of extracting big payloads with the stub's extraction code (kv-extract-harness, built
# large-address-aware like the stub) under Wine. Prints figures and asserts nothing; payloads are cached in
# build/bench. Needs the Windows build that this host's Wine runs (win32, or win64 where Wine runs no 32-bit
# program); the figures are labelled with it and are comparable only with figures of the same build.
#   scripts/bench-extract.sh [SIZE_MIB]      (default 200)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${KVSFX_WINE_SESSION:-}" ]; then exec "$repo/scripts/wine-session.sh" "$0" "$@"; fi
. "$repo/scripts/wine-env.sh"
size_mib=${1:-200}
harness=$repo/build/$KVSFX_WIN_BUILD/tests/win/kv-extract-harness.exe
stub=$repo/build/$KVSFX_WIN_BUILD/app/kv-sfxstub.exe
bench=$repo/build/bench
mkdir -p "$bench"

# Text-like data that compresses about 3:1, the same for every run.
data=$bench/data-$size_mib
if [ ! -d "$data" ]; then
  mkdir -p "$data.tmp"
  python3 - "$data.tmp" "$size_mib" <<'PY'
import random, sys
folder, size = sys.argv[1], int(sys.argv[2]) << 20
rng = random.Random(7)
words = ["".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 12))) for _ in range(50000)]
for index in range(size >> 24):  # files of 16 MiB
    with open(f"{folder}/part{index:03}.txt", "w") as out:
        written = 0
        while written < 1 << 24:
            line = " ".join(rng.choices(words, k=12)) + "\n"
            out.write(line)
            written += len(line)
PY
  mv "$data.tmp" "$data"
fi

echo "build: $KVSFX_WIN_BUILD ($([ "$KVSFX_WIN_BUILD" = win32 ] && echo 'i686 under WOW64, the shipped stub' ||
  echo 'x86-64, not the shipped stub: no 4 GiB WOW64 limit, figures not comparable with win32 ones'))"
printf '%-60s %8s %8s %12s %12s\n' payload archive seconds "peak WS MiB" "max RSS MiB"
while IFS='|' read -r name switches; do
  archive=$bench/$name-$size_mib.7z
  [ -f "$archive" ] || (cd "$data" && 7zz a -bd $switches "$archive.tmp" . >/dev/null && mv "$archive.tmp" "$archive")
  installer=$bench/$name.exe
  cp "$stub" "$installer" && cat "$archive" >> "$installer"
  target=$bench/out
  rm -rf "$target"
  stats=$( { /usr/bin/time -f 'rss=%M' wine "$harness" --stats "$(winepath -w "$installer")" "$(winepath -w "$target")" \
             2>&1 >&3 | grep '^rss=' >&2; } 3>&1 2>&1 | tr -d '\r' | tr '\n' ' ')
  result=$(sed -n 's/.*extract=\(0x[0-9A-F]*\).*/\1/p' <<<"$stats")
  [ "$result" = 0x00000000 ] || echo "$name: extraction failed: $stats"
  printf '%-60s %7dM %8s %12s %12d\n' "$name ($switches)" $(( $(stat -c %s "$archive") >> 20 )) \
    "$(sed -n 's/.*seconds=\([^ ]*\).*/\1/p' <<<"$stats")" \
    "$(sed -n 's/.*peak_working_set_mib=\([^ ]*\).*/\1/p' <<<"$stats")" \
    $(( $(sed -n 's/.*rss=\([0-9]*\).*/\1/p' <<<"$stats") >> 10 ))
  rm -rf "$target" "$installer"
done <<'PAYLOADS'
lzma2-d64m-blocks|-m0=LZMA2:d=64m:c=64m -mx=5 -mmt=2
lzma2-d16m-blocks|-m0=LZMA2:d=16m -mx=5 -mmt=4
lzma2-d16m-one-block|-m0=LZMA2:d=16m -mx=5 -mmt=1
lzma-d64m|-m0=LZMA:d=64m -mx=5
PAYLOADS
