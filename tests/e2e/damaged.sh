#!/usr/bin/env bash
# Damaged and hostile payloads: installers made by kvsfx build whose payload is truncated, has bits flipped, false
# sizes or item counts, item names that leave the target, a link pointing outside, or encryption.
# Every run ends with an exit code (0xEE000001 unless the case says why not), never with an exception and never
# hangs (each run is bounded); nothing appears or changes outside the target; launch-mode runs leave no extracted
# folder behind and never start their command.
#   damaged.sh NATIVE_KVSFX STUB RUNEXIT EXITWITH
set -uo pipefail
native=$1
. "$(dirname "$0")/lib.sh"
begin_installer_cases "$@"
stub=$2 runexit=$3 exitwith=$4
started=$SECONDS

limit=20  # seconds per run; an extraction here takes well under one
jail=$work/jail  # the target's parent, with a canary folder beside the target
unix_installer=$(installer_folder)
wine_temp=$(wine_temp)
# A crash leaves a dump in %TEMP%, even where it ends a process whose exit code was already set.
dumps() { ls "$wine_temp"/kv-sfxstub_*.dmp 2>/dev/null | sort; }
dumps_before=$(dumps)
new_dumps() { comm -13 <(echo "$dumps_before") <(dumps); }

payload_offset() { "$native" inspect "$1" 2>/dev/null | sed -n 's/^payload: *offset \([0-9]*\).*/\1/p'; }

run() { bounded "$limit" "$@"; }

# Everything under the work folder but the target (and the launch cases' log): names, kinds, file sizes and times.
outside() {
  find "$work" \( -path "$jail/target" -o -path "$work/launch.log" \) -prune -o \
    \( -type f -printf '%P f %s %T@\n' \) -o \( ! -type f -printf '%P %y\n' \) | sort
}

verdict() { expect_eq "$1: $2 -> $4" "" "$3"; }  # GROUP NAME PROBLEMS CODE

# extract_case GROUP NAME EXE ALLOWED_CODES: runs EXE into a fresh target beside a canary.
extract_case() {
  local group=$1 name=$2 exe=$3 allowed=$4 before code problems=""
  rm -rf "$jail" && mkdir -p "$jail/canary" && echo canary > "$jail/canary/keep.txt"
  before=$(outside)
  code=$(run "$exe" --target "$(winpath "$jail/target")")
  case " $allowed " in *" $code "*) ;; *) problems+=" expected $allowed" ;; esac
  [ "$(outside)" = "$before" ] || problems+=" changes outside the target: $(diff <(echo "$before") <(outside) | grep '^[<>]' | head -n 3 | tr '\n' ' ')"
  [ "$(cat "$jail/canary/keep.txt")" = canary ] || problems+=" the canary changed"
  [ -z "$(new_dumps)" ] || { problems+=" crashed (dump $(new_dumps | xargs -n 1 basename))"; dumps_before=$(dumps); }
  verdict "$group" "$name" "$problems" "$code"
}

# --- truncation and bit flips over every part of the payload -------------------------------------------------
mkdir -p src/sub
seq 1 40000 > src/numbers.txt
python3 -c 'import random, sys; random.seed(7); sys.stdout.buffer.write(random.randbytes(20000))' > src/random.bin
for i in 1 2 3 4 5; do yes "line $i of a small file" | head -n 200 > "src/sub/small$i.txt"; done
# Multi-block LZMA2, decoded on two threads (where the library's multi-threaded decoder crashed before
# patches/mtdec-code-after-skipped-precode.patch), and a plain end header (names, sizes, CRCs).
archive base.7z src -m0=LZMA2:d=64k:c=64k -mmt=2 -mhc=off
plain base.exe base.7z
offset=$(payload_offset base.exe)
extract_case intact "the undamaged installer extracts everything" base.exe 0x00000000
expect_eq "  the files it extracted" "$(cd src && find . -type f | sort)" "$(cd "$jail/target" 2>/dev/null && find . -type f | sort)"
python3 "$repo/tests/e2e/damage.py" base.exe "$offset" damaged 8 20 > damaged.list
while IFS='|' read -r exe part at what; do
  case $what in
    truncated) extract_case truncated "$part, payload byte $at: $what" "$exe" 0xEE000001 ;;
    *"last packed byte")
      # LZMA2's end marker: a decoder may stop at the stated unpacked size without reading it. The run may
      # succeed then, but only with every file whole (each CRC checked).
      extract_case bit-flip "$part, payload byte $at: $what (the end marker)" "$exe" "0xEE000001 0x00000000"
      [ -d "$jail/target" ] && expect_eq "  ... and every file it extracted is whole" same \
        "$(diff -r src "$jail/target" >/dev/null && echo same || echo different)" ;;
    *) extract_case bit-flip "$part, payload byte $at: $what" "$exe" 0xEE000001 ;;
  esac
done < damaged.list

# --- headers that claim more than the archive holds -----------------------------------------------------------
make7z huge-size.7z 'a.txt,data=tiny,size=0xFFFFFFFFFFFFFFFF'
make7z huge-pack.7z 'a.txt,data=tiny,packsize=0xFFFFFFFFFFFFFFFF'
make7z --count 10000000 many.7z 'a.txt,data=tiny'
make7z --count 10000000 many-empty.7z 'd,dir=1' 'a.txt,data=tiny'
for kind in huge-size:"an unpacked size of 16 EiB" huge-pack:"a packed size of 16 EiB" \
            many:"10 million items, one stored" many-empty:"10 million items with a short empty-item vector"; do
  plain "${kind%%:*}.exe" "${kind%%:*}.7z"
  extract_case claims "${kind#*:}" "${kind%%:*}.exe" 0xEE000001
done

