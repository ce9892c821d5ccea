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

make_payload
msi='<Command Id="Install"><CreateProcess><Executable>kvsfx-no-such-program.exe</Executable></CreateProcess></Command>'
configured launch "$(document "<Launch><Options><Option Id=\"en\"><LanguageTagSet><LanguageTag>en-US</LanguageTag>
  </LanguageTagSet><Commands>$msi</Commands></Option></Options></Launch>")" payload.7z
installer plain.exe payload.7z --no-config
cp "$stub" bare.exe  # no configuration, no payload

# run LOG PROGRAM [ARGS...]: the exit code of PROGRAM run with --logfile LOG (in the work folder) and --gui off.
run() { local log=$1 program=$2; shift 2; quiet "$program" --logfile "$(wpath "$log")" "$@"; }
# The failure line: an ERROR record carrying every expected text.
failure_line() {  # LOG TEXT...
  local log=$1 line; shift
  line=$(grep 'ERROR: ' "$log" | head -n 1)
  for text in "$@"; do grep -q -F -- "$text" <<< "$line" || { echo "missing '$text' in: $line"; return; }; done
  echo ok
}

# Each kind of failing step: its exit code, and the texts its failure line carries (separated by ';').
while IFS='|' read -r name code command texts; do
  log=${name// /-}.log
  expect_eq "$name: exit" "$code" "$(run "$log" $command)"
  IFS=';' read -ra texts <<< "$texts"
  expect_eq "  the failure line names the step, its subject and the code" ok "$(failure_line "$log" "${texts[@]}")"
done <<'CASES'
no payload|0xEE000001|bare.exe|opening the payload of;bare.exe;err=0xEE000001
bad command line|0xEE002003|plain.exe --bogus|reading the command line (Unknown option --bogus.);err=0xEE000013
unknown command|0xEE002003|launch.exe --command repair|finding the command "repair" of the command line in option en;err=0xEE000039
missing program|0x00000002|launch.exe|finding kvsfx-no-such-program.exe in the working folder;err=0x00000002
CASES
expect_eq "no payload: the log says the default extractor ran" yes "$(has no-payload.log 'default extractor')"
expect_eq "  the last line is the exit code and its meaning" yes \
  "$(has <(tail -n 1 no-payload.log) 'exit 0xEE000001: the run failed; message: "The execution was aborted due to an error."')"
expect_eq "missing program: the language and option chosen, and why" "yes yes" \
  "$(has missing-program.log "language: en-US (from the user's display language)") $(has missing-program.log 'option: en')"
expect_eq "  each task with its result, and the cleanup" "yes yes yes" \
  "$(has missing-program.log 'task extract_files ended after') $(has missing-program.log 'task install ended after') \
$(has missing-program.log 'cleanup of ')"

# Success, appended to an existing log: nothing before is lost.
echo "kept line" > ok.log
expect_eq "successful extraction with a log: exit" 0x00000000 "$(run ok.log plain.exe --target "$(wpath ok)")"
expect_eq "  the log is appended to, never truncated" "kept line" "$(head -n 1 ok.log)"
expect_eq "  the run's lines: start, command line, tasks, exit 0" "yes yes yes" \
  "$(has ok.log 'started: ') $(has ok.log 'task extract_files ended after') $(has ok.log 'exit 0x00000000: success')"

# Logs that cannot be written: the run's result is the one without a log.
mkdir folder.log
expect_eq "log path is a folder: the run is unchanged" 0x00000000 "$(run folder.log plain.exe --target "$(wpath f1)")"
expect_eq "log in a missing folder: the run is unchanged" 0x00000000 "$(run missing/x.log plain.exe --target "$(wpath f2)")"
expect_eq "  and the payload is still extracted" "data data" "$(cat f1/data.txt) $(cat f2/data.txt)"

# Five copies appending to one log at once: every line whole, every run complete.
for i in 1 2 3 4 5; do run shared.log plain.exe --target "$(wpath s$i)" > "code$i" & done
wait
expect_eq "concurrent runs: exit codes" "0x00000000 0x00000000 0x00000000 0x00000000 0x00000000" \
  "$(cat code1 code2 code3 code4 code5 | paste -sd' ')"
bad=$(tr -d '\r' < shared.log | grep -c -v -E '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:.]{12} \[[0-9]+:[0-9]+\] ')
expect_eq "concurrent runs: no broken line" 0 "$bad"
expect_eq "concurrent runs: five starts and five exits" "5 5" \
  "$(grep -c 'started: ' shared.log) $(grep -c 'exit 0x00000000' shared.log)"

# kvsfx explain --log reads it back.
"$native" explain --log missing-program.log > explained.txt 2>&1
expect_eq "explain --log: the tasks, the first failure, the exit" "yes yes yes" \
  "$(has explained.txt 'task install 0x00000002') $(has explained.txt 'first failure: ERROR: ') \
$(has explained.txt 'exit 0x00000002: the run failed; message: "The execution was aborted')"

finish
