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
expect_eq "gui as the last element lacks its value" 0xEE002003 "$(run_raw "$stub" '--gui off --gui')"
# (The scripted stub without a plan runs no task, so an accepted command line ends with 0.)
expect_eq "positional words and hyphen-digit are accepted" 0x00000000 "$(run_raw "$scripted" '--gui off word -1 --2')"

# Without gui off the bad command line shows its message; confirm it and check the code.
for args in '--bogus' '--internal 2 --gui off'; do
  expect_eq "message box, then the code, for: $args" "shown 0xEE002003" \
    "$(exit_code_confirming " Self Extractor" "$stub" $args)"
done

# What the parse of the real command line leaves in CmdLineValues, read back through the scripted stub. The rules
# (later value wins, passthrough split, tail) are checked natively; here the line as Windows gives it.
values() {  # PROGRAM "ARGUMENTS" -> the dumped values file
  local dump="$work/values.txt"
  rm -f "$dump"
  KVSFX_TEST_PLAN="cmdline:$(winpath "$work")\\values.txt" run_raw "$1" "$2" >/dev/null
  tr -d '\r' < "$dump" 2>/dev/null
}
field() { grep "^$1=" | head -n 1 | cut -d= -f2-; }

v=$(values "$scripted" '--gui off --command repair --passthrough  /qn REBOOT=ReallySuppress  ')
expect_eq "command stored" repair "$(field command <<< "$v")"
expect_eq "passthrough text, trimmed" "/qn REBOOT=ReallySuppress" "$(field passthrough <<< "$v")"
expect_eq "only what stands before the passthrough is parsed" 2 "$(field gui <<< "$v")"
expect_eq "tail after a quoted program path" "--gui off --command repair --passthrough  /qn REBOOT=ReallySuppress" \
  "$(field tail <<< "$v")"

cp "$scripted" "$work/plain.exe"
plain=$(winpath "$work/plain.exe")
KVSFX_TEST_PLAN="cmdline:$(winpath "$work")\\values.txt" \
  wine "$runexit" --raw "$plain --gui off --target C:\\Temp" >/dev/null 2>&1
v=$(tr -d '\r' < "$work/values.txt")
expect_eq "tail after an unquoted program path" '--gui off --target C:\Temp' "$(field tail <<< "$v")"
expect_eq "target stored" 'C:\Temp' "$(field target <<< "$v")"
finish
