#!/usr/bin/env bash
# Installers made by kvsfx build run with their configuration: extract mode, the default extractor, broken
# configurations (built with --no-check) and the launch-mode choices, each ending with its exact code.
#   configured.sh NATIVE_KVSFX STUB RUNEXIT
set -uo pipefail
native=$1
. "$(dirname "$0")/lib.sh"
begin_installer_cases "$@"
stub=$2 runexit=$3

mkdir -p payload/docs
echo "alpha" > payload/a.txt
echo "beta" > payload/docs/b.txt
7zz a -bso0 -bsp0 payload.7z ./payload/* >/dev/null

# installer NAME XML [BUILD OPTIONS...]: NAME.exe from the stub, the document and the payload.
installer() {
  local name=$1 xml=$2; shift 2
  printf '%s\n' "$xml" > "$name.xml"
  "$native" build --config "$name.xml" --payload payload.7z --stub "$stub" $(test_stub_flag "$stub") -o "$name.exe" "$@" >/dev/null 2>&1 ||
    echo "could not build $name.exe" >&2
}
wrap() { printf '<SelfExtractor FormatVersionMajor="5" FormatVersionMinor="2">%s</SelfExtractor>' "$1"; }
same_tree() { diff -r payload "$1" >/dev/null 2>&1 && echo same || echo different; }
unix_temp=$(winepath -u "$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')" 2>/dev/null)

# Extract mode: the configured target with variables, dialogs off; the command line's target wins.
installer quiet "$(wrap '<Extract><ProgressDialog Enabled="false"/><FolderSelectionDialog Enabled="false"/>
  <TargetPath>%TEMP%\kvsfx-e2e-quiet</TargetPath></Extract>')"
rm -rf "$unix_temp/kvsfx-e2e-quiet"
expect_eq "extract mode: exit code" 0x00000000 "$(exit_code "$runexit" quiet.exe)"
expect_eq "extract mode: %TEMP% target holds the payload" same "$(same_tree "$unix_temp/kvsfx-e2e-quiet")"
rm -rf "$unix_temp/kvsfx-e2e-quiet"
expect_eq "extract mode, --target given" 0x00000000 "$(exit_code "$runexit" quiet.exe --target "$(winpath "$work")\\given")"
expect_eq "the command line's target wins" same "$(same_tree given)"

"$native" build --no-config --payload payload.7z --stub "$stub" $(test_stub_flag "$stub") -o plain.exe >/dev/null
expect_eq "no configuration: the default extractor" 0x00000000 \
  "$(exit_code "$runexit" plain.exe --gui off --target "$(winpath "$work")\\plain")"
expect_eq "no configuration: payload extracted" same "$(same_tree plain)"

# Broken configurations end the run before anything is extracted, silently after --gui off.
while IFS='|' read -r name code xml; do
  installer "$name" "$xml" --no-check
  expect_eq "broken configuration $name" "$code" \
    "$(exit_code "$runexit" "$name.exe" --gui off --target "$(winpath "$work")\\$name")"
  expect_eq "broken configuration $name: nothing extracted" no "$([ -e "$name" ] && echo yes || echo no)"
done <<'CASES'
both-modes|0xEE000051|<SelfExtractor FormatVersionMajor="5" FormatVersionMinor="2"><Extract/><Launch/></SelfExtractor>
no-minor|0xEE000039|<SelfExtractor FormatVersionMajor="5"><Extract/></SelfExtractor>
not-xml|0xEE000057|<SelfExtractor FormatVersionMajor="5" FormatVersionMinor="2"><Extract></SelfExtractor>
format-6|0xEE000051|<SelfExtractor FormatVersionMajor="6" FormatVersionMinor="0"/>
bad-default|0xEE000052|<SelfExtractor FormatVersionMajor="5" FormatVersionMinor="2"><Launch><Options><Option Id="o"><Commands><Command Id="a"/><DefaultCommand>b</DefaultCommand></Commands></Option></Options></Launch></SelfExtractor>
tag-twice|0xEE00003D|<SelfExtractor FormatVersionMajor="5" FormatVersionMinor="2"><Launch><Options><Option Id="o"><LanguageTagSet><LanguageTag>en-US</LanguageTag><LanguageTag>en-US</LanguageTag></LanguageTagSet><Commands><Command Id="a"/></Commands></Option></Options></Launch></SelfExtractor>
CASES

# The generic message, captioned with the title read before the failure.
installer titled "$(wrap '<Title>Broken</Title><Extract/><Launch/>')" --no-check
expect_eq "broken configuration: the generic message box captioned with the title, then its code" \
  "shown 0xEE000051" "$(exit_code_confirming " Broken" "$runexit" titled.exe)"

# Launch mode: the option for the machine (x64 under Wine), the language and the command.
# A program that exists nowhere: the launch task ends with ERROR_FILE_NOT_FOUND.
msi='<Command Id="Install"><CreateProcess><Executable>kvsfx-no-such-program.exe</Executable></CreateProcess></Command>'
option() { printf '<Option Id="%s"><ProcessorArchitectureSet><ProcessorArchitecture>%s</ProcessorArchitecture></ProcessorArchitectureSet><LanguageTagSet><LanguageTag>%s</LanguageTag></LanguageTagSet><Commands>%s</Commands></Option>' "$@"; }
installer arm "$(wrap "<Launch><Options>$(option a ARM64 en-US "$msi")</Options></Launch>")"
expect_eq "no option for x64: message box, then unsupported system" \
  "shown 0xEE002004" "$(exit_code_confirming " Setup" "$runexit" arm.exe)"

installer two "$(wrap "<Launch><Options>$(option en x64 en-US "$msi")$(option de x64 de-DE "$msi")</Options></Launch>")"
expect_eq "language not offered" 0xEE002003 "$(exit_code "$runexit" two.exe --gui off --language fr-FR)"
expect_eq "language in other letter case" 0xEE002003 "$(exit_code "$runexit" two.exe --gui off --language de-de)"
expect_eq "command not offered" 0xEE002003 "$(exit_code "$runexit" two.exe --gui off --command repair)"
installer nordic "$(wrap "<Launch><Options>$(option sv x64 sv-SE "$msi")$(option fi x64 fi-FI "$msi")</Options></Launch>")"
expect_eq "no offered language fits the display language (en-US)" 0xEE000052 \
  "$(exit_code "$runexit" nordic.exe --gui off)"

# A launch run extracts into a fresh GUID folder (under the Windows folder's Installer folder: Wine's user is an
# administrator) and deletes it again, also when the launch task fails.
installer_folder=$(winepath -u 'C:\windows\Installer' 2>/dev/null)
before=$(ls -d "$installer_folder"/\{*\} 2>/dev/null | sort)
expect_eq "launch: the launch task fails" 0x00000002 "$(exit_code "$runexit" two.exe --gui off --language de-DE)"
expect_eq "launch: the extracted folder is deleted" "$before" "$(ls -d "$installer_folder"/\{*\} 2>/dev/null | sort)"
expect_eq "internal mode: no extraction, the launch task alone" 0x00000002 \
  "$(exit_code "$runexit" two.exe --gui off --language en-US --internal 1 --target "$(winpath "$work")\\internal")"
expect_eq "internal mode: nothing extracted" no "$([ -e internal ] && echo yes || echo no)"

finish
