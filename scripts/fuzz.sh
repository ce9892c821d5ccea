#!/usr/bin/env bash
# Builds the libFuzzer targets and runs them, each after the other.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#     Smoke runs (the test command's): SECONDS each (default 20); new inputs stay in build/fuzz/corpus/<target>.
#   scripts/fuzz.sh --campaign SECONDS [--runs N] [TARGET...]
#     A recorded campaign: SECONDS each (or N executions, whichever comes first), at the lowest priority. The
#     inputs it finds are merged with -merge=1 into fuzz/corpus/<target>/ (only those adding coverage beyond the
#     seeds and the corpus so far; commit them). Prints executions, coverage (cov, ft) and findings per target;
#     logs and failing inputs go to build/fuzz/campaign/.
#   scripts/fuzz.sh --replay [TARGET...]
#     Only the timing-dependent regression inputs (fuzz/seeds/<target>/regress-mt-*: races between decoder threads),
#     each replayed KVSFX_FUZZ_REPLAYS times (default 200), and mtdec_interleaving, which forces the decoder race
#     that they once hit. Smoke runs begin with the same.
# Every run reads fuzz/seeds/<target>/, fuzz/corpus/<target>/ and the dictionary fuzz/<target>.dict if present.
# A failing input (crash, sanitizer report, leak, timeout, out of memory) fails the script. KVSFX_FUZZ_BUILD picks
# another fuzz build (fuzz32, fuzz-tsan; default fuzz); its files go to build/<that build>/ instead.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
mode=smoke
runs=
if [ "${1:-}" = --campaign ]; then
  mode=campaign
  shift
  [ $# -gt 0 ] || { echo "usage: $0 --campaign SECONDS [--runs N] [TARGET...]" >&2; exit 2; }
fi
if [ "${1:-}" = --replay ]; then
  mode=replay
  shift
else
  seconds=${1:-20}
  shift || true
fi
if [ "${1:-}" = --runs ]; then runs=$2; shift 2; fi
build=${KVSFX_FUZZ_BUILD:-fuzz}
scripts/build.sh "$build" >/dev/null
targets=("$@")
[ ${#targets[@]} -gt 0 ] || mapfile -t targets < <(cd "build/$build/fuzz" && ls -- *_fuzzer)

# Flags and read-only corpus directories of a target: new inputs go to the first directory given, never to these.
inputs() {
  local target=$1 source
  flags=(-timeout="${KVSFX_FUZZ_TIMEOUT:-60}")
  readonly_dirs=()
  [ -f "fuzz/$target.dict" ] && flags+=(-dict="fuzz/$target.dict")
  for source in "fuzz/seeds/$target" "fuzz/corpus/$target"; do
    [ -d "$source" ] && readonly_dirs+=("$source/")
  done
  return 0
}

# The failing inputs libFuzzer left with the given prefix.
artifacts() { ls -- "$1"crash-* "$1"leak-* "$1"timeout-* "$1"oom-* 2>/dev/null || true; }

replay() {
  local target=$1 inputs
  mapfile -t inputs < <(ls -- "fuzz/seeds/$target"/regress-mt-* 2>/dev/null || true)
  [ ${#inputs[@]} -gt 0 ] || return 0
  echo "fuzz: $target replays ${#inputs[@]} timing-dependent inputs ${KVSFX_FUZZ_REPLAYS:-200} times each"
  local input
  for input in "${inputs[@]}"; do
    "build/$build/fuzz/$target" -runs="${KVSFX_FUZZ_REPLAYS:-200}" "$input" > "build/$build/replay.log" 2>&1 || {
      grep -E 'ERROR|SUMMARY|runtime error' "build/$build/replay.log" | head -5 >&2
      echo "fuzz: $target failed on $input (log: build/$build/replay.log)" >&2
      return 1
    }
  done
}

smoke() {
  local target=$1 corpus="build/$build/corpus/$1" prefix="build/$build/artifacts/$1-"
  mkdir -p "$corpus" "build/$build/artifacts"
  rm -f -- $(artifacts "$prefix")
  inputs "$target"
  echo "fuzz: $target for ${seconds}s"
  "build/$build/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$prefix" \
    "${flags[@]}" "$corpus" "${readonly_dirs[@]}" 2>&1 \
    | grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)|ERROR|SUMMARY' || true
  if [ -n "$(artifacts "$prefix")" ]; then
    echo "fuzz: $target found a failing input: $(artifacts "$prefix")" >&2
    return 1
  fi
}

campaign() {
  local target=$1 dir="build/$build/campaign/$1" recorded="fuzz/corpus/$1"
  rm -rf "$dir"
  mkdir -p "$dir/new" "$dir/merged" "$recorded"
  inputs "$target"
  echo "fuzz: $target for ${seconds}s${runs:+ or $runs executions} (log: $dir/fuzz.log)"
  # A finding ends a libFuzzer run: the campaign goes on with what is left of its time and executions (at most
  # 20 runs, in case one input keeps failing at once).
  local executions=0 started done ran left limit attempt
  started=$(date +%s)
  for attempt in $(seq 20); do
    left=$(( seconds - ($(date +%s) - started) ))
    [ "$left" -gt 0 ] || break
    limit=(-max_total_time="$left")
    [ -z "$runs" ] || limit+=(-runs="$(( runs - executions ))")
    nice -n 19 "build/$build/fuzz/$target" "${limit[@]}" -print_final_stats=1 -artifact_prefix="$dir/" \
      "${flags[@]}" "$dir/new" "${readonly_dirs[@]}" > "$dir/run.log" 2>&1 && done=1 || done=0
    cat "$dir/run.log" >> "$dir/fuzz.log"
    ran=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/run.log" | tail -1)
    executions=$(( executions + ${ran:-0} ))
    [ "$done" = 0 ] || break
    [ -z "$runs" ] || [ "$executions" -lt "$runs" ] || break
  done

  # Minimise: the seeds go in first under a marked name, so only inputs that add to them are kept.
  if [ -d "fuzz/seeds/$target" ]; then
    local seed
    for seed in "fuzz/seeds/$target"/*; do cp -- "$seed" "$dir/merged/seed-$(basename "$seed")"; done
  fi
  nice -n 19 "build/$build/fuzz/$target" -merge=1 "${flags[@]}" "$dir/merged" "$recorded" "$dir/new" \
    > "$dir/merge.log" 2>&1 || { echo "fuzz: $target: merging failed, see $dir/merge.log" >&2; return 1; }
  rm -f -- "$dir/merged"/seed-*
  rm -rf "$recorded"
  mv "$dir/merged" "$recorded"

  local status cov ft files bytes found
  status=$(grep -E '^#[0-9]+.* cov: [0-9]+ ft: [0-9]+' "$dir/fuzz.log" | tail -1 || true)
  cov=$(sed -E 's/.* cov: ([0-9]+).*/\1/' <<<"$status")
  ft=$(sed -E 's/.* ft: ([0-9]+).*/\1/' <<<"$status")
  files=$(find "$recorded" -type f | wc -l)
  bytes=$(du -sb "$recorded" | cut -f1)
  found=$(artifacts "$dir/")
  printf '%-20s executions %-10s cov %-6s ft %-7s corpus %s files, %s bytes; findings: %s\n' \
    "$target" "$executions" "${cov:-?}" "${ft:-?}" "$files" "$bytes" "${found:-none}" | tee -a build/$build/campaign.txt
  if [ -n "$found" ]; then
    grep -E 'ERROR|SUMMARY|runtime error' "$dir/fuzz.log" | head -5 >&2
    return 1
  fi
}

failed=0
if [ "$mode" != campaign ]; then
  "build/$build/fuzz/mtdec_interleaving" || failed=1
  [ "$mode" = replay ] || for target in "${targets[@]}"; do replay "$target" || failed=1; done
fi
for target in "${targets[@]}"; do
  "$mode" "$target" || failed=1
done
exit "$failed"
