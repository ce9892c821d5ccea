#include "tests/win/ScriptedPlan.h"

#include <windows.h>

#include <cstdio>

#include "app/CmdLine.h"
#include "app/win32/UIActionQueue.h"
#include "commands/Parameters.h"
#include "support/Text.h"
#include "tests/win/PeMachine.h"

using namespace kestrova;

void ScriptTrace::Add(std::string event) {
  const std::lock_guard<std::mutex> guard(lock);
  events.push_back(std::move(event));
}

std::vector<std::string> ScriptTrace::Snapshot() {
  const std::lock_guard<std::mutex> guard(lock);
  return events;
}

namespace {

std::uint32_t Number(const std::string& text) {
  std::uint32_t value = 0;
  ParseNumber(Utf8ToUtf16(text), value);
  return value;
}

// Run by the main thread: records that it ran and returns the scripted result.
struct ResultAction final : WaitableUIAction {
  ResultAction(KVResult scripted, ScriptTrace& events) : result(scripted), trace(events) {}
  KVResult Show(HWND) override { return trace.Add("ui"), result; }
  KVResult result;
  ScriptTrace& trace;
};

// Writes the command line's tail, as the stub read it, as the UTF-8 line "tail=..." into the file at `path`.
void WriteCommandLineTail(const std::string& path) {
  std::FILE* file = ::_wfopen(AsWide(Utf8ToUtf16(path)), L"wb");
  if (file == nullptr) return;
  std::fprintf(file, "tail=%s\n", Utf16ToUtf8(CmdLineValues.tail).c_str());
  std::fclose(file);
}

class ScriptedTask final : public Task {
 public:
  ScriptedTask(std::size_t index, std::string kind, std::string argument, const RunEnvironment& environment,
               std::shared_ptr<ScriptTrace> trace)
      : Task(Utf8ToUtf16(kind), environment.parameters),
        uiActions_(environment.uiActions),
        index_(index),
        kind_(std::move(kind)),
        argument_(std::move(argument)),
        trace_(std::move(trace)) {}

  KVResult Run() override {
    trace_->Add(std::to_string(index_) + ":" + kind_);
    if (kind_ == "fail") return Number(argument_);
    if (kind_ == "set") {
      const auto equals = argument_.find('=');
      parameters->Set(Utf8ToUtf16(argument_.substr(0, equals)),
                      Utf8ToUtf16(equals == std::string::npos ? std::string() : argument_.substr(equals + 1)));
    } else if (kind_ == "sleep") {
      ::Sleep(Number(argument_));
    } else if (kind_ == "ui") {
      ResultAction action(Number(argument_), *trace_);
      action.RunOnMainThread(*uiActions_);
    } else if (kind_ == "cmdline") {
      WriteCommandLineTail(argument_);
    } else if (kind_ == "system32") {
      parameters->Set(u"SfxExitCode", Utf8ToUtf16(std::to_string(SystemKernel32Machine())));
    } else if (kind_ == "crash") {
      ::RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    }
    return KV_OK;
  }

 private:
  UIActionQueue* uiActions_;
  std::size_t index_;
  std::string kind_;
  std::string argument_;
  std::shared_ptr<ScriptTrace> trace_;
};

}  // namespace

KVResult ScriptedPlanner::PlanRun(const RunEnvironment& environment, TaskList& tasks) {
  tasks.clear();
  if (plan_.empty()) return KV_OK;
  for (std::size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
    end = plan_.find(';', start);
    std::string item = plan_.substr(start, end - start);
    bool alwaysRun = false;
    bool hidden = true;
    while (!item.empty() && (item[0] == '!' || item[0] == '+')) {
      if (item[0] == '!') alwaysRun = true;
      else hidden = false;
      item.erase(0, 1);
    }
    std::uint32_t minimumMs = 0;
    if (const auto at = item.rfind('@'); at != std::string::npos) {
      minimumMs = Number(item.substr(at + 1));
      item.erase(at);
    }
    const auto colon = item.find(':');
    const std::string kind = item.substr(0, colon);
    const std::string argument = colon == std::string::npos ? std::string() : item.substr(colon + 1);
    if (kind == "planfail") return Number(argument);
    auto task = std::make_shared<ScriptedTask>(tasks.size(), kind, argument, environment, trace_);
    task->alwaysRun = alwaysRun;
    task->hidden = hidden;
    task->minimumDurationMs = minimumMs;
    tasks.push_back(std::move(task));
  }
  return KV_OK;
}
