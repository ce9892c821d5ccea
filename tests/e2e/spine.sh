#!/usr/bin/env bash
# The stub's spine end to end: the real stub, and the scripted stub for exit codes and the error message box.
#   spine.sh STUB SCRIPTED_STUB RUNEXIT
set -uo pipefail
. "$(dirname "$0")/lib.sh"
in_wine_session "$@"
enter_work_folder
stub=$1 scripted=$2 runexit=$3

if [ "$KVSFX_WINE_BITS" = 64 ]; then
  expect_eq "stub is the x86-64 GUI PE of the test variant" "yes" \
    "$(file -b "$stub" | grep -q '^PE32+ executable (GUI) x86-64' && echo yes || echo no)"
else
  expect_eq "stub is a 32-bit GUI PE" "yes" \
    "$(file -b "$stub" | grep -q '^PE32 executable (GUI) Intel 80386' && echo yes || echo no)"
fi

# (Exit codes and silent failures of the scripted stub: win_unit_tests StubProcess.)
export KVSFX_TEST_PLAN='ok;fail:0xEE002004'
expect_eq "failing task: message box with the application title, then its code" "shown 0xEE002004" \
  "$(exit_code_confirming " Self Extractor" "$scripted")"
# A program folder of 256 characters or more cannot be split into its parts: the run ends at its first step.
deep="$work/$(printf 'd%.0s' $(seq 1 100))/$(printf 'e%.0s' $(seq 1 100))/$(printf 'f%.0s' $(seq 1 100))"
mkdir -p "$deep" && cp "$scripted" "$deep/stub.exe"
export KVSFX_TEST_PLAN='set:SfxExitCode=1'
wine "$deep/stub.exe" --gui off >/dev/null 2>&1; status=$?
expect_eq "256-character program folder: 0xE0010022 (low byte)" 34 "$status"

finish
