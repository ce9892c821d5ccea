# Sourced by the end-to-end scripts: run Windows programs and read their full exit codes.
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$repo/scripts/wine-env.sh"
failures=0

# Re-runs the calling script inside a Wine session unless it already is in one.
in_wine_session() { kvsfx_in_wine_session bash "$0" "$@"; }

# The start of a script whose cases make installers with the native kvsfx (its first argument): skipped without
# that tool, run inside a Wine session, in a fresh folder (`work`).
begin_installer_cases() {
  require_tool "$1" "scripts/build.sh native"
  in_wine_session "$@"
  enter_work_folder
}

# Runs the rest of the calling script in a fresh folder, removed when it ends; sets `work`.
enter_work_folder() {
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  cd "$work" || exit 1
}

# --allow-test-stub for the x86-64 variant of the stub (machine 0x8664 in its PE header), which kvsfx build
# refuses without it; nothing for the i386 stub.
test_stub_flag() {
  local pe
  pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  [ "$(od -An -tx1 -j$((pe + 4)) -N2 "$1" | tr -d ' ')" = 6486 ] && echo --allow-test-stub
}

winpath() { winepath -w "$1" 2>/dev/null; }

# exit_code RUNEXIT PROGRAM [ARGS...]: prints the program's 32-bit exit code as 0xXXXXXXXX
exit_code() {
  local runexit=$1 program=$2 code; shift 2
  code=$(wine "$runexit" "$(winpath "$program")" "$@" 2>/dev/null | kvsfx_exit_codes)
  if [ -z "$code" ]; then
    # kv-runexit prints a line for every program it could start, crashed ones included: no line at all means
    # Wine itself did not run it (seen once in a few hundred runs). Once more, and say so.
    echo "note: no exit line for $(basename "$program") $*; running it again" >&2
    code=$(wine "$runexit" "$(winpath "$program")" "$@" 2>/dev/null | kvsfx_exit_codes)
  fi
  echo "$code"
}

expect_eq() {  # name expected actual
  if [ "$2" = "$3" ]; then echo "ok   $1"; else echo "FAIL $1: expected $2, got $3"; failures=$((failures + 1)); fi
}

# --- windows: no window manager runs under Xvfb, so keys go to a window we focus ourselves --------------------
# Visible top-level windows titled exactly TITLE, oldest first.
windows_titled() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null; }
# Waits until a window titled TITLE shows (or COUNT of them), at most 30 s, and prints the newest one's id.
wait_window() {
  local title=$1 count=${2:-1} ids
  for _ in $(seq 1 150); do
    ids=$(windows_titled "$title")
    if [ "$(grep -c . <<<"$ids")" -ge "$count" ]; then sleep 0.5; tail -n 1 <<<"$ids"; return 0; fi
    sleep 0.2
  done
  return 1
}
keys() {  # ID KEY...
  local id=$1; shift
  xdotool windowfocus --sync "$id" >/dev/null 2>&1 || true
  xdotool key --delay 80 "$@"
}
# Presses KEY in the window titled exactly TITLE until that window has gone: at most 20 tries, a second apart, as
# under load a window can show before it takes keys. Fails when it stays.
press_until_gone() {
  local title=$1 key=$2 id
  for _ in $(seq 1 20); do
    id=$(windows_titled "$title" | head -n 1)
    [ -n "$id" ] || return 0
    keys "$id" "$key"
    sleep 1
  done
  return 1
}
# exit_code_confirming TITLE PROGRAM [ARGS...]: runs the program, presses Enter in its message box titled TITLE
# and prints "shown CODE" (or "not-shown CODE" when no such box came).
exit_code_confirming() {
  local shown=shown id
  start_run "${@:2}"
  if id=$(wait_window "$1"); then keys "$id" Return; else shown=not-shown; fi
  echo "$shown $(finish_run)"
}

# --- payloads, configurations, installers ------------------------------------------------------------------
# These use the calling script's `native` (the native kvsfx), `stub` and `runexit`.
make7z() { python3 "$repo/tests/e2e/make7z.py" "$@"; }

# archive OUT.7z FOLDER [7ZZ SWITCHES...]: FOLDER's content, hidden files too, at the archive's top level.
archive() {
  local out folder=$2
  out=$(realpath -m "$1"); shift 2
  rm -f "$out"
  (cd "$folder" && 7zz a -bd -bso0 -bsp0 "$@" "$out" . >/dev/null)
}

