#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for SECONDS (default 20: the smoke run of the test command;
# use 600 or more for a real campaign). Corpora persist in build/fuzz/corpus/<target>.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
seconds=${1:-20}
shift || true
scripts/build.sh fuzz >/dev/null
targets=("$@")
[ ${#targets[@]} -gt 0 ] || mapfile -t targets < <(cd build/fuzz/fuzz && ls -- *_fuzzer)
for target in "${targets[@]}"; do
  corpus="build/fuzz/corpus/$target"
  mkdir -p "$corpus"
  echo "fuzz: $target for ${seconds}s"
  # Optional dictionary (fuzz/<target>.dict) and read-only seeds (fuzz/seeds/<target>/): new inputs go to
  # the first corpus directory only.
  flags=()
  seeds=()
  [ -f "fuzz/$target.dict" ] && flags+=(-dict="fuzz/$target.dict")
  [ -d "fuzz/seeds/$target" ] && seeds+=("fuzz/seeds/$target/")
  "build/fuzz/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 "${flags[@]}" "$corpus" "${seeds[@]}" 2>&1 \
    | grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)|ERROR|SUMMARY' || true
  # libFuzzer leaves crash-* files in the working directory when it finds something.
  if ls crash-* leak-* timeout-* >/dev/null 2>&1; then echo "fuzz: $target found a failing input" >&2; exit 1; fi
done
