#!/usr/bin/env bash
# The native kvsfx command line end to end: usage and exit statuses, a build from a folder with 7-Zip,
# the resources as wrestool sees them, inspect, the stub's default places, and failures that leave nothing.
#   kvsfx-cli.sh KVSFX STUB
set -uo pipefail
kvsfx=$1 stub=$2
if [ ! -f "$stub" ]; then
  echo "SKIP: no stub at $stub (scripts/build.sh win32 builds it)"
  exit 77
fi
. "$(dirname "$0")/lib.sh"
src=$(cd "$(dirname "$0")/../.." && pwd)
enter_work_folder

# run NAME EXPECTED_STATUS COMMAND...: runs with output in out/err and checks the exit status.
run() {
  local name=$1 expected=$2; shift 2
  "$@" > out 2> err
  expect_eq "$name: exit status" "$expected" $?
}
says() { grep -q -- "$2" "$1" && echo yes || echo "no ('$2' not in: $(head -c 300 "$1"))"; }  # FILE PATTERN
# check NAME EXPECTED_STATUS FILE PATTERN COMMAND...: runs as `run` does; the status, and PATTERN in FILE (out or err).
check() {
  local name=$1 expected=$2 file=$3 pattern=$4; shift 4
  "$@" > out 2> err
  expect_eq "$name" "$expected yes" "$? $(says "$file" "$pattern")"
}

check "no command: usage on standard error" 2 err 'usage: kvsfx COMMAND' "$kvsfx"
check "--help lists the commands" 0 out '  inspect ' "$kvsfx" --help
check "unknown command: message" 2 err "unknown command 'bogus'" "$kvsfx" bogus
check "build --help tells the signing order" 0 out 'Sign after building' "$kvsfx" build --help
run "help inspect" 0 "$kvsfx" help inspect
check "build without configuration choice" 2 err 'give either --config FILE or --no-config' "$kvsfx" build --payload x -o y
check "unknown option" 2 err 'Unknown option --bogus' "$kvsfx" build --bogus
run "inspect without a file" 2 "$kvsfx" inspect
run "explain" 0 "$kvsfx" explain 0xEE002004
expect_eq "explain text" '0xEE002004 (3992985604): the installer failed and showed "The current system is not supported."' "$(cat out)"

# A folder compressed by 7-Zip; an icon; the configuration.
mkdir -p payload/bin
cp "$stub" payload/bin/program.exe
echo "hidden" > payload/.hidden
echo '<SelfExtractor FormatVersionMajor="5" FormatVersionMinor="2"/>' > setup.xml
convert -size 32x32 xc:red -size 16x16 xc:blue app.ico
run "build from a folder" 0 "$kvsfx" build --config setup.xml --payload payload --icon app.ico --stub "$stub" $(test_stub_flag "$stub") -o setup.exe
expect_eq "the compression command is shown" yes "$(says out '7z.* a -t7z -m0=LZMA2 .*payload/\*')"
listing=$(7zz l -slt -t7z setup.exe)
expect_eq "7-Zip picked the x86 filter for the program" yes \
  "$(grep -A8 '^Path = bin/program.exe' <<< "$listing" | grep -q '^Method = BCJ LZMA2' && echo yes || echo no)"
expect_eq "hidden files are in the payload" 1 "$(grep -c '^Path = .hidden$' <<< "$listing")"
resources=$(wrestool -l setup.exe)
for entry in "--type=10 --name=222 --language=1033" "--type=14 --name=1 --language=1033" \
             "--type=3 --name=1 --language=1033" "--type=5 --name=224 --language=1033" "--type=24 --name=1"; do
  expect_eq "wrestool lists $entry" 1 "$(grep -c -- "^$entry " <<< "$resources")"
done
wrestool -x --raw --type=10 --name=222 setup.exe > extracted.xml
expect_eq "wrestool extracts the configuration" same "$(cmp -s extracted.xml setup.xml && echo same)"

