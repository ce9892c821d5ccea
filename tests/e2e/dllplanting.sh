#!/usr/bin/env bash
# No DLL from the installer's folder: for every DLL the stub loads after it has started (through extraction,
# the folder dialog and its folder browser, launch commands and the crash-dump path), a marker DLL of that name is planted beside the installer and Wine is
# told to prefer it (NAME=n,b); the marker must never load. The list comes from a WINEDEBUG=+loaddll trace of
# each run less what Wine's own built-in DLLs load by plain name whatever the program does: at start (version.dll,
# uxtheme.dll through its common controls, ...) and to paint the progress window (msimg32.dll, measured with the
# stub's spine showing only that window). No program can steer those loads, and Windows takes them from the
# system folder (KnownDLLs, its secure delay-load helper). The stub's own delay-loaded DLLs (comctl32.dll, at its
# first window) are planted wherever a run loads them, start-up or not. The control case shows that such a marker does load,
# so the check can see a load.
#   dllplanting.sh NATIVE_KVSFX STUB SCRIPTED_STUB RUNEXIT EXITWITH MARKER_DLL
set -uo pipefail
native=$1
. "$(dirname "$0")/lib.sh"
begin_installer_cases "$@"
stub=$2 scripted=$3 runexit=$4 exitwith=$5 marker=$6

mkdir -p payload && cp "$exitwith" payload/tool.exe
7zz a -bso0 -bsp0 payload.7z ./payload/* >/dev/null
launch() {  # NAME COMMAND
  printf '<SelfExtractor FormatVersionMajor="5" FormatVersionMinor="2"><Launch><Options><Option Id="o"><Commands>%s' "$2" > "$1.xml"
  printf '</Commands></Option></Options></Launch></SelfExtractor>' >> "$1.xml"
  "$native" build --config "$1.xml" --payload payload.7z --stub "$stub" $(test_stub_flag "$stub") -o "$1.exe" >/dev/null
}
"$native" build --no-config --payload payload.7z --stub "$stub" $(test_stub_flag "$stub") -o extract.exe >/dev/null
launch create '<Command Id="c"><CreateProcess><Executable>${TargetPath}\tool.exe</Executable></CreateProcess></Command>'
launch shell '<Command Id="s"><ShellExecute Wait="true"><Executable>${TargetPath}\tool.exe</Executable></ShellExecute></Command>'
cp "$scripted" scripted.exe
markers=$(winpath "$work")\\markers.txt

# With `answer` set, the folder dialog of extract.exe is answered while a run goes on: the folder browser is
# opened from "..." and left, then Enter extracts.
answer_dialog() {
  local id
  id=$(timeout 30 xdotool search --sync --onlyvisible --name '^extract Self Extractor$' 2>/dev/null | head -n 1)
  [ -n "$id" ] || return 0
  sleep 0.5
  xdotool windowfocus --sync "$id" >/dev/null 2>&1
  xdotool key --delay 100 Tab Tab Tab space
  timeout 20 xdotool search --sync --onlyvisible --name '^Browse for Folder$' >/dev/null 2>&1 &&
    press_until_gone 'Browse for Folder' Escape
  press_until_gone 'extract Self Extractor' Return
}
answered() {
  local helper=""
  [ -n "${answer:-}" ] && { answer_dialog & helper=$!; }
  "$@"
  [ -z "$helper" ] || wait "$helper"
}

# The DLL names (lower case) a run loads, from Wine's trace.
loaded() {
  WINEDEBUG=+loaddll wine "$@" 2>&1 </dev/null | tr -d '\r' | sed -n 's/.*Loaded L"\([^"]*\)".*/\1/p' |
    sed 's/.*\\//' | tr 'A-Z' 'a-z' | grep -E '\.(dll|drv)$' | sort -u
}
at_start=$( (loaded extract.exe --gui off --bogus; KVSFX_TEST_PLAN='+ok@700' loaded scripted.exe) | sort -u)
delay_loaded=comctl32.dll

# plant_and_run NAME PROGRAM [ARGS...]: the run with each DLL it loads after start planted beside PROGRAM.
planted_total=0
planted=""
plant_and_run() {
  local name=$1 run_loads later dll loads=""
  shift
  run_loads=$(KVSFX_TEST_PLAN=${plan:-} answered loaded "$@")
  later=$( (comm -13 <(echo "$at_start") <(echo "$run_loads"); comm -12 <(echo "$delay_loaded") <(echo "$run_loads")) |
    sort -u)
  planted+=" $later"
  for dll in $later; do
    cp "$marker" "$dll"
    rm -f markers.txt
    KVSFX_MARKER_FILE=$markers KVSFX_TEST_PLAN=${plan:-} WINEDLLOVERRIDES="$WINEDLLOVERRIDES;${dll%.*}=n,b" \
      answered exit_code "$runexit" "$@" >/dev/null
    [ -s markers.txt ] && loads+="$dll "
    rm -f "$dll"
    planted_total=$((planted_total + 1))
  done
  echo "$name: planted beside the installer: ${later//$'\n'/ }" | tr -s ' '
  expect_eq "$name: no planted DLL loaded" "" "$loads"
}

plant_and_run "extract, no window" extract.exe --gui off --target "$(winpath "$work")\\x1"
answer=browse plant_and_run "folder dialog, folder browser, progress window" extract.exe --target "$(winpath "$work")\\x2"
plant_and_run "CreateProcess command" create.exe
plant_and_run "ShellExecute command" shell.exe --gui off
plan=crash plant_and_run "crash dump" scripted.exe
expect_eq "the crash-dump path's dbghelp.dll was among the planted ones" yes \
  "$(grep -qw dbghelp.dll <<< "$planted" && echo yes || echo no)"
expect_eq "the delay-loaded comctl32.dll was among the planted ones" yes \
  "$(grep -qw comctl32.dll <<< "$planted" && echo yes || echo no)"
expect_eq "a run without a window does not load comctl32.dll" "" \
  "$(loaded extract.exe --gui off --target "$(winpath "$work")\\x0" | grep -x comctl32.dll)"

# Control: a DLL that Wine's start-up loads by plain name is taken from beside the program when preferred, so
# the marker does show a load.
cp "$marker" version.dll
rm -f markers.txt
KVSFX_MARKER_FILE=$markers WINEDLLOVERRIDES="$WINEDLLOVERRIDES;version=n,b" exit_code "$runexit" extract.exe --gui off --bogus >/dev/null
expect_eq "control: a marker Wine's start-up loads is seen" yes "$([ -s markers.txt ] && echo yes || echo no)"
rm -f version.dll
echo "$planted_total planted runs"
finish