# --- item names that leave the target, and links --------------------------------------------------------------
# One name of each kind the rule refuses (every form: ExtractRulesTests). A colon makes a stream name on Windows
# (the file before it is in the target) and a plain character under Wine: both stay inside, and are written (0).
n=0
while IFS='|' read -r name code; do
  n=$((n + 1))
  make7z "name$n.7z" 'first.txt,data=ok' "$name,data=evil"
  plain "name$n.exe" "name$n.7z"
  extract_case names "item '$name'" "name$n.exe" "$code"
  if [ "$code" = 0x00000000 ]; then
    expect_eq "  ... written inside the target" "first.txt evil" \
      "$(cd "$jail/target" 2>/dev/null && ls first.txt) $(grep -rlx evil "$jail/target" >/dev/null && echo evil)"
  fi
done <<'NAMES'
sub/../../kvsfx-evil.txt|0xEE000001
/tmp/kvsfx-evil.txt|0xEE000001
C:/kvsfx-evil.txt|0xEE000001
//./C:/kvsfx-evil.txt|0xEE000001
sub/nul.txt|0xEE000001
sub/:kvsfx-evil|0xEE000001
sub/C:/kvsfx-evil.txt|0x00000000
a.txt:evil|0x00000000
NAMES
# A link item pointing outside is written as a plain file holding the link's text: nothing is followed.
mkdir -p outside links
echo precious > outside/keep.txt
ln -s "$work/outside" links/abs && ln -s ../../outside links/rel
(cd links && 7zz a -bd -snl "$work/links.7z" abs rel >/dev/null)
plain links.exe links.7z
extract_case links "links made by 7zz -snl: written as plain files (0)" links.exe 0x00000000
expect_eq "  link items hold their target's text; nothing is linked" "f f $work/outside" \
  "$(find "$jail/target/abs" -printf '%y') $(find "$jail/target/rel" -printf '%y') $(cat "$jail/target/abs" 2>/dev/null)"
# A link followed by a file written through it (POSIX mode 0120777 in the high attribute bits).
make7z link-then-file.7z "abs,data=$work/outside,attrib=0xA1FF8020" 'abs/kvsfx-evil.txt,data=evil'
plain link-then-file.exe link-then-file.7z
extract_case links "a link to a folder outside, then a file through it" link-then-file.exe 0xEE000001

# --- encryption ----------------------------------------------------------------------------------------------
# Headers too, so that the open fails (encrypted data alone fails as any unsupported method: e2e_extract).
archive encrypted.7z src/sub -pSECRET -mhe=on
plain encrypted.exe encrypted.7z
extract_case encrypted "data and headers encrypted (no password is asked for)" encrypted.exe 0xEE000001

# --- launch mode: no folder left, no command run --------------------------------------------------------------
cp "$exitwith" tool.exe
export KVSFX_EXITWITH_LOG="$work/calls.log"
launch_document "$(create_process c "$(wpath tool.exe)" 0)" Damaged > launch.xml
launcher() { installer "$1" "$2" --no-check --config launch.xml; }  # OUT PAYLOAD
launch_case() {  # NAME EXE [extracted]: with "extracted" the run got as far as writing files, which are deleted
  local before_guid before code problems=""
  rm -f calls.log
  before_guid=$(guid_folders)
  before=$(outside)
  code=$(run "$2" --logfile "$(winpath "$work/launch.log")")
  if [ "${3:-}" = extracted ]; then
    grep -q 'task extract_files ended .*: 0xEE000001' launch.log && grep -q 'cleanup of .*: deleted' \
      launch.log || problems+=" no failed extraction followed by a cleanup in the log"
  fi
  rm -f launch.log
  [ "$code" = 0xEE000001 ] || problems+=" expected 0xEE000001"
  [ "$(guid_folders)" = "$before_guid" ] || problems+=" extracted folder left: $(comm -13 <(echo "$before_guid") <(guid_folders) | tr '\n' ' ')"
  [ ! -e calls.log ] || problems+=" the command ran"
  [ "$(outside)" = "$before" ] || problems+=" changes in the work folder"
  [ -z "$(new_dumps)" ] || { problems+=" crashed (dump $(new_dumps | xargs -n 1 basename))"; dumps_before=$(dumps); }
  verdict launch "$1" "$problems" "$code"
}
# Stored files, the second much larger: a flip near its end fails the run after the first and most of the second
# are written, so there are partial files to delete.
mkdir two && head -c 2000 /dev/urandom > two/a1.dat && head -c 200000 /dev/urandom > two/a2.dat
archive two.7z two -m0=Copy
launcher launch-flip.exe two.7z
at=$(( $(payload_offset launch-flip.exe) + 32 + 2000 + 190000 ))
python3 -c 'import sys; f = open(sys.argv[1], "r+b"); f.seek(int(sys.argv[2])); b = f.read(1)[0]; f.seek(-1, 1)
f.write(bytes([b ^ 0x10]))' launch-flip.exe "$at"
launch_case "a flipped byte late in the second file: partial files deleted" launch-flip.exe extracted
launcher launch-cut.exe base.7z
truncate -s $(( $(payload_offset launch-cut.exe) + $(stat -c %s base.7z) / 2 )) launch-cut.exe
launch_case "truncated in the packed streams" launch-cut.exe

# --- the matrix as a whole -----------------------------------------------------------------------------------
strays=$(find / /tmp "$WINEPREFIX/drive_c" "$WINEPREFIX/drive_c/windows" "$wine_temp" "$unix_installer" "$work/.." \
  -maxdepth 1 -name 'kvsfx-evil*' 2>/dev/null | sort -u)
expect_eq "no kvsfx-evil file anywhere outside a target" "" "$strays"
echo "time: $((SECONDS - started)) s"
finish
