#!/usr/bin/env bash
# The stub's command line end to end: bad command lines, the message they show, the passthrough split and the tail.
#   cmdline.sh STUB SCRIPTED_STUB RUNEXIT
set -uo pipefail
. "$(dirname "$0")/lib.sh"
in_wine_session "$@"
stub=$1 scripted=$2 runexit=$3
enter_work_folder
unset KVSFX_TEST_PLAN

# run_raw PROGRAM "ARGUMENTS": the command line is the quoted Windows path of PROGRAM, a blank and ARGUMENTS.
run_raw() { wine "$runexit" --raw "\"$(winpath "$1")\" $2" 2>/dev/null | tr -d '\r' | sed -n 's/^exit=\(0x[0-9A-F]*\).*/\1/p'; }

# Silent cases: gui off came before the bad element, so no message box can block. Which elements are bad is
# checked natively; every parse failure ends the stub the same way.
expect_eq "unknown option after gui off" 0xEE002003 "$(run_raw "$stub" '--gui off --bogus')"
# (The scripted stub without a plan runs no task, so an accepted command line ends with 0.)
expect_eq "positional words and hyphen-digit are accepted" 0x00000000 "$(run_raw "$scripted" '--gui off word -1 --2')"

# Without gui off the bad command line shows its message; confirm it and check the code.
for args in '--bogus' '--internal 2 --gui off'; do
  expect_eq "message box, then the code, for: $args" "shown 0xEE002003" \
    "$(exit_code_confirming " Self Extractor" "$stub" $args)"
done

# The tail (what an elevated copy is given again) as the scripted stub reads it from the line Windows gives it,
# after a quoted and an unquoted program path. The parse itself is checked natively (and what a program receives
# after --passthrough: e2e_launch).
tail_of() {  # "COMMAND LINE": the tail the scripted stub read from it
  rm -f "$work/values.txt"
  KVSFX_TEST_PLAN="cmdline:$(winpath "$work")\\values.txt" wine "$runexit" --raw "$1" >/dev/null 2>&1
  tr -d '\r' < "$work/values.txt" 2>/dev/null | sed -n 's/^tail=//p'
}
expect_eq "tail after a quoted program path" "--gui off --command repair --passthrough  /qn REBOOT=ReallySuppress" \
  "$(tail_of "\"$(winpath "$scripted")\" --gui off --command repair --passthrough  /qn REBOOT=ReallySuppress  ")"
cp "$scripted" "$work/plain.exe"  # a path without blanks, to stand unquoted
expect_eq "tail after an unquoted program path" '--gui off --target C:\Temp' \
  "$(tail_of "$(winpath "$work/plain.exe") --gui off --target C:\\Temp")"
finish
