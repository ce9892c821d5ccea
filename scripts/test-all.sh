#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test:
# native unit tests (plain and with ASan+UBSan), fuzz smoke runs, and the Windows-side tests under Wine.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
started=$(date +%s)
step() { printf '\n== %s (%ss)\n' "$*" "$(( $(date +%s) - started ))"; }

step "host set-up"
scripts/setup-host.sh

step "native build and tests"
scripts/build.sh native
ctest --test-dir build/native --output-on-failure

step "sanitizer build and tests"
scripts/build.sh asan
ctest --test-dir build/asan --output-on-failure

step "fuzz smoke runs"
scripts/fuzz.sh "${KVSFX_FUZZ_SECONDS:-20}"

step "win32 build and tests under Wine"
scripts/build.sh win32
scripts/wine-session.sh ctest --test-dir build/win32 --output-on-failure

step "done"
