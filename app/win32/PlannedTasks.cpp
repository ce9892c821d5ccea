#include "app/win32/PlannedTasks.h"

#include "app/win32/ExtractTasks.h"
#include "support/Failure.h"

using kestrova::KVResult;

namespace {

// Launch commands are not part of this build: a planned launch task fails the run with a general failure
// instead of pretending success.
class UnsupportedLaunchCommand final : public Task {
 public:
  using Task::Task;
  KVResult Run() override {
    return KV_FAIL(kestrova::KV_E_FAIL, "running command {} (this build launches no commands)", name);
  }
};

std::shared_ptr<Task> CreateTask(const PlannedTask& planned, const RunEnvironment& environment) {
  switch (planned.kind) {
    case PlannedTaskKind::ExtractFiles:
      return std::make_shared<ExtractFiles>(environment.parameters, environment.messageWindow,
                                            environment.uiActions);
    case PlannedTaskKind::DeleteExtractedFiles:
      return std::make_shared<DeleteExtractedFiles>(environment.parameters, environment.messageWindow,
                                                    environment.uiActions);
    case PlannedTaskKind::ExecuteLaunchCommand:
      return std::make_shared<UnsupportedLaunchCommand>(planned.name, environment.parameters,
                                                        environment.messageWindow, environment.uiActions);
  }
  return nullptr;
}

}  // namespace

KVResult CreatePlannedTasks(const RunPlan& plan, const RunEnvironment& environment, TaskList& tasks) {
  tasks.clear();
  for (const PlannedTask& planned : plan.tasks) {
    std::shared_ptr<Task> task = CreateTask(planned, environment);
    if (!task) return kestrova::KV_E_FAIL;
    task->name = planned.name;
    task->statusText = planned.statusText;
    task->target = planned.target;
    task->hidden = planned.hidden;
    task->minimumDurationMs = planned.minimumDurationMs;
    task->alwaysRun = planned.alwaysRun;
    tasks.push_back(std::move(task));
  }
  return kestrova::KV_OK;
}
