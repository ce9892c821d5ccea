# Sourced: the project's Wine settings, and what the scripts that run Windows programs share. WINEPREFIX defaults
# to a private prefix in the build tree.
repo=${repo:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${KVSFX_WINEPREFIX:-$repo/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

# Which programs Wine can run here: 32 where Wine's i386 loader starts (the shipped i686 programs run under
# WOW64), 64 where the kernel runs no 32-bit Linux program (exit 126, "Exec format error"). There only the
# x86-64 build is tested, started through the 64-bit loader directly: the `wine` launcher is itself i386.
# KVSFX_WINE_BITS=32|64 overrides the probe.
kvsfx_probe_wine_bits() {
  local status=0
  [ -e /usr/lib/wine/wine ] || { echo 64; return; }
  /usr/lib/wine/wine --version >/dev/null 2>&1 || status=$?
  if [ "$status" -eq 126 ] || [ "$status" -eq 127 ]; then echo 64; else echo 32; fi
}
if [ -z "${KVSFX_WINE_BITS:-}" ]; then KVSFX_WINE_BITS=$(kvsfx_probe_wine_bits); fi
export KVSFX_WINE_BITS
# Whether 32-bit Linux programs run in an emulator: a binfmt handler registered for them (qemu-user-static) takes
# precedence over the kernel's own loader. Wine then works, but far too slowly for any timing.
if [ "$KVSFX_WINE_BITS" = 32 ] && grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; then
  export KVSFX_WINE_EMULATED=1
else
  export KVSFX_WINE_EMULATED=0
fi
# The Windows build whose programs the Wine tests run.
export KVSFX_WIN_BUILD=$([ "$KVSFX_WINE_BITS" = 64 ] && echo win64 || echo win32)
if [ "$KVSFX_WINE_BITS" = 64 ]; then
  export WINELOADER=/usr/lib/wine/wine64
  case ":$PATH:" in *":$repo/scripts/wine64-bin:"*) ;; *) export PATH="$repo/scripts/wine64-bin:$PATH" ;; esac
fi

# Runs the calling script again inside a Wine session unless it already is in one: kvsfx_in_wine_session CMD...
kvsfx_in_wine_session() {
  if [ -z "${KVSFX_WINE_SESSION:-}" ]; then exec "$repo/scripts/wine-session.sh" "$@"; fi
}

# The stub whose installers this host runs: the shipped i686 one, or its x86-64 variant where no 32-bit program runs.
kvsfx_runnable_stub() { echo "$repo/build/$KVSFX_WIN_BUILD/app/kv-sfxstub.exe"; }

# The 0xXXXXXXXX of each "PREFIXexit=0x... (decimal)" line that kv-runexit printed, read from standard input.
kvsfx_exit_codes() { tr -d '\r' | sed -n "s/^${1:-}exit=\(0x[0-9A-F]*\).*/\1/p"; }
