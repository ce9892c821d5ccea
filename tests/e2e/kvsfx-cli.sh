#!/usr/bin/env bash
# The native kvsfx command line end to end: usage and exit statuses, a build from a folder with 7-Zip, inspect,
# reproducible builds, failures and their messages, the stub's default places, and the verdicts of check and plan.
#   kvsfx-cli.sh KVSFX STUB
set -uo pipefail
kvsfx=$1 stub=$2
if [ ! -f "$stub" ]; then
  echo "SKIP: no stub at $stub (scripts/build.sh win32 builds it)"
  exit 77
fi
. "$(dirname "$0")/lib.sh"
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
check "explain reads a hexadecimal code" 0 out '^0xEE002004 (3992985604): ' "$kvsfx" explain 0xEE002004

# A folder compressed by 7-Zip; an icon; the configuration.
mkdir -p payload/bin
cp "$stub" payload/bin/program.exe
echo "hidden" > payload/.hidden
echo '<SelfExtractor FormatVersionMajor="5" FormatVersionMinor="2"/>' > setup.xml
convert -size 32x32 xc:red -size 16x16 xc:blue app.ico
check "build from a folder shows the compression command" 0 out '7z.* a -t7z -m0=LZMA2 .*payload/\*' \
  "$kvsfx" build --config setup.xml --payload payload --icon app.ico --stub "$stub" $(test_stub_flag "$stub") -o setup.exe
expect_eq "the icon replaces the stub's" yes "$(says out '^icon: *app.ico, 2 images as RT_GROUP_ICON')"
listing=$(7zz l -slt -t7z setup.exe)
expect_eq "7-Zip picked the x86 filter for the program" yes \
  "$(grep -A8 '^Path = bin/program.exe' <<< "$listing" | grep -q '^Method = BCJ LZMA2' && echo yes || echo no)"
expect_eq "hidden files are in the payload" 1 "$(grep -c '^Path = .hidden$' <<< "$listing")"

run "inspect" 0 "$kvsfx" inspect setup.exe --config-out back.xml
# The version information with its defaults: no number, and "Setup" for a document without a Title.
for line in '^image: .*checksum 0x[0-9a-f]* (correct)' '^configuration: present, 63 bytes' ' bin/program.exe$' ' -  bin/$' \
            '^signature: *not signed' '^version: *file 0.0.0.0, product 0.0.0.0$' '^ *FileDescription: Setup$'; do
  expect_eq "inspect shows $line" yes "$(says out "$line")"
done
expect_eq "inspect writes the configuration" same "$(same_tree back.xml setup.xml)"
run "inspect --config-out of a stub without one" 1 "$kvsfx" inspect "$stub" --config-out none.xml
expect_eq "no configuration file written" no "$(exists none.xml)"
check "inspect without 7-Zip says it is missing" 0 out '^items: .*not on PATH' env PATH=/nonexistent "$kvsfx" inspect setup.exe
check "--file-version reaches the version rules" 1 err 'each part of a version is at most 65535' \
  "$kvsfx" build --no-config --payload payload --stub "$stub" -o bad.exe --file-version 1.2.3.65536

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
expect_eq "the same bytes from copies with other times in other folders" same "$(same_tree one/setup.exe two/setup.exe)"
listing=$(TZ=UTC 7zz l -slt one/setup.exe)
expect_eq "later times clamped, earlier ones kept" "2023-11-14 22:13:20 2001-02-03 04:05:06" \
  "$(grep -A12 '^Path = bin$' <<< "$listing" | sed -n 's/^Modified = \(.\{19\}\).*/\1/p') $(grep -A12 '^Path = .hidden$' <<< "$listing" | sed -n 's/^Modified = \(.\{19\}\).*/\1/p')"
expect_eq "the version's file date" yes "$(says one/out 'dated 2023-11-14 22:13:20 UTC')"
expect_eq "no copy left beside the output" "" "$(ls one two | grep 'payload-' || true)"
check "SOURCE_DATE_EPOCH that is no number" 1 err "SOURCE_DATE_EPOCH is 'yesterday'" env SOURCE_DATE_EPOCH=yesterday \
  "$kvsfx" build --no-config --payload payload --stub "$stub" -o bad.exe

