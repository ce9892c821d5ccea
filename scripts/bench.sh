#!/usr/bin/env bash
# Extraction benchmark: the stub under Wine side by side with native `7zz x`, an NSIS installer of the same files
# under Wine, the file system's own cost of writing those files (kv-minwriter, a minimal Win32 writer built for the
# stub's target: the yardstick) and Wine's own start-up (an empty GUI program), on reproducible payloads (scripts/bench-payload.py,
# fixed seeds): mixed files as one LZMA2 block and as several blocks (the multi-threaded decoder), Windows
# programs with BCJ2, many small files, and 1 KiB. The programs alternate within each repeat; min and median
# seconds, speed ratios, peak memory and sizes are printed. Figures only: slow numbers never fail; a program that
# fails to run or extracts the wrong files does. Payloads, archives and installers are cached in build/bench.
#   scripts/bench.sh [--quick] [--repeats N] [--stub PATH] [--baseline PATH]
#     --quick      20 MiB and 2,000 small files instead of 200 MiB and 20,000 (CI)
#     --baseline   a second stub (for example one built from an older commit) run in the same rounds
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/scripts/wine-env.sh"
kvsfx_in_wine_session "$0" "$@"

quick=0 repeats=3 stub="" baseline=""
while [ $# -gt 0 ]; do
  case "$1" in
    --quick) quick=1 ;;
    --repeats) repeats=$2; shift ;;
    --stub) stub=$2; shift ;;
    --baseline) baseline=$2; shift ;;
    *) echo "usage: $0 [--quick] [--repeats N] [--stub PATH] [--baseline PATH]" >&2; exit 2 ;;
  esac
  shift
done
[ "$repeats" -ge 1 ] || { echo "bench: --repeats needs a number >= 1" >&2; exit 2; }
build=$repo/build/$KVSFX_WIN_BUILD
stub=${stub:-$(kvsfx_runnable_stub)}
empty=$build/tools/bench/kv-empty.exe
writer=$build/tools/bench/kv-minwriter.exe
kvsfx=$repo/build/native/builder/kvsfx
shipped=$repo/build/win32/app/kv-sfxstub.exe
for tool in "$stub" "$empty" "$writer" "$kvsfx" ${baseline:+"$baseline"}; do
  [ -f "$tool" ] || { echo "bench: missing $tool (scripts/build.sh $KVSFX_WIN_BUILD and native build it)" >&2; exit 1; }
done
command -v 7zz >/dev/null && command -v makensis >/dev/null ||
  { echo "bench: needs 7zz and makensis (scripts/setup-host.sh installs them)" >&2; exit 1; }

if [ $quick = 1 ]; then mib=20 small_files=2000; else mib=200 small_files=20000; fi
# Several blocks: about six in the payload, so that every decoder thread the budget allows gets work.
block=$(( mib / 6 )); multi_dict=$(( block < 16 ? block : 16 ))
bench=$repo/build/bench
mkdir -p "$bench"

# --- host --------------------------------------------------------------------------------------------------------
native_ratios=1
variant=i686
echo "kv-sfx extraction benchmark: $([ $quick = 1 ] && echo quick || echo full), $mib MiB, $small_files small files, $repeats repeats"
if [ "${KVSFX_WINE_EMULATED:-0}" = 1 ] || [ "$KVSFX_WINE_BITS" = 64 ]; then
  if [ "$KVSFX_WINE_BITS" = 64 ]; then
    variant=x86-64
    echo "NOTE: this host runs no 32-bit program: the x86-64 build of the stub and of the yardstick run instead of"
    echo "      the shipped i686 ones, and no NSIS installer runs. The ratios below are the x86-64 variant's (our"
    echo "      code and Wine); the shipped stub's own figures need a host that runs 32-bit programs."
  else
    native_ratios=0
    echo "NOTE: 32-bit programs run emulated on this host (a qemu-i386 handler is registered): times of Windows"
    echo "      programs are not comparable with native ones, and no ratio against native programs is printed."
  fi
fi
echo "host: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1), $(wine --version 2>/dev/null | tr -d '\r')," \
  "7zz $(7zz i 2>/dev/null | sed -n 's/^7-Zip (z) \([^ ]*\).*/\1/p' | head -n 1), makensis $(makensis -VERSION 2>/dev/null)"
