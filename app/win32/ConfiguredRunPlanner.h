#pragma once
#include "app/win32/RunPlanner.h"

// Plans the run from the configuration embedded in the executable (the default extractor without one) and
// the command line, and creates the planned tasks.
class ConfiguredRunPlanner final : public RunPlanner {
 public:
  kestrova::KVResult PlanRun(const RunEnvironment& environment, TaskList& tasks) override;
};
