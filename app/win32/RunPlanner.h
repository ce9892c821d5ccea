// The part of a run that decides what to do: load the configuration, settle language and target, and build
// the task list (the run's steps before the worker starts).
#pragma once
#include <windows.h>

#include <string>

#include "app/Task.h"
#include "support/ErrorCodes.h"

class ParameterStore;
class UIActionQueue;

struct RunEnvironment {
  ParameterStore* parameters;
  UIActionQueue* uiActions;
};

class RunPlanner {
 public:
  virtual kestrova::KVResult PlanRun(const RunEnvironment& environment, TaskList& tasks) = 0;

 protected:
  ~RunPlanner() = default;
};