echo "stub: $stub ($KVSFX_WIN_BUILD), $(stat -c %s "$stub") bytes"
[ -z "$baseline" ] || echo "baseline stub: $baseline, $(stat -c %s "$baseline") bytes"
[ "$stub" = "$shipped" ] || [ ! -f "$shipped" ] || echo "shipped stub: $shipped, $(stat -c %s "$shipped") bytes"

# --- payloads ----------------------------------------------------------------------------------------------------
# payload NAME ARGS...: the folder build/bench/NAME, made once by bench-payload.py ARGS
payload() {
  local name=$1; shift
  if [ ! -f "$bench/$name.id" ]; then
    python3 "$repo/scripts/bench-payload.py" "$1" "$bench/$name" "${@:2}" > "$bench/$name.id.tmp"
    mv "$bench/$name.id.tmp" "$bench/$name.id"
  fi
  echo "$bench/$name"
}
# archive FOLDER SWITCHES: a 7z archive of the folder's contents, remade when the switches change
archive() {
  local folder=$1 switches=$2 out
  out=$bench/$(basename "$folder")-$(md5sum <<<"$switches" | cut -c1-8).7z
  if [ ! -f "$out" ]; then
    (cd "$folder" && 7zz a -t7z -bd -bso0 -bsp0 $switches "$out.tmp" . ) && mv "$out.tmp" "$out"
  fi
  echo "$out"
}
# nsis FOLDER DICT_MIB: a silent-capable NSIS installer of the folder's contents, solid LZMA
nsis() {
  local folder=$1 dict=$2 out
  out=$bench/$(basename "$folder")-nsis-d$dict.exe
  if [ ! -f "$out" ]; then
    cat > "$out.nsi" <<NSI
Unicode true
SetCompressor /SOLID lzma
SetCompressorDictSize $dict
Name "bench"
OutFile "$out.tmp"
InstallDir "\$TEMP\\bench"
RequestExecutionLevel user
Section
  SetOutPath "\$INSTDIR"
  File /r "$folder/*"
SectionEnd
NSI
    makensis -V1 "$out.nsi" && mv "$out.tmp" "$out"
  fi
  echo "$out"
}
# installer STUB ARCHIVE: the stub with the archive as its payload (no configuration: extract mode)
installer() {
  local out=$bench/$(basename "$2" .7z)-$(basename "$(dirname "$1")")-$(md5sum < "$1" | cut -c1-8).exe
  [ -f "$out" ] || "$kvsfx" build --no-config --payload "$2" --stub "$1" --allow-test-stub -o "$out" >/dev/null
  echo "$out"
}

echo
echo "preparing payloads (cached in $bench)..."
mixed=$(payload "mixed-$mib" mixed "$mib")
exes=$(payload "exes-$mib" exes "$mib")
small=$(payload "small-$small_files" small "$small_files")
tiny=$(payload tiny tiny)
one_block="-m0=LZMA2:d=16m -mx=5 -mmt=1"
# kind NAME FOLDER: the files of FOLDER as kv-minwriter's manifest (size, path), in the archive's order of names
manifest() {
  local out=$bench/$1.manifest
  [ -f "$out" ] || (cd "$2" && find . -type f -printf '%s %P\n' | LC_ALL=C sort -k2) > "$out"
  echo "$out"
}
# name|folder|7zz switches|description
kinds=(
  "single|$mixed|$one_block|mixed files, one LZMA2 block"
  "multi|$mixed|-m0=LZMA2:d=${multi_dict}m:c=${block}m -mx=5 -mmt=2|mixed files, LZMA2 in ${block} MiB blocks"
  "bcj2|$exes|-mf=BCJ2 $one_block|Windows programs, BCJ2 + LZMA2"
  "small|$small|$one_block|$small_files small files, one LZMA2 block"
  "tiny|$tiny|$one_block|1 KiB, start-up"
)
declare -A folder_of archive_of nsis_of stub_of base_of describe manifest_of
printf '%-7s %-44s %9s %9s %9s %9s  %s\n' kind payload files MiB "7z KiB" "NSIS KiB" "7zz switches"
for entry in "${kinds[@]}"; do
  IFS='|' read -r kind folder switches description <<<"$entry"
  folder_of[$kind]=$folder
  describe[$kind]=$description
  archive_of[$kind]=$(archive "$folder" "$switches")
  manifest_of[$kind]=$(manifest "$(basename "$folder")" "$folder")
  nsis_of[$kind]=$(nsis "$folder" 16)
  stub_of[$kind]=$(installer "$stub" "${archive_of[$kind]}")
  [ -z "$baseline" ] || base_of[$kind]=$(installer "$baseline" "${archive_of[$kind]}")
  read -r files _ bytes _ < "$(dirname "$folder")/$(basename "$folder").id"
  printf '%-7s %-44s %9s %9s %9s %9s  %s\n' "$kind" "$description" "$files" "$(( bytes >> 20 ))" \
    "$(( $(stat -c %s "${archive_of[$kind]}") >> 10 ))" "$(( $(stat -c %s "${nsis_of[$kind]}") >> 10 ))" "$switches"