run "inspect" 0 "$kvsfx" inspect setup.exe --config-out back.xml
for line in '^image: .*checksum 0x[0-9a-f]* (correct)' '^configuration: present, 63 bytes' ' bin/program.exe$' ' -  bin/$' \
            '^signature: *not signed'; do expect_eq "inspect shows $line" yes "$(says out "$line")"; done
expect_eq "inspect writes the configuration" same "$(cmp -s back.xml setup.xml && echo same)"
run "inspect --config-out of a stub without one" 1 "$kvsfx" inspect "$stub" --config-out none.xml
expect_eq "no configuration file written" no "$([ -e none.xml ] && echo yes || echo no)"
check "inspect without 7-Zip says it is missing" 0 out '^items: .*not on PATH' env PATH=/nonexistent "$kvsfx" inspect setup.exe

# Version information: shown by inspect; a bad version refused before any output (the rules: VersionResourceTests).
run "inspect: the installer's version, with the defaults" 0 "$kvsfx" inspect setup.exe
expect_eq "the defaults: no number, Setup" "yes yes" "$(says out '^version: *file 0.0.0.0, product 0.0.0.0$') $(says out '^ *FileDescription: Setup$')"
run "a version part above 65535" 1 "$kvsfx" build --no-config --payload payload --stub "$stub" -o bad.exe \
  --file-version 1.2.3.65536
expect_eq "refused before any output" "yes no" "$(says err 'each part of a version is at most 65535') $([ -e bad.exe ] && echo yes || echo no)"

# Reproducible builds: copies of the payload with other file times, in other folders, give the same bytes
# under SOURCE_DATE_EPOCH: later times are clamped to it, earlier ones kept; the version's file date is that time.
for copy in one two; do
  mkdir -p "$copy/deeper" && cp -r payload "$copy/deeper/payload" && cp setup.xml "$copy/"
done
touch -d "2030-01-01 00:00:00" $(find one/deeper/payload)
touch -d "2031-06-01 12:00:00" $(find two/deeper/payload)
touch -d "2001-02-03 04:05:06" {one,two}/deeper/payload/.hidden
for copy in one two; do
  (cd "$copy" && SOURCE_DATE_EPOCH=1700000000 "$kvsfx" build --config setup.xml --payload deeper/payload \
    --stub "$stub" --product-version 1.0 -o setup.exe > out 2> err)
  expect_eq "reproducible build in $copy" 0 $?
done
expect_eq "the same bytes from copies with other times in other folders" same "$(cmp -s one/setup.exe two/setup.exe && echo same)"
listing=$(TZ=UTC 7zz l -slt one/setup.exe)
expect_eq "later times clamped, earlier ones kept" "2023-11-14 22:13:20 2001-02-03 04:05:06" \
  "$(grep -A12 '^Path = bin$' <<< "$listing" | sed -n 's/^Modified = \(.\{19\}\).*/\1/p') $(grep -A12 '^Path = .hidden$' <<< "$listing" | sed -n 's/^Modified = \(.\{19\}\).*/\1/p')"
expect_eq "the version's file date" yes "$(says one/out 'dated 2023-11-14 22:13:20 UTC')"
expect_eq "no copy left beside the output" "" "$(ls one two | grep 'payload-' || true)"
check "SOURCE_DATE_EPOCH that is no number" 1 err "SOURCE_DATE_EPOCH is 'yesterday'" env SOURCE_DATE_EPOCH=yesterday \
  "$kvsfx" build --no-config --payload payload --stub "$stub" -o bad.exe

# Failures: a message on standard error, and no output, no temporary file.
cp setup.exe before.exe
check "payload that is no archive: the message names it" 1 err '^kvsfx build: setup.xml is not a 7z archive' \
  "$kvsfx" build --config setup.xml --payload setup.xml --stub "$stub" $(test_stub_flag "$stub") -o setup.exe