# make_payload [PROGRAM]: the folder payload with data.txt (and PROGRAM as tool.exe), and payload.7z of it.
make_payload() {
  mkdir -p payload && echo data > payload/data.txt
  [ -z "${1:-}" ] || cp "$1" payload/tool.exe
  archive payload.7z payload
}

# document BODY: a configuration of the current format around BODY.
document() { printf '<SelfExtractor FormatVersionMajor="5" FormatVersionMinor="2">%s</SelfExtractor>\n' "$1"; }
# launch_document COMMANDS [TITLE]: one option with COMMANDS.
launch_document() {
  document "${2:+<Title>$2</Title>}<Launch><Options><Option Id=\"o\"><Commands>$1</Commands></Option></Options></Launch>"
}
# create_process ID PROGRAM [ARGUMENTS]: a hidden CreateProcess command.
create_process() {
  printf '<Command Id="%s"><CreateProcess Hide="true"><Executable>%s</Executable>%s</CreateProcess></Command>' \
    "$1" "$2" "${3+<Arguments>$3</Arguments>}"
}

# installer OUT PAYLOAD BUILD_OPTIONS...: OUT made from the stub by the native kvsfx.
installer() {
  local out=$1 payload=$2; shift 2
  "$native" build --payload "$payload" --stub "$stub" $(test_stub_flag "$stub") -o "$out" "$@" >/dev/null 2>&1 ||
    echo "could not build $out" >&2
}
# plain OUT PAYLOAD: an installer without configuration (the default extractor), also of a payload installers
# cannot extract (--no-check), to see how they fail.
plain() { installer "$1" "$2" --no-check --no-config; }
# configured NAME DOCUMENT PAYLOAD [BUILD_OPTIONS...]: NAME.exe from DOCUMENT, which is kept as NAME.xml.
configured() {
  local name=$1 payload=$3
  printf '%s\n' "$2" > "$name.xml"; shift 3
  installer "$name.exe" "$payload" --config "$name.xml" "$@"
}

# --- runs and their traces -------------------------------------------------------------------------------------
# quiet PROGRAM [ARGS...]: the exit code of PROGRAM run with --gui off (first: a passthrough ends the parsed part).
quiet() { exit_code "$runexit" "$1" --gui off "${@:2}"; }
# bounded LIMIT PROGRAM [ARGS...]: the exit code of PROGRAM run with --gui off (last), "hang" when it ran past LIMIT
# seconds (it is then ended), "none" when Wine did not run it at all (twice).
bounded() {
  local limit=$1 code; shift
  for _ in 1 2; do
    code=$(timeout $((limit + 30)) wine "$runexit" --timeout "$limit" "$(winpath "$1")" "${@:2}" --gui off 2>/dev/null |
      tr -d '\r' | sed -n 's/^exit=\(0x[0-9A-F]*\|timeout\).*/\1/p')
    [ -n "$code" ] && break
  done
  case "$code" in timeout) echo hang ;; "") echo none ;; *) echo "$code" ;; esac
}
# Starts a program through kv-runexit in the background; `finish_run` prints its exit code once it has ended
# (at most 60 s; in the work folder).
start_run() { rm -f "$work/run.out"; exit_code "$runexit" "$@" > "$work/run.out" & runner=$!; }
finish_run() {
  for _ in $(seq 1 300); do kill -0 "$runner" 2>/dev/null || break; sleep 0.2; done
  kill "$runner" 2>/dev/null  # a window that took no keys must not hold the suite
  wait "$runner" 2>/dev/null
  cat "$work/run.out"
}
wpath() { winpath "$work/$1"; }  # the Windows path of NAME in the work folder
exists() { [ -e "$1" ] && echo yes || echo no; }
same_tree() { diff -r "$1" "$2" >/dev/null 2>&1 && echo same || echo different; }
has() { grep -q -F -- "$2" "$1" 2>/dev/null && echo yes || echo no; }  # FILE TEXT
# Launch runs extract into fresh {GUID} folders under the Windows folder's Installer folder (Wine's user is an
# administrator).
installer_folder() { winepath -u 'C:\windows\Installer' 2>/dev/null; }
guid_folders() { ls -d "$(installer_folder)"/\{*\} 2>/dev/null | sort; }
wine_temp() { winepath -u "$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')" 2>/dev/null; }

# Ends a script that needs TOOL with the skip status when it is missing.
require_tool() {  # TOOL HOW_TO_BUILD
  if [ ! -x "$1" ]; then
    echo "SKIP: no $1 ($2 builds it)"
    exit 77
  fi
}

finish() {
  if [ "$failures" -ne 0 ]; then echo "$failures case(s) failed"; exit 1; fi
  echo "all cases passed"
}
