#include "commands/win32/SystemVariables.h"

#include "commands/ResolvePath.h"
#include "commands/win32/SystemVariableFacts.h"

using namespace kestrova;

KVResult ResolvePath(std::u16string& absolutePath, const std::u16string& configuredPath) {
  SystemVariableFacts facts;
  return ResolvePath(absolutePath, configuredPath, facts);
}

KVResult ExpandVariables(std::u16string& text, const VariableKinds& kinds, const std::u16string& targetPath,
                         const ParameterStore* store) {
  SystemVariableFacts facts;
  return ExpandVariables(text, kinds, targetPath, store, facts);
}

KVResult ExpandEnvironmentVariables(std::u16string& text) {
  SystemVariableFacts facts;
  std::u16string expanded;
  const KVResult result = facts.ExpandEnvironment(text, expanded);
  if (result == KV_OK) text = std::move(expanded);
  return result;
}
