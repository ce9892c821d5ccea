#!/usr/bin/env bash
# Installers made by kvsfx build run with their configuration: extract mode, broken configurations (built with
# --no-check) and the launch-mode choices, each ending with its exact code.
#   configured.sh NATIVE_KVSFX STUB RUNEXIT
set -uo pipefail
native=$1
. "$(dirname "$0")/lib.sh"
begin_installer_cases "$@"
stub=$2 runexit=$3

make_payload
xml() { configured "$1" "$2" payload.7z "${@:3}"; }  # NAME DOCUMENT [BUILD OPTIONS...]

# Extract mode: the configured target with variables, dialogs off (that --target wins: RunPlanTests).
xml quiet "$(document '<Extract><ProgressDialog Enabled="false"/><FolderSelectionDialog Enabled="false"/>
  <TargetPath>%TEMP%\kvsfx-e2e-quiet</TargetPath></Extract>')"
temp=$(wine_temp)
rm -rf "$temp/kvsfx-e2e-quiet"
expect_eq "extract mode: exit code, the %TEMP% target holds the payload" "0x00000000 same" \
  "$(exit_code "$runexit" quiet.exe) $(same_tree payload "$temp/kvsfx-e2e-quiet")"
rm -rf "$temp/kvsfx-e2e-quiet"

# A broken configuration ends the run before anything is extracted, silently after --gui off (which code each
# document gives: CfgDocumentTests).
xml not-xml '<SelfExtractor FormatVersionMajor="5" FormatVersionMinor="2"><Extract></SelfExtractor>' --no-check
expect_eq "broken configuration, nothing extracted" "0xEE000057 no" "$(quiet not-xml.exe --target "$(wpath not-xml)") $(exists not-xml)"

# The generic message, captioned with the title read before the failure.
xml titled "$(document '<Title>Broken</Title><Extract/><Launch/>')" --no-check
expect_eq "broken configuration: the generic message box captioned with the title, then its code" \
  "shown 0xEE000051" "$(exit_code_confirming " Broken" titled.exe)"

# Launch mode: the option for the machine (x64 under Wine), the language and the command.
# A program that exists nowhere: the launch task ends with ERROR_FILE_NOT_FOUND.
msi='<Command Id="Install"><CreateProcess><Executable>kvsfx-no-such-program.exe</Executable></CreateProcess></Command>'
option() { printf '<Option Id="%s"><ProcessorArchitectureSet><ProcessorArchitecture>%s</ProcessorArchitecture></ProcessorArchitectureSet><LanguageTagSet><LanguageTag>%s</LanguageTag></LanguageTagSet><Commands>%s</Commands></Option>' "$@"; }
xml arm "$(document "<Launch><Options>$(option a ARM64 en-US "$msi")</Options></Launch>")"
expect_eq "no option for x64: message box, then unsupported system" \
  "shown 0xEE002004" "$(exit_code_confirming " Setup" arm.exe)"

xml two "$(document "<Launch><Options>$(option en x64 en-US "$msi")$(option de x64 de-DE "$msi")</Options></Launch>")"
expect_eq "language not offered" 0xEE002003 "$(quiet two.exe --language fr-FR)"
expect_eq "command not offered" 0xEE002003 "$(quiet two.exe --command repair)"
xml nordic "$(document "<Launch><Options>$(option sv x64 sv-SE "$msi")$(option fi x64 fi-FI "$msi")</Options></Launch>")"
expect_eq "no offered language fits the display language (en-US)" 0xEE000052 "$(quiet nordic.exe)"

# A launch run extracts into a fresh {GUID} folder and deletes it again, also when the launch task fails.
before=$(guid_folders)
expect_eq "launch: the launch task fails, the extracted folder is deleted" "0x00000002 yes" \
  "$(quiet two.exe --language de-DE) $([ "$(guid_folders)" = "$before" ] && echo yes)"

finish