# Failures: a message on standard error (that they leave no output and no temporary file: BuilderTests).
check "payload that is no archive: the message names it" 1 err '^kvsfx build: setup.xml is not a 7z archive' \
  "$kvsfx" build --config setup.xml --payload setup.xml --stub "$stub" $(test_stub_flag "$stub") -o setup.exe
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
check "folder without 7-Zip" 1 err 'neither 7zz nor 7z is on PATH' \
  env PATH=/nonexistent "$kvsfx" build --no-config --payload payload --stub "$stub" $(test_stub_flag "$stub") -o new.exe

# The stub's default places: next to kvsfx, else PREFIX/share/kvsfx for kvsfx in PREFIX/bin.
archive payload.7z payload
mkdir -p next prefix/bin prefix/share/kvsfx bare
cp "$kvsfx" next/ && cp "$stub" next/kv-sfxstub.exe
cp "$kvsfx" prefix/bin/ && cp "$stub" prefix/share/kvsfx/kv-sfxstub.exe
cp "$kvsfx" bare/
run "stub next to kvsfx" 0 next/kvsfx build --no-config --payload payload.7z $(test_stub_flag "$stub") -o a.exe
run "stub in share/kvsfx" 0 prefix/bin/kvsfx build --no-config --payload payload.7z $(test_stub_flag "$stub") -o b.exe
check "no stub anywhere" 1 err 'no stub given and none found' bare/kvsfx build --no-config --payload payload.7z $(test_stub_flag "$stub") -o c.exe

# check and plan: verdicts, exit statuses and the file's name before each finding (the findings themselves:
# ConfigCheckTests and ConfigWarningsTests).
for example in "$repo"/docs/examples/*.xml "$repo"/samples/msi/setup.xml; do
  check "$example: valid, no warnings" 0 out "^$example: valid$" "$kvsfx" check "$example"
done
run "check an installer" 0 "$kvsfx" check setup.exe
launch_document '<Command Id="x"/>' | sed 's/Id="o"/Id=" o"/' > broken.xml
check "check a broken document" 1 err '^broken.xml:1:[0-9]*: error: 0xEE000051 KV_E_INVALID_DATA' "$kvsfx" check broken.xml
run "build refuses a broken document" 1 "$kvsfx" build --config broken.xml --payload payload.7z --stub "$stub" $(test_stub_flag "$stub") -o refused.exe
expect_eq "no installer from a broken document" no "$(exists refused.exe)"
launch_document "$(create_process a '"a.exe"')" > mistakes.xml
check "check warns and stays valid" 0 err '^mistakes.xml:1:[0-9]*: warning: .*double quotes' "$kvsfx" check mistakes.xml
run "--strict fails on warnings" 1 "$kvsfx" check --strict mistakes.xml
check "build warns, also of the program missing from the payload" 0 err '^mistakes.xml:1:[0-9]*: warning: command "a" runs "a.exe", which is not in the payload' \
  "$kvsfx" build --config mistakes.xml --payload payload.7z --stub "$stub" $(test_stub_flag "$stub") -o warned.exe
run "build --strict writes nothing" 1 "$kvsfx" build --strict --config mistakes.xml --payload payload.7z --stub "$stub" $(test_stub_flag "$stub") -o strict.exe
expect_eq "no installer under --strict" no "$(exists strict.exe)"
run "plan on a German x64 machine" 0 "$kvsfx" plan "$repo/docs/examples/launch.xml" --ui-language de-AT
expect_eq "plan: option and tasks" "yes yes" "$(says out '^option: *x64-de$') $(says out '^  3. delete_extracted_files')"
expect_eq "plan: the call the system receives, where the program is looked for, the cleanup" "yes yes yes" \
  "$(says out 'call: CreateProcessW "msiexec.exe" /i "\${TargetPath}\\x64\\viewer-de-DE.msi" in \${TargetPath}; waits') \
$(says out 'program: msiexec.exe is looked for in') $(says out '^cleanup: *the extracted files are deleted')"
check "plan: no cleanup after a ShellExecute without Wait" 0 out '^cleanup: *none: a ShellExecute command that does not wait' \
  "$kvsfx" plan "$repo/docs/examples/sequence.xml" --windows W10_22H2
check "plan on an x86 machine: unsupported system" 0 out 'ends with 0xEE002004 .*The current system is not supported' \
  "$kvsfx" plan "$repo/docs/examples/launch.xml" --arch x86
run "plan with a build number" 0 "$kvsfx" plan "$repo/docs/examples/launch.xml" --windows 17763 --server --language en-US
expect_eq "plan: server build" "yes yes" "$(says out 'Windows S2019 (server') $(says out '^option: *x64-en$')"
run "plan with a bad version" 2 "$kvsfx" plan setup.xml --windows W12

finish
