#include "commands/ResolvePath.h"

#include "commands/Variables.h"

using namespace kestrova;

KVResult ResolvePath(std::u16string& absolutePath, const std::u16string& configuredPath, VariableFacts& facts) {
  std::u16string path = configuredPath;
  KVResult result = ExpandVariables(path, kPathVariables, std::u16string(), nullptr, facts);
  if (result != KV_OK) return result;

  std::u16string expanded;
  result = facts.ExpandEnvironment(path, expanded);
  if (result != KV_OK) return result;

  std::u16string absolute;
  result = facts.AbsolutePath(expanded, absolute);
  if (result != KV_OK) return result;
  if (absolute.size() > kMaxTargetPathLength) return KV_E_TARGET_TOO_LONG;

  absolutePath = std::move(absolute);
  return KV_OK;
}
