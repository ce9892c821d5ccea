#!/usr/bin/env bash
# The dialogs end to end, driven through xdotool as a user would: the folder dialog of the default extractor,
# the language dialog of a multi-language installer and the progress window. With KVSFX_SCREENSHOTS=DIR it also
# saves a PNG of each dialog at 96 and at 192 DPI.
#   dialogs.sh NATIVE_KVSFX STUB RUNEXIT EXITWITH WINDOWFACTS
set -uo pipefail
native=$1
. "$(dirname "$0")/lib.sh"
for tool in xdotool import; do
  command -v "$tool" >/dev/null || { echo "SKIP: no $tool (scripts/setup-host.sh installs it)"; exit 77; }
done
begin_installer_cases "$@"
stub=$2 runexit=$3 exitwith=$4 windowfacts=$5

make_payload "$exitwith"
# A large payload keeps the progress window up long enough to look at it.
mkdir -p big && head -c 200000000 /dev/zero > big/zeros.bin && cp "$exitwith" big/tool.exe
archive big.7z big -mx1

# --- helpers -------------------------------------------------------------------------------------------------
type_text() { xdotool type --delay 20 "$1"; }
# Whether the window titled TITLE has a close box, which comes with the system menu.
close_box() {
  case "$(wine "$windowfacts" "$1" 2>/dev/null | tr -d '\r')" in
    *sysmenu=no*) echo "no close box" ;;
    *sysmenu=yes*) echo "close box" ;;
    *) echo "no window" ;;
  esac
}
screenshot() {  # ID NAME: the window, active, into $KVSFX_SCREENSHOTS/NAME.png
  [ -n "$1" ] || { echo "note: no window for the screenshot $2" >&2; return 0; }
  xdotool windowfocus --sync "$1" >/dev/null 2>&1 || true
  sleep 0.5
  import -window "$1" "$KVSFX_SCREENSHOTS/$2.png" 2>/dev/null || echo "note: no screenshot $2" >&2
}
log_of() { tr -d '\r' < "$1" 2>/dev/null; }

# --- the folder dialog of the default extractor --------------------------------------------------------------
mkdir -p plain
installer plain/setup.exe payload.7z --no-config
title="setup Self Extractor"

start_run plain/setup.exe
id=$(wait_window "$title") || id=""
expect_eq "the default extractor asks where to extract, without a close box" "shown, no close box" \
  "${id:+shown}, $(close_box "$title")"
# Alt+T leads to the edit field and selects its text; typing replaces it; several trailing backslashes go.
keys "$id" alt+t
type_text "$(wpath typed)\\\\\\"
keys "$id" Return
expect_eq "a typed folder and Enter: extracted there" "0x00000000 yes no" \
  "$(finish_run) $(exists typed/data.txt) $(exists plain/data.txt)"

start_run plain/setup.exe
id=$(wait_window "$title") || id=""
keys "$id" Tab space  # the Cancel button, after Extract
expect_eq "Cancel: cancelled (0xEE000005), nothing written" "0xEE000005 setup.exe" \
  "$(finish_run) $(ls plain | tr '\n' ' ' | xargs)"

# 249 characters bring the length message and the dialog stays (the limit itself: VariablesTests).
long249="C:\\$(printf 'a%.0s' $(seq 1 120))\\$(printf 'b%.0s' $(seq 1 125))"
start_run plain/setup.exe --logfile "$(wpath long.log)"
id=$(wait_window "$title") || id=""
keys "$id" alt+t
type_text "$long249"
keys "$id" Return
wait_window "$title" 2 >/dev/null
box=$(windows_titled "$title" | grep -v -x "$id" | head -n 1)
expect_eq "249 characters: the length message comes and the dialog stays" "message yes" \
  "${box:+message} $(log_of long.log | grep -q 'folder dialog: .* is too long' && echo yes || echo no)"
keys "$box" Return
for _ in $(seq 1 25); do [ "$(windows_titled "$title" | grep -c .)" -le 1 ] && break; sleep 0.2; done
expect_eq "  after the message the dialog is still open" 1 "$(windows_titled "$title" | grep -c .)"
press_until_gone "$title" Escape
finish_run >/dev/null

# The folder browser opens from "..." (Tab from Extract: Cancel, the edit field, the button) and can be left.
start_run plain/setup.exe
id=$(wait_window "$title") || id=""
keys "$id" Tab Tab Tab space
browser=$(wait_window "Browse for Folder") || browser=""
press_until_gone "Browse for Folder" Escape
press_until_gone "$title" Escape
expect_eq "the folder browser opens from the dialog and Escape leaves it" "shown 0xEE000005" \
  "${browser:+shown} $(finish_run)"

