#include "commands/win32/SystemVariables.h"

#include "commands/ResolvePath.h"
#include "commands/win32/SystemVariableFacts.h"

kestrova::KVResult ResolvePath(std::u16string& absolutePath, const std::u16string& configuredPath) {
  SystemVariableFacts facts;
  return ResolvePath(absolutePath, configuredPath, facts);
}
