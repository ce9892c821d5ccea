#!/usr/bin/env bash
# Installs everything that building and testing need on Debian 12, as root.
# Idempotent: a second run only checks and returns quickly.
#   scripts/setup-host.sh            packages + third-party sources
#   scripts/setup-host.sh --sources  third-party sources only (no root needed once packages exist)
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
deps="$repo/deps"

packages=(
  build-essential cmake ninja-build pkg-config dpkg-dev xz-utils file
  g++-mingw-w64-i686-posix mingw-w64-tools binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix
  wine wine64 wine32:i386
  xvfb xauth fonts-wine xdotool x11-apps x11-utils imagemagick
  7zip libarchive-tools nsis wixl osslsigncode libxml2-utils openssl python3 time
  googletest libgtest-dev libgmock-dev
  clang llvm libclang-rt-14-dev lib32stdc++-12-dev libc6-dev-i386
)

say()  { printf 'setup-host: %s\n' "$*"; }
die()  { printf 'setup-host: ERROR: %s\n' "$*" >&2; exit 1; }

missing_packages() {
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || printf '%s\n' "$p"
  done
}

enable_sources() {
  local changed=0
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386; changed=1
  fi
  local src=/etc/apt/sources.list.d/kvsfx-deb-src.sources
  if [ ! -f "$src" ]; then
    [ -f /etc/apt/sources.list.d/debian.sources ] || die "no /etc/apt/sources.list.d/debian.sources to derive source indexes from"
    sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > "$src"
    changed=1
  fi
  return $changed
}

install_packages() {
  local missing
  mapfile -t missing < <(missing_packages)
  [ ${#missing[@]} -eq 0 ] && { enable_sources || apt-get update -qq; return 0; }
  [ "$(id -u)" -eq 0 ] || die "packages missing (${missing[*]}); run this script as root"
  enable_sources || true
  say "installing: ${missing[*]}"
  apt-get update -qq || say "apt-get update reported errors; trying to install anyway"
  export DEBIAN_FRONTEND=noninteractive
  if apt-get install -y -qq --no-install-recommends "${missing[@]}"; then return 0; fi
  # The security suite's i386 index has been seen failing to download; without it amd64 libraries from
  # that suite have no i386 twins and wine32:i386 cannot be installed. Prefer the main suite meanwhile.
  say "plain install failed; retrying with the security suite pinned down for i386 libraries"
  local pin=/etc/apt/preferences.d/kvsfx-security-pin
  printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 100\n' > "$pin"
  local ok=0
  apt-get install -y -qq --no-install-recommends --allow-downgrades "${missing[@]}" libgstreamer-plugins-base1.0-0:i386 || ok=$?
  rm -f "$pin"
  if [ $ok -ne 0 ]; then
    mapfile -t missing < <(missing_packages)
    die "could not install: ${missing[*]}"
  fi
}

# Third-party sources come from Debian's source packages, unpacked into deps/ (git-ignored).
fetch_source() {   # package, directory name to unpack to
  local pkg=$1 dir=$2
  [ -f "$deps/$dir/.unpacked" ] && return 0
  mkdir -p "$deps/download"
  if ! ( cd "$deps/download" && apt-get source --download-only -qq "$pkg" ); then
    # The source indexes may be stale or missing: refresh once (needs root) and try again.
    [ "$(id -u)" -eq 0 ] && apt-get update -qq || true
    ( cd "$deps/download" && apt-get source --download-only -qq "$pkg" ) \
      || die "apt-get source $pkg failed (are deb-src indexes enabled and reachable?)"
  fi
  local orig
  orig=$(ls "$deps/download/${pkg}_"*.orig.tar.* 2>/dev/null | head -n 1)
  [ -n "$orig" ] || die "no original tarball for $pkg in $deps/download"
  rm -rf "$deps/$dir" && mkdir -p "$deps/$dir"
  tar -xf "$orig" -C "$deps/$dir" --strip-components=0
  # Tarballs either hold one top folder or the tree itself: flatten the former.
  local entries
  mapfile -t entries < <(ls -A "$deps/$dir")
  if [ ${#entries[@]} -eq 1 ] && [ -d "$deps/$dir/${entries[0]}" ]; then
    local top="$deps/$dir/${entries[0]}"
    mv "$top" "$deps/$dir.tmp" && rmdir "$deps/$dir" && mv "$deps/$dir.tmp" "$deps/$dir"
  fi
  local dsc version
  dsc=$(ls "$deps/download/${pkg}_"*.dsc | head -n 1)
  version=$(sed -n 's/^Version: //p' "$dsc")
  printf '%s %s %s\n' "$pkg" "$version" "$(basename "$orig")" > "$deps/$dir/.unpacked"
  say "unpacked $pkg $version into deps/$dir"
}

# Our fixes to library bugs (patches/series, Debian style) are applied right after unpacking; the tree records the
# ones it has in .patches. A tree unpacked before a patch existed gets it on the next run; one that holds a patch no
# longer in the series is unpacked afresh.
apply_patches() {   # directory name, patch folder
  local dir=$1 pdir=$2 tree="$deps/$1" name
  local record="$tree/.patches"
  [ -f "$pdir/series" ] || return 0
  touch "$record"
  if grep -qvxF -f <(grep -v '^#' "$pdir/series") "$record"; then
    say "deps/$dir has patches that patches/series no longer lists: unpacking it afresh"
    rm -f "$tree/.unpacked"
    return 1
  fi
  while read -r name; do
    case "$name" in ''|'#'*) continue ;; esac
    grep -qxF "$name" "$record" && continue
    if patch -p1 -N -s -f --dry-run -d "$tree" < "$pdir/$name" >/dev/null; then
      patch -p1 -N -s -f -d "$tree" < "$pdir/$name" >/dev/null || die "applying $name to deps/$dir failed"
      say "patched deps/$dir: $name"
    elif patch -p1 -R -s -f --dry-run -d "$tree" < "$pdir/$name" >/dev/null; then
      say "deps/$dir already holds $name"
    else
      die "$name does not apply to deps/$dir: unpack it afresh (remove deps/$dir) and run this script again"
    fi
    printf '%s\n' "$name" >> "$record"
  done < "$pdir/series"
}

record_versions() {
  cat "$deps"/*/.unpacked > "$deps/VERSIONS"
}

if [ "${1:-}" != "--sources" ]; then install_packages; fi
fetch_source 7zip 7zip
apply_patches 7zip "$repo/patches" || { fetch_source 7zip 7zip; apply_patches 7zip "$repo/patches"; }
fetch_source tinyxml2 tinyxml2
record_versions
[ -f "$deps/7zip/CPP/7zip/Archive/7z/7zHandler.cpp" ] || die "7-Zip sources incomplete in deps/7zip"
[ -f "$deps/tinyxml2/tinyxml2.cpp" ] || die "tinyxml2 sources incomplete in deps/tinyxml2"
if [ "$(. "$repo/scripts/wine-env.sh"; echo "$KVSFX_WINE_BITS")" = 64 ]; then
  say "this host runs no 32-bit Linux program (Wine's i386 loader cannot start): the Wine tests run the x86-64"
  say "build of the stub and test programs through /usr/lib/wine/wine64; checks that need a 32-bit process are"
  say "reported as skipped. The shipped i686 stub is still built and inspected."
fi
say "ready ($(tr '\n' ';' < "$deps/VERSIONS"))"
