#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test:
# native unit and command-line tests (plain and with ASan+UBSan), fuzz smoke runs, and the Windows-side tests
# under Wine (which also use the native kvsfx).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
started=$(date +%s)
step() { printf '\n== %s (%ss)\n' "$*" "$(( $(date +%s) - started ))"; }

step "host set-up"
scripts/setup-host.sh

# The win32 build comes first: the native builder tests rebuild the resources of its stub.
step "builds: win32, native"
scripts/build.sh win32
scripts/build.sh native

step "native tests"
ctest --test-dir build/native --output-on-failure

step "sanitizer build and tests"
scripts/build.sh asan
ctest --test-dir build/asan --output-on-failure

step "fuzz smoke runs"
scripts/fuzz.sh "${KVSFX_FUZZ_SECONDS:-20}"

step "Windows-side tests under Wine"
scripts/wine-session.sh ctest --test-dir build/win32 --output-on-failure

step "done"