done
echo "payload identities: $(for f in "$mixed" "$exes" "$small" "$tiny"; do printf '%s: %s; ' "$(basename "$f")" "$(cat "$f.id")"; done)"

# --- runs --------------------------------------------------------------------------------------------------------
out=$bench/out
declare -A seconds rss
expected() { (cd "$1" && find . -type f | wc -l; du -sb --apparent-size . | cut -f1) | tr '\n' ' '; }
# run KIND PROGRAM COMMAND...: one timed run into $out; the program must succeed and leave the payload's files
run() {
  local kind=$1 program=$2 started ended status=0; shift 2
  rm -rf "$out" && mkdir -p "$out" && sync
  started=$EPOCHREALTIME
  /usr/bin/time -o "$bench/rss" -f '%M' "$@" > "$bench/run.log" 2>&1 || status=$?
  ended=$EPOCHREALTIME
  if [ $status -ne 0 ]; then
    echo "bench: FAIL: $program on $kind exited with $status:" >&2; tail -n 5 "$bench/run.log" >&2; exit 1
  fi
  if [ "$program" != empty ] && [ "$(expected "$out")" != "${want[$kind]}" ]; then
    echo "bench: FAIL: $program on $kind left $(expected "$out")(files, bytes), expected ${want[$kind]}" >&2; exit 1
  fi
  seconds[$kind|$program]+="$(awk -v a="$started" -v b="$ended" 'BEGIN { printf "%.3f", b - a }') "
  local peak; peak=$(tail -n 1 "$bench/rss")
  [ "${rss[$kind|$program]:-0}" -ge "$peak" ] || rss[$kind|$program]=$peak
}
declare -A want
programs=(7zz stub writer)
[ -z "$baseline" ] || programs+=(baseline)
[ "$KVSFX_WINE_BITS" = 64 ] || programs+=(nsis)
echo
echo "running: ${programs[*]} ($variant; writer: the yardstick; and the empty program with the 1 KiB payload), alternating, $repeats repeats" \
  "(the 1 KiB payload: at least 10)..."
for entry in "${kinds[@]}"; do
  kind=${entry%%|*}
  want[$kind]=$(expected "${folder_of[$kind]}")
  target=$(winepath -w "$out" | tr -d '\r')
  # Start-up differences are tens of milliseconds: the 1 KiB kind runs at least 10 rounds.
  rounds=$([ "$kind" = tiny ] && [ "$repeats" -lt 10 ] && echo 10 || echo "$repeats")
  for ((round = 1; round <= rounds; round++)); do
    for program in "${programs[@]}" $([ "$kind" = tiny ] && echo empty); do
      case $program in
        7zz) run "$kind" 7zz 7zz x -y -bd -bso0 -bsp0 -o"$out" "${archive_of[$kind]}" ;;
        writer) run "$kind" writer wine "$writer" "$(winepath -w "${manifest_of[$kind]}" | tr -d '\r')" "$target" ;;
        stub) run "$kind" stub wine "${stub_of[$kind]}" --gui off --target "$target" ;;
        baseline) run "$kind" baseline wine "${base_of[$kind]}" --gui off --target "$target" ;;
        nsis) run "$kind" nsis wine "${nsis_of[$kind]}" /S "/D=$target" ;;
        empty) run "$kind" empty wine "$empty" ;;
      esac
    done
  done
  printf '  %s done\n' "$kind"
