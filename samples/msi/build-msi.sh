#!/usr/bin/env bash
# samples/msi/build-msi.sh OUTDIR: builds the sample packages with wixl (msitools) into OUTDIR:
#   product.msi  installs hello.txt into "[ProgramFilesFolder]kv-sfx sample\"; msiexec /qn ends with 0
#   failing.msi  a launch condition that is never true; msiexec /qn ends with 1603
#   reboot.msi   installs and schedules a restart; msiexec /qn ends with 3010
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 OUTDIR" >&2
  exit 2
fi
command -v wixl >/dev/null || { echo "$0: wixl is missing (apt-get install -y wixl)" >&2; exit 1; }
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$1"
out=$(cd "$1" && pwd)
cd "$here"  # File/@Source paths are relative to the sources
for name in product failing reboot; do
  wixl -o "$out/$name.msi" "$name.wxs"
done
echo "$out: product.msi failing.msi reboot.msi"
