#!/usr/bin/env bash
# Extraction and cleanup end to end: payloads made with 7zz (and make7z.py for items no archiver would store)
# built into installers by kvsfx build, extracted by kv-extract-harness (which reports the item messages) and by
# the installers themselves under Wine, and compared with `7zz x`.
#   extract.sh NATIVE_KVSFX STUB HARNESS RUNEXIT
set -uo pipefail
. "$(dirname "$0")/lib.sh"
native=$1
begin_installer_cases "$@"
stub=$2 harness=$3 runexit=$4

# run [--list] [--delete] EXECUTABLE TARGET: the harness's output
run() {
  local options=()
  while [ "${1#--}" != "$1" ]; do options+=("$1"); shift; done
  timeout 120 wine "$harness" "${options[@]}" "$(winpath "$1")" "$2" 2>/dev/null | tr -d '\r'
}
attributes_of() { grep -o "^entry $1 attributes=0x[0-9A-F]*" <<<"$2" | sed 's/.*=//'; }  # attributes_of NAME OUTPUT
result() { sed -n 's/^extract=\(0x[0-9A-F]*\).*/\1/p' <<<"$1"; }
# installer_run EXECUTABLE TARGET: the installer itself, silently into TARGET; its exit code
installer_run() { quiet "$1" --target "$(winpath "$2")"; }

# --- each kind of coder: installers extract what 7zz x does ------------------------------------------------
# (Every filter a payload may use is registered: win_unit_tests SevenZipLibrary; BCJ stands for them here, and
# bsdtar's archive below is LZMA.)
src=$work/src
mkdir -p "$src/sub/dir" "$src/emptydir"
cp "$stub" "$src/code.exe"
head -c 300000 /dev/urandom > "$src/random.bin"
seq 1 100000 > "$src/sub/numbers.txt"
echo nested > "$src/sub/dir/nested.txt"
: > "$src/empty.txt"
echo u > "$src/über-ñ.txt"
# like_7zz NAME ARCHIVE [BUILD OPTIONS...]: an installer of ARCHIVE, run by itself, extracts what `7zz x` does.
like_7zz() {
  local name=$1 archive=$2; shift 2
  rm -rf "$work/reference" "$work/out"
  7zz x -bd -o"$work/reference" "$archive" >/dev/null
  installer "$work/setup.exe" "$archive" --no-config "$@"
  expect_eq "$name: extracted byte-identical to 7zz x" "0x00000000 same" \
    "$(installer_run "$work/setup.exe" "$work/out") $(same_tree "$work/reference" "$work/out")"
}
while IFS='|' read -r name switches; do
  archive "$work/m.7z" "$src" $switches || { expect_eq "$name: archive made" yes no; continue; }
  like_7zz "$name" "$work/m.7z" --no-check
done <<'CODECS'
Copy|-m0=Copy -mf=off
LZMA2 single block|-m0=LZMA2 -mf=off
LZMA2 multi-block|-m0=LZMA2:d=256k:c=256k -mmt=2 -mf=off
BCJ|-mf=BCJ
BCJ2|-mf=BCJ2
CODECS

# --- archives of another writer: libarchive stores "./name" items and a "." folder, which installers take ----
if command -v bsdtar >/dev/null; then
  bsdtar -C "$src" -cf "$work/bsd.7z" --format 7zip .
  like_7zz "bsdtar, items './name'" "$work/bsd.7z"
else
  echo "SKIP bsdtar archives: bsdtar missing (libarchive-tools)"
fi
# The "." folder item sets nothing, neither on the target nor on the item before it.
make7z "$work/dot.7z" 'ro.txt,data=ro,attrib=0x21' '.,dir=1,attrib=0x10'
plain "$work/dot.exe" "$work/dot.7z"
out=$(run --list "$work/dot.exe" "$(winpath "$work/dot")")
expect_eq "a '.' item after a read-only file: extracted, the file keeps its attributes" "0x00000000 0x00000021" \
  "$(result "$out") $(attributes_of ro.txt "$out")"

