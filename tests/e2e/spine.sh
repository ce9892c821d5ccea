#!/usr/bin/env bash
# The stub's spine end to end: the real stub's image, and the scripted stub in a folder too deep to split.
#   spine.sh STUB SCRIPTED_STUB
set -uo pipefail
. "$(dirname "$0")/lib.sh"
in_wine_session "$@"
enter_work_folder
stub=$1 scripted=$2

if [ "$KVSFX_WINE_BITS" = 64 ]; then
  expect_eq "stub is the x86-64 GUI PE of the test variant" "yes" \
    "$(file -b "$stub" | grep -q '^PE32+ executable (GUI) x86-64' && echo yes || echo no)"
else
  expect_eq "stub is a 32-bit GUI PE" "yes" \
    "$(file -b "$stub" | grep -q '^PE32 executable (GUI) Intel 80386' && echo yes || echo no)"
fi

# (Exit codes, the error box and its title: win_unit_tests StubProcess.)
# A program folder of 256 characters or more cannot be split into its parts: the run ends at its first step.
deep="$work/$(printf 'd%.0s' $(seq 1 100))/$(printf 'e%.0s' $(seq 1 100))/$(printf 'f%.0s' $(seq 1 100))"
mkdir -p "$deep" && cp "$scripted" "$deep/stub.exe"
export KVSFX_TEST_PLAN='set:SfxExitCode=1'
wine "$deep/stub.exe" --gui off >/dev/null 2>&1; status=$?
expect_eq "256-character program folder: 0xE0010022 (low byte)" 34 "$status"

finish
