// The system side of the variable, condition and launch-command tests and the launch fuzzer: scripted, and
// recording calls.
#pragma once
#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "commands/KnownFolders.h"
#include "commands/RunLaunchCommand.h"
#include "support/Text.h"

// A 32-bit process under WOW64; %TEMP% is the only environment variable, relative paths are under C:\Work.
struct FakeFacts final : VariableFacts {
  std::u16string programFolder = u"C:\\Downloads\\";
  std::uint16_t machine = 0x014C, nativeMachine = 0x8664;
  kestrova::KVResult machineResult = kestrova::KV_OK, folderResult = kestrova::KV_OK,
                     environmentResult = kestrova::KV_OK, absoluteResult = kestrova::KV_OK;
  std::map<std::uint32_t, std::u16string> folders = {  // by the first field of the known folder's GUID
      {FindKnownFolder(u"FOLDERID_Fonts")->id.data1, u"C:\\Windows\\Fonts"},
      {FindKnownFolder(u"FOLDERID_Templates")->id.data1, u"C:\\${FOLDERID_Templates}"}};
  int folderQueries = 0;

  std::u16string ProgramFolder() const override { return programFolder; }
  kestrova::KVResult QueryProcessMachine(std::uint16_t& m, std::uint16_t& native) override {
    native = nativeMachine;
    return m = machine, machineResult;
  }
  kestrova::KVResult KnownFolderPath(const KnownFolderId& id, std::u16string& path) override {
    ++folderQueries;
    return path = folders[id.data1], folderResult;
  }
  kestrova::KVResult ExpandEnvironment(const std::u16string& text, std::u16string& expanded) override {
    expanded = text;
    for (std::size_t at = 0; (at = expanded.find(u"%TEMP%", at)) != std::u16string::npos; at += 7) {
      expanded.replace(at, 6, u"C:\\Temp");
    }
    return environmentResult;
  }
  kestrova::KVResult AbsolutePath(const std::u16string& path, std::u16string& absolute) override {
    absolute = path.find(u':') == 1 ? path : u"C:\\Work\\" + path;
    return absoluteResult;
  }
};

// The run's side of conditions: its parameters, and the boxes asked for, answered from a script of MessageBoxW
// return values.
struct ScriptedActions final : ActionHost {
  ParameterStore store;
  bool shown = true;
  bool reachable = true;
  kestrova::KVResult expandResult = kestrova::KV_OK;
  kestrova::KVResult showResult = kestrova::KV_OK;
  std::vector<int> buttonIds;  // one per box; 0 (and a script used up) keeps the default
  std::vector<std::pair<std::u16string, std::uint32_t>> boxes;  // text and style

  ParameterStore& Parameters() override { return store; }
  kestrova::KVResult ExpandMessageText(const std::u16string& text, std::u16string& expanded) override {
    if (expandResult != kestrova::KV_OK) return expandResult;
    expanded = u"<" + text + u">";
    return kestrova::KV_OK;
  }
  bool MessagesShown() override { return shown; }
  kestrova::KVResult ShowMessageBox(const std::u16string& text, std::uint32_t style, MessageResult& answer,
                                    bool& answered) override {
    answered = reachable;
    if (!reachable) return kestrova::KV_OK;
    if (showResult != kestrova::KV_OK) return showResult;
    const int id = boxes.size() < buttonIds.size() ? buttonIds[boxes.size()] : 0;
    boxes.push_back({text, style});
    MessageResultFromButtonId(id, answer);
    return kestrova::KV_OK;
  }
};

// Answers every call from its script, writes down what it was asked and counts the handles it holds open.
struct ScriptedLauncher final : ProcessLauncher {
  kestrova::KVResult start = kestrova::KV_OK;  // CreateProcess, ShellExecute, ShellExecuteEx
  LaunchedProcess handle = 7;                  // 0: the system gave no handle
  kestrova::KVResult wait = kestrova::KV_OK;
  kestrova::KVResult exitResult = kestrova::KV_OK;
  std::uint32_t exitCode = 0;
  std::vector<std::u16string> files = {u"C:\\Windows\\system32\\msiexec.exe"};
  std::vector<std::u16string> folders = {u"C:\\Windows\\system32", u"C:\\Windows", u"C:\\Tools\\",
                                            u"D:/Slash/"};
  std::vector<std::string> calls;
  int open = 0;

  LaunchedProcess Started() {
    if (start == kestrova::KV_OK && handle != 0) ++open;
    return start == kestrova::KV_OK ? handle : 0;
  }
  kestrova::KVResult StartProcess(const std::u16string& line, const std::u16string& folder, bool hide,
                                  LaunchedProcess& process) override {
    calls.push_back("CreateProcess " + kestrova::Utf16ToUtf8(line) + " in " + kestrova::Utf16ToUtf8(folder) +
                    (hide ? " hidden" : ""));
    process = Started();
    return start;
  }
  kestrova::KVResult ShellOpen(const std::u16string& file, const std::u16string& parameters,
                               const std::u16string& folder) override {
    calls.push_back("ShellExecute " + kestrova::Utf16ToUtf8(file) + " [" + kestrova::Utf16ToUtf8(parameters) +
                    "] in " + kestrova::Utf16ToUtf8(folder));
    return start;
  }
  kestrova::KVResult ShellOpenEx(const ShellExecuteRequest& r, LaunchedProcess& process) override {
    calls.push_back("ShellExecuteEx " + kestrova::Utf16ToUtf8(r.verb) + " " + kestrova::Utf16ToUtf8(r.file) + " [" +
                    kestrova::Utf16ToUtf8(r.parameters) + "] in " + kestrova::Utf16ToUtf8(r.directory) +
                    (r.hidden ? " hidden" : "") + (r.keepProcess ? " keep" : ""));
    process = r.keepProcess ? Started() : 0;
    return start;
  }
  kestrova::KVResult Wait(LaunchedProcess) override { return calls.push_back("Wait"), wait; }
  kestrova::KVResult ExitCode(LaunchedProcess, std::uint32_t& code) override { return code = exitCode, exitResult; }
  void Close(LaunchedProcess) override { --open; }
  kestrova::KVResult OwnPath(std::u16string& path) override {
    return path = u"C:\\Downloads\\setup.exe", kestrova::KV_OK;
  }
  std::vector<std::u16string> ProgramFolders() override { return folders; }
  bool IsFile(const std::u16string& path) override {
    return std::find(files.begin(), files.end(), path) != files.end();
  }
};