# --- the language dialog ---------------------------------------------------------------------------------------
option() {  # ID TAG EXIT: an option for one language that runs the payload's tool, which exits with EXIT
  printf '<Option Id="%s"><LanguageTagSet><LanguageTag>%s</LanguageTag></LanguageTagSet><Commands>%s</Commands></Option>' \
    "$1" "$2" "$(create_process c '${TargetPath}\tool.exe' "$3")"
}
configured languages "$(document "<Title>Dialog Test</Title><Launch><ProgressDialog Enabled=\"true\"/>
<LanguageSelectionDialog Enabled=\"true\"/><Options>$(option en en-US 11)$(option de de-DE 12)$(option fr fr-FR 13)</Options></Launch>")" payload.7z
declare -A exit_of=([en-US]=0x0000000B [de-DE]=0x0000000C [fr-FR]=0x0000000D)

export LC_ALL=de_DE.UTF-8
start_run languages.exe --logfile "$(wpath languages.log)"
id=$(wait_window " Dialog Test") || id=""
offered=$(log_of languages.log | sed -n 's/.*language dialog: offers \(.*\); current \(.*\)$/\1/p' | head -n 1)
current=$(log_of languages.log | sed -n 's/.*language dialog: offers .*; current \(.*\)$/\1/p' | head -n 1)
sorted=$(tr '|' '\n' <<<"$offered" | sed 's/^ *//; s/ *$//' | LC_ALL=C sort -f | paste -sd'|' | sed 's/|/ | /g')
expect_eq "the dialog offers the three languages by name, sorted, de-DE current for a German user" \
  "3 yes de-DE no close box" \
  "$(tr '|' '\n' <<<"$offered" | grep -c .) $([ "$offered" = "$sorted" ] && echo yes || echo "no: $offered") $current $(close_box " Dialog Test")"
keys "$id" Escape
sleep 0.5
expect_eq "  Escape does not close it" 1 "$(windows_titled " Dialog Test" | grep -c .)"
keys "$id" Up Return  # German sorts last: Up picks another
picked=$(log_of languages.log | sed -n 's/.*language dialog: OK with \(.*\)$/\1/p' | head -n 1)
code=$(finish_run)
expect_eq "  another language picked: that language's option runs" "yes ${exit_of[$picked]:-none}" \
  "$([ -n "$picked" ] && [ "$picked" != de-DE ] && echo yes || echo "no ($picked)") $code"

unset LC_ALL

# --- the progress window -----------------------------------------------------------------------------------------
configured progress "$(document "<Title>Progress Test</Title><Launch><ProgressDialog Enabled=\"true\"/>
<Options>$(option en en-US 7)</Options></Launch>")" big.7z
start_run progress.exe
id=$(wait_window " Progress Test") || id=""
expect_eq "the progress window shows during the extraction, without a close box" "shown, no close box" \
  "${id:+shown}, $(close_box " Progress Test")"
expect_eq "  and the run ends with the command's exit code" 0x00000007 "$(finish_run)"

# --- screenshots -----------------------------------------------------------------------------------------------
# Each dialog at a display resolution of DPI; Wine draws the captions itself, as no window manager runs.
screenshots_at() {
  local dpi=$1 key='HKCU\Control Panel\Desktop' x11='HKCU\Software\Wine\X11 Driver'
  wine reg add "$x11" /v Decorated /d N /f >/dev/null 2>&1
  wine reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  start_run plain/setup.exe
  id=$(wait_window "$title") || id=""
  screenshot "$id" "folder-dialog-${dpi}dpi"
  keys "$id" alt+t && type_text "$long249" && keys "$id" Return
  wait_window "$title" 2 >/dev/null
  screenshot "$(windows_titled "$title" | grep -v -x "$id" | head -n 1)" "folder-too-long-${dpi}dpi"
  xdotool key Return && sleep 0.5 && keys "$id" Escape
  finish_run >/dev/null
  LC_ALL=de_DE.UTF-8 start_run languages.exe
  id=$(wait_window " Dialog Test") || id=""
  screenshot "$id" "language-dialog-${dpi}dpi"
  keys "$id" Return
  finish_run >/dev/null
  start_run progress.exe
  screenshot "$(wait_window " Progress Test")" "progress-dialog-${dpi}dpi"
  finish_run >/dev/null
  wine reg delete "$key" /v LogPixels /f >/dev/null 2>&1
  wine reg delete "$x11" /v Decorated /f >/dev/null 2>&1
}
if [ -n "${KVSFX_SCREENSHOTS:-}" ]; then
  mkdir -p "$KVSFX_SCREENSHOTS"
  screenshots_at 96
  screenshots_at 192
  echo "screenshots: $(ls "$KVSFX_SCREENSHOTS" | grep -c 'png$') in $KVSFX_SCREENSHOTS"
fi

finish
