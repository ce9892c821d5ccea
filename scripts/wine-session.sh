#!/usr/bin/env bash
# Runs a command inside one Xvfb display with one persistent wineserver and the project's Wine prefix,
# creating the prefix on first use (crash dialog off, so an unhandled exception cannot hang a test).
#   scripts/wine-session.sh COMMAND [ARGS...]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/scripts/wine-env.sh"

if [ -z "${KVSFX_WINE_SESSION:-}" ]; then
  export KVSFX_WINE_SESSION=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

ensure_prefix() {
  [ -f "$WINEPREFIX/.kvsfx-ready" ] && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  echo "wine-session: creating Wine prefix $WINEPREFIX" >&2
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  # No post-mortem debugger (an absent value means winedbg): a crashing program ends with its exception code.
  local view
  for view in 32 64; do
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ \
      /d 'kvsfx-no-debugger.exe' /f /reg:$view >/dev/null 2>&1
  done
  wineserver -w
  [ -d "$WINEPREFIX/drive_c/windows" ] || { echo "wine-session: ERROR: could not create $WINEPREFIX" >&2; exit 1; }
  touch "$WINEPREFIX/.kvsfx-ready"
}

( flock 9; ensure_prefix ) 9>"$(dirname "$WINEPREFIX")/.wineprefix.lock"
wineserver -p
# Start Wine's background services now, detached from our output: started by a test program they would
# inherit its output pipe and keep a test runner waiting for its end until the server stops.
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
status=0
"$@" || status=$?
wineserver -k || true
exit $status
