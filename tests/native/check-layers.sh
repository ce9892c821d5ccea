#!/usr/bin/env bash
# cmake/CheckLayers.cmake on one-file trees: each case is a source, the header it includes, and "ok" or a part of
# the message that must fail the check.
#   check-layers.sh CHECKER
set -euo pipefail
checker=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
while IFS='|' read -r source header expected; do
  rm -rf "$work/tree"
  mkdir -p "$work/tree/$(dirname "$source")"
  printf '#include "%s"\n' "$header" >"$work/tree/$source"
  if output=$(cmake -DKVSFX_SOURCE_DIR="$work/tree" -P "$checker" 2>&1); then status=ok; else status=failed; fi
  if [ "$expected" = ok ]; then
    [ "$status" = ok ] && continue
  elif [ "$status" = failed ] && [[ "$output" == *"$source: #include \"$header\": $expected"* ]]; then
    continue
  fi
  echo "FAIL: $source includes $header: expected '$expected', got $status:" >&2
  echo "$output" >&2
  failures=$((failures + 1))
done <<'CASES'
config/Cfg.cpp|support/Text.h|ok
config/CfgConditional.h|commands/Conditional.h|config may include only support, config (commands is not below it)
commands/ResolvePath.cpp|app/RunOutcome.h|commands may include only support, config, commands
extract/win32/ExtractPayload.h|app/Task.h|extract may include only support, config, commands, extract
extract/ItemPath.cpp|ui/LanguageMgr.h|extract may include only
ui/LanguageMgr.cpp|extract/ItemPath.h|ui may include only
support/Text.cpp|config/Cfg.h|support may include only support
app/win32/App.cpp|extract/win32/ExtractPayload.h|ok
app/win32/kv-sfxstub.rc|ui/win32/Dialogs.rc|ok
app/RunPlan.cpp|app/win32/App.h|a portable file includes no win32/ header
builder/PlanCommand.cpp|app/RunPlan.h|ok
builder/win32/Platform.cpp|builder/Platform.h|ok
builder/win32/Platform.cpp|support/win32/UniqueResource.h|ok
builder/win32/Platform.cpp|config/win32/UserAdmin.h|builder uses no win32/ part of another layer but support's
builder/Builder.cpp|support/win32/UniqueResource.h|a portable file includes no win32/ header
commands/Variables.cpp|../app/Task.h|name the header from the repository root
extract/win32/PayloadArchive.cpp|Windows/FileDir.h|ok
CASES
exit $((failures != 0))
