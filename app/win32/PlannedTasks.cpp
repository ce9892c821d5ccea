#include "app/win32/PlannedTasks.h"

#include "app/win32/ExtractTasks.h"
#include "app/win32/LaunchTask.h"
#include "support/Failure.h"

using kestrova::KVResult;

namespace {

std::shared_ptr<Task> CreateTask(const PlannedTask& planned, const RunEnvironment& environment) {
  switch (planned.kind) {
    case PlannedTaskKind::ExtractFiles:
      return std::make_shared<ExtractFiles>(environment.parameters);
    case PlannedTaskKind::DeleteExtractedFiles:
      return std::make_shared<DeleteExtractedFiles>(environment.parameters);
    case PlannedTaskKind::ExecuteLaunchCommand:
      return std::make_shared<ExecuteLaunchCommand>(planned.name, planned.launch, environment.parameters,
                                                    environment.uiActions);
  }
  return nullptr;
}

}  // namespace

KVResult CreatePlannedTasks(const RunPlan& plan, const RunEnvironment& environment, TaskList& tasks) {
  tasks.clear();
  for (const PlannedTask& planned : plan.tasks) {
    std::shared_ptr<Task> task = CreateTask(planned, environment);
    if (!task) return KV_FAIL(kestrova::KV_E_FAIL, "creating task {}: unknown kind", planned.name);
    task->name = planned.name;
    task->target = planned.target;
    task->hidden = planned.hidden;
    task->minimumDurationMs = planned.minimumDurationMs;
    task->alwaysRun = planned.alwaysRun;
    tasks.push_back(std::move(task));
  }
  return kestrova::KV_OK;
}
