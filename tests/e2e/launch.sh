#!/usr/bin/env bash
# Launch mode end to end: installers made by kvsfx build run a test program (kv-exitwith: logs its command line
# and folder, exits with the code it is given) as CreateProcess and ShellExecute commands and in sequences with
# conditions and message boxes, relaunch themselves elevated, and never take a program from their own folder.
#   launch.sh NATIVE_KVSFX STUB RUNEXIT EXITWITH
set -uo pipefail
native=$1
. "$(dirname "$0")/lib.sh"
begin_installer_cases "$@"
stub=$2 runexit=$3 exitwith=$4

make_payload "$exitwith"
export KVSFX_EXITWITH_LOG="$work/calls.log"

launch() {  # NAME COMMANDS [BUILD OPTIONS...]
  local name=$1 commands=$2; shift 2
  configured "$name" "$(launch_document "$commands" "Launch Test")" payload.7z "$@"
}
tool() { create_process "$1" '${TargetPath}\tool.exe' "$2"; }  # ID ARGUMENTS
run() { rm -f calls.log; quiet "$@"; }
calls() { [ -f calls.log ] && tr -d '\r' < calls.log | wc -l || echo 0; }

# Single commands: the exit code passes through; the process runs in the extracted folder, which is deleted after.
before=$(guid_folders)
launch cp "$(tool install 3010)"
expect_eq "CreateProcess: the program's exit code (3010) is the installer's" 0x00000BC2 "$(run cp.exe)"
expect_eq "  it ran once, in the extracted {GUID} folder under the Installer folder" "1 yes" \
  "$(calls) $(grep -q -i -E 'cwd=C:\\windows\\Installer\\\{[0-9A-F-]{36}\}' calls.log && echo yes || echo no)"
expect_eq "  the extracted folder is deleted afterwards" "$before" "$(guid_folders)"
launch se-wait '<Command Id="s"><ShellExecute Wait="true"><Executable>${TargetPath}\tool.exe</Executable><Arguments>1603</Arguments></ShellExecute></Command>'
expect_eq "ShellExecute with Wait: 1603" 0x00000643 "$(run se-wait.exe)"
launch se-nowait '<Command Id="s"><ShellExecute><Executable>${TargetPath}\tool.exe</Executable><Arguments>--sleep 300 5</Arguments></ShellExecute></Command>'
expect_eq "ShellExecute without Wait: 0, whatever the program ends with" 0x00000000 "$(run se-nowait.exe)"
sleep 1
kept=$(comm -13 <(echo "$before") <(guid_folders))
expect_eq "  and its files stay (no cleanup task)" "1" "$(echo "$kept" | grep -c .)"
[ -n "$kept" ] && rm -rf $kept

# kvsfx plan reads the installer's command line with the installer's parser: the arguments it shows for a command
# are the ones the program receives, passthrough quotes and all.
launch pass "$(tool p 7)"
planned() { "$native" plan pass.xml -- "$@" | sed -n 's/^ *call: CreateProcessW "[^"]*" \(.*\) in ${TargetPath}, hidden; waits$/\1/p'; }
received() { rm -f calls.log; exit_code "$runexit" pass.exe "$@" >/dev/null; tr -d '\r' < calls.log | sed 's/^.*|cmdline="[^"]*" //'; }
check_plan() { expect_eq "plan shows what the program receives: $*" "$(received "$@")" "$(planned "$@")"; }
check_plan --gui off --passthrough 'PROP="x y"' /qn
check_plan --gui off --passthrough --target 'C:\x'

