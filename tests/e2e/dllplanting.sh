#!/usr/bin/env bash
# No DLL from the installer's folder: for every DLL the stub loads after start (extraction, the folder dialog and
# its browser, launch commands, the crash-dump path) a marker DLL of that name is planted beside the installer and
# preferred (NAME=n,b); it must never load. The list is each run's WINEDEBUG=+loaddll trace less what Wine's own
# built-in DLLs load by plain name whatever the program does (at start: version.dll, uxtheme.dll, ...; to paint the
# progress window: msimg32.dll): no program steers those, and Windows takes them from the system folder (KnownDLLs,
# its secure delay-load helper). The stub's delay-loaded comctl32.dll is planted wherever a run loads it. A control
# case shows that a preferred marker does load, so the check can see a load.
#   dllplanting.sh NATIVE_KVSFX STUB SCRIPTED_STUB RUNEXIT EXITWITH MARKER_DLL
set -uo pipefail
native=$1
. "$(dirname "$0")/lib.sh"
begin_installer_cases "$@"
stub=$2 scripted=$3 runexit=$4 exitwith=$5 marker=$6

make_payload "$exitwith"
launch() { configured "$1" "$(launch_document "$2")" payload.7z; }  # NAME COMMAND
installer extract.exe payload.7z --no-config
launch create '<Command Id="c"><CreateProcess><Executable>${TargetPath}\tool.exe</Executable></CreateProcess></Command>'
launch shell '<Command Id="s"><ShellExecute Wait="true"><Executable>${TargetPath}\tool.exe</Executable></ShellExecute></Command>'
cp "$scripted" scripted.exe
markers=$(wpath markers.txt)

# With `answer` set, the folder dialog of extract.exe is answered while a run goes on: the folder browser is
# opened from "..." and left, then Enter extracts.
answer_dialog() {
  local id
  id=$(wait_window 'extract Self Extractor') || return 0
  keys "$id" Tab Tab Tab space
  wait_window 'Browse for Folder' >/dev/null && press_until_gone 'Browse for Folder' Escape
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

plant_and_run "extract, no window" extract.exe --gui off --target "$(wpath x1)"
answer=browse plant_and_run "folder dialog, folder browser, progress window" extract.exe --target "$(wpath x2)"
plant_and_run "CreateProcess command" create.exe
plant_and_run "ShellExecute command" shell.exe --gui off
temp=$(wine_temp)
dumps_before=$(ls "$temp"/kv-sfxstub_*.dmp 2>/dev/null)
plan=crash plant_and_run "crash dump" scripted.exe
# Each crash leaves a dump of the whole process (about 150 MB under Wine): the ones made here go.
comm -13 <(echo "$dumps_before") <(ls "$temp"/kv-sfxstub_*.dmp 2>/dev/null) | xargs -r rm -f
expect_eq "the crash-dump path's dbghelp.dll was among the planted ones" yes \
  "$(grep -qw dbghelp.dll <<< "$planted" && echo yes || echo no)"
expect_eq "the delay-loaded comctl32.dll was among the planted ones" yes \
  "$(grep -qw comctl32.dll <<< "$planted" && echo yes || echo no)"
expect_eq "a run without a window does not load comctl32.dll" "" \
  "$(loaded extract.exe --gui off --target "$(wpath x0)" | grep -x comctl32.dll)"

# Control: a DLL that Wine's start-up loads by plain name is taken from beside the program when preferred, so
# the marker does show a load.
cp "$marker" version.dll
rm -f markers.txt
KVSFX_MARKER_FILE=$markers WINEDLLOVERRIDES="$WINEDLLOVERRIDES;version=n,b" exit_code "$runexit" extract.exe --gui off --bogus >/dev/null
expect_eq "control: a marker Wine's start-up loads is seen" yes "$([ -s markers.txt ] && echo yes || echo no)"
rm -f version.dll
echo "$planted_total planted runs"
finish
