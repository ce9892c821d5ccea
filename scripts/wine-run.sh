#!/usr/bin/env bash
# Runs one Windows program under Wine: inside the current session, or in a session of its own.
#   scripts/wine-run.sh PROGRAM.exe [ARGS...]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${KVSFX_WINE_SESSION:-}" ]; then exec "$repo/scripts/wine-session.sh" "$0" "$@"; fi
. "$repo/scripts/wine-env.sh"
exec wine "$@"
