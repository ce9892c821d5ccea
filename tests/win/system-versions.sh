#!/usr/bin/env bash
# Windows version detection per prefix version and registry build number, one fresh probe process per case
# (Wine settles the version at process start). Changes the prefix's version settings and restores them on exit.
#   system-versions.sh SYSINFO_PROBE
set -uo pipefail
. "$(dirname "$0")/../e2e/lib.sh"
in_wine_session "$@"
probe=$1

key='HKLM\Software\Microsoft\Windows NT\CurrentVersion'
# The registry views the probe can read: a prefix made by 64-bit Wine alone has no 32-bit view filled in, and its
# 64-bit probe reads only the 64-bit one.
views="64 32"
[ "$KVSFX_WINE_BITS" = 64 ] && views=64
product_key='HKLM\System\CurrentControlSet\Control\ProductOptions'

reg_value() {  # KEY NAME VIEW: the value's text, empty when absent
  wine reg query "$1" /v "$2" /reg:"$3" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
settings() {  # every value the cases touch, as one comparable text
  local view name
  for view in $views; do
    for name in CurrentVersion CurrentBuild CurrentBuildNumber CurrentMajorVersionNumber CurrentMinorVersionNumber \
                CSDVersion ProductName; do
      printf '%s/%s=%s\n' "$view" "$name" "$(reg_value "$key" "$name" "$view")"
    done
  done
  printf 'ProductType=%s\n' "$(reg_value "$product_key" ProductType 64)"
}

original_version=$(wine winecfg /v 2>/dev/null | tr -d '\r')
original_product=$(reg_value "$product_key" ProductType 64)
original_settings=$(settings)
# winecfg writes both views, also where the probe reads one: each is restored, or a later run finds it changed.
declare -A had_major
for view in 64 32; do had_major[$view]=$(reg_value "$key" CurrentMajorVersionNumber $view); done

restore() {
  wine winecfg /v "$original_version" >/dev/null 2>&1
  wine reg add "$product_key" /v ProductType /t REG_SZ /d "$original_product" /f >/dev/null 2>&1
  local view
  for view in 64 32; do
    [ -z "${had_major[$view]}" ] || continue  # winecfg leaves the 10.0-style numbers behind
    wine reg delete "$key" /v CurrentMajorVersionNumber /f /reg:$view >/dev/null 2>&1
    wine reg delete "$key" /v CurrentMinorVersionNumber /f /reg:$view >/dev/null 2>&1
  done
}
trap restore EXIT

set_build() {  # TYPE VALUE: CurrentBuildNumber and CurrentBuild in both registry views
  local view
  for view in $views; do
    wine reg add "$key" /v CurrentBuildNumber /t "$1" /d "$2" /f /reg:$view >/dev/null 2>&1
    wine reg add "$key" /v CurrentBuild /t REG_SZ /d "$2" /f /reg:$view >/dev/null 2>&1
  done
}
set_product() { wine reg add "$product_key" /v ProductType /t REG_SZ /d "$1" /f >/dev/null 2>&1; }
detected() {  # "version result" as the probe prints them
  wine "$probe" 2>/dev/null | tr -d '\r' | sed -n 's/^version=//p; s/^version_result=//p' | paste -sd' '
}

expect_eq "prefix default (Windows 7): W7" "1 0x00000000" "$(detected)"
for case in vista:0 win8:4 win81:6 win2008r2:2; do
  wine winecfg /v "${case%%:*}" >/dev/null 2>&1
  expect_eq "winecfg ${case%%:*}" "${case#*:} 0x00000000" "$(detected)"
done

wine winecfg /v win10 >/dev/null 2>&1
expect_eq "winecfg win10 (build 18362): W10_1903" "17 0x00000000" "$(detected)"
# Builds and their text are mapped and parsed natively; here the value as the registry gives it.
set_build REG_SZ 22632
expect_eq "workstation build 22632" "1000 0x00000000" "$(detected)"
set_build REG_DWORD 19045
expect_eq "build value not a string" "0 0xEE000046" "$(detected)"

set_product ServerNT
set_build REG_SZ 20348
expect_eq "server build 20348" "22 0x00000000" "$(detected)"
set_product LanmanNT
expect_eq "domain controller counts as server" "22 0x00000000" "$(detected)"

restore
trap - EXIT
expect_eq "prefix settings restored" "$original_settings" "$(settings)"
expect_eq "detection after restoring" "1 0x00000000" "$(detected)"
finish
