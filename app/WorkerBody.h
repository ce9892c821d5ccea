// The rules by which the worker runs the task list: first failure kept, always-run tasks, abort, minimum duration.
#pragma once
#include <cstdint>

#include "app/Task.h"
#include "support/ErrorCodes.h"

class ParameterStore;

// What the worker body needs from its surroundings (the App on Windows; fakes in tests).
class WorkerHost {
 public:
  virtual std::uint32_t TickCount() = 0;                 // milliseconds, wrapping
  virtual void Sleep(std::uint32_t milliseconds) = 0;
  virtual void ShowProgress(bool visible) = 0;           // asks the main thread to show or hide the dialog

 protected:
  ~WorkerHost() = default;
};

inline constexpr std::uint32_t kMinimumDurationStepMs = 100;

// Runs every task in order and returns the first failure, or 0.
kestrova::KVResult RunTaskList(const TaskList& tasks, const ParameterStore& parameters, WorkerHost& host);
