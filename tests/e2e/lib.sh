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

# Waits for a top-level window titled exactly TITLE, then presses Enter in it. Prints the window id.
confirm_window() {
  local title=$1 id
  id=$(timeout 30 xdotool search --sync --onlyvisible --name "^${title}\$" 2>/dev/null | head -n 1) || return 1
  [ -n "$id" ] || return 1
  # No window manager runs under Xvfb: focus the window ourselves; Wine ignores keys sent to a window directly.
  xdotool windowfocus --sync "$id" >/dev/null 2>&1 || true
  xdotool key Return
  echo "$id"
}

# Presses KEY in the window titled exactly TITLE until that window has gone: at most 20 tries, a second apart, as
# under load a window can show before it takes keys. Fails when it stays.
press_until_gone() {
  local title=$1 key=$2 id
  for _ in $(seq 1 20); do
    id=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n 1)
    [ -n "$id" ] || return 0
    xdotool windowfocus --sync "$id" >/dev/null 2>&1 || true
    xdotool key "$key"
    sleep 1
  done
  return 1
}

# exit_code_confirming TITLE RUNEXIT PROGRAM [ARGS...]: runs the program, confirms its message box titled TITLE
# and prints "shown CODE" (or "not-shown CODE" when no such box came).
exit_code_confirming() {
  local title=$1 out shown=shown runner; shift
  out=$(mktemp)
  exit_code "$@" > "$out" &
  runner=$!
  confirm_window "$title" >/dev/null || { shown=not-shown; kill "$runner" 2>/dev/null; }
  wait "$runner"
  echo "$shown $(cat "$out")"
  rm -f "$out"
}

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