# Sequences through the real worker: a step's result read by a later step's condition, an abort that ends the
# run (the rules of codes, conditions and result names: LaunchCommandTests, ConditionsTests).
step() {  # ID RESULT_NAME [BEFORE] [AFTER]: a step running the option's command ID
  printf '<SubCommand>%s<Command Id="%s"%s/>%s</SubCommand>' "${3:+<BeforeCommand>$3</BeforeCommand>}" "$1" \
    "${2:+ ResultName=\"$2\"}" "${4:+<AfterCommand>$4</AfterCommand>}"
}
sequence() {  # STEPS DEFINITIONS
  printf '<Command Id="all"><CommandSequence>%s</CommandSequence></Command>%s<DefaultCommand>all</DefaultCommand>' \
    "$1" "$2"
}
defs="$(tool a 3010)$(tool b 0)$(tool c 42)"
launch skip "$(sequence "$(step a A)$(step c C '<IfEqual Parameter="A" Value="0xBC2"><IfTrue><SkipCommand/></IfTrue></IfEqual>')" "$defs")"
expect_eq "a before condition that compares numbers (0xBC2 = 3010) skips the step" "0x00000BC2 1" "$(run skip.exe) $(calls)"
launch abort "$(sequence "$(step b B '' '<IfNotEqual Parameter="B" Value="1"><IfTrue><Abort/></IfTrue></IfNotEqual>')$(step c C)" "$defs")"
expect_eq "an after condition that aborts: later steps skipped, exit code 0 stands" "0x00000000 1" "$(run abort.exe) $(calls)"

# Message boxes: with --gui off the default answer stands; shown, the user's answer is stored.
ask='<IfEqual Parameter="SfxExitCode" Value="0"><IfTrue><Message IconType="Question" ResultType="CancelRetryContinue" DefaultResult="Cancel" ResultName="Answer">Try again?</Message></IfTrue></IfEqual>'
retry='<IfEqual Parameter="Answer" Value="Retry"><IfFalse><SkipCommand/></IfFalse></IfEqual>'
launch ask "$(sequence "$(step b B "$ask")$(step c C "$retry")" "$defs")"
expect_eq "--gui off: no box, the default (Cancel) stands, the step is skipped" 0x00000000 "$(run ask.exe)"
press_middle_button() {  # the box's second button: Tab from the default (first) button, then Space
  local first id
  # The progress window (same title) shows first, during the extraction: keys go to the box, which follows it.
  wait_window ' Launch Test' >/dev/null || return 1
  first=$(windows_titled ' Launch Test' | head -n 1)
  for _ in $(seq 1 40); do
    id=$(windows_titled ' Launch Test' | grep -vx "$first" | head -n 1)
    [ -z "$id" ] || break
    sleep 0.25
  done
  sleep 1  # mapped is not yet ready for keys
  keys "${id:-$first}" Tab && sleep 0.3 && keys "${id:-$first}" space
}
rm -f calls.log
start_run ask.exe
press_middle_button
expect_eq "the box answered with its middle button stores Retry: the step runs" 0x0000002A "$(finish_run)"

# No program from the installer's own folder: a bare name is found in the extracted files, the system folders
# and PATH only.
mkdir -p decoyed
cp "$exitwith" decoyed/planted.exe
launch decoyed/bare '<Command Id="p"><CreateProcess><Executable>planted.exe</Executable><Arguments>7</Arguments></CreateProcess></Command>'
expect_eq "a program planted beside the installer is not started: not found (2)" "0x00000002 0" "$(run decoyed/bare.exe) $(calls)"
launch decoyed/own '<Command Id="p"><CreateProcess><Executable>tool</Executable><Arguments>7</Arguments></CreateProcess></Command>'
cp "$exitwith" decoyed/tool.exe
expect_eq "the payload's own program wins over one beside the installer" "0x00000007 yes" \
  "$(run decoyed/own.exe) $(grep -q -E 'cmdline="C:\\.*\\\{[0-9A-F-]{36}\}\\tool.exe" 7' calls.log && echo yes || echo no)"

# Elevation: the installer relaunches itself (Wine starts "runas" without a prompt); the elevated copy runs the
# command in the same folder and its exit code comes back; extraction and cleanup happen once, in the first copy.
launch admin '<Command Id="s"><ShellExecute AsAdmin="true" Wait="true"><Executable>${TargetPath}\tool.exe</Executable><Arguments>1641</Arguments></ShellExecute></Command>'
expect_eq "as administrator: the elevated copy's exit code (1641)" 0x00000669 "$(run admin.exe --logfile "$(wpath admin.log)")"
expect_eq "  two copies in the log, the second internal" "2 yes" \
  "$(grep -c 'started: ' admin.log) $(grep -q 'command line: .* --internal 1 --target "' admin.log && echo yes || echo no)"
expect_eq "  extracted once, cleaned up once, the program ran once" "1 1 1" \
  "$(grep -c 'task extract_files started' admin.log) $(grep -c 'cleanup of ' admin.log) $(calls)"

finish
