#!/usr/bin/env bash
# The main job: build a sample extract-mode installer with kvsfx build from samples/hello, run it under Wine
# into a fresh folder, and print what was extracted and the exit code with its meaning.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
scripts/setup-host.sh >/dev/null
. scripts/wine-env.sh
scripts/build.sh win32 >/dev/null
[ "$KVSFX_WIN_BUILD" = win32 ] || scripts/build.sh "$KVSFX_WIN_BUILD" >/dev/null
scripts/build.sh native >/dev/null
kvsfx=build/native/builder/kvsfx
stub=build/win32/app/kv-sfxstub.exe
out=build/demo
rm -rf "$out" && mkdir -p "$out"

echo "== kvsfx build"
"$kvsfx" build --config samples/hello/setup.xml --payload samples/hello/payload --stub "$stub" -o "$out/hello-setup.exe"
installer=$out/hello-setup.exe
if [ "$KVSFX_WIN_BUILD" != win32 ]; then
  # This host's Wine runs no 32-bit program: the same installer, made from the x86-64 stub, is the one run.
  echo "(this host runs no 32-bit programs: also built from the x86-64 stub, and that installer is run)"
  "$kvsfx" build --config samples/hello/setup.xml --payload samples/hello/payload \
    --stub "build/$KVSFX_WIN_BUILD/app/kv-sfxstub.exe" -o "$out/hello-setup-x64.exe" >/dev/null
  installer=$out/hello-setup-x64.exe
fi
echo
echo "== kvsfx plan (a Windows 11 x64 machine)"
"$kvsfx" plan "$out/hello-setup.exe"
echo
echo "== run under Wine: $(basename "$installer") --gui off --target <fresh folder>"
target="$repo/$out/extracted"
line=$(scripts/wine-session.sh bash -c '. scripts/wine-env.sh
  wine "build/$KVSFX_WIN_BUILD/tools/runexit/kv-runexit.exe" "$(winepath -w "$1")" --gui off --target "$(winepath -w "$2")"' \
  _ "$installer" "$target" 2>/dev/null | tr -d '\r' | grep '^exit=') ||
  { echo "the installer could not be run" >&2; exit 1; }
echo "extracted into $out/extracted:"
(cd "$target" 2>/dev/null && find . -type f | sort | sed 's|^\./|  |') || echo "  (nothing)"
code=$(sed 's/^exit=\(0x[0-9A-F]*\).*/\1/' <<< "$line")
echo "exit code: $("$kvsfx" explain "$code")"