# --- items: default name, attributes, times, folders, anti items --------------------------------------------
exe_time=$(date -u -d '2020-01-02 03:04:05' +%s)
filetime() { printf '0x%016X' $((($1 + 11644473600) * 10000000)); }
make7z "$work/items.7z" 'd,dir=1,mtime=0x01D0000000000000' 'd/f.txt,data=in d,attrib=0x20,mtime=0x01D1000000000000' \
  'ro.txt,data=ro,attrib=0x21' 'hidden.txt,data=h,attrib=0x22' 'plain.txt,data=p' 'a/b/c.txt,data=deep' \
  'old.txt,anti=1' 'posix.txt,data=x,attrib=0x81A48001'
plain "$work/items.exe" "$work/items.7z"
touch -d "@$exe_time" "$work/items.exe"
mkdir -p "$work/items" && echo stale > "$work/items/old.txt" && echo kept > "$work/items/other.txt"
out=$(run --list "$work/items.exe" "$(winpath "$work/items")")
expect_eq "items: extracted" 0x00000000 "$(result "$out")"
expect_eq "folder item: its time, set after the files in it" "folder d attributes=0x00000010 mtime=0x01D0000000000000" \
  "$(grep '^folder d ' <<<"$out")"
expect_eq "file: stored time and attributes" "entry d\\f.txt attributes=0x00000020 mtime=0x01D1000000000000" \
  "$(grep -F 'entry d\f.txt' <<<"$out")"
expect_eq "read-only and hidden attributes" "0x00000021 0x00000022" \
  "$(attributes_of ro.txt "$out") $(attributes_of hidden.txt "$out")"
expect_eq "no stored attributes or time: 0 (shown as archive) and the executable's time" \
  "entry plain.txt attributes=0x00000020 mtime=$(filetime "$exe_time")" "$(grep '^entry plain.txt' <<<"$out")"
expect_eq "POSIX mode bits of a Unix-made archive are dropped, the Windows bits set" 0x00000021 \
  "$(attributes_of posix.txt "$out")"
expect_eq "parent folders of a nested item" deep "$(cat "$work/items/a/b/c.txt")"
expect_eq "anti item deletes the file; unnamed files stay" "absent kept" \
  "$([ -e "$work/items/old.txt" ] && echo present || echo absent) $(cat "$work/items/other.txt")"

make7z "$work/noname.7z" '-,data=no name stored'
plain "$work/noname.exe" "$work/noname.7z"
run "$work/noname.exe" "$(winpath "$work/noname")" >/dev/null
expect_eq "item without a path is written as Default" "no name stored" "$(cat "$work/noname/Default" 2>/dev/null)"

make7z "$work/empty.7z"
plain "$work/empty.exe" "$work/empty.7z"
out=$(run "$work/empty.exe" "$(winpath "$work/new/parents/target")")
expect_eq "empty archive: success, the target and its parents created" "0x00000000 yes" \
  "$(result "$out") $([ -d "$work/new/parents/target" ] && echo yes || echo no)"

# --- existing files and folders in the target ----------------------------------------------------------------
make7z "$work/replace.7z" 'file.txt,data=new'
plain "$work/replace.exe" "$work/replace.7z"
mkdir -p "$work/replace" && echo old > "$work/replace/file.txt" && chmod 444 "$work/replace/file.txt"
out=$(run "$work/replace.exe" "$(winpath "$work/replace")")
expect_eq "read-only existing file is replaced" "0x00000000 new" "$(result "$out") $(cat "$work/replace/file.txt")"
mkdir -p "$work/blocked/file.txt"
out=$(run "$work/replace.exe" "$(winpath "$work/blocked")")
expect_eq "existing folder where a file goes" "extract=0xEE000001 message=Cannot delete output file" "$out"

