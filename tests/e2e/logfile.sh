#!/usr/bin/env bash
# --logfile: each kind of failing step leaves a line naming the step, its path or command and the code; two
# copies appending to one log write whole lines; a log that cannot be written changes nothing in the run;
# kvsfx explain --log reads it back.
#   logfile.sh NATIVE_KVSFX STUB RUNEXIT
set -uo pipefail
native=$1
. "$(dirname "$0")/lib.sh"
begin_installer_cases "$@"
stub=$2 runexit=$3

mkdir -p payload && echo "alpha" > payload/a.txt
7zz a -bso0 -bsp0 payload.7z ./payload/* >/dev/null
wrap() { printf '<SelfExtractor FormatVersionMajor="5" FormatVersionMinor="2">%s</SelfExtractor>' "$1"; }
msi='<Command Id="Install"><CreateProcess><Executable>kvsfx-no-such-program.exe</Executable></CreateProcess></Command>'
printf '%s\n' "$(wrap "<Launch><Options><Option Id=\"en\"><LanguageTagSet><LanguageTag>en-US</LanguageTag>
  </LanguageTagSet><Commands>$msi</Commands></Option></Options></Launch>")" > launch.xml
"$native" build --config launch.xml --payload payload.7z --stub "$stub" $(test_stub_flag "$stub") -o launch.exe >/dev/null
"$native" build --no-config --payload payload.7z --stub "$stub" $(test_stub_flag "$stub") -o plain.exe >/dev/null
cp "$stub" bare.exe                                  # no configuration, no payload
cp plain.exe damaged.exe && printf 'XXXXXXXX' | dd of=damaged.exe bs=1 seek=$(( $(stat -c %s damaged.exe) - 40 )) \
  conv=notrunc 2>/dev/null                           # the payload's last header bytes overwritten

# run LOG PROGRAM [ARGS...]: the exit code of PROGRAM run with --logfile LOG (a Windows path) and --gui off.
run() { local log=$1 program=$2; shift 2; exit_code "$runexit" "$program" --gui off --logfile "$log" "$@"; }
has() { grep -q -F -- "$2" "$1" && echo yes || echo no; }
# The failure line: an ERROR record carrying every expected text.
failure_line() {  # LOG TEXT...
  local log=$1 line; shift
  line=$(grep 'ERROR: ' "$log" | head -n 1)
  for text in "$@"; do grep -q -F -- "$text" <<< "$line" || { echo "missing '$text' in: $line"; return; }; done
  echo ok
}

# Each kind of failing step.
expect_eq "no configuration, no payload: exit" 0xEE000001 "$(run "$(winpath "$work")\\bare.log" bare.exe)"
expect_eq "  the log says the default extractor ran" yes "$(has bare.log 'default extractor')"
expect_eq "  the failure line names the step, the file and the code" ok \
  "$(failure_line bare.log 'opening the payload of' 'bare.exe' 'err=0xEE000001')"
expect_eq "  the last line is the exit code and its meaning" yes \
  "$(tail -n 1 bare.log | grep -q 'exit 0xEE000001: the run failed; message: "The execution was aborted due to an error."' && echo yes || echo no)"

expect_eq "bad command line: exit" 0xEE002003 "$(run "$(winpath "$work")\\cmdline.log" plain.exe --bogus)"
expect_eq "  the failure line names the option and the parser's code" ok \
  "$(failure_line cmdline.log 'reading the command line (Unknown option --bogus.)' 'err=0xEE000013')"

expect_eq "invalid option value: exit" 0xEE002003 "$(run "$(winpath "$work")\\value.log" plain.exe --internal 2)"
expect_eq "  the failure line names the value and the option" ok \
  "$(failure_line value.log 'reading the command line (Invalid value 2 for option --internal.)' 'err=0xEE000041')"

expect_eq "unknown command: exit" 0xEE002003 "$(run "$(winpath "$work")\\command.log" launch.exe --command repair)"
expect_eq "  the failure line names the command and the option" ok \
  "$(failure_line command.log 'finding the command "repair" of the command line in option en' 'err=0xEE000039')"

expect_eq "damaged payload: exit" 0xEE000001 \
  "$(run "$(winpath "$work")\\damaged.log" damaged.exe --target "$(winpath "$work")\\damaged")"
expect_eq "  the failure line names the payload and the code" ok \
  "$(failure_line damaged.log 'damaged.exe' 'err=0xEE000001')"

expect_eq "missing program: exit" 0x00000002 "$(run "$(winpath "$work")\\launch.log" launch.exe)"
expect_eq "  the failure line names the program and where it was looked for" ok \
  "$(failure_line launch.log 'finding kvsfx-no-such-program.exe in the working folder' 'err=0x00000002')"
expect_eq "  the language and option chosen, and why" "yes yes" \
  "$(has launch.log "language: en-US (from the user's display language)") $(has launch.log 'option: en')"
expect_eq "  each task with its result, and the cleanup" "yes yes yes" \
  "$(has launch.log 'task extract_files ended after') $(has launch.log 'task install ended after') \
$(has launch.log 'cleanup of ')"

# Success, appended to an existing log: nothing before is lost.
echo "kept line" > ok.log
expect_eq "successful extraction with a log: exit" 0x00000000 \
  "$(run "$(winpath "$work")\\ok.log" plain.exe --target "$(winpath "$work")\\ok")"
expect_eq "  the log is appended to, never truncated" "kept line" "$(head -n 1 ok.log)"
expect_eq "  the run's lines: start, command line, tasks, exit 0" "yes yes yes" \
  "$(has ok.log 'started: ') $(has ok.log 'task extract_files ended after') $(has ok.log 'exit 0x00000000: success')"

# Logs that cannot be written: the run's result is the one without a log.
mkdir folder.log
expect_eq "log path is a folder: the run is unchanged" 0x00000000 \
  "$(run "$(winpath "$work")\\folder.log" plain.exe --target "$(winpath "$work")\\f1")"
expect_eq "log in a missing folder: the run is unchanged" 0x00000000 \
  "$(run "$(winpath "$work")\\missing\\x.log" plain.exe --target "$(winpath "$work")\\f2")"
expect_eq "  and the payload is still extracted" "alpha alpha" "$(cat f1/a.txt) $(cat f2/a.txt)"

# Five copies appending to one log at once: every line whole, every run complete.
for i in 1 2 3 4 5; do
  run "$(winpath "$work")\\shared.log" plain.exe --target "$(winpath "$work")\\s$i" > "code$i" &
done
wait
expect_eq "concurrent runs: exit codes" "0x00000000 0x00000000 0x00000000 0x00000000 0x00000000" \
  "$(cat code1 code2 code3 code4 code5 | paste -sd' ')"
bad=$(tr -d '\r' < shared.log | grep -c -v -E '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:.]{12} \[[0-9]+:[0-9]+\] ')
expect_eq "concurrent runs: no broken line" 0 "$bad"
expect_eq "concurrent runs: five starts and five exits" "5 5" \
  "$(grep -c 'started: ' shared.log) $(grep -c 'exit 0x00000000' shared.log)"

# kvsfx explain --log reads it back.
"$native" explain --log launch.log > explained.txt 2>&1
expect_eq "explain --log: the tasks, the first failure, the exit" "yes yes yes" \
  "$(has explained.txt 'task install 0x00000002') $(has explained.txt 'first failure: ERROR: ') \
$(has explained.txt 'exit 0x00000002: the run failed; message: "The execution was aborted')"

finish
