#!/usr/bin/env bash
# A full drive: a 4 MiB tmpfs mapped as drive Q: and installers whose payload (incompressible, several files, in a
# nested folder) does not fit. A run that fills the drive ends with the system's error, ERROR_DISK_FULL (112), for
# every decoder, with the error box captioned with the installer's title unless --gui off; launch mode runs no
# command and deletes what it wrote; the installer stays usable and unchanged. Skipped where no tmpfs can be
# mounted (it needs root).
#   fulldisk.sh NATIVE_KVSFX STUB RUNEXIT HARNESS EXITWITH
set -uo pipefail
native=$1
. "$(dirname "$0")/lib.sh"
begin_installer_cases "$@"
stub=$2 runexit=$3 harness=$4 exitwith=$5

drive=$work/drive
drive_link=$WINEPREFIX/dosdevices/q:
mkdir -p "$drive"
if ! error=$(mount -t tmpfs -o size=4m kvsfx-fulldisk "$drive" 2>&1); then
  echo "SKIP: cannot mount a 4 MiB tmpfs for the full drive: ${error:-mount failed}"
  exit 77
fi
trap 'rm -f "$drive_link"; umount "$drive" 2>/dev/null || umount -l "$drive"; rm -rf "$work"' EXIT
ln -sfn "$drive" "$drive_link"  # only this script maps Q:; a link left by a killed run is replaced
on_drive() { (cd "$drive" && find . -mindepth 1 | sort | tr '\n' ' '); }
clear_drive() { rm -rf "${drive:?}"/*; }

# Three files of 2 MiB that do not compress, one in a folder: 6 MiB for a 4 MiB drive.
mkdir -p src/sub
python3 - src <<'PY'
import random, sys
rng = random.Random(112)
for name in ("first.bin", "second.bin", "sub/third.bin"):
    with open(f"{sys.argv[1]}/{name}", "wb") as out:
        out.write(rng.randbytes(2 << 20))
PY
archive payload.7z src -mx1
titled() { configured "$1" "$(document "<Title>Full Disk</Title>$2")" payload.7z; }  # NAME BODY
run() { bounded 60 "$@"; }  # EXE [ARGS...]: with --gui off; "hang" where it did not end by itself
# No folder dialog, and no progress window: it has the title too, and is still up when the run fails.
extract_into_q='<Extract><ProgressDialog Enabled="false"/><TargetPath>Q:\extracted</TargetPath>
<FolderSelectionDialog Enabled="false"/></Extract>'
titled extract "$extract_into_q"
before=$(sha256sum < extract.exe)

# --- extract mode: the system's disk-full error, whatever decoder fills the drive ----------------------------
expect_eq "extract mode, --gui off: ERROR_DISK_FULL, no box" 0x00000070 "$(run extract.exe)"
expect_eq "  the drive is full, the files before the failing one whole" "0 same" \
  "$(df -B1 --output=avail "$drive" | tail -n 1 | tr -d ' ') $(cmp -s src/first.bin "$drive/extracted/first.bin" && echo same)"
clear_drive
expect_eq "with the GUI: the error box captioned with the title, then ERROR_DISK_FULL" "shown 0x00000070" \
  "$(exit_code_confirming " Full Disk" extract.exe)"
clear_drive
# Each decoder's write failure as the extraction reports it; the installer passes the code on, as above.
while IFS='|' read -r name switches; do
  archive "$name.7z" src $switches
  installer "$name.exe" "$name.7z" --no-config
  expect_eq "$name: the extraction reports the write failure with the system's error" \
    "extract=0x00000070 message=Cannot write output file" \
    "$(wine "$harness" "$(winpath "$name.exe")" 'Q:\harness' 2>/dev/null | tr -d '\r')"
  clear_drive
done <<'DECODERS'
copy|-m0=Copy
lzma|-m0=LZMA
lzma2-multi-block|-m0=LZMA2:d=256k:c=256k -mmt=2
bcj2|-mf=BCJ2 -m0=LZMA2
DECODERS

# --- launch mode: no command, nothing left on the drive ------------------------------------------------------
cp "$exitwith" tool.exe
export KVSFX_EXITWITH_LOG="$work/calls.log"
configured launch "$(launch_document "$(create_process c "$(wpath tool.exe)" 0)" "Full Disk")" payload.7z
launch_before=$(sha256sum < launch.exe)
# <TargetPath> applies to extract mode only: a launch run's folder comes from --target or is a fresh {GUID} one.
expect_eq "launch mode on the full drive: ERROR_DISK_FULL, the command not run, the drive empty again" \
  "0x00000070 not-run " \
  "$(run launch.exe --target 'Q:\launch') $([ -e calls.log ] && echo ran || echo not-run) $(on_drive)"

# --- the installers stay usable ------------------------------------------------------------------------------
expect_eq "the extract installer then extracts into a folder with room" "0x00000000 same" \
  "$(run extract.exe --target "$(wpath roomy)") $(same_tree src roomy)"
expect_eq "the launch installer then runs its command" "0x00000000 ran" \
  "$(run launch.exe) $([ -e calls.log ] && echo ran)"
expect_eq "neither installer file changed" "$before $launch_before" \
  "$(sha256sum < extract.exe) $(sha256sum < launch.exe)"

finish
