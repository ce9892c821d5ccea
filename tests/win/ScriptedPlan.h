// A run planner whose task list is written as text, for driving the real spine in tests:
//   items separated by ";", each [!][+]kind[:argument][@minimum-ms]
//   ! always run, + shows the progress dialog (tasks are hidden otherwise); kinds: ok, fail:<code>,
//   set:<name>=<value>, sleep:<ms>, ui:<code> (a UI action on the main thread that returns <code>), cmdline:<file>
//   (writes the command line's tail there), crash (an access violation on the worker), planfail:<code> (the
//   planning itself fails), system32 (SfxExitCode := the machine of the kernel32.dll the task sees in System32).
#pragma once
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/win32/RunPlanner.h"

// What the scripted tasks did, in order: "<index>:<kind>" per task run, plus "ui" per UI action shown.
struct ScriptTrace {
  std::mutex lock;
  std::vector<std::string> events;
  void Add(std::string event);
  std::vector<std::string> Snapshot();
};

class ScriptedPlanner final : public RunPlanner {
 public:
  explicit ScriptedPlanner(std::string plan) : plan_(std::move(plan)), trace_(std::make_shared<ScriptTrace>()) {}
  kestrova::KVResult PlanRun(const RunEnvironment& environment, TaskList& tasks) override;
  const std::shared_ptr<ScriptTrace>& Trace() const { return trace_; }

 private:
  std::string plan_;
  std::shared_ptr<ScriptTrace> trace_;
};