expect_eq "the old output is untouched" same "$(cmp -s setup.exe before.exe && echo same)"
# Ready archives read with the installer's rules before anything is written.
if command -v bsdtar >/dev/null; then
  bsdtar -C payload -cf deflate.7z --format 7zip --options 7zip:compression=deflate .
  check "an archive with a method installers cannot decode: the method and its first item named" 1 err \
    'uses the method Deflate (first for the item "./' "$kvsfx" build --no-config --payload deflate.7z --stub "$stub" \
    $(test_stub_flag "$stub") -o setup.exe
  run "check --payload reads it the same way" 1 "$kvsfx" check setup.xml --payload deflate.7z
fi
make7z unsafe.7z 'ok.txt,data=ok' 'sub/../../evil.txt,data=evil'
check "an archive with an item installers refuse: the item named" 1 err 'item "sub/../../evil.txt" has a path installers refuse' \
  "$kvsfx" build --no-config --payload unsafe.7z --stub "$stub" $(test_stub_flag "$stub") -o setup.exe
expect_eq "the old output is untouched after the refusals" same "$(cmp -s setup.exe before.exe && echo same)"
check "folder without 7-Zip" 1 err 'neither 7zz nor 7z is on PATH' \
  env PATH=/nonexistent "$kvsfx" build --no-config --payload payload --stub "$stub" $(test_stub_flag "$stub") -o new.exe
expect_eq "nothing left behind" "" "$(ls | grep -E '^new\.exe|kvsfx-' || true)"

# The stub's default places: next to kvsfx, else PREFIX/share/kvsfx for kvsfx in PREFIX/bin.
archive payload.7z payload
mkdir -p next prefix/bin prefix/share/kvsfx bare
cp "$kvsfx" next/ && cp "$stub" next/kv-sfxstub.exe
cp "$kvsfx" prefix/bin/ && cp "$stub" prefix/share/kvsfx/kv-sfxstub.exe
cp "$kvsfx" bare/
run "stub next to kvsfx" 0 next/kvsfx build --no-config --payload payload.7z $(test_stub_flag "$stub") -o a.exe
run "stub in share/kvsfx" 0 prefix/bin/kvsfx build --no-config --payload payload.7z $(test_stub_flag "$stub") -o b.exe
check "no stub anywhere" 1 err 'no stub given and none found' bare/kvsfx build --no-config --payload payload.7z $(test_stub_flag "$stub") -o c.exe

# check and plan: the configuration as installers read it, on a given machine.
check "check a valid document" 0 out 'launch.xml: valid$' "$kvsfx" check "$src/docs/examples/launch.xml"
run "check an installer" 0 "$kvsfx" check setup.exe
cat > ambiguous.xml <<'XML'
<SelfExtractor FormatVersionMajor="5" FormatVersionMinor="2"><Launch><Options>
  <Option Id="a"><ProcessorArchitectureSet><ProcessorArchitecture>x86</ProcessorArchitecture></ProcessorArchitectureSet>
    <Commands><Command Id="x"/></Commands></Option>
  <Option Id="b"><Commands><Command Id="x"/></Commands></Option>
</Options></Launch></SelfExtractor>
XML
run "check a document that fails on x86" 1 "$kvsfx" check ambiguous.xml
expect_eq "both options and the failing machines are named" "yes yes" \
  "$(says err '^ambiguous.xml:4:11: error: Option\[1\] (Id "a") and Option\[2\] (Id "b") both fit') $(says err 'on W7 x86')"
