#!/usr/bin/env bash
# The stub's spine end to end: the scripted stub in a program folder too deep to split. (Exit codes, the error box
# and its title: win_unit_tests StubProcess; the shipped stub's kind of image: scripts/check-stub.sh.)
#   spine.sh SCRIPTED_STUB
set -uo pipefail
. "$(dirname "$0")/lib.sh"
in_wine_session "$@"
enter_work_folder
scripted=$1

# A program folder of 256 characters or more cannot be split into its parts: the run ends at its first step.
deep="$work/$(printf 'd%.0s' $(seq 1 100))/$(printf 'e%.0s' $(seq 1 100))/$(printf 'f%.0s' $(seq 1 100))"
mkdir -p "$deep" && cp "$scripted" "$deep/stub.exe"
export KVSFX_TEST_PLAN='set:SfxExitCode=1'
wine "$deep/stub.exe" --gui off >/dev/null 2>&1; status=$?
expect_eq "256-character program folder: 0xE0010022 (low byte)" 34 "$status"

finish
