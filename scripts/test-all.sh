#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test:
# native unit and command-line tests (plain and with ASan+UBSan), fuzz smoke runs and the decoder-thread races
# under ThreadSanitizer, the Windows-side tests under
# Wine (which also use the native kvsfx) and a quick benchmark run that only prints figures. The Wine tests run the
# i686 build where Wine can run 32-bit programs, else its x86-64 build (scripts/wine-env.sh tells which); the
# shipped i686 stub is checked everywhere.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
started=$(date +%s)
step() { printf '\n== %s (%ss)\n' "$*" "$(( $(date +%s) - started ))"; }

step "host set-up"
scripts/setup-host.sh
. scripts/wine-env.sh

# The win32 build comes first: the native builder tests rebuild the resources of its stub.
step "builds: win32, win64, native"
scripts/build.sh win32
scripts/build.sh win64
scripts/build.sh native

step "the shipped stub"
scripts/check-stub.sh

step "the stub built in another folder: the same bytes"
nice -n 10 scripts/check-reproducible.sh

step "native tests"
ctest --test-dir build/native --output-on-failure

step "sanitizer build and tests"
scripts/build.sh asan
ctest --test-dir build/asan --output-on-failure

step "fuzz smoke runs"
scripts/fuzz.sh "${KVSFX_FUZZ_SECONDS:-20}"

step "decoder-thread races under ThreadSanitizer (regression inputs replayed, one interleaving forced)"
KVSFX_FUZZ_BUILD=fuzz-tsan scripts/fuzz.sh --replay payload_fuzzer

step "Windows-side tests under Wine ($KVSFX_WIN_BUILD)"
scripts/wine-session.sh ctest --test-dir "build/$KVSFX_WIN_BUILD" --output-on-failure -LE on-demand
# Checks this build cannot make, with their reasons (the x86-64 build skips the WOW64-only ones).
log="build/$KVSFX_WIN_BUILD/Testing/Temporary/LastTest.log"
skipped=$(tr -d '\r' < "$log" | awk '/: Skipped$/ { where = $1; getline; print "  " where " " $0 } /^skip / { print "  " $0 }')
if [ -n "$skipped" ]; then printf 'skipped:\n%s\n' "$skipped"; fi

step "benchmark smoke run ($KVSFX_WIN_BUILD, figures only: slow numbers never fail, a program that fails does)"
scripts/bench.sh --quick

step "done"
