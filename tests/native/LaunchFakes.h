// The system facts and the condition host of the launch-command tests and fuzzer: fixed, and never acting.
#pragma once
#include <string>

#include "commands/RunLaunchCommand.h"

// %TEMP% is the only environment variable; every path is already absolute.
struct FixedFacts final : VariableFacts {
  std::u16string ProgramFolder() const override { return u"C:\\Downloads\\"; }
  kestrova::KVResult QueryProcessMachine(std::uint16_t& process, std::uint16_t& native) override {
    process = 0x014C;
    native = 0x8664;
    return kestrova::KV_OK;
  }
  kestrova::KVResult KnownFolderPath(const KnownFolderId&, std::u16string& path) override {
    return path = u"C:\\Known", kestrova::KV_OK;
  }
  kestrova::KVResult ExpandEnvironment(const std::u16string& text, std::u16string& expanded) override {
    expanded = text;
    for (std::size_t at = 0; (at = expanded.find(u"%TEMP%", at)) != std::u16string::npos; at += 7) {
      expanded.replace(at, 6, u"C:\\Temp");
    }
    return kestrova::KV_OK;
  }
  kestrova::KVResult AbsolutePath(const std::u16string& path, std::u16string& out) override {
    return out = path, kestrova::KV_OK;
  }
};

// Conditions are not exercised: a host that never has to act.
struct InertActions final : ActionHost {
  ParameterStore* store = nullptr;
  ParameterStore& Parameters() override { return *store; }
  kestrova::KVResult ExpandMessageText(const std::u16string& text, std::u16string& expanded) override {
    return expanded = text, kestrova::KV_OK;
  }
  bool MessagesShown() override { return false; }
  kestrova::KVResult ShowMessageBox(const std::u16string&, std::uint32_t, MessageResult&, bool& answered) override {
    return answered = false, kestrova::KV_OK;
  }
};
