#!/usr/bin/env bash
# The main job: build a sample extract-mode installer with kvsfx build from samples/hello, run it under Wine
# into a fresh folder, and print what was extracted and the exit code with its meaning.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
scripts/setup-host.sh >/dev/null
scripts/build.sh win32 >/dev/null
scripts/build.sh native >/dev/null
kvsfx=build/native/builder/kvsfx
stub=build/win32/app/kv-sfxstub.exe
out=build/demo
rm -rf "$out" && mkdir -p "$out"

echo "== kvsfx build"
"$kvsfx" build --config samples/hello/setup.xml --payload samples/hello/payload --stub "$stub" -o "$out/hello-setup.exe"
echo
echo "== kvsfx plan (a Windows 11 x64 machine)"
"$kvsfx" plan "$out/hello-setup.exe"
echo
echo "== run under Wine: hello-setup.exe --gui off --target <fresh folder>"
target="$repo/$out/extracted"
line=$(scripts/wine-session.sh bash -c '. scripts/wine-env.sh
  wine build/win32/tools/runexit/kv-runexit.exe "$(winepath -w "$1")" --gui off --target "$(winepath -w "$2")"' \
  _ "$out/hello-setup.exe" "$target" 2>/dev/null | tr -d '\r' | grep '^exit=') ||
  { echo "the installer could not be run" >&2; exit 1; }
echo "extracted into $out/extracted:"
(cd "$target" 2>/dev/null && find . -type f | sort | sed 's|^\./|  |') || echo "  (nothing)"
code=$(sed 's/^exit=\(0x[0-9A-F]*\).*/\1/' <<< "$line")
echo "exit code: $("$kvsfx" explain "$code")"
