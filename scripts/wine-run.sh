#!/usr/bin/env bash
# Runs one Windows program under Wine: inside the current session, or in a session of its own.
#   scripts/wine-run.sh PROGRAM.exe [ARGS...]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/scripts/wine-env.sh"
kvsfx_in_wine_session "$0" "$@"
exec wine "$@"
