#!/usr/bin/env bash
# The main job: build the installer stub and run it under Wine, printing its exit code and what it means.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
scripts/setup-host.sh >/dev/null
scripts/build.sh win32 >/dev/null
scripts/build.sh native >/dev/null
stub=build/win32/app/kv-sfxstub.exe
echo "stub: $stub ($(stat -c %s "$stub") bytes; $(file -b "$stub" | cut -d, -f1))"
line=$(scripts/wine-session.sh bash -c '. scripts/wine-env.sh; wine build/win32/tools/runexit/kv-runexit.exe "$(winepath -w "$1")" "${@:2}"' \
         _ "$stub" "$@" 2>/dev/null | tr -d '\r' | grep '^exit=') || { echo "the stub could not be run" >&2; exit 1; }
code=$(sed 's/^exit=\(0x[0-9A-F]*\).*/\1/' <<< "$line")
echo "exit code: $(build/native/builder/kvsfx explain "$code")"