# --- damaged, encrypted --------------------------------------------------------------------------------------
mkdir -p "$work/five"
for i in 1 2 3 4 5; do yes "item-$i-data" | head -c 4000 > "$work/five/f$i.txt"; done
(cd "$work/five" && 7zz a -bd -m0=Copy -mf=off "$work/five.7z" f1.txt f2.txt f3.txt f4.txt f5.txt >/dev/null)
offset=$(grep -abo 'item-3-data' "$work/five.7z" | head -n 1 | cut -d: -f1)
printf 'X' | dd of="$work/five.7z" bs=1 seek=$((offset + 100)) conv=notrunc status=none
plain "$work/five.exe" "$work/five.7z"
out=$(run "$work/five.exe" "$(winpath "$work/five-out")")
expect_eq "CRC error in the third of five items: fails" 0xEE000001 "$(result "$out")"
expect_eq "... the first two complete, the third partly written, no more" "same same yes no no" \
  "$(cmp -s "$work/five/f1.txt" "$work/five-out/f1.txt" && echo same) $(cmp -s "$work/five/f2.txt" "$work/five-out/f2.txt" && echo same) \
$([ -e "$work/five-out/f3.txt" ] && echo yes || echo no) $([ -e "$work/five-out/f4.txt" ] && echo yes || echo no) \
$([ -e "$work/five-out/f5.txt" ] && echo yes || echo no)"
(cd "$src" && 7zz a -bd -m0=PPMd "$work/ppmd.7z" sub >/dev/null)
plain "$work/ppmd.exe" "$work/ppmd.7z"
expect_eq "a method the payload may not use (PPMd, not registered)" "extract=0xEE000001 message=Unsupported Method" \
  "$(run "$work/ppmd.exe" "$(winpath "$work/ppmd-out")")"

# --- finding the payload -------------------------------------------------------------------------------------
make7z "$work/one.7z" 'found.txt,data=found'
plain "$work/one.exe" "$work/one.7z"
for prefix in 8388607 8388608; do
  head -c "$prefix" /dev/zero > "$work/far-$prefix.bin" && cat "$work/one.7z" >> "$work/far-$prefix.bin"
done
expect_eq "signature header starting at 8 MiB - 1 is found" 0x00000000 \
  "$(result "$(run "$work/far-8388607.bin" "$(winpath "$work/far1")")")"
expect_eq "signature header starting at 8 MiB is not" 0xEE000001 \
  "$(result "$(run "$work/far-8388608.bin" "$(winpath "$work/far2")")")"
{ cat "$stub"; printf '7z\274\257\047\034'; head -c 26 /dev/zero | tr '\0' 'x'; cat "$work/one.7z"; } > "$work/decoy.exe"
expect_eq "six signature bytes with a bad header CRC are skipped" "0x00000000 found" \
  "$(result "$(run "$work/decoy.exe" "$(winpath "$work/decoy")")") $(cat "$work/decoy/found.txt" 2>/dev/null)"

sib=$work/sibling
mkdir -p "$sib"
cp "$stub" "$sib/Setup.EXE" && cp "$stub" "$sib/setup.bin"
make7z "$sib/Setup.7z.001" 'from-001.txt,data=1'
make7z "$sib/Setup.7z" 'from-7z.txt,data=2'
cp "$sib/Setup.7z" "$sib/setup.7z.bak"
sibling_case() {  # NAME EXECUTABLE EXPECTED
  rm -rf "$work/sib-out"
  local out; out=$(run "$2" "$(winpath "$work/sib-out")")
  expect_eq "$1" "$3" "$(result "$out") $(ls "$work/sib-out" 2>/dev/null | tr '\n' ' ')"
}
sibling_case "Setup.EXE without payload uses Setup.7z.001" "$sib/Setup.EXE" "0x00000000 from-001.txt "
rm "$sib/Setup.7z.001" && mkdir "$sib/Setup.7z.001"
sibling_case "... then Setup.7z (a folder named Setup.7z.001 is skipped)" "$sib/Setup.EXE" "0x00000000 from-7z.txt "
rm -rf "$work/sib-out"
expect_eq "the stub named Setup.EXE itself takes Setup.7z" "0x00000000 from-7z.txt " \
  "$(installer_run "$sib/Setup.EXE" "$work/sib-out") $(ls "$work/sib-out" 2>/dev/null | tr '\n' ' ')"
