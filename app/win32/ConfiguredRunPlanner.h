#pragma once
#include "app/win32/RunPlanner.h"

// Plans the run from the embedded configuration. Until configuration reading exists it plans no tasks.
class ConfiguredRunPlanner final : public RunPlanner {
 public:
  kestrova::KVResult PlanRun(const RunEnvironment& environment, TaskList& tasks) override;
};