sed 's/Id="b"/Id=" b"/' ambiguous.xml > broken.xml
run "check a broken document" 1 "$kvsfx" check broken.xml
expect_eq "place, code, name, path, attribute" "yes yes" "$(says err '^broken.xml:4:11: error: 0xEE000051 KV_E_INVALID_DATA') \
$(says err '^  at SelfExtractor/Launch/Options/Option\[2\], attribute Id')"
run "build refuses a broken document" 1 "$kvsfx" build --config broken.xml --payload payload.7z --stub "$stub" $(test_stub_flag "$stub") -o refused.exe
expect_eq "no installer from a broken document" no "$([ -e refused.exe ] && echo yes || echo no)"
cat > mistakes.xml <<'XML'
<SelfExtractor FormatVersionMajor="5" FormatVersionMinor="2"><Launch><Options><Option Id="o"><Commands>
  <Command Id="seq"><CommandSequence>
    <SubCommand><Command Id="a" ResultName="R"><CreateProcess><Executable>"a.exe"</Executable></CreateProcess></Command>
    </SubCommand>
    <SubCommand><BeforeCommand><IfEqual Parameter="r" Value="0"/></BeforeCommand><Command Id="a" ResultName="R"/>
    </SubCommand>
  </CommandSequence></Command>
</Commands></Option></Options></Launch></SelfExtractor>
XML
run "check warns and stays valid" 0 "$kvsfx" check mistakes.xml
expect_eq "three warnings with their places" "3 yes yes yes" "$(grep -c '^mistakes.xml:[0-9]*:[0-9]*: warning: ' err) \
$(says err '^mistakes.xml:3:63: warning: .*double quotes') $(says err '^mistakes.xml:5:98: warning: ResultName "R"') \
$(says err '^mistakes.xml:5:41: warning: IfEqual tests "r".*did you mean "R"')"
run "--strict fails on warnings" 1 "$kvsfx" check --strict mistakes.xml
run "build warns and builds" 0 "$kvsfx" build --config mistakes.xml --payload payload.7z --stub "$stub" $(test_stub_flag "$stub") -o warned.exe
expect_eq "build shows the warnings, and the program missing from the payload" "4 yes" \
  "$(grep -c '^mistakes.xml:.*: warning: ' err) $(says err '^mistakes.xml:3:63: warning: command "a" runs "a.exe", which is not in the payload')"
run "build --strict writes nothing" 1 "$kvsfx" build --strict --config mistakes.xml --payload payload.7z --stub "$stub" $(test_stub_flag "$stub") -o strict.exe
expect_eq "no installer under --strict" no "$([ -e strict.exe ] && echo yes || echo no)"
run "the msi sample has no warnings" 0 "$kvsfx" check "$src/samples/msi/setup.xml"
expect_eq "no warnings for the msi sample" 0 "$(grep -c ': warning: ' err)"
run "plan on a German x64 machine" 0 "$kvsfx" plan "$src/docs/examples/launch.xml" --ui-language de-AT
expect_eq "plan: option and tasks" "yes yes" "$(says out '^option: *x64-de$') $(says out '^  3. delete_extracted_files')"
expect_eq "plan: the call the system receives, where the program is looked for, the cleanup" "yes yes yes" \
  "$(says out 'call: CreateProcessW "msiexec.exe" /i "\${TargetPath}\\x64\\viewer-de-DE.msi" in \${TargetPath}; waits') \
$(says out 'program: msiexec.exe is looked for in') $(says out '^cleanup: *the extracted files are deleted')"
check "plan: no cleanup after a ShellExecute without Wait" 0 out '^cleanup: *none: a ShellExecute command that does not wait' \
  "$kvsfx" plan "$src/docs/examples/sequence.xml" --windows W10_22H2
check "plan on an x86 machine: unsupported system" 0 out 'ends with 0xEE002004 .*The current system is not supported' \
  "$kvsfx" plan "$src/docs/examples/launch.xml" --arch x86
run "plan with a build number" 0 "$kvsfx" plan "$src/docs/examples/launch.xml" --windows 17763 --server --language en-US
expect_eq "plan: server build" "yes yes" "$(says out 'Windows S2019 (server') $(says out '^option: *x64-en$')"
run "plan with a bad version" 2 "$kvsfx" plan setup.xml --windows W12

finish
