#include "commands/ResolvePath.h"

#include "commands/Variables.h"
#include "support/Failure.h"

using namespace kestrova;

KVResult ExpandToAbsolutePath(std::u16string& absolutePath, const std::u16string& configuredPath,
                              VariableFacts& facts) {
  std::u16string path = configuredPath;
  KV_RETURN_IF_FAILED(ExpandVariables(path, kPathVariables, std::u16string(), nullptr, facts),
                      "expanding the variables of \"{}\"", configuredPath);
  std::u16string expanded;
  KV_RETURN_IF_FAILED(facts.ExpandEnvironment(path, expanded), "expanding the environment in \"{}\"", path);
  std::u16string absolute;
  KV_RETURN_IF_FAILED(facts.AbsolutePath(expanded, absolute), "making \"{}\" absolute", expanded);
  absolutePath = std::move(absolute);
  return KV_OK;
}

KVResult ResolvePath(std::u16string& absolutePath, const std::u16string& configuredPath, VariableFacts& facts) {
  std::u16string absolute;
  KV_RETURN_IF_FAILED(ExpandToAbsolutePath(absolute, configuredPath, facts), "resolving \"{}\"", configuredPath);
  if (absolute.size() > kMaxTargetPathLength) {
    return KV_FAIL(KV_E_TARGET_TOO_LONG, "resolving \"{}\": {} characters, more than {}", configuredPath,
                   absolute.size(), kMaxTargetPathLength);
  }
  absolutePath = std::move(absolute);
  return KV_OK;
}
