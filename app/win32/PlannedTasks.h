// The planned tasks made real for the worker.
#pragma once
#include "app/RunPlan.h"
#include "app/win32/RunPlanner.h"

kestrova::KVResult CreatePlannedTasks(const RunPlan& plan, const RunEnvironment& environment, TaskList& tasks);
