#include "app/WorkerBody.h"

#include "commands/Parameters.h"
#include "support/Log.h"
#include "support/Text.h"

using kestrova::KV_OK;
using kestrova::KVResult;

namespace {

bool AbortRequested(const ParameterStore& parameters) {
  const std::u16string* value = parameters.Find(kAbortName);
  return value != nullptr && kestrova::EqualsAsciiNoCase(*value, u"true");
}

}  // namespace

KVResult RunTaskList(const TaskList& tasks, const ParameterStore& parameters, WorkerHost& host) {
  KVResult error = KV_OK;
  bool aborted = false;
  for (const std::shared_ptr<Task>& entry : tasks) {
    Task& task = *entry;
    if ((aborted || error != KV_OK) && !task.alwaysRun) {
      kestrova::KVLogEvent("task {} skipped: {}", task.name, aborted ? "abort requested" : "an earlier task failed");
      continue;
    }

    const std::uint32_t start = host.TickCount();
    host.ShowProgress(!task.hidden);
    kestrova::KVLogEvent("task {} started", task.name);
    const KVResult result = task.Run();
    kestrova::KVLogEvent("task {} ended after {} ms: 0x{:08X}", task.name,
                         static_cast<std::uint32_t>(host.TickCount() - start), result);
    if (result != KV_OK) {
      if (error == KV_OK) error = result;
      continue;
    }
    if (aborted) continue;  // an always-run task after an abort: no waiting
    if (AbortRequested(parameters)) {
      kestrova::KVLogEvent("abort requested by task {}: the tasks that follow are skipped", task.name);
      aborted = true;
      continue;
    }
    while (static_cast<std::uint32_t>(host.TickCount() - start) < task.minimumDurationMs) {
      host.Sleep(kMinimumDurationStepMs);
    }
  }
  return error;
}
