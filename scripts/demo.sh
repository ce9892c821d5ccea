#!/usr/bin/env bash
# The main job: build a sample extract-mode installer with kvsfx build from samples/hello (twice, reproducibly:
# the sha256 of both builds, and its version information), run it under Wine into a fresh folder, and print what
# was extracted and the exit code with its meaning; then a launch-mode installer from samples/msi (a Windows
# Installer package built with wixl, installed silently by msiexec through a command sequence), and what it
# installed.
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

# Reproducible installers: no time stored or written is later than SOURCE_DATE_EPOCH (2026-01-01 unless given).
# Files older than it keep their own times, so it must not be later than the payload files' times on disk.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-1767225600}

# build_twice PAYLOAD OUTPUT.exe BUILD-ARGS...: builds the installer, then again into $out/again/ from a copy of the
# payload in another folder (its files' times are new), and prints the sha256 of both.
build_twice() {
  local payload=$1 output=$2 copy; shift 2
  "$kvsfx" build --payload "$payload" --stub "$stub" -o "$output" "$@"
  copy="$out/again/payload-$(basename "$output" .exe)"
  mkdir -p "$copy" && cp -r "$payload"/. "$copy"/
  "$kvsfx" build --payload "$copy" --stub "$stub" -o "$out/again/$(basename "$output")" "$@" >/dev/null
  echo "sha256 of two builds (SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH, the second from a copy made now):"
  (cd "$out" && sha256sum "$(basename "$output")" "again/$(basename "$output")" | sed 's/^/  /')
  cmp -s "$output" "$out/again/$(basename "$output")" && echo "  the same bytes" || echo "  DIFFERENT"
}

echo "== kvsfx build"
build_twice samples/hello/payload "$out/hello-setup.exe" --config samples/hello/setup.xml \
  --product-name "kv-sfx Hello" --product-version 1.0 --company "kv-sfx sample"
installer=$out/hello-setup.exe
echo
echo "== kvsfx inspect: the version information"
"$kvsfx" inspect "$installer" | sed -n '/^version:/,/^payload:/p' | sed '$d'
if [ "$KVSFX_WIN_BUILD" != win32 ]; then
  # This host's Wine runs no 32-bit program: the same installer, made from the x86-64 stub, is the one run.
  echo "(this host runs no 32-bit programs: also built from the x86-64 stub, and that installer is run)"
  "$kvsfx" build --config samples/hello/setup.xml --payload samples/hello/payload \
    --stub "$(kvsfx_runnable_stub)" --allow-test-stub -o "$out/hello-setup-x64.exe" >/dev/null
  installer=$out/hello-setup-x64.exe
fi
echo
echo "== kvsfx plan (a Windows 11 x64 machine)"
"$kvsfx" plan "$out/hello-setup.exe"
echo
echo "== run under Wine: $(basename "$installer") --gui off --target <fresh folder>"
target="$repo/$out/extracted"
code=$(scripts/wine-session.sh bash -c '. scripts/wine-env.sh
  wine "build/$KVSFX_WIN_BUILD/tools/runexit/kv-runexit.exe" "$(winepath -w "$1")" --gui off --target "$(winepath -w "$2")"' \
  _ "$installer" "$target" 2>/dev/null | kvsfx_exit_codes) && [ -n "$code" ] ||
  { echo "the installer could not be run" >&2; exit 1; }
echo "extracted into $out/extracted:"
(cd "$target" 2>/dev/null && find . -type f | sort | sed 's|^\./|  |') || echo "  (nothing)"
echo "exit code: $("$kvsfx" explain "$code")"

echo
echo "== launch mode: samples/msi (msiexec /i product.msi /qn in a command sequence)"
samples/msi/build-msi.sh "$out/msi" >/dev/null
mkdir -p "$out/msi-payload" && cp "$out/msi/product.msi" "$out/msi-payload/"
stub_run=$(kvsfx_runnable_stub)
stub_shipped=$stub stub=$stub_run
build_twice "$out/msi-payload" "$out/msi-setup.exe" --config samples/msi/setup.xml \
  --product-name "kv-sfx Sample" --product-version 1.0 --company "kv-sfx sample" \
  $([ "$KVSFX_WIN_BUILD" != win32 ] && echo --allow-test-stub)
stub=$stub_shipped
"$kvsfx" plan "$out/msi-setup.exe" | sed -n '/^tasks:/,$p'
echo
echo "== run under Wine: msi-setup.exe --gui off --logfile <log>, then --command uninstall"
lines=$(scripts/wine-session.sh bash -c '. scripts/wine-env.sh
  runexit="build/$KVSFX_WIN_BUILD/tools/runexit/kv-runexit.exe"
  wine "$runexit" "$(winepath -w "$1")" --gui off --logfile "$(winepath -w "$2")"
  find "$WINEPREFIX/drive_c" -path "*/kv-sfx sample/*" -type f | sed "s|^$WINEPREFIX/drive_c|installed: C:|"
  wine "$runexit" "$(winepath -w "$1")" --gui off --command uninstall | sed "s/^exit=/uninstall exit=/"' \
  _ "$out/msi-setup.exe" "$out/msi-setup.log" 2>/dev/null | tr -d '\r') ||
  { echo "the installer could not be run" >&2; exit 1; }
grep '^installed: ' <<< "$lines" || echo "installed: nothing"
code=$(kvsfx_exit_codes <<< "$lines")
echo "exit code: $("$kvsfx" explain "$code")"
echo "uninstall: $(kvsfx_exit_codes "uninstall " <<< "$lines")"
echo "log: $out/msi-setup.log ($(wc -l < "$out/msi-setup.log") lines; kvsfx explain --log summarises it)"