done
rm -rf "$out"

# --- figures -----------------------------------------------------------------------------------------------------
# min and median of a list of seconds
stats() { tr ' ' '\n' <<<"$1" | sed '/^$/d' | sort -g | awk '{ v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.3f %.3f", v[1], m }'; }
# a / b, or "-" where either did not run
ratio() { awk -v a="${1:-0}" -v b="${2:-0}" 'BEGIN { if (a > 0 && b > 0) printf "%.2f", a / b; else print "-" }'; }
echo
echo "seconds (wall clock, each program started from the shell, Wine start-up included); speed = the other's median"
echo "time / this median time (above 1: this one is faster); x writer = this median time / the yardstick's (the file"
echo "system's own cost of writing the same files); peak RSS of the process (Wine's own mappings included)"
echo "build: $variant ($KVSFX_WIN_BUILD)$([ $native_ratios = 1 ] || echo ', no ratio against native programs: emulated')"
header=$(printf '%-7s %-9s %8s %8s %10s %11s %9s' kind program min median "speed/7zz" "speed/NSIS" "x writer")
[ -z "$baseline" ] || header+=$(printf ' %13s' "time/baseline")
printf '%s %13s\n' "$header" "peak RSS MiB"
for entry in "${kinds[@]}"; do
  kind=${entry%%|*}
  read -r _ median_7zz <<<"$(stats "${seconds[$kind|7zz]}")"
  median_nsis=0 median_base=0 median_writer=0
  [ -z "${seconds[$kind|nsis]:-}" ] || read -r _ median_nsis <<<"$(stats "${seconds[$kind|nsis]}")"
  [ -z "${seconds[$kind|writer]:-}" ] || read -r _ median_writer <<<"$(stats "${seconds[$kind|writer]}")"
  [ -z "$baseline" ] || read -r _ median_base <<<"$(stats "${seconds[$kind|baseline]}")"
  for program in "${programs[@]}" $([ "$kind" = tiny ] && echo empty); do
    read -r low median <<<"$(stats "${seconds[$kind|$program]}")"
    versus_7zz=$([ $native_ratios = 1 ] && [ "$program" != 7zz ] && ratio "$median_7zz" "$median" || echo -)
    versus_nsis=$([ "$program" != nsis ] && ratio "$median_nsis" "$median" || echo -)
    case $program in 7zz|writer|empty) versus_writer=- ;; *) versus_writer=$(ratio "$median" "$median_writer") ;; esac
    line=$(printf '%-7s %-9s %8s %8s %10s %11s %9s' "$kind" "$program" "$low" "$median" "$versus_7zz" "$versus_nsis" \
      "$versus_writer")
    [ -z "$baseline" ] || line+=$(printf ' %13s' "$([ "$program" = stub ] && ratio "$median" "$median_base" || echo -)")
    printf '%s %13s\n' "$line" "$(( ${rss[$kind|$program]} >> 10 ))"
  done
done
read -r min_tiny median_tiny <<<"$(stats "${seconds[tiny|stub]}")"
read -r min_empty median_empty <<<"$(stats "${seconds[tiny|empty]}")"
milliseconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.0f", (a - b) * 1000 }'; }
echo
echo "start-up: the stub extracting 1 KiB takes $(milliseconds "$median_tiny" "$median_empty") ms more than Wine" \
  "starting an empty GUI program (medians $median_tiny s and $median_empty s; minima" \
  "$(milliseconds "$min_tiny" "$min_empty") ms apart)"
read -r _ median_small <<<"$(stats "${seconds[small|stub]}")"
read -r _ median_small_writer <<<"$(stats "${seconds[small|writer]}")"
echo "small files: the stub takes $(ratio "$median_small" "$median_small_writer") times the yardstick's time" \
  "(medians $median_small s and $median_small_writer s, $small_files files, $variant)"
echo "peak memory of the stub above the empty program's $(( ${rss[tiny|empty]} >> 10 )) MiB:" \
  "$(for entry in "${kinds[@]}"; do kind=${entry%%|*}; printf '%s %d MiB; ' "$kind" $(( (${rss[$kind|stub]} - ${rss[tiny|empty]}) >> 10 )); done)"