plain "$sib/Broken.exe" "$work/one.7z"
printf 'X' | dd of="$sib/Broken.exe" bs=1 seek=$(( $(stat -c %s "$sib/Broken.exe") - 3 )) conv=notrunc status=none
cp "$sib/Setup.7z" "$sib/Broken.7z"
sibling_case "a payload that is found but damaged fails; no sibling is tried" "$sib/Broken.exe" "0xEE000001 "

# --- target folders ------------------------------------------------------------------------------------------
too_long="C:\\kvsfx\\$(printf 'x%.0s' $(seq 1 240))"
expect_eq "the installer itself: invalid target, over-long target" "0xEE002005 0xEE002007" \
  "$(quiet "$work/one.exe" --target 'C:\kvsfx|invalid') $(quiet "$work/one.exe" --target "$too_long")"

# --- an item path that would leave the target: the message (the rule: ExtractRulesTests; damaged.sh runs
# installers of each kind) ----------------------------------------------------------------------------------
make7z "$work/evil.7z" 'first.txt,data=ok' 'sub/../../evil.txt,data=evil'
plain "$work/evil.exe" "$work/evil.7z"
expect_eq "an item that climbs out is refused" "extract=0xEE000001 message=Unsafe item path" \
  "$(run "$work/evil.exe" "$(winpath "$work/jail")")"

# --- paths beyond 260 characters -----------------------------------------------------------------------------
long="l/$(printf 'd%.0s' $(seq 1 100))/$(printf 'e%.0s' $(seq 1 100))/$(printf 'f%.0s' $(seq 1 100)).txt"
make7z "$work/long.7z" "$long,data=far down"
plain "$work/long.exe" "$work/long.7z"
out=$(run --delete "$work/long.exe" "$(winpath "$work/long")")
expect_eq "item path of 300 characters: extracted, then deleted with the target" \
  "0x00000000 delete=0x00000000 tree=0x00000000 absent" \
  "$(result "$out") $(grep -o '^delete=0x[0-9A-F]* tree=0x[0-9A-F]*' <<<"$out") $([ -e "$work/long" ] && echo present || echo absent)"

# --- cleanup of what was extracted ---------------------------------------------------------------------------
make7z "$work/clean.7z" 'ro.txt,data=r,attrib=0x21' 'sub/deep/x.txt,data=x' 'sys/keep.txt,data=s,attrib=0x24' 'sys/gone.txt,data=g'
plain "$work/clean.exe" "$work/clean.7z"
out=$(run --delete "$work/clean.exe" "$(winpath "$work/clean")")
expect_eq "cleanup: never fails; the system file is left (0xEE000094), no retry" \
  "delete=0x00000000 tree=0xEE000094 pending=0 failed_files=0 failed_folders=2 retries=0" "$(grep '^delete=' <<<"$out")"
expect_eq "... only the system file and its folders remain" "sys/keep.txt" \
  "$(cd "$work/clean" 2>/dev/null && find . -type f | sed 's|^\./||')"
mkdir -p "$work/outside" && echo precious > "$work/outside/keep.txt"
mkdir -p "$work/linked" && ln -s "$work/outside" "$work/linked/link"
out=$(timeout 120 wine "$harness" --delete-only "$(winpath "$work/linked")" 2>/dev/null | tr -d '\r')
expect_eq "a linked folder in the target is not entered: what it points to stays" precious \
  "$(cat "$work/outside/keep.txt" 2>/dev/null)"  # (Wine cannot remove the link itself; Windows removes it)

finish
