#!/usr/bin/env bash
# Real Windows Installer packages (built with wixl from samples/msi) installed by Wine's msiexec from installers
# made by kvsfx build with samples/msi/setup.xml: the file installed and exit code 0, msiexec's own failure and
# restart codes passed through, and the uninstall command.
#   msi.sh NATIVE_KVSFX STUB RUNEXIT
set -uo pipefail
native=$1
. "$(dirname "$0")/lib.sh"
begin_installer_cases "$@"
stub=$2 runexit=$3
"$repo/samples/msi/build-msi.sh" msi >/dev/null || { echo "FAIL wixl could not build the sample packages"; exit 1; }

# setup-NAME.exe: the sample configuration with NAME.msi as the payload's product.msi.
for name in product failing reboot; do
  mkdir -p "payload-$name" && cp "msi/$name.msi" "payload-$name/product.msi"
  installer "setup-$name.exe" "payload-$name" --config "$repo/samples/msi/setup.xml"
done
installed() { find "$WINEPREFIX/drive_c" -path '*/kv-sfx sample/hello.txt' 2>/dev/null | head -n 1; }

expect_eq "the package installs: exit code 0" 0x00000000 "$(quiet setup-product.exe)"
file=$(installed)
expect_eq "  its file is in place" "yes" "$([ -n "$file" ] && grep -q . "$file" && echo yes || echo no)"
expect_eq "the uninstall command removes it: exit code 0" 0x00000000 "$(quiet setup-product.exe --command uninstall)"
expect_eq "  its file is gone" "" "$(installed)"
expect_eq "a package whose launch condition fails: msiexec's 1603 passes through" 0x00000643 "$(quiet setup-failing.exe)"
expect_eq "a package that needs a restart: 3010 passes through" 0x00000BC2 "$(quiet setup-reboot.exe)"
quiet setup-reboot.exe --command uninstall >/dev/null

finish
