#!/usr/bin/env bash
# Installers made by kvsfx build, under Wine: resources through the Windows loader, signing after the build, and
# kvsfx.exe itself.
#   builder.sh NATIVE_KVSFX KVSFX_EXE STUB RESOURCE_CHECK RUNEXIT
set -uo pipefail
export LC_ALL=C.UTF-8  # Wine reads the non-ASCII arguments below as UTF-8
native=$1
. "$(dirname "$0")/lib.sh"
begin_installer_cases "$@"
kvsfx_exe=$2 stub=$3 check=$4 runexit=$5

mkdir -p payload/bin
cp "$runexit" payload/bin/tool.exe
echo "read me" > payload/README.txt
echo "hidden" > payload/.hidden
printf '<?xml version="1.0" encoding="utf-8"?>\n<SelfExtractor FormatVersionMajor="5" FormatVersionMinor="2">\n  <Title>Builder test</Title>\n</SelfExtractor>\n' > setup.xml
convert -size 32x32 xc:red -size 16x16 xc:blue -size 48x48 xc:green app.ico

# Built natively from a folder, with an icon and version information (read back as Explorer reads it).
"$native" build --config setup.xml --payload payload --icon app.ico --stub "$stub" $(test_stub_flag "$stub") \
  -o setup.exe --product-name "Builder Tools" --product-version 2.5 --file-version 2.5.0.17 \
  --company "Contoso Ltd." --copyright "© 2026 Contoso" > build.out 2>&1
expect_eq "native build from a folder" 0 $?
version=(--version-fixed 2.5.0.17/2.5.0.0 --version-string "ProductName=Builder Tools"
  --version-string ProductVersion=2.5 --version-string FileVersion=2.5.0.17 --version-string "CompanyName=Contoso Ltd."
  --version-string "LegalCopyright=© 2026 Contoso" --version-string "FileDescription=Builder test"
  --version-string OriginalFilename=setup.exe --version-string InternalName=setup.exe)
out=$(wine "$check" setup.exe setup.xml --icon 1 --dialog 224 "${version[@]}" 2>/dev/null | tr -d '\r'); status=$?
expect_eq "resources through the Windows loader" "exit 0, 0 failed, some passed" \
  "exit $status, $(grep -c '^FAIL' <<< "$out") failed, $([ "$(grep -c '^ok' <<< "$out")" -ge 4 ] && echo some || echo none) passed"
[ $status -eq 0 ] || printf '%s\n' "$out"

# Signed after the build: keeps its payload, still runs (that the signature verifies: docs/signing.md's example).
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 -subj "/CN=kvsfx test signer" \
  -addext "extendedKeyUsage=codeSigning" >/dev/null 2>&1
osslsigncode sign -certs cert.pem -key key.pem -h sha256 -in setup.exe -out signed.exe >/dev/null 2>&1
payload_line=$("$native" inspect setup.exe | grep '^payload:')
expect_eq "signing keeps the payload where it was" "$payload_line" "$("$native" inspect signed.exe | grep '^payload:')"
expect_eq "inspect sees the signature" 1 "$("$native" inspect signed.exe | grep -c '^signature: *signed')"
expect_eq "the signed installer finds its payload before the certificate and extracts it" "0x00000000 same" \
  "$(quiet signed.exe --target "$(wpath signed)") $(same_tree payload signed)"
"$native" build --config setup.xml --payload payload --stub signed.exe $(test_stub_flag signed.exe) -o again.exe > refused.out 2>&1
expect_eq "a signed file is refused as a stub" "1 1" "$? $(grep -c 'the stub is signed' refused.out)"

# kvsfx.exe, under Wine, with the stub beside it: from a 7z archive, the same bytes as the native tool's (whose
# installers are checked above).
archive payload.7z payload
cp "$stub" stub-copy.exe
wine "$kvsfx_exe" build --config setup.xml --payload payload.7z $(test_stub_flag "$stub") -o wsetup.exe > wbuild.out 2>&1
expect_eq "kvsfx.exe builds from a 7z archive" 0 $?
mkdir -p native  # the same file name: it is the version's OriginalFilename
"$native" build --config setup.xml --payload payload.7z --stub stub-copy.exe $(test_stub_flag stub-copy.exe) \
  -o native/wsetup.exe >/dev/null 2>&1
expect_eq "kvsfx.exe and kvsfx write the same installer" same "$(cmp -s wsetup.exe native/wsetup.exe && echo same)"
wine "$kvsfx_exe" inspect wsetup.exe --config-out wsetup.xml 2>&1 | tr -d '\r' > winspect.out
expect_eq "kvsfx.exe inspect finds the payload" "$(stat -c %s payload.7z) bytes" \
  "$(sed -n 's/^payload: .*, \([0-9]* bytes\)$/\1/p' winspect.out)"
expect_eq "kvsfx.exe inspect says why it lists no items" 1 "$(grep -c '^items: .*7zz or 7z) is not on PATH' winspect.out)"
expect_eq "kvsfx.exe writes the configuration out" same "$(cmp -s wsetup.xml setup.xml && echo same)"

# kvsfx.exe check and plan read their files as the native tool does (the verdicts themselves: kvsfx-cli.sh).
wine "$kvsfx_exe" check wsetup.exe > wcheck.out 2>&1
expect_eq "kvsfx.exe check of an installer" "0 1" "$? $(tr -d '\r' < wcheck.out | grep -c 'wsetup.exe: valid$')"
cp "$repo/docs/examples/launch.xml" launch.xml
wine "$kvsfx_exe" plan launch.xml --ui-language de-AT 2>/dev/null | tr -d '\r' > wplan.out
"$native" plan launch.xml --ui-language de-AT > nplan.out 2>/dev/null
expect_eq "kvsfx.exe plan: the same plan as kvsfx" same "$(cmp -s wplan.out nplan.out && echo same)"
expect_eq "kvsfx.exe plan: the German x64 option" 1 "$(grep -c '^option: *x64-de$' wplan.out)"

finish
